/* ExpandLineBreaks on arbitrary bytes.  The start message it expands is
 * read into a 1024-byte buffer, so the source is the input cut at its
 * first NUL and at 1023 bytes.  The destination is a heap block exactly as
 * large as the source (the header asks for "at least as large"), so any
 * write past the expanded text is caught.  The output is never longer
 * than the input, and the two differ only by expansions: each one takes a
 * byte away and adds a carriage return. */
#include "app/startup.h"
#include "tests/fuzz/fuzz_world.h"

#include <string.h>

#define MESSAGE_BUFFER_SIZE 1024

static size_t CountByte(const char *text, char c) {
  size_t n = 0;
  for (; *text; text++) n += *text == c;
  return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  size_t length = 0;
  while (length < size && length < MESSAGE_BUFFER_SIZE - 1 && data[length]) length++;

  char *source = new char[length + 1];
  memcpy(source, data, length);
  source[length] = 0;
  char *destination = new char[length + 1];

  ExpandLineBreaks(source, destination);
  size_t out_length = strlen(destination);
  FuzzCheck(out_length <= length);
  /* Each expansion shortens the text by one byte and adds one CR. */
  FuzzCheck(CountByte(destination, '\r') - CountByte(source, '\r') ==
            length - out_length);
  /* The source is read, never written. */
  FuzzCheck(memcmp(source, data, length) == 0);

  delete[] destination;
  delete[] source;
  return 0;
}
