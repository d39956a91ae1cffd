// The file and disk helpers against the world fixture (Linux stand-in and
// Wine alike).
#include "fsutil/fsutil.h"
#include "tests/support/test_world.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>

namespace {

TEST(AppendPath, JoinsWithOneSeparatorAndEndsWithTwoNuls) {
  struct Case {
    const char *path, *component, *joined;
  } cases[] = {
      {"C:\\Game", "a.dat", "C:\\Game\\a.dat"},
      {"C:\\Game\\", "a.dat", "C:\\Game\\a.dat"},
      {"C:\\Game/", "a.dat", "C:\\Game/a.dat"},
      {"E:", "x.dat", "E:\\x.dat"},
      {"", "a.dat", "a.dat"},
      {"C:\\Game", "", "C:\\Game\\"},
      {"", "", ""},
      /* The last byte alone decides: ソ ends in 0x5C and gets no separator. */
      {"C:\\\x83\x5C", "a.dat", "C:\\\x83\x5C" "a.dat"},
      {"C:\\\x83\x5C", "", "C:\\\x83\x5C"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.path) + " + " + c.component);
    PathBuffer path;
    /* A longer string held before leaves bytes behind the NUL. */
    memset(path, 'z', sizeof path);
    lstrcpyA(path, "C:\\A\\Much\\Longer\\Old\\Path\\That\\Was\\Here\\Before");
    lstrcpyA(path, c.path);
    AppendPath(path, c.component);
    EXPECT_STREQ(path, c.joined);
    size_t length = strlen(c.joined);
    EXPECT_EQ(path[length + 1], '\0');
  }
}

TEST(ReadWholeFile, ReturnsEveryByteOrNullWithTheSizeUntouched) {
  TestWorld world;
  std::string bytes("a\0b\xff\r\n", 6);
  ASSERT_TRUE(WriteFileBytes(world.Path("s.dat"), bytes));
  ASSERT_TRUE(WriteFileBytes(world.Path("empty.dat"), ""));
  DWORD size = 12345;
  BYTE *block = ReadWholeFile(world.Path("s.dat").c_str(), &size);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(std::string((char *)block, size), bytes);
  GlobalFree(block);
  block = ReadWholeFile(world.Path("empty.dat").c_str(), &size);
  ASSERT_NE(block, nullptr); /* an empty file is still a file */
  EXPECT_EQ(size, 0u);
  GlobalFree(block);
  block = ReadWholeFile(world.Path("s.dat").c_str(), NULL);
  ASSERT_NE(block, nullptr);
  GlobalFree(block);

  size = 12345;
  for (const char *missing : {"none.dat", "none\\x.dat", ""}) {
    SCOPED_TRACE(missing);
    EXPECT_EQ(ReadWholeFile(world.Path(missing).c_str(), &size), nullptr);
    EXPECT_EQ(size, 12345u);
  }
}

const ULONGLONG STAMP = 126256503061234567ull; /* 2001-02-03, odd ticks */

void ExpectAllTimes(const std::string &path, ULONGLONG ticks) {
  FILETIME times[3];
  ASSERT_TRUE(FileTimesOf(path, times));
  if (!UnderWine()) { /* Wine reports the write time as creation time */
    EXPECT_EQ(Ticks(times[0]), ticks);
  }
  EXPECT_EQ(Ticks(times[1]), ticks);
  EXPECT_EQ(Ticks(times[2]), ticks);
}

TEST(WriteWholeFile, CreatesAndReplacesWithAllThreeTimes) {
  TestWorld world;
  ASSERT_TRUE(MakeDir(world.Path("Game")));
  std::string path = world.Path("Game\\a.dat");
  FILETIME stamp = MakeFileTime(STAMP);

  struct Step {
    std::string data;
    bool stamped;
  } steps[] = {{"first", true}, {"second, longer", true}, {"", true}, {"x", false},
               {"", false}};
  for (const Step &step : steps) {
    SCOPED_TRACE(step.data);
    ASSERT_EQ(WriteWholeFile(path.c_str(), step.data.data(), (DWORD)step.data.size(),
                             step.stamped ? &stamp : NULL),
              1);
    /* Times first: the host may count the read as an access. */
    if (step.stamped) {
      ExpectAllTimes(path, STAMP);
    } else {
      EXPECT_NE(Ticks(FileTimeOf(path)), STAMP); /* left to the system */
    }
    EXPECT_EQ(ReadFileBytes(path), step.data);
    EXPECT_EQ(ListDir(world.Path("Game")), std::vector<std::string>{"a.dat"});
  }
}

TEST(WriteWholeFile, CreatesNoFoldersAndLeavesUnwritableFilesAlone) {
  TestWorld world;
  FILETIME stamp = MakeFileTime(STAMP);
  EXPECT_EQ(WriteWholeFile(world.Path("NoSuch\\a.dat").c_str(), "x", 1, &stamp), 0);
  EXPECT_FALSE(Exists(world.Path("NoSuch")));

  ASSERT_TRUE(MakeDir(world.Path("Dir")));
  EXPECT_EQ(WriteWholeFile(world.Path("Dir").c_str(), "x", 1, &stamp), 0);
  EXPECT_TRUE(IsDir(world.Path("Dir")));

  /* The updater's own script, held open for reading and shared only for
   * reading, cannot be replaced. */
  std::string held = world.Path("held.ini");
  ASSERT_TRUE(WriteFileBytes(held, "old"));
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(WriteWholeFile(held.c_str(), "new", 3, &stamp), 0);
  CloseHandle(h);
  EXPECT_EQ(ReadFileBytes(held), "old");

  if (!UnderWine()) { /* Wine run as root replaces read-only files */
    std::string ro = world.Path("ro.dat");
    ASSERT_TRUE(WriteFileBytes(ro, "old"));
    ASSERT_TRUE(MakeReadOnly(ro));
    EXPECT_EQ(WriteWholeFile(ro.c_str(), "new", 3, &stamp), 0);
    EXPECT_EQ(ReadFileBytes(ro), "old");
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  /* No temporary file stays behind after any of these failures. */
  std::vector<std::string> expected = {"Dir", "held.ini"};
  if (!UnderWine()) expected.push_back("ro.dat");
  std::vector<std::string> names = ListDir(world.Root());
  names.erase(std::remove(names.begin(), names.end(), "Temp"), names.end());
  EXPECT_EQ(names, expected);
}

/* A destination path of the longest length allowed (259 bytes) must still
 * be writable: the temporary beside it may not be longer than it.  (A
 * folder path has at most 248 bytes, so the names here are long; the
 * stand-in's own test covers the short ones.) */
TEST(WriteWholeFile, LongestPathsStillWork) {
  TestWorld world;
  std::string folder = world.Path("Deep");
  ASSERT_TRUE(MakeDir(folder));
  for (size_t name_length : {11u, 40u}) {
    SCOPED_TRACE(name_length);
    size_t used = folder.size() + 1 + name_length;
    ASSERT_LT(folder.size() + 1, 259u - name_length - 1);
    std::string sub = folder + "\\" + std::string(259 - used - 1, 'd');
    /* Fill the length with one folder whose name takes up the slack. */
    std::string path = sub + "\\" + std::string(name_length, 'n');
    ASSERT_EQ(path.size(), 259u);
    ASSERT_TRUE(MakeDir(sub) || IsDir(sub));
    ASSERT_EQ(WriteWholeFile(path.c_str(), "long", 4, NULL), 1);
    EXPECT_EQ(ReadFileBytes(path), "long");
    ASSERT_EQ(WriteWholeFile(path.c_str(), "again", 5, NULL), 1);
    EXPECT_EQ(ReadFileBytes(path), "again");
    EXPECT_EQ(ListDir(sub).size(), 1u);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(sub.c_str());
  }
}

TEST(QueryFreeSpace, ReportsTheDriveWithOrWithoutTheThirdOutput) {
  TestWorld world;
  std::string root = world.Root().substr(0, 2); /* "C:" */
  ULONGLONG available = 1, total = 2, total_free = 3;
  ASSERT_NE(QueryFreeSpace(root.c_str(), &available, &total, &total_free), 0);
  EXPECT_LE(available, total);
  EXPECT_LE(total_free, total);
  EXPECT_GT(total, 0u);
  ULONGLONG a2 = 0, t2 = 0;
  ASSERT_NE(QueryFreeSpace(root.c_str(), &a2, &t2, NULL), 0);
  EXPECT_EQ(t2, total);
}

}  // namespace
