// The text calls of the ANSI code page (932) and the formatter's rules, as
// the product uses them.  Runs against the stand-in and under Wine.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

TEST(Text, CaseInsensitiveComparisonFoldsAsciiOnly) {
  struct Case {
    const char *a, *b;
    bool equal;
  } cases[] = {
      {"UPDATE.INI", "update.ini", true},
      {"Update.Ini", "UPDATE.INI", true},
      {"a.dat", "a.dat", true},
      {"a.dat", "a.da", false},
      {"", "", true},
      {"", "a", false},
      /* The locale folds the full-width letters too (0x82 0x60 is the
       * capital A, 0x82 0x81 the small a), but keeps hiragana and katakana
       * apart (0x82 0xA0 and 0x83 0x41). */
      {"\x82\x60", "\x82\x81", true},
      {"\x82\xA0", "\x83\x41", false},
      {"\x83\x5C.dat", "\x83\x5C.DAT", true},
      /* A trail byte that looks like a letter is not folded. */
      {"\x83\x41", "\x83\x61", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(lstrcmpiA(c.a, c.b) == 0, c.equal);
    EXPECT_EQ(lstrcmpiA(c.b, c.a) == 0, c.equal);
  }
  EXPECT_NE(lstrcmpA("UPDATE.INI", "update.ini"), 0);
  EXPECT_EQ(lstrcmpA("abc", "abc"), 0);
  EXPECT_LT(lstrcmpA("abc", "abd"), 0);
  EXPECT_GT(lstrcmpiA("abd", "ABC"), 0);
}

TEST(Text, CopyAndJoin) {
  char buffer[16];
  memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(lstrcpynA(buffer, "abcdef", 4), buffer);
  EXPECT_STREQ(buffer, "abc"); /* at most size - 1 bytes and a NUL */
  EXPECT_EQ(buffer[4], 'x');
  lstrcpyA(buffer, "C:");
  lstrcatA(buffer, "\\Game");
  EXPECT_STREQ(buffer, "C:\\Game");
  EXPECT_EQ(lstrlenA(buffer), 7);
  EXPECT_EQ(lstrlenA(""), 0);
}

TEST(Text, LeadBytesAndCharacterSteps) {
  for (int c = 0; c < 256; c++) {
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    EXPECT_EQ(IsDBCSLeadByte((BYTE)c) != 0, lead) << "byte " << c;
  }
  const char *text = "a\x83\x5C" "b";
  const char *p = CharNextA(text);
  EXPECT_EQ(p, text + 1);
  p = CharNextA(p);
  EXPECT_EQ(p, text + 3); /* over both bytes of the character */
  p = CharNextA(p);
  EXPECT_EQ(p, text + 4);
  EXPECT_EQ(CharNextA(p), p); /* never past the NUL */
  const char *cut = "\x83";    /* a lead byte right before the NUL */
  EXPECT_EQ(CharNextA(cut), cut + 1);
}

std::string Format(const char *format, ...) {
  char out[1100];
  memset(out, '#', sizeof out);
  va_list args;
  va_start(args, format);
  int n = wvsprintfA(out, format, args);
  va_end(args);
  EXPECT_EQ(n, (int)strlen(out));
  return out;
}

TEST(Text, FormatterConversions) {
  EXPECT_EQ(Format("%s : %s", "SETUP", "GameClass"), "SETUP : GameClass");
  EXPECT_EQ(Format("UpdateFile%02i", 7), "UpdateFile07");
  EXPECT_EQ(Format("UpdateFile%02i", 123), "UpdateFile123");
  EXPECT_EQ(Format("%i", -600), "-600");
  EXPECT_EQ(Format("%d|%5d|%-5d|%05d", 42, 42, 42, -42), "42|   42|42   |-0042");
  EXPECT_EQ(Format("%u", 0xFFFFFFFFu), "4294967295");
  EXPECT_EQ(Format("%x %X %08lx", 0xBEEFu, 0xBEEFu, 0x1Fu), "beef BEEF 0000001f");
  EXPECT_EQ(Format("%c%c", 'o', 'k'), "ok");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("[%-6s][%6s]", "ab", "ab"), "[ab    ][    ab]");
  EXPECT_EQ(Format("%hd|%5.3d|%-05d|%#x|%.2s", 0x1FFFF, 7, 7, 255, "abc"),
            "131071|  007|7    |0xff|ab"); /* 'h' changes nothing */
  EXPECT_EQ(Format("%ld", -5L), "-5");
  /* Shift-JIS text passes through unchanged, trail bytes 0x5C included. */
  EXPECT_EQ(Format("「%s」", "\x83\x5C\x83\x74\x83\x67"),
            "「\x83\x5C\x83\x74\x83\x67」");
}

/* At most 1024 bytes with the NUL; a text that fills them all is cut to
 * 1023 bytes and reported as 1024. */
TEST(Text, FormatterStopsAt1024BytesWithTheNul) {
  struct Case {
    size_t length;
    int result;
    size_t stored;
  } cases[] = {{1022, 1022, 1022}, {1023, 1024, 1023}, {1024, 1024, 1023},
               {2000, 1024, 1023}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.length);
    char out[1100];
    memset(out, '#', sizeof out);
    EXPECT_EQ(wsprintfA(out, "%s", std::string(c.length, 'a').c_str()), c.result);
    EXPECT_EQ(strlen(out), c.stored);
    EXPECT_EQ(out[1024], '#'); /* nothing written past the limit */
  }
}

}  // namespace
