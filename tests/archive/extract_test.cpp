// ExtractMember's rules on real files: lookup, data offsets, the newer-file
// rule, read-only and folder destinations, damaged members.  These paths
// show no message box, so they run under Wine as well.
#include "archive/extract.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "archive/writer.h"
#include "tests/archive/raw_archive.h"
#include "tests/support/test_world.h"

namespace {

const uint64_t kMemberTime = 133000000000000000ull;  // a FILETIME in 2022

std::string Text(size_t n, char seed) {
  std::string s;
  for (size_t i = 0; i < n; i++) s += (char)(seed + (i * 7 + i / 13) % 23);
  return s;
}

TEST(ExtractMember, FindsTheNameWithoutRegardToCaseAndTakesTheFirstOfTwo) {
  TestWorld world;
  raw::LoadedArchive a(raw::Archive({raw::Plain("UPDATE.INI", "first", kMemberTime),
                                     raw::Plain("update.ini", "second", kMemberTime)},
                                    true));
  ASSERT_TRUE(a.ok());
  std::string out = world.Path("u.ini");
  ASSERT_EQ(ExtractMember(out.c_str(), "Update.Ini", 0), 1);
  EXPECT_EQ(ReadFileBytes(out), "first");
  EXPECT_EQ(Ticks(FileTimeOf(out)), kMemberTime);
}

TEST(ExtractMember, DataOffsetsDependOnlyOnStoredSizes) {
  // Stored sizes 457 and 16 advance the offset by 464 and 16, whether the
  // earlier members are compressed or plain.
  TestWorld world;
  for (bool compress_first : {false, true}) {
    raw::Member first = compress_first ? raw::Compressed("A", Text(300, 'a')) : raw::Plain("A", Text(457, 'a'));
    if (compress_first) first.stored.resize(457, 0);  // padding inside the stored bytes is never read
    raw::LoadedArchive a(raw::Archive({first, raw::Plain("B", Text(16, 'b')),
                                       raw::Compressed("C", Text(1000, 'c'), kMemberTime)},
                                      true));
    ASSERT_TRUE(a.ok());
    std::string out = world.Path("c.out");
    ASSERT_EQ(ExtractMember(out.c_str(), "C", 0), 1) << compress_first;
    EXPECT_EQ(ReadFileBytes(out), Text(1000, 'c'));
    ASSERT_EQ(ExtractMember(out.c_str(), "A", 0), 1);
    EXPECT_EQ(ReadFileBytes(out), compress_first ? Text(300, 'a') : Text(457, 'a'));
  }
}

TEST(ExtractMember, MatchesNamesThatFillTheWholeField) {
  TestWorld world;
  // 15 bytes and no NUL: the name is the whole field, nothing after it.
  raw::LoadedArchive a(raw::Archive({raw::Plain("ABCDEFGHIJKLMNO", "x"), raw::Plain("B", "y")}, true));
  ASSERT_TRUE(a.ok());
  std::string out = world.Path("o");
  EXPECT_EQ(ExtractMember(out.c_str(), "abcdefghijklmno", 0), 1);
  EXPECT_EQ(ReadFileBytes(out), "x");
}

TEST(ExtractMember, EncoderOutputAtEveryLevelExtractsToTheOriginal) {
  TestWorld world;
  std::string data = Text(200000, 'k') + std::string(5000, '\0') + Text(3000, 'q');
  for (int level : {0, 1, 9}) {
    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(BuildArchive({{"DATA.BIN", {data.begin(), data.end()}, MakeFileTime(kMemberTime)}},
                             level, &image, &error))
        << error;
    raw::LoadedArchive a(image);
    ASSERT_TRUE(a.ok()) << level;
    std::string out = world.Path("data.bin");
    ASSERT_EQ(ExtractMember(out.c_str(), "DATA.BIN", 0), 1) << level;
    EXPECT_EQ(ReadFileBytes(out), data) << level;
  }
}

// The newer-file rule: the installed file's last-write time against the
// member's, one tick either way.
struct NewerCase {
  int64_t installed_minus_member;  // ticks
  int keep_newer;
  bool written;
};

TEST(ExtractMember, KeepsOnlyAStrictlyNewerFileAndOnlyWhenAsked) {
  const NewerCase cases[] = {
      {+1, 1, false}, {0, 1, true}, {-1, 1, true}, {+1, 0, true}, {+1000000000, 0, true},
  };
  TestWorld world;
  raw::LoadedArchive a(raw::Archive({raw::Compressed("GAME.DAT", "new bytes", kMemberTime)}, true));
  ASSERT_TRUE(a.ok());
  for (const NewerCase &c : cases) {
    std::string out = world.Path("GAME.DAT");
    ASSERT_TRUE(WriteFileBytes(out, "old"));
    ASSERT_TRUE(SetFileTimeOf(out, MakeFileTime(kMemberTime + c.installed_minus_member)));
    EXPECT_EQ(ExtractMember(out.c_str(), "GAME.DAT", c.keep_newer), 1);
    EXPECT_EQ(ReadFileBytes(out), c.written ? "new bytes" : "old")
        << c.installed_minus_member << " keep " << c.keep_newer;
  }
}

TEST(ExtractMember, WritesAnAbsentDestinationWhateverTheRule) {
  TestWorld world;
  raw::LoadedArchive a(raw::Archive({raw::Plain("A.DAT", "abc", kMemberTime)}, true));
  for (int keep : {0, 1}) {
    std::string out = world.Path(keep ? "k.dat" : "n.dat");
    EXPECT_EQ(ExtractMember(out.c_str(), "A.DAT", keep), 1);
    EXPECT_EQ(ReadFileBytes(out), "abc");
  }
}

TEST(ExtractMember, ClearsReadOnlyEvenWhenTheNewerFileIsKept) {
  TestWorld world;
  raw::LoadedArchive a(raw::Archive({raw::Plain("A.DAT", "new", kMemberTime)}, true));
  std::string out = world.Path("A.DAT");
  ASSERT_TRUE(WriteFileBytes(out, "mine"));
  ASSERT_TRUE(SetFileTimeOf(out, MakeFileTime(kMemberTime + 1)));
  ASSERT_TRUE(MakeReadOnly(out));
  EXPECT_EQ(ExtractMember(out.c_str(), "A.DAT", 1), 1);
  EXPECT_EQ(ReadFileBytes(out), "mine");
  EXPECT_FALSE(GetFileAttributesA(out.c_str()) & FILE_ATTRIBUTE_READONLY);
  // Without the rule the cleared file is simply replaced.
  ASSERT_TRUE(MakeReadOnly(out));
  EXPECT_EQ(ExtractMember(out.c_str(), "A.DAT", 0), 1);
  EXPECT_EQ(ReadFileBytes(out), "new");
}

TEST(ExtractMember, FailsSilentlyAndChangesNothingForFoldersAndDamagedMembers) {
  TestWorld world;
  raw::Member damaged = raw::Compressed("BAD.DAT", "0123456789");
  damaged.stored.resize(damaged.stored.size() - 2);  // stream ends before its end code
  raw::Member short_plain = raw::Plain("SHORT.DAT", "abc");
  short_plain.size = 64;  // claims more bytes than it stores
  raw::Member long_stream = raw::Compressed("LONG.DAT", "0123456789");
  long_stream.size = 5;  // the stream decodes to more than the size
  raw::LoadedArchive a(raw::Archive({raw::Plain("DIR", "x"), damaged, short_plain, long_stream}, true));
  ASSERT_TRUE(a.ok());

  ASSERT_TRUE(MakeDir(world.Path("DIR")));
  EXPECT_EQ(ExtractMember(world.Path("DIR").c_str(), "DIR", 0), 0);
  EXPECT_TRUE(IsDir(world.Path("DIR")));

  for (const char *name : {"BAD.DAT", "SHORT.DAT", "LONG.DAT"}) {
    std::string out = world.Path(name);
    ASSERT_TRUE(WriteFileBytes(out, "installed"));
    EXPECT_EQ(ExtractMember(out.c_str(), name, 0), 0) << name;
    EXPECT_EQ(ReadFileBytes(out), "installed") << name;
  }
  std::vector<std::string> names = ListDir(world.Root());
  names.erase(std::remove(names.begin(), names.end(), "Temp"), names.end());  // the Linux world's
  EXPECT_EQ(names, (std::vector<std::string>{"BAD.DAT", "DIR", "LONG.DAT", "SHORT.DAT"}));
}

TEST(ExtractMember, AWriteIntoAMissingFolderFailsAndCreatesNothing) {
  TestWorld world;
  raw::LoadedArchive a(raw::Archive({raw::Plain("A.DAT", "abc")}, true));
  std::string out = world.Path("NOWHERE\\A.DAT");
  EXPECT_EQ(ExtractMember(out.c_str(), "A.DAT", 0), 0);
  EXPECT_FALSE(Exists(world.Path("NOWHERE")));
}

}  // namespace

namespace {

TEST(LoadMember, GivesTheDecodedBytesOrNothing) {
  raw::Member damaged = raw::Compressed("BAD.DAT", "0123456789");
  damaged.stored.resize(damaged.stored.size() - 2);
  raw::LoadedArchive a(raw::Archive({raw::Plain("P.DAT", "plain bytes"),
                                     raw::Compressed("C.DAT", "compressed bytes"), damaged},
                                    true));
  ASSERT_TRUE(a.ok());
  for (auto [name, want] : {std::pair<const char *, const char *>{"p.dat", "plain bytes"},
                            {"C.DAT", "compressed bytes"}}) {
    DWORD size = 0;
    BYTE *block = LoadMember(name, &size);
    ASSERT_NE(block, nullptr) << name;
    EXPECT_EQ(std::string((const char *)block, size), want);
    GlobalFree(block);
  }
  DWORD untouched = 77;
  EXPECT_EQ(LoadMember("BAD.DAT", &untouched), nullptr);
  EXPECT_EQ(LoadMember("NONE.DAT", &untouched), nullptr);
  EXPECT_EQ(untouched, 77u);
}

}  // namespace
