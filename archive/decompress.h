/* The archive's compressed stream format: an LZ77 variant whose code bits
 * come from 32-bit little-endian control words interleaved with whole data
 * bytes, ended by an end-of-stream code (see decompress.cpp for the codes).
 */
#ifndef ARCHIVE_DECOMPRESS_H
#define ARCHIVE_DECOMPRESS_H

#include "platform/platform.h"

/* Decodes the stream of source_size bytes at source into destination,
 * which has room for capacity bytes.  Returns 1 when the end-of-stream
 * code was reached, with the number of bytes written in *produced and
 * the number of stream bytes read in *consumed (either may be null).
 * Returns 0, without reading or writing outside either buffer, when a
 * match reaches before the first output byte, when the output would pass
 * capacity, or when the stream ends before its end-of-stream code; the
 * destination's contents are then undefined.  Even on success the bytes
 * between *produced and capacity may have been overwritten (the decoder
 * copies in blocks while it has room), never anything past capacity. */
int DecompressStream(BYTE *destination, DWORD capacity, const BYTE *source,
                     DWORD source_size, DWORD *produced, DWORD *consumed);

#endif
