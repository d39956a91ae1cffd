// The updater's world for end-to-end tests: a scratch drive C: with the
// temporary folder, an installed game (registry record, SETUP.INI), an
// update archive as resource UPDATE 102 built from a script and members,
// and the process-wide records back at their program-start values.
#ifndef TESTS_APP_UPDATER_WORLD_H
#define TESTS_APP_UPDATER_WORLD_H

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/error_box.h"
#include "app/startup.h"
#include "app/wizard.h"
#include "archive/container.h"
#include "archive/writer.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_world.h"
#include "res/wizard_template.h"
#include "settings/ini_access.h"
#include "settings/install_settings.h"
#include "tests/support/test_world.h"

// Member time stamps: the update's files are of this time unless a test
// says otherwise.
constexpr ULONGLONG kMemberTicks = 132000000000000000ull;

// A SETUP.INI with every key LoadSetupSettings requires.
inline std::string SetupIniText() {
  return "[SETUP]\r\nCompanyName=Velvet\r\nGameTitle=星の庭\r\nGameDir=Hoshi\r\n"
         "GameExe=HOSHI.EXE\r\nUninstExe=UNINST.EXE\r\nSetupBmp=A.BMP\r\n"
         "InstallSelects=1\r\nInstallTitle0=Normal\r\nInstallFiles0=HOSHI.EXE\r\n"
         "Shortcuts=0\r\nGameClass=HoshiWnd\r\nDiskCheckFile1=DISK1.ID\r\n"
         "DiskCheckFile2=DISK2.ID\r\n";
}

// The [SETUP] section of a script whose registry key is Software\Co\Game.
inline std::string ScriptSetup(const std::string &extra = "") {
  return "[SETUP]\r\nCompanyName=Co\r\nGameTitle=ScriptTitle\r\nGameClass=ScriptClass\r\n"
         "GameDir=Game\r\n" + extra;
}

// The default caption for the installed title and an empty version.
inline const char kCaption[] = "星の庭 アップデータ ";
inline const char kAborted[] = "アップデートが中断されました";

class UpdaterWorld : public ::testing::Test {
 public:  // the tables of cases arrange the world through these
  void SetUp() override {
    world_ = std::make_unique<TestWorld>();  // resets the Linux world
    memset(&InstallSettings, 0, sizeof InstallSettings);
    ReportMissingKeys = 1;
    ListItemDisk = 0;
    strcpy(UpdaterCaption, "UPDATE");
    MessageOwner = nullptr;
    LoadedIndex = nullptr;
    ArchiveImage = nullptr;
    ArchiveImageSize = 0;
    inst_ = world_->Path("Game");
    data_ = world_->Path("Data");
    ASSERT_TRUE(MakeDir(inst_));
    ASSERT_TRUE(MakeDir(data_));
    ASSERT_TRUE(WriteFileBytes(inst_ + "\\SETUP.INI", SetupIniText()));
    SimRegSetString(HKEY_CURRENT_USER, kKey, "InstPath", inst_);
    SimRegSetString(HKEY_CURRENT_USER, kKey, "DataPath", data_);
    SimRegSetDword(HKEY_CURRENT_USER, kKey, "InstMode", 1);
  }
  void TearDown() override { world_.reset(); }
  // A fresh world inside one test (for tables of cases).
  void Renew() {
    TearDown();
    SetUp();
  }

  // The archive resource: UPDATE.INI with this text, then the members.
  void SetArchive(const std::string &script,
                  const std::map<std::string, std::string> &members = {},
                  ULONGLONG ticks = kMemberTicks) {
    std::vector<ArchiveMemberInput> inputs;
    inputs.push_back({"UPDATE.INI", Bytes(script), MakeFileTime(ticks)});
    for (const auto &[name, bytes] : members)
      inputs.push_back({name, Bytes(bytes), MakeFileTime(ticks)});
    SetArchiveMembers(inputs);
  }
  void SetArchiveMembers(const std::vector<ArchiveMemberInput> &inputs) {
    std::string error;
    ASSERT_TRUE(BuildArchive(inputs, 1, &archive_, &error)) << error;
    SimAddResource(102, "UPDATE", archive_.data(), (DWORD)archive_.size());
  }

  int RunUpdater() { return WinMain(SimModuleHandle(), nullptr, (LPSTR) "", 0); }

  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const SimMessageBox &box : SimMessageBoxLog()) texts.push_back(box.text);
    return texts;
  }
  // Files left in the temporary folder (the extracted script must go).
  std::vector<std::string> TempFiles() { return ListDir(world_->Path("Temp")); }
  // The information line after the last delivered action.
  std::string InfoText() { return SimDialogNow().controls[WIZARD_INFO_ID].text; }

  static std::vector<uint8_t> Bytes(const std::string &s) {
    return std::vector<uint8_t>(s.begin(), s.end());
  }

  static constexpr const char *kKey = "Software\\Co\\Game";
  std::unique_ptr<TestWorld> world_;
  std::vector<uint8_t> archive_;
  std::string inst_, data_;
};

#endif
