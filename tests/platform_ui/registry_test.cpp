// The registry of the Linux test world, read the way the updater reads the
// installation record: open, query into fixed buffers, close.
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kKey[] = "Software\\Company\\Game";

class RegistryWorld : public ::testing::Test {
 protected:
  void SetUp() override { SimReset(); }
  HKEY Open(const char *subkey = kKey) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key),
              ERROR_SUCCESS);
    return key;
  }
};

TEST_F(RegistryWorld, QueryReportsSizesAndCopiesExactlyTheStoredBytes) {
  SimRegSetString(HKEY_CURRENT_USER, kKey, "InstPath", "C:\\Game");  // 8 bytes
  SimRegSetRaw(HKEY_CURRENT_USER, kKey, "Full", REG_SZ, std::string(260, 'x'));
  SimRegSetDword(HKEY_CURRENT_USER, kKey, "InstMode", 2);
  const std::string stored = std::string("C:\\Game") + '\0';

  struct Case {
    const char *name;
    DWORD size;  // the buffer given; 0 = no buffer, a size query
    LONG result;
    DWORD size_after;
    size_t copied;  // bytes that must equal the value's
  };
  const Case cases[] = {
      {"InstPath", 0, ERROR_SUCCESS, 8, 0},
      {"InstPath", 260, ERROR_SUCCESS, 8, 8},
      {"InstPath", 8, ERROR_SUCCESS, 8, 8},
      {"InstPath", 7, ERROR_MORE_DATA, 8, 0},
      {"instpath", 260, ERROR_SUCCESS, 8, 8},
      {"Full", 260, ERROR_SUCCESS, 260, 260},  // no NUL added
      {"Full", 259, ERROR_MORE_DATA, 260, 0},
      {"DataPath", 260, ERROR_FILE_NOT_FOUND, 260, 0},
  };
  HKEY key = Open();
  for (const Case &c : cases) {
    std::vector<BYTE> buffer(c.size + 1, 0xCC);  // one canary byte behind
    DWORD size = c.size;
    DWORD type = 99;
    LONG result = RegQueryValueExA(key, c.name, nullptr, &type,
                                   c.size ? buffer.data() : nullptr, &size);
    std::string what = std::string(c.name) + " into " + std::to_string(c.size);
    EXPECT_EQ(result, c.result) << what;
    EXPECT_EQ(size, c.size_after) << what;
    EXPECT_EQ(buffer[c.size], 0xCC) << what << ": written past the size";
    if (result != ERROR_FILE_NOT_FOUND) {
      EXPECT_EQ(type, REG_SZ) << what;
    }
    if (c.copied) {
      std::string expected = std::string(c.name) == "Full" ? std::string(260, 'x') : stored;
      EXPECT_EQ(std::string((char *)buffer.data(), c.copied), expected) << what;
    }
  }

  DWORD mode = 0, size = sizeof mode;
  EXPECT_EQ(RegQueryValueExA(key, "InstMode", nullptr, nullptr, (LPBYTE)&mode, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(mode, 2u);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryWorld, KeysOpenCaselesslyUnderTheirRootAndAreCounted) {
  SimRegSetString(HKEY_CURRENT_USER, kKey, "InstPath", "C:\\Game");
  struct Case {
    HKEY root;
    const char *subkey;
    LONG result;
  };
  const Case cases[] = {
      {HKEY_CURRENT_USER, kKey, ERROR_SUCCESS},
      {HKEY_CURRENT_USER, "SOFTWARE\\company\\GAME", ERROR_SUCCESS},
      {HKEY_CURRENT_USER, "Software\\Company", ERROR_SUCCESS},  // a parent exists
      {HKEY_CURRENT_USER, "Software\\Company\\Other", ERROR_FILE_NOT_FOUND},
      {HKEY_CURRENT_USER, "Software\\Company\\Gam", ERROR_FILE_NOT_FOUND},
      {HKEY_LOCAL_MACHINE, kKey, ERROR_FILE_NOT_FOUND},
  };
  for (const Case &c : cases) {
    HKEY key = (HKEY)1;
    EXPECT_EQ(RegOpenKeyExA(c.root, c.subkey, 0, KEY_READ, &key), c.result) << c.subkey;
    if (c.result == ERROR_SUCCESS) {
      EXPECT_EQ(SimRegOpenKeyCount(), 1);
      EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
      EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);  // already closed
    } else {
      EXPECT_EQ(key, nullptr) << c.subkey;
    }
    EXPECT_EQ(SimRegOpenKeyCount(), 0);
  }

  // A value deleted after the key was set up: the key stays, the value goes.
  SimRegDeleteValue(HKEY_CURRENT_USER, kKey, "InstPath");
  HKEY key = Open();
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "InstPath", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

}  // namespace
