// The file helpers under every injected fault: a failed write leaves the
// destination as it was and no temporary beside it; nothing stays open or
// allocated, whichever operation fails.
#include "fsutil/fsutil.h"
#include "platform/sim/sim_control.h"
#include "tests/support/test_world.h"

#include <gtest/gtest.h>

#include <string.h>
#include <sys/stat.h>

#include <string>

namespace {

const ULONGLONG STAMP = 126256503061234567ull;

/* For n = 1, 2, ...: setup() unarmed, then body() with the nth operation
 * of the kinds failing (and every later one when persistent), then
 * check(result, faulted) and the leak checks; until a run sees no fault.
 * Returns the number of runs that had one. */
template <typename Setup, typename Body, typename Check>
int ForEachFault(unsigned kinds, int persistent, Setup setup, Body body, Check check) {
  for (int n = 1; n < 100; n++) {
    SCOPED_TRACE("fault at operation " + std::to_string(n));
    SimFaultDisarm();
    setup();
    SimFaultArm(n, kinds, persistent);
    int result = body();
    bool faulted = SimFaultsInjected() > 0;
    SimFaultDisarm();
    EXPECT_EQ(SimOpenHandleCount(), 0);
    EXPECT_EQ(SimLiveBlocks(), 0);
    check(result, faulted);
    if (!faulted) return n - 1;
  }
  ADD_FAILURE() << "the runs never ended";
  return 0;
}

TEST(WriteWholeFileFaults, TheDestinationIsOldOrNewAndNoTemporaryStays) {
  TestWorld world;
  ASSERT_TRUE(MakeDir(world.Path("Game")));
  const std::string folder = world.Path("Game"), path = world.Path("Game\\a.dat");
  const std::string old_bytes = "old contents\r\n", new_bytes = "new";
  const ULONGLONG old_time = STAMP - 5;
  FILETIME stamp = MakeFileTime(STAMP);
  /* Deleting the temporary is the cleanup; when that fails too, nothing
   * can remove it, so those faults are left out here. */
  const unsigned kinds = SimFaultAll & ~(unsigned)SimFaultDelete;

  for (bool existed : {true, false}) {
    for (int persistent = 0; persistent <= 1; persistent++) {
      SCOPED_TRACE(std::string(existed ? "replacing" : "creating") +
                   (persistent ? ", persistent" : ", once"));
      auto setup = [&] {
        DeleteFileA(path.c_str());
        if (existed) {
          ASSERT_TRUE(WriteFileBytes(path, old_bytes));
          ASSERT_TRUE(SetFileTimeOf(path, MakeFileTime(old_time)));
        }
      };
      auto body = [&] {
        return WriteWholeFile(path.c_str(), new_bytes.data(), (DWORD)new_bytes.size(), &stamp);
      };
      /* 1: the complete new file with the given times; 0: the old file
       * (or none) untouched. */
      auto check = [&](int result, bool faulted) {
        if (!faulted) {
          EXPECT_EQ(result, 1);
        }
        if (result) {
          EXPECT_EQ(Ticks(FileTimeOf(path)), STAMP);
          EXPECT_EQ(ReadFileBytes(path), new_bytes);
        } else if (existed) {
          EXPECT_EQ(Ticks(FileTimeOf(path)), old_time);
          EXPECT_EQ(ReadFileBytes(path), old_bytes);
        } else {
          EXPECT_FALSE(Exists(path));
        }
        std::vector<std::string> expected;
        if (existed || result) expected.push_back("a.dat");
        EXPECT_EQ(ListDir(folder), expected);
      };
      int faulted_runs = ForEachFault(kinds, persistent, setup, body, check);
      /* Open, write, stamp and rename each had their turn. */
      if (!persistent) {
        EXPECT_GE(faulted_runs, 4);
      }
    }
  }
}

/* When the cleanup fails too, the temporary stays: that shows where it was
 * made.  It must be beside the destination, also when the names end in a
 * double-byte character whose second byte is 0x5C (表), which is no
 * separator. */
TEST(WriteWholeFileFaults, TheTemporaryLivesBesideTheDestination) {
  struct Case {
    const char *folder, *name;
  } cases[] = {{"Game", "ab"}, {"表", "表"}, {"表", "a表"}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.folder) + "\\" + c.name);
    TestWorld world;
    std::string folder = world.Path(c.folder), path = folder + "\\" + c.name;
    ASSERT_TRUE(MakeDir(folder));
    ASSERT_EQ(WriteWholeFile(path.c_str(), "old", 3, NULL), 1);
    std::vector<std::string> root_before = ListDir(world.Root());
    SimFaultArm(1, SimFaultRename | SimFaultDelete, 1);
    EXPECT_EQ(WriteWholeFile(path.c_str(), "new", 3, NULL), 0);
    SimFaultDisarm();
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(SimOpenHandleCount(), 0);
    EXPECT_EQ(ListDir(world.Root()), root_before);
    std::vector<std::string> names = ListDir(folder);
    ASSERT_EQ(names.size(), 2u);
    std::string temp = names[0] == c.name ? names[1] : names[0];
    EXPECT_EQ(temp[0], '~');
    EXPECT_LE(temp.size(), strlen(c.name)); /* never longer than the name */
  }
}

TEST(ReadWholeFileFaults, NullAndTheSizeUntouchedOnEveryFailure) {
  TestWorld world;
  std::string path = world.Path("s.dat");
  ASSERT_TRUE(WriteFileBytes(path, "saved game"));
  DWORD size = 0;
  BYTE *block = nullptr;
  int faulted_runs = ForEachFault(
      SimFaultAll, 0, [&] { size = 777; },
      [&] {
        block = ReadWholeFile(path.c_str(), &size);
        bool ok = block && std::string((char *)block, size) == "saved game";
        /* Freed inside the run, so that the leak check sees only leaks. */
        if (block) GlobalFree(block);
        return ok ? 1 : 0;
      },
      [&](int result, bool faulted) {
        EXPECT_EQ(result, faulted ? 0 : 1);
        EXPECT_EQ(size, faulted ? 777u : 10u);
      });
  EXPECT_GE(faulted_runs, 4); /* open, size, block, read */
}

/* Paths of the longest length allowed with names shorter than the usual
 * temporary name: the temporary's name is cut to fit. */
TEST(WriteWholeFileLimits, ShortNamesAtTheLengthLimit) {
  TestWorld world;
  for (size_t name_length : {1u, 2u, 5u}) {
    SCOPED_TRACE(name_length);
    std::string folder = world.Path(std::string(255 - name_length, 'd'));
    std::string path = folder + "\\" + std::string(name_length, 'n');
    ASSERT_EQ(path.size(), 259u);
    std::string host_folder = world.HostPath(folder);
    ASSERT_EQ(mkdir(host_folder.c_str(), 0777), 0); /* past CreateDirectoryA's limit */
    ASSERT_EQ(WriteWholeFile(path.c_str(), "x", 1, NULL), 1);
    ASSERT_EQ(WriteWholeFile(path.c_str(), "yz", 2, NULL), 1);
    EXPECT_EQ(ReadFileBytes(path), "yz");
    EXPECT_EQ(ListDir(folder), std::vector<std::string>{std::string(name_length, 'n')});
    /* One byte more is past the limit for every call. */
    EXPECT_EQ(WriteWholeFile((path + "n").c_str(), "x", 1, NULL), 0);
  }
}

}  // namespace
