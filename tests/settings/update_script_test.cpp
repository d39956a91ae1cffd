// The update script's entries: the examples of the script format row by
// row, and the limits the parsers guard.
#include "settings/update_script.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// An update entry as the run receives it: in a cleared 1024-byte buffer.
struct ParsedUpdate {
  int applies;
  UpdateEntry entry;
};
ParsedUpdate Update(const std::string &value, DWORD inst_mode) {
  static char buffer[UPDATE_VALUE_SIZE];
  memset(buffer, 0, sizeof buffer);
  memcpy(buffer, value.data(), value.size());
  ParsedUpdate p;
  memset(&p.entry, 0x55, sizeof p.entry);
  p.applies = ParseUpdateEntry(buffer, inst_mode, &p.entry);
  return p;
}

std::string Member(const UpdateEntry &e) { return e.name + e.member_offset; }

TEST(ParseUpdateEntry, ExamplesOfTheScriptFormat) {
  const int ANY = -1;  // applies for every install mode
  struct Row {
    const char *value;
    int mode;  // ANY, or the only mode it applies to
    UpdateKind kind;
    const char *name;
    const char *member;
  } rows[] = {
      {"GAME.DAT", ANY, KindReplace, "GAME.DAT", "GAME.DAT"},
      {"u,GAME.DAT", ANY, KindUpdate, "GAME.DAT", "GAME.DAT"},
      {"U, MOVIE\\OP.MPG", ANY, KindUpdate, "MOVIE\\OP.MPG", "OP.MPG"},
      {"2,o,GAME.DAT", 2, KindOverwrite, "GAME.DAT", "GAME.DAT"},
      {"1,GAME.DAT", 1, KindReplace, "GAME.DAT", "GAME.DAT"},
      {"d,SAVE\\OPTION.DAT", ANY, KindData, "SAVE\\OPTION.DAT", "OPTION.DAT"},
      {"x,GAME.DAT", ANY, KindReplace, "x", "x"},
      {"12,u,GAME.DAT", ANY, KindReplace, "12", "12"},
      {"u ,GAME.DAT", ANY, KindReplace, "u ", "u "},
      // Capital letters act like the small ones.
      {"D,A.DAT", ANY, KindData, "A.DAT", "A.DAT"},
      {"O,A.DAT", ANY, KindOverwrite, "A.DAT", "A.DAT"},
      // A kind letter alone, a mode digit alone: an empty name.
      {"u", ANY, KindUpdate, "", ""},
      {"3", 3, KindReplace, "", ""},
      {"3,d", 3, KindData, "", ""},
      // An empty field ends the entry.
      {"u,,GAME.DAT", ANY, KindUpdate, "", ""},
      // Nothing after the name is read.
      {"GAME.DAT,EXTRA", ANY, KindReplace, "GAME.DAT", "GAME.DAT"},
      // A second character ':' is taken for a disk prefix and dropped.
      {"C:\\GAME\\A.DAT", ANY, KindReplace, "\\GAME\\A.DAT", "A.DAT"},
      // The member search steps over double-byte characters: the second
      // byte of ソ is 0x5C and no separator.
      {"DATA\\ソ.DAT", ANY, KindReplace, "DATA\\ソ.DAT", "ソ.DAT"},
      {"ソ\\A.DAT", ANY, KindReplace, "ソ\\A.DAT", "A.DAT"},
      // A slash is no separator.
      {"MOVIE/OP.MPG", ANY, KindReplace, "MOVIE/OP.MPG", "MOVIE/OP.MPG"},
      {"A\\B\\", ANY, KindReplace, "A\\B\\", ""},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.value);
    for (DWORD mode : {0u, 1u, 2u, 3u, 12u}) {
      ParsedUpdate p = Update(r.value, mode);
      EXPECT_EQ(p.applies, r.mode == ANY || (DWORD)r.mode == mode) << "mode " << mode;
      EXPECT_EQ(p.entry.kind, r.kind);
      EXPECT_STREQ(p.entry.name, r.name);
      EXPECT_EQ(Member(p.entry), r.member);
    }
  }
}

// A name field of 300 bytes arrives cut to 259 bytes, inside its buffer.
TEST(ParseUpdateEntry, OverlongNameIsCutToThePathBuffer) {
  std::string name(300, 'N');
  ParsedUpdate p = Update("u,DIR\\" + name, 0);
  EXPECT_EQ(std::string(p.entry.name), ("DIR\\" + name).substr(0, PATH_BUFFER_SIZE - 1));
  EXPECT_EQ(p.entry.member_offset, 4);
}

TEST(ParseCopyEntry, ExamplesOfTheScriptFormat) {
  const int ANY = -1;
  struct Row {
    const char *value;
    int mode;
    int disk;
    const char *path;
  } rows[] = {
      {"1:MOVIE\\OP.MPG", ANY, 1, "MOVIE\\OP.MPG"},
      {"2,1:MOVIE", 2, 1, "MOVIE"},
      {"MOVIE\\ED.MPG", ANY, 0, "MOVIE\\ED.MPG"},
      {"1:A, B.DAT", ANY, 1, "A, B.DAT"},
      {"2, 1:MOVIE", 2, 0, " 1:MOVIE"},
      {"12:X", ANY, 0, "12:X"},
      {"0:MOVIE", ANY, 0, "MOVIE"},
      {"9:M", ANY, 9, "M"},
      {"3,M", 3, 0, "M"},
      {"", ANY, 0, ""},
      {"A", ANY, 0, "A"},
      {"1,", 1, 0, ""},
      {"1:", ANY, 1, ""},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.value);
    for (DWORD mode : {0u, 1u, 2u, 3u}) {
      int applies = -1;
      CopyEntry e;
      ASSERT_EQ(ParseCopyEntry(r.value, mode, &applies, &e), 1);
      EXPECT_EQ(applies, r.mode == ANY || (DWORD)r.mode == mode) << "mode " << mode;
      EXPECT_EQ(e.disk, r.disk);
      EXPECT_STREQ(e.path, r.path);
    }
  }
}

// Refused, never cut: a disk character that is no digit would name a
// DiskCheckFile slot outside 0 to 9; a path longer than 259 bytes would
// not fit the entry.
TEST(ParseCopyEntry, RefusesWhatWouldNameNoCheckFileOrNotFit) {
  const std::string fits(PATH_BUFFER_SIZE - 1, 'p');
  struct Row {
    std::string value;
    int parsed;
  } rows[] = {
      {"A:MOVIE", 0},
      {"2,Z:MOVIE", 0},
      {"/:MOVIE", 0},
      {":MOVIE", 1},  // the second character is no colon: all path
      {"1:" + fits, 1},
      {"1:" + fits + "q", 0},
      {"2," + fits + "q", 0},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.value.substr(0, 12));
    int applies;
    CopyEntry e;
    EXPECT_EQ(ParseCopyEntry(r.value.c_str(), 2, &applies, &e), r.parsed);
  }
}

// A mode character that is no digit names a mode no installer records.
TEST(ParseCopyEntry, ModeCharacterIsItsDistanceFromDigitZero) {
  int applies;
  CopyEntry e;
  ASSERT_EQ(ParseCopyEntry("A,MOVIE", 17, &applies, &e), 1);
  EXPECT_EQ(applies, 1);
  ASSERT_EQ(ParseCopyEntry("A,MOVIE", 1, &applies, &e), 1);
  EXPECT_EQ(applies, 0);
}

}  // namespace
