#include "bench/codecs.h"

#include <cstring>

#include <lz4.h>
#include <lz4hc.h>
#include <zlib.h>

#include "archive/decompress.h"
#include "archive/encode.h"

namespace {

size_t QpkBound(size_t n, int) { return EncodeBound(n); }

size_t QpkEncode(const uint8_t *src, size_t n, uint8_t *dst, size_t capacity, int level) {
  return EncodeStream(src, n, dst, capacity, level);
}

bool QpkDecode(const uint8_t *stream, size_t stream_size, uint8_t *dst, size_t n) {
  DWORD produced = 0, consumed = 0;
  if (!DecompressStream(dst, (DWORD)n, stream, (DWORD)stream_size, &produced, &consumed)) return false;
  return produced == n && consumed == stream_size;
}

// Raw deflate (no zlib header, no Adler-32): our streams carry no checksum
// either, so the comparison is of the coding alone.  One stream state per
// level, reset between members, as a tool packing many files would keep it.
constexpr int kRawDeflateWindowBits = -15;
constexpr int kDefaultMemLevel = 8;

z_stream *DeflateState(int level) {
  static z_stream states[10];
  static bool ready[10];
  if (!ready[level]) {
    if (deflateInit2(&states[level], level, Z_DEFLATED, kRawDeflateWindowBits, kDefaultMemLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK)
      return nullptr;
    ready[level] = true;
  }
  deflateReset(&states[level]);
  return &states[level];
}

z_stream *InflateState() {
  static z_stream state;
  static bool ready;
  if (!ready) {
    if (inflateInit2(&state, kRawDeflateWindowBits) != Z_OK) return nullptr;
    ready = true;
  }
  inflateReset(&state);
  return &state;
}

size_t ZlibBound(size_t n, int) { return compressBound((uLong)n) + 16; }

size_t ZlibEncode(const uint8_t *src, size_t n, uint8_t *dst, size_t capacity, int level) {
  z_stream *z = DeflateState(level);
  if (!z) return 0;
  z->next_in = const_cast<Bytef *>(src);
  z->avail_in = (uInt)n;
  z->next_out = dst;
  z->avail_out = (uInt)capacity;
  if (deflate(z, Z_FINISH) != Z_STREAM_END) return 0;
  return z->total_out;
}

bool ZlibDecode(const uint8_t *stream, size_t stream_size, uint8_t *dst, size_t n) {
  z_stream *z = InflateState();
  if (!z) return false;
  z->next_in = const_cast<Bytef *>(stream);
  z->avail_in = (uInt)stream_size;
  z->next_out = dst;
  z->avail_out = (uInt)n;
  return inflate(z, Z_FINISH) == Z_STREAM_END && z->total_out == n && z->avail_in == 0;
}

size_t Lz4Bound(size_t n, int) { return (size_t)LZ4_compressBound((int)n); }

size_t Lz4Encode(const uint8_t *src, size_t n, uint8_t *dst, size_t capacity, int) {
  return (size_t)LZ4_compress_default((const char *)src, (char *)dst, (int)n, (int)capacity);
}

size_t Lz4HcEncode(const uint8_t *src, size_t n, uint8_t *dst, size_t capacity, int level) {
  return (size_t)LZ4_compress_HC((const char *)src, (char *)dst, (int)n, (int)capacity, level);
}

// The bounds-checked decoder: ours checks its bounds as well.
bool Lz4Decode(const uint8_t *stream, size_t stream_size, uint8_t *dst, size_t n) {
  return LZ4_decompress_safe((const char *)stream, (char *)dst, (int)stream_size, (int)n) == (int)n;
}

size_t CopyBound(size_t n, int) { return n; }

size_t CopyEncode(const uint8_t *src, size_t n, uint8_t *dst, size_t capacity, int) {
  if (capacity < n) return 0;
  std::memcpy(dst, src, n);
  return n;
}

bool CopyDecode(const uint8_t *stream, size_t stream_size, uint8_t *dst, size_t n) {
  if (stream_size != n) return false;
  std::memcpy(dst, stream, n);
  return true;
}

constexpr int kZlibLevels[] = {1, 6, 9};
constexpr int kLz4HcLevel = 12;

}  // namespace

BenchCodec QpkCodec(int level) {
  return {"qpk", std::to_string(level), QpkBound, QpkEncode, QpkDecode, level};
}

int QpkLowestLevel() { return EncodeLevelStore; }
int QpkHighestLevel() { return EncodeLevelBest; }

std::vector<BenchCodec> TableCodecs() {
  std::vector<BenchCodec> codecs;
  codecs.push_back(QpkCodec(EncodeLevelFast));
  codecs.push_back(QpkCodec(EncodeLevelBest));
  for (int level : kZlibLevels)
    codecs.push_back({"zlib", std::to_string(level), ZlibBound, ZlibEncode, ZlibDecode, level});
  codecs.push_back({"lz4", "fast", Lz4Bound, Lz4Encode, Lz4Decode, 1});
  codecs.push_back({"lz4hc", std::to_string(kLz4HcLevel), Lz4Bound, Lz4HcEncode, Lz4Decode, kLz4HcLevel});
  codecs.push_back({"memcpy", "-", CopyBound, CopyEncode, CopyDecode, 0});
  return codecs;
}
