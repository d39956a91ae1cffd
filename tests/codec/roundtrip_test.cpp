// Encoder streams decode to their input at every level, end exactly where
// the decoder stops, stay within EncodeBound, and each match form the
// format has is reachable from the encoder's output.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "archive/decompress.h"
#include "archive/encode.h"
#include "tests/support/stream_builder.h"

using Bytes = std::vector<uint8_t>;

namespace {

const int kLevels[] = {EncodeLevelStore, EncodeLevelFast, 3, 6, EncodeLevelBest};

Bytes Encode(const Bytes &in, int level) {
  Bytes out(EncodeBound(in.size()));
  size_t n = EncodeStream(in.data(), in.size(), out.data(), out.size(), level);
  EXPECT_NE(n, 0u);
  out.resize(n);
  return out;
}

void ExpectRoundTrip(const Bytes &in, const std::string &name) {
  for (int level : kLevels) {
    Bytes stream = Encode(in, level);
    ASSERT_LE(stream.size(), EncodeBound(in.size())) << name << " level " << level;
    Bytes out(in.size() + 1);
    DWORD produced = 0, consumed = 0;
    ASSERT_EQ(DecompressStream(out.data(), DWORD(in.size()), stream.data(), DWORD(stream.size()), &produced,
                               &consumed),
              1)
        << name << " level " << level;
    EXPECT_EQ(produced, in.size()) << name << " level " << level;
    EXPECT_EQ(consumed, stream.size()) << name << " level " << level;
    out.resize(produced);
    ASSERT_EQ(out, in) << name << " level " << level;
    // The naive reader agrees, so the stream is right by the format and not
    // merely by a decoder sharing the encoder's mistakes.
    codec_test::Decoded ref = codec_test::ReferenceDecode(stream, in.size());
    ASSERT_TRUE(ref.ok && ref.out == in && ref.consumed == stream.size()) << name << " level " << level;
  }
}

Bytes Random(std::mt19937 &rng, size_t n) {
  Bytes b(n);
  for (auto &v : b) v = uint8_t(rng());
  return b;
}

Bytes Text(size_t n) {
  static const char *kWords[] = {"update ", "archive ", "the ", "installed ", "game ", "folder ", "file ",
                                 "SETUP.INI ", "\r\n", "of ", "copy ", "space ", "disk ", "member "};
  std::mt19937 rng(4);
  Bytes b;
  while (b.size() < n) {
    for (const char *p = kWords[rng() % std::size(kWords)]; *p && b.size() < n; p++) b.push_back(uint8_t(*p));
  }
  return b;
}

// A random block, then the same block again distance bytes later with its
// first `length` bytes repeated and a break after them, so the best match
// at the copy has exactly that distance and length.
Bytes MatchAt(size_t distance, size_t length) {
  std::mt19937 rng(uint32_t(distance * 1000 + length));
  Bytes b = Random(rng, distance + length + 64);
  for (size_t k = 0; k < length; k++) b[distance + k] = b[k];
  b[distance + length] = uint8_t(b[length] ^ 0x5A);
  return b;
}

TEST(RoundTrip, Table) {
  std::mt19937 rng(1);
  struct Case {
    std::string name;
    Bytes data;
  };
  std::vector<Case> cases = {
      {"empty", {}},
      {"one byte", {0x42}},
      {"two bytes", {0x42, 0x42}},
      {"run of 1000", Bytes(1000, 0)},
      {"run of 100000", Bytes(100000, 0xEE)},
      {"two-byte pattern", Bytes(5001, 0)},
      {"random 5000", Random(rng, 5000)},
      {"text 200000", Text(200000)},
  };
  for (size_t k = 0; k < cases[5].data.size(); k++) cases[5].data[k] = k % 2 ? 'b' : 'a';
  for (size_t d : {1, 2, 256, 257, 512, 513, 1024, 1025, 2048, 2049, 2303, 2304, 4096, 4097, 8192, 8193}) {
    for (size_t len : {2, 3, 4, 5, 6, 7, 10, 11, 26, 27, 282, 283}) {
      cases.push_back({"distance " + std::to_string(d) + " length " + std::to_string(len), MatchAt(d, len)});
    }
  }
  for (const Case &c : cases) ExpectRoundTrip(c.data, c.name);
}

TEST(RoundTrip, LongMixedInput) {
  // Several MB of text, random stretches, runs and repeats from far and
  // near, so matches of every form meet the window's edges.
  std::mt19937 rng(2);
  Bytes data;
  Bytes text = Text(300000);
  while (data.size() < (3u << 20)) {
    switch (rng() % 4) {
      case 0: {
        size_t at = rng() % (text.size() - 20000);
        data.insert(data.end(), text.begin() + at, text.begin() + at + 1 + rng() % 20000);
        break;
      }
      case 1: {
        Bytes r = Random(rng, rng() % 3000);
        data.insert(data.end(), r.begin(), r.end());
        break;
      }
      case 2: data.insert(data.end(), 1 + rng() % 2000, uint8_t(rng())); break;
      default: {
        if (data.size() < 10000) break;
        size_t back = 1 + rng() % 9000, len = 1 + rng() % 600;
        for (size_t k = 0; k < len; k++) data.push_back(data[data.size() - back]);
      }
    }
  }
  ExpectRoundTrip(data, "mixed");
}

TEST(RoundTrip, CapacityTooSmallFailsCleanly) {
  Bytes in = Text(5000);
  for (int level : kLevels) {
    size_t need = Encode(in, level).size();
    for (size_t cap : {size_t(0), size_t(4), need / 2, need - 1}) {
      Bytes out(cap + 8, 0xA5);
      EXPECT_EQ(EncodeStream(in.data(), in.size(), out.data(), cap, level), 0u) << level << " " << cap;
      for (size_t k = cap; k < out.size(); k++) ASSERT_EQ(out[k], 0xA5) << level << " " << cap;
    }
  }
}

TEST(RoundTrip, EmptyInputIsTheFiveByteStream) {
  for (int level : kLevels) EXPECT_EQ(Encode({}, level), (Bytes{0x00, 0x00, 0x00, 0x7E, 0xFF})) << level;
}

TEST(RoundTrip, BestIsNoLargerThanFast) {
  Bytes text = Text(100000);
  std::mt19937 rng(3);
  Bytes mixed = Random(rng, 3000);
  mixed.insert(mixed.end(), text.begin(), text.begin() + 20000);
  for (const Bytes *in : {&text, &mixed}) {
    EXPECT_LE(Encode(*in, EncodeLevelBest).size(), Encode(*in, EncodeLevelFast).size());
    EXPECT_LT(Encode(*in, EncodeLevelFast).size(), Encode(*in, EncodeLevelStore).size());
  }
}

// The cheapest parse by the format's own bit counts, found by trying every
// distance at every position: a lower bound for any encoder, in bits with
// data bytes counted as 8, end-of-stream code included.
size_t CheapestParseBits(const Bytes &in) {
  const size_t n = in.size();
  std::vector<size_t> best(n + 1, SIZE_MAX);
  best[0] = 0;
  auto relax = [&](size_t to, size_t price) { best[to] = std::min(best[to], price); };
  for (size_t i = 0; i < n; i++) {
    relax(i + 1, best[i] + 9);
    for (size_t d = 1; d <= i && d <= 8192; d++) {
      size_t len = 0;
      while (i + len < n && len < 282 && in[i + len] == in[i + len - d]) len++;
      if (len >= 2 && d <= 2303) relax(i + 2, best[i] + (d <= 256 ? 11 : 14));
      size_t dist = d <= 512 ? 12 : d <= 1024 ? 13 : d <= 2048 ? 15 : d <= 4096 ? 17 : 18;
      for (size_t l = 3; l <= len; l++) {
        size_t code = l == 3 ? 1 : l == 4 ? 2 : l <= 6 ? 4 : l <= 10 ? 6 : l <= 26 ? 9 : 13;
        relax(i + l, best[i] + dist + code);
      }
    }
  }
  return best[n] + 14;
}

TEST(RoundTrip, BestReachesTheCheapestParse) {
  // Short and far matches of every form, runs and random stretches, with no
  // match long enough to be taken outright: the best level must find the
  // nearest match of every length, so its stream is the cheapest one up to
  // the last control word's rounding.
  std::mt19937 rng(5);
  Bytes text = Text(12000), data;
  while (data.size() < 16000) {
    switch (rng() % 3) {
      case 0: {
        size_t at = rng() % (text.size() - 100);
        data.insert(data.end(), text.begin() + at, text.begin() + at + 1 + rng() % 100);
        break;
      }
      case 1: {
        Bytes r = Random(rng, rng() % 300);
        data.insert(data.end(), r.begin(), r.end());
        break;
      }
      default: data.insert(data.end(), 1 + rng() % 100, uint8_t(rng()));
    }
  }
  size_t bits = CheapestParseBits(data);
  size_t size = Encode(data, EncodeLevelBest).size();
  EXPECT_GE(size * 8, bits);
  EXPECT_LE(size * 8, bits + 32 + 8) << "cheapest parse " << (bits + 7) / 8 << " bytes";
}

}  // namespace
