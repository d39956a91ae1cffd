// The codecs the benchmark compares: ours at each level, the peers from the
// system's zlib and LZ4, and memcpy as the limit of moving the bytes at all.
#ifndef BENCH_CODECS_H
#define BENCH_CODECS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BenchCodec {
  std::string codec;  // "qpk", "zlib", "lz4", "lz4hc", "memcpy"
  std::string level;  // as the results show it
  // Worst-case output size for n input bytes.
  size_t (*bound)(size_t n, int level);
  // Returns the output length, 0 on failure.
  size_t (*encode)(const uint8_t *src, size_t n, uint8_t *dst, size_t capacity, int level);
  // Decodes exactly n bytes into dst; false when the stream is not sound or
  // does not decode to exactly n bytes while consuming all stream_size bytes.
  bool (*decode)(const uint8_t *stream, size_t stream_size, uint8_t *dst, size_t n);
  int level_value;
};

// The codecs of the main table, in the order of its rows.
std::vector<BenchCodec> TableCodecs();
// Our codec at a given level (the main table holds the fast and best ones;
// the others are round-tripped too).
BenchCodec QpkCodec(int level);
int QpkLowestLevel();
int QpkHighestLevel();

#endif
