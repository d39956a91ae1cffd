// LoadSetupSettings: the defaults, the table limits, the derived values and
// the validation messages of the installed SETUP.INI.
#include "settings/setup_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "tests/settings/settings_world.h"

namespace {

using Strings = std::vector<std::string>;
// A key's new value, or nullopt to leave the key out.
using Override = std::pair<std::string, std::optional<std::string>>;

std::string Names(const char *prefix, int count) {
  std::string list;
  for (int i = 0; i < count; i++) list += (i ? "," : "") + std::string(prefix) + std::to_string(i);
  return list;
}

class SetupSettings : public SettingsWorld {
 protected:
  void SetUp() override {
    SettingsWorld::SetUp();
    // As in the updater: the script's required keys have been read.
    ReportMissingKeys = 0;
  }
  // The required keys, changed by the overrides (a new key is appended).
  void WriteSetup(const std::vector<Override> &overrides, const std::string &extra = "") {
    std::vector<Override> keys = {
        {"CompanyName", "Co"},          {"GameTitle", "ゲーム"},      {"GameDir", "GAMEDIR"},
        {"GameExe", "GAME.EXE"},        {"UninstExe", "UNINST.EXE"}, {"SetupBmp", "A.BMP,B.BMP"},
        {"InstallSelects", "1"},        {"InstallTitle0", "Full"},   {"InstallFiles0", "a,b"},
        {"Shortcuts", "1"},             {"Shortcut0", "GAME.EXE,Game"},
    };
    for (const Override &o : overrides) {
      bool found = false;
      for (Override &k : keys)
        if (k.first == o.first) k.second = o.second, found = true;
      if (!found) keys.push_back(o);
    }
    std::string text = "[SETUP]\r\n";
    for (const Override &k : keys)
      if (k.second) text += k.first + "=" + *k.second + "\r\n";
    WriteSetupIni(text + extra);
  }
};

TEST_F(SetupSettings, RequiredKeysAloneGiveTheDefaults) {
  ReportMissingKeys = 1;  // switched off before the first optional key
  strcpy(InstallSettings.GameClass, "ScriptClass");
  strcpy(InstallSettings.CompanyName, "ScriptCo");
  WriteSetup({});
  ASSERT_EQ(LoadSetupSettings(), 1);
  EXPECT_EQ(ReportMissingKeys, 0);
  EXPECT_TRUE(SimMessageBoxLog().empty());
  const InstallSettingsRecord &s = InstallSettings;
  EXPECT_STREQ(s.CompanyName, "Co");
  EXPECT_STREQ(s.GameTitle, "ゲーム");
  EXPECT_STREQ(s.GameClass, "ゲーム");
  EXPECT_STREQ(s.GameDir, "GAMEDIR");
  EXPECT_STREQ(s.GameExe, "GAME.EXE");
  EXPECT_STREQ(s.UninstExe, "UNINST.EXE");
  EXPECT_STREQ(s.SetupBmp[0], "A.BMP");
  EXPECT_STREQ(s.SetupBmp[1], "B.BMP");
  EXPECT_STREQ(s.SetupBmp[2], "");
  EXPECT_EQ(s.InstallSelects, 1);
  EXPECT_STREQ(s.InstallTitle[0], "Full");
  EXPECT_STREQ(s.InstallFiles[0][0], "a");
  EXPECT_STREQ(s.InstallFiles[0][1], "b");
  EXPECT_EQ(s.InstallUsesDisks[0], 0);
  EXPECT_EQ(s.Shortcuts, 1);
  EXPECT_STREQ(s.Shortcut[0][0], "GAME.EXE");
  EXPECT_STREQ(s.Shortcut[0][1], "Game");
  EXPECT_STREQ(s.Shortcut[0][2], "");
  EXPECT_EQ(s.DefaultSelect, 0);
  EXPECT_EQ(s.InstallSize[0], 0u);
  for (int d = 0; d < DISK_CHECK_SLOTS; d++) EXPECT_STREQ(s.DiskCheckFile[d], "");
  EXPECT_STREQ(s.ExecApp[0], "");
  EXPECT_EQ(s.InstallDirectX, 0u);
  EXPECT_STREQ(s.InstallDXMessage, "ＤｉｒｅｃｔＸをインストールする");
  EXPECT_STREQ(s.SelectSetupMessage, "インストール方法を選択して下さい");
  EXPECT_EQ(s.UseCompanyNameForShortcutGroup, 0);
  EXPECT_EQ(s.ChooseSaveDataFolder, 0);
  EXPECT_STREQ(s.SaveDataFolderName, "GAMEDIR");
}

TEST_F(SetupSettings, EveryOptionalKeyIsStored) {
  std::vector<Override> keys = {
      {"GameClass", "GAMECLASS"},     {"DefaultSelect", "5"},  // not compared with InstallSelects
      {"InstallSize0", "1234567890123456789"},
      {"ExecApp", "SETUP.EXE, /s,extra"},
      {"InstallDXMessage", "DX?"},    {"SelectSetupMessage", "Which?"},
      {"UseCompanyNameForShortcutGroup", "2"}, {"ChooseSaveDataFolder", "1"},
      {"SaveDataFolderName", "SAVE"}, {"Shortcut0", "http://example.com/,Web,third,fourth"},
  };
  for (int d = 0; d <= 10; d++) keys.push_back({"DiskCheckFile" + std::to_string(d), "DISK" + std::to_string(d) + ".ID"});
  WriteSetup(keys);
  ASSERT_EQ(LoadSetupSettings(), 1);
  const InstallSettingsRecord &s = InstallSettings;
  EXPECT_STREQ(s.GameClass, "GAMECLASS");
  EXPECT_EQ(s.DefaultSelect, 5);
  EXPECT_EQ(s.InstallSize[0], 1234567890123456789ull);
  for (int d = 0; d < DISK_CHECK_SLOTS; d++) EXPECT_EQ(std::string(s.DiskCheckFile[d]), "DISK" + std::to_string(d) + ".ID");
  EXPECT_STREQ(s.ExecApp[0], "SETUP.EXE");
  EXPECT_STREQ(s.ExecApp[1], "/s");
  EXPECT_STREQ(s.InstallDXMessage, "DX?");
  EXPECT_STREQ(s.SelectSetupMessage, "Which?");
  EXPECT_EQ(s.UseCompanyNameForShortcutGroup, 1);
  EXPECT_EQ(s.ChooseSaveDataFolder, 1);
  EXPECT_STREQ(s.SaveDataFolderName, "SAVE");
  EXPECT_STREQ(s.Shortcut[0][0], "http://example.com/");
  EXPECT_STREQ(s.Shortcut[0][2], "third");
}

// Each failure returns 0 at once, with the message of its step or, for a
// missing required key, none.
TEST_F(SetupSettings, FailuresAndTheirMessages) {
  struct Row {
    const char *what;
    std::vector<Override> overrides;
    Strings messages;
    std::string extra = "";
  } rows[] = {
      {"no UninstExe", {{"UninstExe", std::nullopt}}, {}},
      {"UninstExe only in another section", {{"UninstExe", std::nullopt}}, {}, "[OTHER]\r\nUninstExe=U.EXE\r\n"},
      {"empty SetupBmp counts as missing", {{"SetupBmp", ""}}, {}},
      {"SetupBmp of a lone comma", {{"SetupBmp", ","}}, {"SETUP.INI : SetupBmps エラー"}},
      {"InstallSelects 4", {{"InstallSelects", "4"}}, {"SETUP.INI : InstallSelect オーバー"}},
      {"InstallSelects missing", {{"InstallSelects", std::nullopt}}, {}},
      {"InstallTitle1 missing", {{"InstallSelects", "2"}, {"InstallFiles1", "x"}}, {}},
      {"InstallFiles1 missing", {{"InstallSelects", "2"}, {"InstallTitle1", "T1"}}, {}},
      {"InstallFiles1 beginning with a comma",
       {{"InstallSelects", "2"}, {"InstallTitle1", "T1"}, {"InstallFiles1", ",a,b"}},
       {"SETUP.INI : InstallFiles1 エラー"}},
      {"Shortcuts 11", {{"Shortcuts", "11"}}, {"SETUP.INI : Shortcuts オーバー"}},
      {"Shortcut1 missing", {{"Shortcuts", "2"}}, {}},
      {"Shortcut0 with one item", {{"Shortcut0", "GAME.EXE"}}, {"SETUP.INI : Shortcut0 エラー"}},
      {"Shortcut0 with an empty second item", {{"Shortcut0", "GAME.EXE,,x"}}, {"SETUP.INI : Shortcut0 エラー"}},
      {"ExecApp with one item", {{"ExecApp", "SETUP.EXE"}}, {"SETUP.INI : ExecApp エラー"}},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    SimMessageBoxLog().clear();
    memset(&InstallSettings.GameExe, 0, sizeof InstallSettings.GameExe);
    WriteSetup(r.overrides, r.extra);
    EXPECT_EQ(LoadSetupSettings(), 0);
    EXPECT_EQ(SetupErrors(), r.messages);
    // What was read before the failure stays stored.
    EXPECT_STREQ(InstallSettings.GameExe, "GAME.EXE");
  }
}

TEST_F(SetupSettings, TableLimits) {
  WriteSetup({{"SetupBmp", Names("B", 25)},
              {"InstallSelects", "3"},
              {"InstallTitle1", "T1"},
              {"InstallTitle2", "T2"},
              {"InstallFiles1", Names("F", 41)},
              {"InstallFiles2", Names("G", 40)},
              {"Shortcuts", "10"}},
             [] {
               std::string s;
               for (int k = 1; k < 10; k++) s += "Shortcut" + std::to_string(k) + "=T" + std::to_string(k) + ",C\r\n";
               return s;
             }());
  ASSERT_EQ(LoadSetupSettings(), 1);
  EXPECT_TRUE(SimMessageBoxLog().empty());
  const InstallSettingsRecord &s = InstallSettings;
  EXPECT_STREQ(s.SetupBmp[19], "B19");
  EXPECT_STREQ(s.InstallFiles[1][39], "F39");
  EXPECT_STREQ(s.InstallFiles[2][39], "G39");
  EXPECT_STREQ(s.InstallTitle[2], "T2");
  EXPECT_EQ(s.Shortcuts, 10);
  EXPECT_STREQ(s.Shortcut[9][0], "T9");
}

// A shorter list marks its end in the slot after the last item, over
// whatever stood there.
TEST_F(SetupSettings, ShortListsMarkTheirEnd) {
  strcpy(InstallSettings.SetupBmp[2], "stale");
  strcpy(InstallSettings.InstallFiles[0][2], "stale");
  strcpy(InstallSettings.Shortcut[0][2], "stale");
  WriteSetup({});
  ASSERT_EQ(LoadSetupSettings(), 1);
  EXPECT_STREQ(InstallSettings.SetupBmp[2], "");
  EXPECT_STREQ(InstallSettings.InstallFiles[0][2], "");
  EXPECT_STREQ(InstallSettings.Shortcut[0][2], "");
}

// Zero or negative counts read no numbered key.
TEST_F(SetupSettings, NoSelectionsAndNoShortcuts) {
  for (const char *count : {"0", "-1"}) {
    SCOPED_TRACE(count);
    memset(&InstallSettings, 0, sizeof InstallSettings);
    WriteSetup({{"InstallSelects", count}, {"Shortcuts", count}, {"InstallSize0", "99"}});
    ASSERT_EQ(LoadSetupSettings(), 1);
    EXPECT_STREQ(InstallSettings.InstallTitle[0], "");
    EXPECT_STREQ(InstallSettings.InstallFiles[0][0], "");
    EXPECT_EQ(InstallSettings.InstallSize[0], 0u);
    EXPECT_STREQ(InstallSettings.Shortcut[0][0], "");
  }
}

TEST_F(SetupSettings, DiskPrefixesOfTheFileLists) {
  ListItemDisk = 5;
  WriteSetup({{"InstallSelects", "3"},
              {"InstallFiles0", "a,2:b,c,3:d"},
              {"InstallTitle1", "T1"},
              {"InstallFiles1", "e,f"},
              {"InstallTitle2", "T2"},
              {"InstallFiles2", "0:g,h"}});
  ASSERT_EQ(LoadSetupSettings(), 1);
  const InstallSettingsRecord &s = InstallSettings;
  EXPECT_EQ(std::vector<int>(s.InstallFileDisk[0], s.InstallFileDisk[0] + 4), (std::vector<int>{0, 2, 2, 3}));
  EXPECT_STREQ(s.InstallFiles[0][1], "b");
  EXPECT_STREQ(s.InstallFiles[0][3], "d");
  EXPECT_EQ(s.InstallUsesDisks[0], 1);
  // The earlier list ended on disk 3; this one has no prefix.
  EXPECT_EQ(std::vector<int>(s.InstallFileDisk[1], s.InstallFileDisk[1] + 2), (std::vector<int>{0, 0}));
  EXPECT_EQ(s.InstallUsesDisks[1], 0);
  // A prefix 0 is a prefix, but no disk.
  EXPECT_STREQ(s.InstallFiles[2][0], "g");
  EXPECT_EQ(s.InstallUsesDisks[2], 0);
}

TEST_F(SetupSettings, DirectXFlagsFromTheLowTwoBits) {
  struct {
    std::optional<std::string> value;
    DWORD expected;
  } rows[] = {{std::nullopt, 0},        {"0", 0x00010000}, {"1", 0x00010008}, {"2", 0x00010010},
              {"3", 0x00010018},        {"4", 0x00010000}, {"7", 0x00010018}, {"none", 0x00010000}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.value.value_or("(absent)"));
    WriteSetup({{"InstallDirectX", r.value}});
    ASSERT_EQ(LoadSetupSettings(), 1);
    EXPECT_EQ(InstallSettings.InstallDirectX, r.expected);
  }
}

TEST_F(SetupSettings, FlagsAndSizes) {
  struct {
    const char *value;
    int flag;
    ULONGLONG size;
  } rows[] = {
      {"2", 1, 2}, {"1", 1, 1}, {"0", 0, 0}, {"yes", 0, 0}, {"-3", 1, (ULONGLONG)0 - 3},
      // A size of 25 digits reaches the conversion as its first 19.
      {"1234567890123456789012345", 1, 1234567890123456789ull},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.value);
    WriteSetup({{"UseCompanyNameForShortcutGroup", r.value}, {"ChooseSaveDataFolder", r.value}, {"InstallSize0", r.value}});
    ASSERT_EQ(LoadSetupSettings(), 1);
    EXPECT_EQ(InstallSettings.UseCompanyNameForShortcutGroup, r.flag);
    EXPECT_EQ(InstallSettings.ChooseSaveDataFolder, r.flag);
    EXPECT_EQ(InstallSettings.InstallSize[0], r.size);
  }
}

}  // namespace
