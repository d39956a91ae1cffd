// ExtractMember in the Linux world: its messages, the free-space check and
// a fault-injection loop over a whole multi-member extraction.
#include "archive/extract.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_control.h"
#include "tests/archive/raw_archive.h"
#include "tests/support/test_world.h"

namespace {

const uint64_t kMemberTime = 133000000000000000ull;

std::vector<SimMessageBox> &Boxes() { return SimMessageBoxLog(); }

TEST(ExtractMemberMessages, MissingMemberOrEmptyIndex) {
  TestWorld world;
  for (bool empty : {false, true}) {
    Boxes().clear();
    raw::LoadedArchive a(raw::Archive(empty ? std::vector<raw::Member>{}
                                            : std::vector<raw::Member>{raw::Plain("A.DAT", "x")},
                                      true));
    ASSERT_TRUE(a.ok());
    EXPECT_EQ(ExtractMember(world.Path("B.DAT").c_str(), "B.DAT", 0), 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Can't Find File in Resource !!");
    EXPECT_EQ(Boxes()[0].caption, "UPDATE");
    EXPECT_EQ(Boxes()[0].style, (UINT)MB_ICONERROR);
    EXPECT_FALSE(Exists(world.Path("B.DAT")));
  }
}

TEST(ExtractMemberMessages, FreeSpaceIsCheckedAgainstTheDecodedSizeFirst) {
  TestWorld world;
  // 1000 bytes decoded from a much shorter stream; the destination exists,
  // is newer and would be kept: the check still comes first.
  raw::LoadedArchive a(raw::Archive({raw::Compressed("A.DAT", std::string(1000, 'z'), kMemberTime)}, true));
  std::string out = world.Path("A.DAT");
  ASSERT_TRUE(WriteFileBytes(out, std::string(1000, 'o')));
  ASSERT_TRUE(SetFileTimeOf(out, MakeFileTime(kMemberTime + 5)));

  SimSetDriveFreeSpace('C', 400, 1u << 30, 400);
  Boxes().clear();
  EXPECT_EQ(ExtractMember(out.c_str(), "A.DAT", 1), 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text,
            "ディスク容量が足りません。C: ドライブに 600 バイトの空き容量が必要です");

  SimSetDriveFreeSpace('C', 1000, 1u << 30, 1000);  // exactly enough
  Boxes().clear();
  EXPECT_EQ(ExtractMember(out.c_str(), "A.DAT", 0), 1);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(ReadFileBytes(out), std::string(1000, 'z'));
}

TEST(ExtractMemberMessages, AFailedFreeSpaceQueryCountsAsEnough) {
  TestWorld world;
  raw::LoadedArchive a(raw::Archive({raw::Plain("A.DAT", "abc")}, true));
  SimSetFreeSpaceMode(SimFreeSpaceAllFail);
  Boxes().clear();
  EXPECT_EQ(ExtractMember(world.Path("A.DAT").c_str(), "A.DAT", 0), 1);
  EXPECT_TRUE(Boxes().empty());
}

TEST(ExtractMemberMessages, NoMemoryForACompressedMember) {
  TestWorld world;
  raw::LoadedArchive a(raw::Archive({raw::Compressed("A.DAT", "abcdef")}, true));
  Boxes().clear();
  SimFaultArm(1, SimFaultAlloc, 0);
  EXPECT_EQ(ExtractMember(world.Path("A.DAT").c_str(), "A.DAT", 0), 0);
  SimFaultDisarm();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Can't Allocate Memory !!");
}

TEST(ExtractMemberMessages, ALockedNewerDestinationIsWrittenOnlyIfTheLockAllows) {
  TestWorld world;
  raw::LoadedArchive a(raw::Archive({raw::Plain("A.DAT", "new", kMemberTime)}, true));
  std::string out = world.Path("A.DAT");
  ASSERT_TRUE(WriteFileBytes(out, "old"));
  ASSERT_TRUE(SetFileTimeOf(out, MakeFileTime(kMemberTime + 1)));
  // Locked against reading: the rule cannot look, so the write is tried,
  // and the lock forbids it too.
  SimLockFile(out.c_str(), 0);
  EXPECT_EQ(ExtractMember(out.c_str(), "A.DAT", 1), 0);
  SimUnlockFile(out.c_str());
  EXPECT_EQ(ReadFileBytes(out), "old");
}

// Every platform operation of a three-member extraction fails in turn.
// Whatever fails, each installed file is its old bytes or its new bytes,
// never a mix; no temporary file is left; nothing stays allocated or open.
TEST(ExtractMemberFaults, EveryOperationFailingInTurnLeavesFilesOldOrNew) {
  TestWorld world;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"GAME.EXE", "old game executable"}, {"DATA.PAK", "old data"}, {"README.TXT", "old readme"}};
  const std::vector<std::string> fresh = {std::string(5000, 'g') + "new game", "new data, plain",
                                          "new readme text, compressed"};
  raw::LoadedArchive a(raw::Archive({raw::Compressed("GAME.EXE", fresh[0], kMemberTime),
                                     raw::Plain("DATA.PAK", fresh[1], kMemberTime),
                                     raw::Compressed("README.TXT", fresh[2], kMemberTime)},
                                    true));
  ASSERT_TRUE(a.ok());
  auto install_old = [&] {
    for (auto &f : files) ASSERT_TRUE(WriteFileBytes(world.Path(f.first), f.second));
  };
  auto run = [&](std::vector<int> *results) {
    for (auto &f : files) results->push_back(ExtractMember(world.Path(f.first).c_str(), f.first.c_str(), 0));
  };

  install_old();
  SimFaultArm(0, SimFaultAll, 0);  // count only
  std::vector<int> clean;
  run(&clean);
  int operations = SimFaultOperations();
  SimFaultDisarm();
  ASSERT_EQ(clean, (std::vector<int>{1, 1, 1}));
  ASSERT_GT(operations, 6);

  int blocks = SimLiveBlocks(), handles = SimOpenHandleCount();
  for (int n = 1; n <= operations; n++) {
    install_old();
    SimFaultArm(n, SimFaultAll, 0);
    std::vector<int> results;
    run(&results);
    EXPECT_EQ(SimFaultsInjected(), 1) << "fault " << n;
    SimFaultDisarm();
    for (size_t i = 0; i < files.size(); i++) {
      std::optional<std::string> now = ReadFileBytes(world.Path(files[i].first));
      ASSERT_TRUE(now) << "fault " << n << " " << files[i].first;
      if (results[i])
        EXPECT_EQ(*now, fresh[i]) << "fault " << n << " " << files[i].first;
      else
        EXPECT_EQ(*now, files[i].second) << "fault " << n << " " << files[i].first;
    }
    EXPECT_EQ(ListDir(world.Root()).size(), files.size() + 1) << "fault " << n << ": a temporary file was left";
    EXPECT_EQ(SimLiveBlocks(), blocks) << "fault " << n;
    EXPECT_EQ(SimOpenHandleCount(), handles) << "fault " << n;
  }
}

}  // namespace
