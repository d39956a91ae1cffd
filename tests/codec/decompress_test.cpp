// The decoder against literal byte fixtures, against the naive reference
// decoder on hand-built and randomly generated streams, and on damaged
// input: every bound must fail cleanly, never read or write outside.
#include "archive/decompress.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/stream_builder.h"

using codec_test::Decoded;
using codec_test::ReferenceDecode;
using codec_test::StreamBuilder;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t kCanary = 0xA5;

// Runs the product decoder over a private copy of the stream (so any read
// past it is caught by the sanitizers) into a buffer of exactly capacity
// bytes followed by canaries that must survive.
Decoded Decode(const Bytes &stream, size_t capacity) {
  Bytes in(stream);
  Bytes out(capacity + 16, kCanary);
  DWORD produced = 0xDEAD, consumed = 0xBEEF;
  Decoded r;
  r.ok = DecompressStream(out.data(), DWORD(capacity), in.data(), DWORD(in.size()), &produced, &consumed) == 1;
  for (size_t k = capacity; k < out.size(); k++) EXPECT_EQ(out[k], kCanary) << "wrote past capacity at " << k;
  if (r.ok) {
    EXPECT_LE(produced, capacity);
    r.out.assign(out.begin(), out.begin() + produced);
    r.consumed = consumed;
  }
  return r;
}

// Decodes with the exact size, with room to spare (which lets the fast loop
// run up to the stream's end) and, as must fail, one and ten bytes short.
void ExpectDecodesTo(const Bytes &stream, const Bytes &expected, size_t consumed) {
  for (size_t spare : {size_t(0), size_t(1000)}) {
    Decoded r = Decode(stream, expected.size() + spare);
    ASSERT_TRUE(r.ok) << "spare " << spare;
    EXPECT_EQ(r.out, expected) << "spare " << spare;
    EXPECT_EQ(r.consumed, consumed) << "spare " << spare;
  }
  for (size_t short_by : {size_t(1), size_t(10)}) {
    if (expected.size() >= short_by) {
      EXPECT_FALSE(Decode(stream, expected.size() - short_by).ok) << short_by;
    }
  }
}

Bytes Repeat(const std::string &s, size_t n) {
  Bytes b;
  while (b.size() < n) b.push_back(uint8_t(s[b.size() % s.size()]));
  return b;
}

TEST(Decompress, FixedStreams) {
  // A complete empty stream, and three literals extended by a distance-3
  // match of length 7.
  ExpectDecodesTo({0x00, 0x00, 0x00, 0x7E, 0xFF}, {}, 5);
  ExpectDecodesTo({0x00, 0xF0, 0x23, 0xE4, 0x61, 0x62, 0x63, 0x01, 0xFF},
                  {0x61, 0x62, 0x63, 0x61, 0x62, 0x63, 0x61, 0x62, 0x63, 0x61}, 9);

  // Literal whose bit is a word's 32nd: its byte precedes the next word.
  Bytes literal32 = {0xFF, 0xFF, 0xFF, 0xFF};
  for (int k = 0; k < 32; k++) literal32.push_back(uint8_t('A' + k));
  for (uint8_t b : {0x00, 0x00, 0x00, 0x7E, 0xFF}) literal32.push_back(b);
  ExpectDecodesTo(literal32, Repeat("ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`", 32), literal32.size());

  // The end code's first three bits close a word: its data byte comes
  // before the word that holds its last three bits.
  Bytes split_end = {0xFB, 0xFF, 0xFF, 0xFF};
  for (int k = 0; k < 29; k++) split_end.push_back(uint8_t('a' + k % 26));
  for (uint8_t b : {0xFF, 0x00, 0x00, 0x00, 0xF0}) split_end.push_back(b);
  ExpectDecodesTo(split_end, Repeat("abcdefghijklmnopqrstuvwxyz", 29), split_end.size());
}

TEST(Decompress, HandBuiltStreamsMatchReference) {
  struct Case {
    const char *name;
    std::string text;
  };
  const Case cases[] = {
      {"run at distance 1, longest", "1 x5A 00 1 x00 0 00000 xFF 011 xFF 111"},
      {"odd length at distance 2 ends on the first byte", "1 x41 1 x42 00 1 x00 1 00001 0110 011 xFF 111"},
      {"distance 3 pattern", "1 x41 1 x42 1 x43 00 1 x01 0 00001 1111 011 xFF 111"},
      {"near pair at distance 1", "1 x41 010 x00 011 xFF 111"},
      {"far end code with junk behind it", "1 x41 1 x42 011 xFF 111 1 x43 1 x44 010 x00"},
      {"length byte across a word boundary",
       "1 x01 1 x02 1 x03 1 x04 1 x05 1 x06 1 x07 1 x08 1 x09 1 x0A 1 x0B 1 x0C 1 x0D 1 x0E 1 x0F 1 x10 "
       "1 x11 1 x12 1 x13 1 x14 1 x15 1 x16 1 x17 1 x18 1 x19 1 x1A 00 1 x03 1 00000 x20 011 xFF 111"},
      {"distance byte across a word boundary",
       "1 x01 1 x02 1 x03 1 x04 1 x05 1 x06 1 x07 1 x08 1 x09 1 x0A 1 x0B 1 x0C 1 x0D 1 x0E 1 x0F 1 x10 "
       "1 x11 1 x12 1 x13 1 x14 1 x15 1 x16 1 x17 1 x18 1 x19 1 x1A 1 x1B 1 x1C 1 x1D 00 1 x04 1 0001 11 "
       "011 xFF 111"},
  };
  for (const Case &c : cases) {
    Bytes stream = StreamBuilder().Text(c.text).Finish();
    Decoded want = ReferenceDecode(stream, 1 << 20);
    ASSERT_TRUE(want.ok) << c.name;
    ExpectDecodesTo(stream, want.out, want.consumed);
  }
  EXPECT_EQ(ReferenceDecode(StreamBuilder().Text(cases[0].text).Finish(), 1 << 20).out, Bytes(283, 0x5A));
  EXPECT_EQ(ReferenceDecode(StreamBuilder().Text(cases[1].text).Finish(), 1 << 20).out, Repeat("AB", 2 + 17));
}

TEST(Decompress, DamagedStreamsFail) {
  struct Case {
    const char *name;
    std::string text;
    size_t capacity;
  };
  const Case cases[] = {
      {"pair before any output", "010 x00 011 xFF 111", 1000},
      {"pair reaching one byte too far", "1 x41 010 x01 011 xFF 111", 1000},
      {"far pair before the start", "1 x41 011 x00 000 011 xFF 111", 1000},
      {"long match before the start", "1 x41 1 x42 00 1 x01 0 1 011 xFF 111", 1000},
      {"long match at the longest distance", "1 x41 00 0000 xFF 1111 1 011 xFF 111", 1000},
      {"literal past capacity", "1 x41 1 x42 011 xFF 111", 1},
      {"match past capacity", "1 x41 00 1 x00 0 00000 xFF 011 xFF 111", 100},
      {"no end code", "1 x41 1 x42", 100},
  };
  for (const Case &c : cases) {
    Bytes stream = StreamBuilder().Text(c.text).Finish();
    EXPECT_FALSE(ReferenceDecode(stream, c.capacity).ok) << c.name;
    EXPECT_FALSE(Decode(stream, c.capacity).ok) << c.name;
    // Bytes after the fault change nothing, but let the fast loop see it.
    Bytes padded = stream;
    padded.resize(stream.size() + 64, 0x00);
    EXPECT_FALSE(Decode(padded, c.capacity).ok) << c.name;
  }
  // A stream of literals only, long enough for the fast loop, that never
  // ends: the fast loop must hand over to the checked one and fail there.
  EXPECT_FALSE(Decode(Bytes(200, 0xFF), 1 << 16).ok);
  EXPECT_FALSE(Decode({}, 100).ok);
  EXPECT_FALSE(Decode({0x00, 0x00, 0x00}, 100).ok);
}

TEST(Decompress, MatchesEndingAtTheBufferEnd) {
  // The widest writes come from the longest match: with the output's end a
  // few bytes past it, block copies must stay inside the buffer.
  for (uint32_t d : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 11u, 13u, 15u, 16u, 17u, 300u, 8192u}) {
    for (uint32_t len : {3u, 27u, 281u, 282u}) {
      StreamBuilder b;
      Bytes want;
      for (uint32_t k = 0; k < d; k++) {
        b.Literal(uint8_t(k * 7 + 1));
        want.push_back(uint8_t(k * 7 + 1));
      }
      b.Long(d, len).End();
      for (uint32_t k = 0; k < len; k++) want.push_back(want[want.size() - d]);
      Bytes stream = b.Finish();
      size_t consumed = stream.size();
      stream.resize(stream.size() + 64, 0xFF);  // input to spare after the end
      for (size_t spare = 0; spare <= 16; spare++) {
        Decoded r = Decode(stream, want.size() + spare);
        ASSERT_TRUE(r.ok && r.out == want && r.consumed == consumed)
            << "distance " << d << " length " << len << " spare " << spare;
      }
    }
  }
}

// A random valid stream, with the output it must decode to computed by the
// copy rule while generating.  Distances favour 1..16 and the form edges.
struct Generated {
  Bytes stream;
  Bytes output;
};

Generated Generate(std::mt19937 &rng, size_t target, bool junk_after_end) {
  StreamBuilder b;
  Bytes out;
  auto pick = [&](uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(rng); };
  static const uint32_t kEdgeDistances[] = {256, 257, 512, 513, 1024, 1025, 2048, 2049, 2303, 4096, 4097, 8192};
  static const uint32_t kEdgeLengths[] = {3, 4, 5, 6, 7, 10, 11, 26, 27, 282};
  auto distance = [&](uint32_t limit) {
    uint32_t d;
    switch (pick(0, 3)) {
      case 0: d = pick(1, 16); break;
      case 1: d = kEdgeDistances[pick(0, std::size(kEdgeDistances) - 1)]; break;
      default: d = pick(1, limit); break;
    }
    return d <= out.size() && d <= limit ? d : uint32_t(pick(1, uint32_t(std::min<size_t>(out.size(), limit))));
  };
  while (out.size() < target) {
    uint32_t kind = out.empty() ? 0 : pick(0, 9);
    if (kind < 4) {
      for (uint32_t n = pick(1, 40); n > 0; n--) {
        uint8_t v = uint8_t(pick(0, 255));
        b.Literal(v);
        out.push_back(v);
      }
    } else if (kind < 6 && out.size() >= 1) {
      uint32_t d = distance(2303);
      b.Pair(d);
      for (int k = 0; k < 2; k++) out.push_back(out[out.size() - d]);
    } else {
      uint32_t d = distance(8192);
      uint32_t len = pick(0, 1) ? kEdgeLengths[pick(0, std::size(kEdgeLengths) - 1)] : pick(3, 40);
      b.Long(d, len);
      for (uint32_t k = 0; k < len; k++) out.push_back(out[out.size() - d]);
    }
  }
  b.End();
  if (junk_after_end) b.Text("1 x00 010 x00 1 x01");
  return {b.Finish(), out};
}

TEST(Decompress, GeneratedStreamsMatchCopyRule) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; round++) {
    size_t target = round < 200 ? size_t(rng() % 600) : size_t(rng() % 40000);
    Generated g = Generate(rng, target, round % 3 == 0);
    Decoded ref = ReferenceDecode(g.stream, g.output.size());
    ASSERT_TRUE(ref.ok) << round;
    ASSERT_EQ(ref.out, g.output) << round;
    size_t consumed = ref.consumed;
    if (round % 3 != 0) {
      ASSERT_EQ(consumed, g.stream.size()) << round;
    }
    ExpectDecodesTo(g.stream, g.output, consumed);
    if (HasFailure()) return;
  }
}

TEST(Decompress, EveryTruncationFails) {
  std::mt19937 rng(777);
  for (int round = 0; round < 4; round++) {
    Generated g = Generate(rng, round == 0 ? 40 : 3000, false);
    for (size_t cut = 0; cut < g.stream.size(); cut++) {
      Bytes part(g.stream.begin(), g.stream.begin() + cut);
      ASSERT_FALSE(Decode(part, g.output.size() + 1000).ok) << "round " << round << " cut " << cut;
    }
  }
}

TEST(Decompress, RandomBytesNeverEscapeTheBuffers) {
  // Whatever the outcome, Decode's canaries and the sanitizers watch the
  // bounds; the reference decides whether it must succeed.
  std::mt19937 rng(99);
  for (int round = 0; round < 3000; round++) {
    Bytes junk(rng() % 200);
    for (auto &v : junk) v = uint8_t(rng() >> (rng() % 2 ? 0 : 3));
    size_t capacity = rng() % 400;
    Decoded ref = ReferenceDecode(junk, capacity);
    Decoded got = Decode(junk, capacity);
    ASSERT_EQ(got.ok, ref.ok) << round;
    if (ref.ok) {
      ASSERT_EQ(got.out, ref.out) << round;
      ASSERT_EQ(got.consumed, ref.consumed) << round;
    }
  }
}

}  // namespace
