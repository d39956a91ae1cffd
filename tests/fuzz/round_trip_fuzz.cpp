/* Any bytes through the encoder at the store, fast and best levels, then
 * back through the decoder: the stream must fit EncodeBound, decode into
 * exactly the input's size, be read to its last byte, and give the input
 * back.  A mismatch aborts. */
#include "archive/decompress.h"
#include "archive/encode.h"
#include "tests/fuzz/fuzz_world.h"

#include <string.h>

static void RoundTrip(const uint8_t *data, size_t size, int level) {
  size_t bound = EncodeBound(size);
  uint8_t *stream = new uint8_t[bound];
  size_t length = EncodeStream(data, size, stream, bound, level);
  FuzzCheck(length >= 5);
  FuzzCheck(length <= bound);

  BYTE *output = new BYTE[size];
  DWORD produced = 0, consumed = 0;
  FuzzCheck(DecompressStream(output, (DWORD)size, stream, (DWORD)length,
                             &produced, &consumed) == 1);
  FuzzCheck(produced == size);
  FuzzCheck(consumed == length);
  FuzzCheck(size == 0 || memcmp(output, data, size) == 0);

  /* One byte short of the stream's length: the encoder must say so, and
   * write nothing outside the smaller buffer. */
  uint8_t *short_stream = new uint8_t[length - 1];
  FuzzCheck(EncodeStream(data, size, short_stream, length - 1, level) == 0);
  delete[] short_stream;

  delete[] output;
  delete[] stream;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  /* The best level's parse is the slow one; inputs beyond this add no
   * new paths, only time. */
  if (size > (1u << 16)) return 0;
  RoundTrip(data, size, EncodeLevelStore);
  RoundTrip(data, size, EncodeLevelFast);
  RoundTrip(data, size, EncodeLevelBest);
  return 0;
}
