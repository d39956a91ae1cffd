// The start message's line-break escapes, byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/startup.h"

namespace {

struct Case {
  const char *source;
  const char *expected;
};

TEST(ExpandLineBreaks, EscapesAndDoubleByteCharacters) {
  const Case cases[] = {
      {"a\\nb", "a\rb"},
      {"a\\Nb", "a\\Nb"},     // only a lower-case n counts
      {"end\\", "end\\"},     // a backslash at the very end stays
      {"a\\\\nb", "a\\\rb"},  // two backslashes, n: one stays
      {"\\n\\n", "\r\r"},
      {"", ""},
      // ソ is 0x83 0x5C in Shift-JIS: its second byte is no backslash.
      {"\x83\x5Cn", "\x83\x5Cn"},
      {"行1\\n行2", "行1\r行2"},
  };
  for (const Case &c : cases) {
    char out[1024];
    memset(out, 'X', sizeof out);
    ExpandLineBreaks(c.source, out);
    EXPECT_EQ(std::string(out), c.expected) << "source: " << c.source;
  }
}

}  // namespace
