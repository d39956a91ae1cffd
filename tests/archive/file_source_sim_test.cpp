// OpenArchive from a file with each platform operation failing in turn:
// a null result and nothing left allocated or open.
#include "archive/container.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_control.h"
#include "tests/archive/raw_archive.h"
#include "tests/support/test_world.h"

namespace {

TEST(OpenArchiveFromFileFaults, EveryFailureReleasesEverything) {
  TestWorld world;
  std::vector<raw::Member> members = {raw::Plain("A.DAT", "aaaa"), raw::Compressed("B.DAT", "bbbbbbbb")};
  for (bool compressed : {true, false}) {
    std::vector<uint8_t> image = raw::Archive(members, compressed);
    std::string path = world.Path("update.qpk");
    ASSERT_TRUE(WriteFileBytes(path, std::string(image.begin(), image.end())));
    ArchiveImage = (const BYTE *)path.c_str();
    ArchiveImageSize = 0;

    SimFaultArm(0, SimFaultAll, 0);
    ArchiveIndex *index = OpenArchive();
    int operations = SimFaultOperations();
    SimFaultDisarm();
    ASSERT_NE(index, nullptr);
    GlobalFree(index);
    ASSERT_GE(operations, 4);  // open, header read, seek, index read, allocations

    for (int n = 1; n <= operations; n++) {
      SimFaultArm(n, SimFaultAll, 0);
      index = OpenArchive();
      SimFaultDisarm();
      EXPECT_EQ(index, nullptr) << "fault " << n << " compressed " << compressed;
      if (index) GlobalFree(index);
      EXPECT_EQ(SimLiveBlocks(), 0) << "fault " << n;
      EXPECT_EQ(SimOpenHandleCount(), 0) << "fault " << n;
    }
  }
}

}  // namespace

namespace {

// A few header bytes must not make the loader ask for gigabytes: an index
// that cannot fit its image, plain or compressed, is refused before any
// block is allocated.
TEST(OpenArchiveBounds, RefusesImpossibleIndexSizesBeforeAllocating) {
  for (bool compressed : {false, true}) {
    std::vector<uint8_t> image = raw::Archive({}, compressed);
    raw::Put32(&image, 12, 0x07FF5B00u);  // 4 GB of records
    ArchiveImage = image.data();
    ArchiveImageSize = (DWORD)image.size();
    SimFaultArm(0, SimFaultAlloc, 0);
    ArchiveIndex *index = OpenArchive();
    int allocations = SimFaultOperations();
    SimFaultDisarm();
    EXPECT_EQ(index, nullptr) << compressed;
    EXPECT_EQ(allocations, 0) << compressed;
  }
}

}  // namespace
