// The test world for the settings readers: the Linux world reset, the
// process-wide switches and the record back at their program-start values,
// and a scratch folder for the INI files.
#ifndef TESTS_SETTINGS_SETTINGS_WORLD_H
#define TESTS_SETTINGS_SETTINGS_WORLD_H

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/error_box.h"
#include "platform/sim/sim_control.h"
#include "settings/ini_access.h"
#include "settings/install_settings.h"
#include "tests/support/test_world.h"

class SettingsWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = std::make_unique<TestWorld>();  // resets the Linux world
    ReportMissingKeys = 1;
    ListItemDisk = 0;
    memset(&InstallSettings, 0, sizeof InstallSettings);
    MessageOwner = nullptr;
  }
  void TearDown() override { world_.reset(); }

  void WriteScript(const std::string &text) {
    strcpy(InstallSettings.ScriptPath, Write("UPDATE.INI", text).c_str());
  }
  void WriteSetupIni(const std::string &text) {
    strcpy(InstallSettings.SetupIniPath, Write("SETUP.INI", text).c_str());
  }
  std::string Write(const std::string &name, const std::string &text) {
    std::string path = world_->Path(name);
    EXPECT_TRUE(WriteFileBytes(path, text));
    return path;
  }
  // The texts of the boxes shown since the reset, all of which must be
  // error boxes under the caption "INSTCMMN" owned by MessageOwner.
  std::vector<std::string> SetupErrors() {
    std::vector<std::string> texts;
    for (const SimMessageBox &box : SimMessageBoxLog()) {
      EXPECT_EQ(box.caption, "INSTCMMN");
      EXPECT_EQ(box.style, (UINT)MB_ICONERROR);
      EXPECT_EQ(box.owner, MessageOwner);
      texts.push_back(box.text);
    }
    return texts;
  }

  std::unique_ptr<TestWorld> world_;
};

#endif
