// The file calls as the product relies on them, written against the world
// fixture so that the same expectations hold for the stand-in and, under
// Wine, for the real API.
#include "platform/platform.h"
#include "tests/support/test_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

HANDLE Open(const std::string &path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileA(path.c_str(), access, share, NULL, disposition,
                     FILE_ATTRIBUTE_NORMAL, NULL);
}

const DWORD RW = GENERIC_READ | GENERIC_WRITE;
const DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

TEST(Files, DispositionsOnPresentAndMissingFiles) {
  TestWorld world;
  struct Case {
    DWORD disposition;
    bool present;
    bool opens;
    DWORD error;           /* when it does not open */
    const char *contents;  /* afterwards ("" empty, null absent) */
  } cases[] = {
      {CREATE_NEW, false, true, 0, ""},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {CREATE_ALWAYS, false, true, 0, ""},
      {CREATE_ALWAYS, true, true, 0, ""},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {OPEN_EXISTING, true, true, 0, "old"},
      {OPEN_ALWAYS, false, true, 0, ""},
      {OPEN_ALWAYS, true, true, 0, "old"},
  };
  int n = 0;
  for (const Case &c : cases) {
    std::string path = world.Path("f" + std::to_string(n++));
    SCOPED_TRACE(path + " disposition " + std::to_string(c.disposition));
    if (c.present) {
      ASSERT_TRUE(WriteFileBytes(path, "old"));
    }
    HANDLE h = Open(path, GENERIC_WRITE, 0, c.disposition);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_NE(h, (HANDLE)0);
      EXPECT_TRUE(CloseHandle(h));
    } else {
      EXPECT_EQ(GetLastError(), c.error);
    }
    auto bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.has_value(), c.contents != nullptr);
    if (bytes && c.contents) {
      EXPECT_EQ(*bytes, c.contents);
    }
  }
}

TEST(Files, OpenRefusesFoldersMissingFoldersAndReadOnlyWrites) {
  TestWorld world;
  ASSERT_TRUE(MakeDir(world.Path("Game")));
  EXPECT_EQ(Open(world.Path("Game"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(world.Path("Missing\\a.dat"), GENERIC_WRITE, 0, CREATE_ALWAYS),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(Exists(world.Path("Missing")));

  std::string ro = world.Path("Game\\ro.dat");
  ASSERT_TRUE(WriteFileBytes(ro, "keep"));
  ASSERT_TRUE(MakeReadOnly(ro));
  EXPECT_TRUE(GetFileAttributesA(ro.c_str()) & FILE_ATTRIBUTE_READONLY);
  if (!UnderWine()) {
    for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS, OPEN_ALWAYS}) {
      HANDLE h = Open(ro, GENERIC_WRITE, 0, disposition);
      EXPECT_EQ(h, INVALID_HANDLE_VALUE);
      if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
      } else {
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
      }
    }
  }
  EXPECT_FALSE(DeleteFileA(ro.c_str()));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadFileBytes(ro), "keep");
  ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA(ro.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_TRUE(DeleteFileA(ro.c_str()));
  EXPECT_FALSE(Exists(ro));
}

TEST(Files, NamesMatchWithoutRegardToCase) {
  TestWorld world;
  ASSERT_TRUE(MakeDir(world.Path("Game")));
  ASSERT_TRUE(WriteFileBytes(world.Path("Game\\SETUP.INI"), "x"));
  EXPECT_EQ(ReadFileBytes(world.Path("GAME\\setup.ini")), "x");
  EXPECT_EQ(ReadFileBytes(world.Path("game/Setup.Ini")), "x");
  EXPECT_TRUE(IsDir(world.Path("gAmE")));
  EXPECT_TRUE(IsDir(world.Path("Game\\")));
  EXPECT_FALSE(MakeDir(world.Path("GAME"))); /* it exists already */
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  /* Replacing through another spelling replaces the same file. */
  ASSERT_TRUE(WriteFileBytes(world.Path("game\\setup.INI"), "y"));
  EXPECT_EQ(ListDir(world.Path("Game")), std::vector<std::string>{"SETUP.INI"});
  EXPECT_EQ(ReadFileBytes(world.Path("Game\\SETUP.INI")), "y");
}

/* The second byte of ソ (0x83 0x5C) and 表 (0x95 0x5C) is no separator. */
TEST(Files, DoubleByteNamesEndingInTheBackslashByte) {
  TestWorld world;
  std::string folder = world.Path("表"), file = world.Path("表\\ソ");
  ASSERT_TRUE(MakeDir(folder));
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  EXPECT_EQ(ReadFileBytes(file), "x");
  EXPECT_TRUE(IsDir(folder));
  EXPECT_FALSE(IsDir(file));
  EXPECT_EQ(ListDir(folder), std::vector<std::string>{"ソ"});
  std::vector<std::string> root = ListDir(world.Root());
  EXPECT_NE(std::find(root.begin(), root.end(), "表"), root.end());
  EXPECT_TRUE(DeleteFileA(file.c_str()));
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
}

TEST(Files, ReadWriteSeekAndSize) {
  TestWorld world;
  std::string path = world.Path("data.bin");
  HANDLE h = Open(path, RW, 0, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, NULL));
  EXPECT_EQ(n, 10u);
  DWORD high = 99;
  EXPECT_EQ(GetFileSize(h, &high), 10u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(h, 4, NULL, FILE_BEGIN), 4u);
  char buffer[16] = {};
  ASSERT_TRUE(ReadFile(h, buffer, 3, &n, NULL));
  EXPECT_EQ(std::string(buffer, n), "456");
  EXPECT_EQ(SetFilePointer(h, -2, NULL, FILE_END), 8u);
  EXPECT_EQ(SetFilePointer(h, -1, NULL, FILE_CURRENT), 7u);
  EXPECT_EQ(SetFilePointer(h, -20, NULL, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, NULL));
  EXPECT_EQ(std::string(buffer, n), "789"); /* a short read at the end */
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, NULL));
  EXPECT_EQ(n, 0u); /* end of file is success with nothing read */
  EXPECT_TRUE(FlushFileBuffers(h));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h)); /* a closed handle is no handle */

  h = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, NULL)); /* opened for reading only */
  CloseHandle(h);
  EXPECT_EQ(ReadFileBytes(path), "0123456789");
}

TEST(Files, TimesRoundTripToTheTick) {
  TestWorld world;
  std::string path = world.Path("t.dat");
  ASSERT_TRUE(WriteFileBytes(path, "t"));
  /* 2001-02-03 04:05:06 plus an odd number of 100 ns ticks, and a time
   * before 1970 (the host's epoch). */
  for (ULONGLONG ticks : {126256503061234567ull, 116444736000000000ull - 12345670ull}) {
    SCOPED_TRACE(ticks);
    HANDLE h = Open(path, GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME c = MakeFileTime(ticks), a = MakeFileTime(ticks + 10),
             w = MakeFileTime(ticks + 20);
    ASSERT_TRUE(SetFileTime(h, &c, &a, &w));
    ASSERT_TRUE(CloseHandle(h));
    FILETIME got[3];
    ASSERT_TRUE(FileTimesOf(path, got));
    if (!UnderWine()) {
      EXPECT_EQ(Ticks(got[0]), ticks);
    }
    EXPECT_EQ(Ticks(got[1]), ticks + 10);
    EXPECT_EQ(Ticks(got[2]), ticks + 20);
  }
  /* A null time leaves that time as it is. */
  HANDLE h = Open(path, GENERIC_WRITE, 0, OPEN_EXISTING);
  FILETIME w = MakeFileTime(126256503060000000ull);
  ASSERT_TRUE(SetFileTime(h, NULL, NULL, &w));
  CloseHandle(h);
  FILETIME got[3];
  ASSERT_TRUE(FileTimesOf(path, got));
  if (!UnderWine()) {
    EXPECT_EQ(Ticks(got[0]), 116444736000000000ull - 12345670ull);
  }
  EXPECT_EQ(Ticks(got[1]), 116444736000000000ull - 12345660ull);
  EXPECT_EQ(Ticks(got[2]), 126256503060000000ull);
}

TEST(Files, MoveReplacesInOneStepAndCarriesTheTimes) {
  TestWorld world;
  std::string from = world.Path("new.tmp"), to = world.Path("dest.dat");
  ASSERT_TRUE(WriteFileBytes(from, "new"));
  ASSERT_TRUE(SetFileTimeOf(from, MakeFileTime(126256503061234567ull)));
  ASSERT_TRUE(WriteFileBytes(to, "old"));
  EXPECT_FALSE(MoveFileExA(from.c_str(), to.c_str(), 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(MoveFileExA(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_FALSE(Exists(from));
  EXPECT_EQ(ReadFileBytes(to), "new");
  FILETIME got[3];
  ASSERT_TRUE(FileTimesOf(to, got));
  EXPECT_EQ(Ticks(got[2]), 126256503061234567ull);

  /* Never onto a read-only file or a folder. */
  ASSERT_TRUE(WriteFileBytes(from, "newer"));
  if (!UnderWine()) { /* which, run as root, replaces read-only files */
    ASSERT_TRUE(MakeReadOnly(to));
    EXPECT_FALSE(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
  }
  ASSERT_TRUE(MakeDir(world.Path("Dir")));
  EXPECT_FALSE(MoveFileExA(from.c_str(), world.Path("Dir").c_str(),
                           MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(ReadFileBytes(to), "new");
  EXPECT_EQ(ReadFileBytes(from), "newer");
}

/* The updater holds its extracted script open for reading, sharing only
 * reading: others may read it, but not write, replace, rename or delete
 * it.  And a new open must itself share what the open handle holds. */
TEST(Files, SharingModesBetweenHandles) {
  TestWorld world;
  std::string script = world.Path("UPDATE.INI"), other = world.Path("other.tmp");
  ASSERT_TRUE(WriteFileBytes(script, "[SETUP]"));
  ASSERT_TRUE(WriteFileBytes(other, "x"));
  HANDLE held = Open(script, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  struct Case {
    DWORD access, share;
    bool opens;
  } cases[] = {
      {GENERIC_READ, FILE_SHARE_READ, true},
      {GENERIC_READ, SHARE_ALL, true},
      {GENERIC_READ, FILE_SHARE_WRITE, false}, /* would not let the holder read */
      {GENERIC_WRITE, SHARE_ALL, false},
      {RW, SHARE_ALL, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.access) + "/" + std::to_string(c.share));
    HANDLE h = Open(script, c.access, c.share, OPEN_EXISTING);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
    } else {
      EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    }
  }
  EXPECT_FALSE(DeleteFileA(script.c_str()));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(MoveFileExA(other.c_str(), script.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED); /* a held target */
  EXPECT_FALSE(MoveFileExA(script.c_str(), world.Path("gone.ini").c_str(), 0));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
  EXPECT_EQ(Open(script, GENERIC_WRITE, SHARE_ALL, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CloseHandle(held));

  EXPECT_EQ(ReadFileBytes(script), "[SETUP]");
  EXPECT_TRUE(DeleteFileA(script.c_str()));
  EXPECT_FALSE(DeleteFileA(script.c_str()));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST(Files, FoldersCreateAndRemove) {
  TestWorld world;
  std::string dir = world.Path("Save"), nested = world.Path("No\\Deeper");
  EXPECT_TRUE(CreateDirectoryA(dir.c_str(), NULL));
  EXPECT_TRUE(IsDir(dir));
  EXPECT_EQ(GetFileAttributesA(dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            (DWORD)FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(CreateDirectoryA(nested.c_str(), NULL));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(WriteFileBytes(dir + "\\s.dat", "s"));
  EXPECT_FALSE(RemoveDirectoryA(dir.c_str())); /* not empty */
  EXPECT_FALSE(DeleteFileA(dir.c_str()));      /* a folder is no file */
  ASSERT_TRUE(DeleteFileA((dir + "\\s.dat").c_str()));
  EXPECT_TRUE(RemoveDirectoryA(dir.c_str()));
  EXPECT_FALSE(Exists(dir));
  EXPECT_EQ(GetFileAttributesA(world.Path("none.dat").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA(world.Path("none\\x.dat").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
}

TEST(Files, TemporaryFolderQuery) {
  TestWorld world;
  char buffer[MAX_PATH];
  DWORD n = GetTempPathA(COUNTOF(buffer), buffer);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, COUNTOF(buffer));
  EXPECT_EQ(strlen(buffer), n);
  EXPECT_EQ(buffer[n - 1], '\\');
  EXPECT_TRUE(IsDir(buffer));
  char small[2] = {'#', '#'};
  EXPECT_EQ(GetTempPathA(COUNTOF(small), small), n + 1); /* size needed */
}

}  // namespace
