/* DecompressStream on arbitrary streams with an arbitrary output bound.
 *
 * Input: 2 bytes of little-endian capacity (0 to 65535), then the stream.
 * Both buffers are heap blocks of exactly their size, so AddressSanitizer
 * sees any byte read or written outside them.  Beyond memory safety the
 * target checks the contract's promises about a successful decode: it
 * stays within capacity and within the stream, it does not depend on
 * bytes after the end code or on room after its output (the same stream
 * cut at consumed, into exactly produced bytes, gives the same bytes), and
 * one byte less of room or one stream byte less makes it fail. */
#include "archive/decompress.h"
#include "tests/fuzz/fuzz_world.h"

#include <string.h>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  DWORD capacity = (DWORD)data[0] | ((DWORD)data[1] << 8);
  std::vector<BYTE> source(data + 2, data + size);
  DWORD source_size = (DWORD)source.size();
  /* new[] of 0 bytes is still a block AddressSanitizer guards. */
  BYTE *stream = new BYTE[source_size];
  if (source_size) memcpy(stream, source.data(), source_size);
  BYTE *output = new BYTE[capacity];

  DWORD produced = 0xFFFFFFFFu, consumed = 0xFFFFFFFFu;
  int ok = DecompressStream(output, capacity, stream, source_size, &produced,
                            &consumed);
  if (ok) {
    FuzzCheck(produced <= capacity);
    FuzzCheck(consumed <= source_size);
    FuzzCheck(consumed > 0);

    BYTE *exact_stream = new BYTE[consumed];
    memcpy(exact_stream, stream, consumed);
    BYTE *exact_output = new BYTE[produced];
    DWORD produced_again = 0, consumed_again = 0;
    FuzzCheck(DecompressStream(exact_output, produced, exact_stream, consumed,
                               &produced_again, &consumed_again) == 1);
    FuzzCheck(produced_again == produced);
    FuzzCheck(consumed_again == consumed);
    FuzzCheck(produced == 0 || memcmp(exact_output, output, produced) == 0);
    if (produced > 0) {
      BYTE *short_output = new BYTE[produced - 1];
      FuzzCheck(DecompressStream(short_output, produced - 1, exact_stream,
                                 consumed, 0, 0) == 0);
      delete[] short_output;
    }
    /* Every byte counted as consumed was needed to reach the end code. */
    FuzzCheck(DecompressStream(exact_output, produced, exact_stream,
                               consumed - 1, 0, 0) == 0);
    delete[] exact_output;
    delete[] exact_stream;
  }
  /* Null result pointers are allowed. */
  DecompressStream(output, capacity, stream, source_size, 0, 0);

  delete[] output;
  delete[] stream;
  return 0;
}
