// What the profile-string reader does with a file, as the updater's scripts
// rely on it.  The same table runs against our Linux reader and, in the
// win32 build under Wine, against the real one, so a row that fails only
// on Linux shows where our reader differs.
#ifndef TESTS_SETTINGS_PROFILE_CASES_H
#define TESTS_SETTINGS_PROFILE_CASES_H

#include "platform/platform.h"

struct ProfileCase {
  const char *what;
  const char *file;  // null: no such file
  const char *section;
  const char *key;
  const char *fallback;
  DWORD size;
  const char *expected;  // the result is its length
};

// Texts are compiled to code page 932: ソ is 0x83 0x5C (second byte '\'),
// ゼ 0x83 0x5B ('['), ゾ 0x83 0x5D (']'), ア 0x83 0x41 and ヂ 0x83 0x61
// (second bytes 'A' and 'a').
static const ProfileCase ProfileCases[] = {
    {"section and key names ignore letter case", "[Setup]\r\ngametitle=Game\r\n", "SETUP", "GameTitle", "", 260, "Game"},
    {"blanks around key and value are trimmed", "[S]\n   Key   =   inner  blanks stay   \n", "S", "key", "", 260, "inner  blanks stay"},
    {"tabs around key and value are trimmed", "[S]\n\tKey\t=\tv\t\n", "S", "Key", "", 260, "v"},
    {"double quotes around the value are removed", "[S]\nK=\" a, b \"\n", "S", "K", "", 260, " a, b "},
    {"single quotes around the value are removed", "[S]\nK='x'\n", "S", "K", "", 260, "x"},
    {"only one pair of quotes is removed", "[S]\nK=\"\"x\"\"\n", "S", "K", "", 260, "\"x\""},
    {"quotes that do not match stay", "[S]\nK=\"x'\n", "S", "K", "", 260, "\"x'"},
    {"quotes inside the value stay", "[S]\nK=a\"b\"\n", "S", "K", "", 260, "a\"b\""},
    {"a lone quote stays", "[S]\nK=\"\n", "S", "K", "", 260, "\""},
    {"a comment line is no key", "[S]\n;K=commented\nK=real\n", "S", "K", "", 260, "real"},
    {"an indented comment line is no key", "[S]\n  ;K=commented\n", "S", "K", "dflt", 260, "dflt"},
    {"a semicolon inside a value stays", "[S]\nK=a ; b\n", "S", "K", "", 260, "a ; b"},
    {"the value runs from the first equals sign", "[S]\nK=a=b\n", "S", "K", "", 260, "a=b"},
    {"the first occurrence of a key wins", "[S]\nK=first\nK=second\n", "S", "K", "", 260, "first"},
    {"a missing key gives the default", "[S]\nOther=1\n", "S", "K", "dflt", 260, "dflt"},
    {"a key of another section counts as missing", "[A]\nK=a\n[S]\nJ=b\n", "S", "K", "", 260, ""},
    {"a key after the section ends counts as missing", "[S]\nJ=b\n[A]\nK=a\n", "S", "K", "", 260, ""},
    {"a missing section gives the default", "[A]\nK=a\n", "S", "K", "dflt", 260, "dflt"},
    {"a missing file gives the default", nullptr, "S", "K", "dflt", 260, "dflt"},
    {"an empty value gives the empty string", "[S]\nK=\n", "S", "K", "", 260, ""},
    {"a long value is cut to size - 1 bytes", "[S]\nK=abcdefghij\n", "S", "K", "", 5, "abcd"},
    {"a value of size - 1 bytes fits", "[S]\nK=abcdefghij\n", "S", "K", "", 11, "abcdefghij"},
    {"a long default is cut too", "[S]\n", "S", "K", "abcdefghij", 4, "abc"},
    {"CR LF line ends", "[S]\r\nA=1\r\nK=v\r\nB=2\r\n", "S", "K", "", 260, "v"},
    {"LF line ends", "[S]\nA=1\nK=v\nB=2\n", "S", "K", "", 260, "v"},
    {"the last line needs no line end", "[S]\nK=v", "S", "K", "", 260, "v"},
    {"blank lines and indented headers", "\n  [S]  \n\n  K=v\n", "S", "K", "", 260, "v"},
    {"a value of ソ keeps its second byte 0x5C", "[S]\nK=ソ\\ソ\n", "S", "K", "", 260, "ソ\\ソ"},
    {"second bytes 0x5B and 0x5D are no brackets", "[S]\nK=ゼ[ゾ]\n", "S", "K", "", 260, "ゼ[ゾ]"},
    {"a section name ending in 0x5D", "[ゾ]\nK=v\n", "ゾ", "K", "", 260, "v"},
    {"a section name holding 0x5B and 0x5D", "[ゼゾ]\nK=v\n", "ゼゾ", "K", "", 260, "v"},
    {"a key name of double-byte characters", "[S]\nソゾ=v\n", "S", "ソゾ", "", 260, "v"},
    {"second bytes are not case-folded (key)", "[S]\nア=v\n", "S", "ヂ", "dflt", 260, "dflt"},
    {"second bytes are not case-folded (section)", "[ア]\nK=v\n", "ヂ", "K", "dflt", 260, "dflt"},
    {"only the first section of a name is searched", "[S]\nA=1\n[T]\n[S]\nK=v\n", "S", "K", "dflt", 260, "dflt"},
    {"a section header may carry text after its bracket", "[S] ; note\nK=v\n", "S", "K", "", 260, "v"},
    {"keys before the first section belong to none", "K=v\n[S]\n", "S", "K", "dflt", 260, "dflt"},
    {"a double-byte value in quotes", "[S]\nK=\"ゾソ\"\n", "S", "K", "", 260, "ゾソ"},
};

#endif
