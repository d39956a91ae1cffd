// Test helpers for the stream format: a bit writer that lays out control
// words and data bytes by the format's ordering rule, code-level emitters
// written straight from the code tables, and a plain one-bit-at-a-time
// reference decoder.  They are deliberately naive so they can judge the
// product decoder's fast paths and the encoder.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace codec_test {

class StreamBuilder {
 public:
  StreamBuilder() { Reserve(); }

  // Space-separated tokens: a run of 0/1 digits is code bits, "xHH" a data
  // byte.  Example: "1 x61 011 xFF 111" is a literal 'a' then the end code.
  StreamBuilder &Text(const std::string &text) {
    size_t i = 0;
    while (i < text.size()) {
      if (text[i] == ' ') { i++; continue; }
      if (text[i] == 'x') {
        Byte(uint8_t(std::stoul(text.substr(i + 1, 2), nullptr, 16)));
        i += 3;
        continue;
      }
      Bit(text[i] == '1');
      i++;
    }
    return *this;
  }
  StreamBuilder &Bit(bool b) {
    if (used_ == 32) {
      Store();
      Reserve();
    }
    if (b) word_ |= 1u << (31 - used_);
    used_++;
    return *this;
  }
  StreamBuilder &Bits(uint32_t value, int count) {
    for (int k = count - 1; k >= 0; k--) Bit((value >> k) & 1);
    return *this;
  }
  StreamBuilder &Byte(uint8_t b) {
    bytes_.push_back(b);
    return *this;
  }

  StreamBuilder &Literal(uint8_t b) { return Bit(1).Byte(b); }
  StreamBuilder &Pair(uint32_t distance) {
    if (distance <= 256) return Bits(0b010, 3).Byte(uint8_t(distance - 1));
    uint32_t w = distance - 257;
    return Bits(0b011, 3).Byte(uint8_t(w >> 3)).Bits(w & 7, 3);
  }
  StreamBuilder &Long(uint32_t distance, uint32_t length) {
    static const struct { uint32_t limit, base; int prefix_zeros, extra; } kForms[] = {
        {512, 0, 0, 1}, {1024, 512, 1, 1}, {2048, 1024, 2, 2}, {4096, 2048, 3, 3}, {8192, 4096, 4, 4}};
    Bits(0, 2);
    for (const auto &f : kForms) {
      if (distance > f.limit) continue;
      uint32_t v = distance - 1 - f.base;
      Bits(0, f.prefix_zeros);
      if (f.prefix_zeros < 4) Bit(1);
      Byte(uint8_t(v >> f.extra)).Bits(v & ((1u << f.extra) - 1), f.extra);
      break;
    }
    if (length == 3) return Bits(1, 1);
    if (length == 4) return Bits(1, 2);
    if (length <= 6) return Bits(1, 3).Bits(length - 5, 1);
    if (length <= 10) return Bits(1, 4).Bits(length - 7, 2);
    if (length <= 26) return Bits(1, 5).Bits(length - 11, 4);
    return Bits(0, 5).Byte(uint8_t(length - 27));
  }
  StreamBuilder &End() { return Bits(0b011, 3).Byte(0xFF).Bits(0b111, 3); }

  // The stream as built: the last word's unused bits get one 1 and then
  // zeros when fill is set, and are left zero otherwise.
  std::vector<uint8_t> Finish(bool fill = true) {
    std::vector<uint8_t> out = bytes_;
    uint32_t word = word_;
    if (fill && used_ < 32) word |= 1u << (31 - used_);
    for (int k = 0; k < 4; k++) out[word_pos_ + k] = uint8_t(word >> (8 * k));
    return out;
  }

 private:
  void Reserve() {
    word_pos_ = bytes_.size();
    bytes_.resize(bytes_.size() + 4);
    word_ = 0;
    used_ = 0;
  }
  void Store() {
    for (int k = 0; k < 4; k++) bytes_[word_pos_ + k] = uint8_t(word_ >> (8 * k));
  }
  std::vector<uint8_t> bytes_;
  size_t word_pos_ = 0;
  uint32_t word_ = 0;
  int used_ = 0;
};

struct Decoded {
  bool ok = false;
  std::vector<uint8_t> out;
  size_t consumed = 0;
};

// The format read literally: one bit, one byte, one copied byte at a time,
// failing on any read past the stream, any distance before the output's
// start and any output past capacity.
inline Decoded ReferenceDecode(const std::vector<uint8_t> &s, size_t capacity) {
  Decoded r;
  size_t pos = 0, bits = 0;
  uint32_t word = 0;
  bool bad = false;
  auto bit = [&]() -> uint32_t {
    if (bits == 0) {
      if (s.size() - pos < 4) { bad = true; return 0; }
      word = uint32_t(s[pos]) | uint32_t(s[pos + 1]) << 8 | uint32_t(s[pos + 2]) << 16 | uint32_t(s[pos + 3]) << 24;
      pos += 4;
      bits = 32;
    }
    bits--;
    return (word >> bits) & 1;
  };
  auto bitsn = [&](int n) { uint32_t v = 0; while (n-- > 0 && !bad) v = v << 1 | bit(); return v; };
  auto byte = [&]() -> uint32_t {
    if (pos >= s.size()) { bad = true; return 0; }
    return s[pos++];
  };
  while (!bad) {
    uint32_t distance, length;
    if (bit()) {
      uint32_t b = byte();
      if (bad || r.out.size() >= capacity) return r;
      r.out.push_back(uint8_t(b));
      continue;
    }
    if (bad) return r;
    if (bit()) {
      uint32_t far_form = bit();
      uint32_t b = byte();
      if (far_form) {
        uint32_t w = 8 * b + bitsn(3);
        if (bad) return r;
        if (w == 2047) { r.ok = true; r.consumed = pos; return r; }
        distance = w + 257;
      } else {
        distance = b + 1;
      }
      length = 2;
    } else {
      static const uint32_t kBase[] = {0, 512, 1024, 2048, 4096};
      static const int kExtra[] = {1, 1, 2, 3, 4};
      int form = 0;
      while (form < 4 && !bad && !bit()) form++;
      uint32_t b = byte();
      distance = kBase[form] + (b << kExtra[form]) + bitsn(kExtra[form]) + 1;
      int zeros = 0;
      while (zeros < 5 && !bad && !bit()) zeros++;
      static const uint32_t kLenBase[] = {3, 4, 5, 7, 11};
      static const int kLenExtra[] = {0, 0, 1, 2, 4};
      length = zeros == 5 ? 27 + byte() : kLenBase[zeros] + bitsn(kLenExtra[zeros]);
    }
    if (bad || distance > r.out.size() || length > capacity - r.out.size()) return r;
    for (uint32_t k = 0; k < length; k++) r.out.push_back(r.out[r.out.size() - distance]);
  }
  return r;
}

}  // namespace codec_test
