// The free-space query over the life of one process: the cached entry
// point starts empty, is looked up until found, and is used from then on.
// The steps depend on each other's cache state, so they are one test in a
// program of its own.
#include "fsutil/fsutil.h"
#include "platform/sim/sim_control.h"
#include "tests/support/test_world.h"

#include <gtest/gtest.h>

namespace {

const ULONGLONG CLUSTER = 4096;
const ULONGLONG AVAILABLE = 1000 * CLUSTER + 123; /* not whole clusters */
const ULONGLONG TOTAL = 5000 * CLUSTER + 7;
const ULONGLONG TOTAL_FREE = 2000 * CLUSTER + 9;
const ULONGLONG UNTOUCHED = 0xDEADBEEFull;

struct Figures {
  int result;
  ULONGLONG available = UNTOUCHED, total = UNTOUCHED, total_free = UNTOUCHED;
};

Figures Query(bool with_total_free = true) {
  Figures f;
  f.result = QueryFreeSpace("C:", &f.available, &f.total,
                            with_total_free ? &f.total_free : NULL);
  return f;
}

void ExpectFallback(const Figures &f) {
  EXPECT_NE(f.result, 0);
  EXPECT_EQ(f.available, AVAILABLE / CLUSTER * CLUSTER);
  EXPECT_EQ(f.total, TOTAL / CLUSTER * CLUSTER);
  EXPECT_EQ(f.total_free, f.available); /* the legacy query knows no other */
}

void ExpectExtended(const Figures &f) {
  EXPECT_NE(f.result, 0);
  EXPECT_EQ(f.available, AVAILABLE);
  EXPECT_EQ(f.total, TOTAL);
  EXPECT_EQ(f.total_free, TOTAL_FREE);
}

void ExpectNothing(const Figures &f) {
  EXPECT_EQ(f.result, 0);
  EXPECT_EQ(f.available, UNTOUCHED);
  EXPECT_EQ(f.total, UNTOUCHED);
  EXPECT_EQ(f.total_free, UNTOUCHED);
}

struct Calls {
  int load, proc, free;
  bool operator==(const Calls &o) const {
    return load == o.load && proc == o.proc && free == o.free;
  }
};
std::ostream &operator<<(std::ostream &os, const Calls &c) {
  return os << "load " << c.load << " proc " << c.proc << " free " << c.free;
}
Calls CallsSoFar() {
  return {SimLoadLibraryCalls(), SimGetProcAddressCalls(), SimFreeLibraryCalls()};
}

TEST(QueryFreeSpace, TheCachedEntryPointOverAProcessLife) {
  TestWorld world;
  SimSetDriveFreeSpace('C', AVAILABLE, TOTAL, TOTAL_FREE);

  SCOPED_TRACE("no kernel32: the legacy query, nothing to release");
  SimSetFreeSpaceMode(SimKernelMissing);
  ExpectFallback(Query());
  EXPECT_EQ(CallsSoFar(), (Calls{1, 0, 0}));

  SCOPED_TRACE("entry point missing: looked up, released, looked up again");
  SimSetFreeSpaceMode(SimFreeSpaceExMissing);
  ExpectFallback(Query());
  EXPECT_EQ(CallsSoFar(), (Calls{2, 1, 1}));
  Figures f = Query(false);
  EXPECT_NE(f.result, 0);
  EXPECT_EQ(f.available, AVAILABLE / CLUSTER * CLUSTER);
  EXPECT_EQ(f.total_free, UNTOUCHED); /* the null third output */
  EXPECT_EQ(CallsSoFar(), (Calls{3, 2, 2}));

  SCOPED_TRACE("found: used, cached, released once");
  SimSetFreeSpaceMode(SimFreeSpaceNormal);
  ExpectExtended(Query());
  EXPECT_EQ(CallsSoFar(), (Calls{4, 3, 3}));
  f = Query(false);
  EXPECT_NE(f.result, 0);
  EXPECT_EQ(f.available, AVAILABLE);
  EXPECT_EQ(f.total, TOTAL);
  EXPECT_EQ(f.total_free, UNTOUCHED);
  EXPECT_EQ(CallsSoFar(), (Calls{4, 3, 3})); /* straight to the cache */

  SCOPED_TRACE("cached entry point failing: the legacy query, no lookup");
  SimSetFreeSpaceMode(SimFreeSpaceExFails);
  ExpectFallback(Query());
  SimSetFreeSpaceMode(SimFreeSpaceAllFail);
  ExpectNothing(Query());
  SimSetFreeSpaceMode(SimKernelMissing);
  ExpectExtended(Query());
  EXPECT_EQ(CallsSoFar(), (Calls{4, 3, 3}));

  SCOPED_TRACE("an unmapped drive");
  SimSetFreeSpaceMode(SimFreeSpaceNormal);
  ULONGLONG a = UNTOUCHED, t = UNTOUCHED;
  EXPECT_EQ(QueryFreeSpace("Z:", &a, &t, NULL), 0);
  EXPECT_EQ(a, UNTOUCHED);
  EXPECT_EQ(t, UNTOUCHED);
}

}  // namespace
