/* Encoder for the archive's compressed stream format (the decoder's
 * counterpart in decompress.cpp).  It serves the archive builder and the
 * tests; the updater itself never links it. */
#ifndef ARCHIVE_ENCODE_H
#define ARCHIVE_ENCODE_H

#include <stddef.h>
#include <stdint.h>

/* Levels: Store writes literals only; Fast is a greedy hash-chain parse;
 * Best picks the cheapest parse in bits over the candidates of a deeper
 * match search.  Levels 2 to 8 lie between: 2 to 5 parse greedily with
 * longer chains, 6 to 8 parse like Best with shorter ones. */
enum { EncodeLevelStore = 0, EncodeLevelFast = 1, EncodeLevelBest = 9 };

/* Largest stream EncodeStream can produce for n input bytes at any level. */
size_t EncodeBound(size_t n);

/* Compresses src[0..n) into dst, which has room for capacity bytes; returns
 * the stream's length, or 0 when capacity is too small (a stream is never
 * empty: even no input takes 5 bytes).  The stream ends exactly at its
 * end-of-stream code's last byte, with the last control word's unused bits
 * set to a single 1 followed by zeros. */
size_t EncodeStream(const uint8_t *src, size_t n, uint8_t *dst, size_t capacity, int level);

#endif
