// The profile-string reader against the table of cases (the real reader
// under Wine, ours on Linux).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/settings/profile_cases.h"
#include "tests/support/test_world.h"

namespace {

TEST(ProfileReader, TableOfCases) {
  TestWorld world;
  int n = 0;
  for (const ProfileCase &c : ProfileCases) {
    SCOPED_TRACE(c.what);
    // A fresh name per row: no reader may serve one row from another's file.
    std::string name = "case" + std::to_string(n++) + ".ini";
    std::string path = world.Path(name);
    if (c.file) {
      ASSERT_TRUE(WriteFileBytes(path, c.file));
    }
    char out[300];
    memset(out, 'X', sizeof out);
    DWORD got = GetPrivateProfileStringA(c.section, c.key, c.fallback, out, c.size, path.c_str());
    EXPECT_EQ(std::string(out), c.expected);
    EXPECT_EQ(got, (DWORD)strlen(c.expected));
  }
}

}  // namespace
