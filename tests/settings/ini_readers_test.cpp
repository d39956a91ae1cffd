// ReadScriptValue, ReadSetupValue and ReadSetupInt: the cleared buffer, the
// cut value, the missing-key reports with the switch on and off, and the
// integer conversion through the 20-byte text.
#include <gtest/gtest.h>

#include "platform/sim/sim_world.h"
#include "tests/settings/settings_world.h"

namespace {

using Strings = std::vector<std::string>;

class IniReaders : public SettingsWorld {};

TEST_F(IniReaders, MissingOrEmptyScriptKeyIsReportedWithSectionThenKey) {
  WriteScript("[SETUP]\nCompanyName=Co\nGameDir=\n[OTHER]\nGameTitle=T\n");
  MessageOwner = SimCreateWindow("WizardClass", "Wizard");  // the boxes' owner once the wizard is open
  for (const char *key : {"GameDir", "GameTitle", "Absent"}) {
    SCOPED_TRACE(key);
    SimMessageBoxLog().clear();
    char buffer[PATH_BUFFER_SIZE];
    memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(ReadScriptValue(buffer, "SETUP", key, COUNTOF(buffer)), 0);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '\0'));
    EXPECT_EQ(SetupErrors(), Strings{std::string("SETUP : ") + key + " キーが存在しません"});
  }
}

TEST_F(IniReaders, MissingSetupKeyIsReportedWithTheKey) {
  WriteSetupIni("[SETUP]\nGameExe=\n");
  char buffer[PATH_BUFFER_SIZE];
  EXPECT_EQ(ReadSetupValue(buffer, "GameExe", COUNTOF(buffer)), 0);
  EXPECT_EQ(SetupErrors(), Strings{"SETUP.INI : GameExe キーが存在しません"});
}

TEST_F(IniReaders, SwitchedOffTheReadersFailSilently) {
  WriteScript("[SETUP]\nGameDir=\n");
  WriteSetupIni("[OTHER]\nGameExe=x\n");
  ReportMissingKeys = 0;
  char buffer[PATH_BUFFER_SIZE];
  int value = 42;
  EXPECT_EQ(ReadScriptValue(buffer, "SETUP", "GameDir", COUNTOF(buffer)), 0);
  EXPECT_EQ(ReadSetupValue(buffer, "GameExe", COUNTOF(buffer)), 0);
  EXPECT_EQ(ReadSetupInt("GameExe", &value), 0);
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(SimMessageBoxLog().empty());
}

TEST_F(IniReaders, MissingFileIsMissingKeys) {
  strcpy(InstallSettings.ScriptPath, world_->Path("NONE.INI").c_str());
  char buffer[PATH_BUFFER_SIZE];
  EXPECT_EQ(ReadScriptValue(buffer, "UPDATE", "CopyFile00", COUNTOF(buffer)), 0);
  EXPECT_EQ(SetupErrors(), Strings{"UPDATE : CopyFile00 キーが存在しません"});
}

// A long value is cut to size - 1 bytes and still present; whatever the
// value, every byte from its NUL to the given size is 0.
TEST_F(IniReaders, ValueIsCutAndTheRestOfTheBufferCleared) {
  std::string long_value(300, 'v');
  WriteScript("[SETUP]\nLong=" + long_value + "\nShort=ab\n");
  WriteSetupIni("[SETUP]\nShort=ab\n");
  struct {
    const char *key;
    DWORD size;
    std::string expected;
  } rows[] = {
      {"Long", 260, long_value.substr(0, 259)},
      {"Long", 20, long_value.substr(0, 19)},
      {"Short", 260, "ab"},
      {"Short", 3, "ab"},
      {"Short", 2, "a"},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(std::string(r.key) + " " + std::to_string(r.size));
    char buffer[LONG_TEXT_SIZE];
    memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(ReadScriptValue(buffer, "SETUP", r.key, r.size), 1);
    std::string expected = r.expected + std::string(r.size - r.expected.size(), '\0');
    EXPECT_EQ(std::string(buffer, r.size), expected);
    EXPECT_EQ(buffer[r.size], 'X');  // nothing past the size
  }
  char buffer[PATH_BUFFER_SIZE];
  memset(buffer, 'X', sizeof buffer);
  EXPECT_EQ(ReadSetupValue(buffer, "Short", COUNTOF(buffer)), 1);
  EXPECT_EQ(std::string(buffer, sizeof buffer), "ab" + std::string(sizeof buffer - 2, '\0'));
  EXPECT_TRUE(SimMessageBoxLog().empty());
}

TEST_F(IniReaders, SetupIntConversions) {
  WriteSetupIni(
      "[SETUP]\n"
      "A=7x\nB=abc\nC=-5\nD=12345678901\nE=-12345678901\n"
      // 23 characters: only the first 19, all zeros, reach the conversion.
      "F=00000000000000000001234\n"
      "G=  +9\n");
  struct {
    const char *key;
    int expected;
  } rows[] = {{"A", 7}, {"B", 0}, {"C", -5}, {"D", 2147483647}, {"E", -2147483647 - 1}, {"F", 0}, {"G", 9}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.key);
    int value = 42;
    EXPECT_EQ(ReadSetupInt(r.key, &value), 1);
    EXPECT_EQ(value, r.expected);
  }
  int value = 42;
  EXPECT_EQ(ReadSetupInt("Missing", &value), 0);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(SetupErrors(), Strings{"SETUP.INI : Missing キーが存在しません"});
}

}  // namespace
