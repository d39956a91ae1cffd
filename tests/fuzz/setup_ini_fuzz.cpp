/* LoadSetupSettings on an arbitrary SETUP.INI.
 *
 * The input is written to the scratch file SetupIniPath names, and the
 * record and the report switch start as at program start.  Besides memory
 * safety (the record's buffers are fixed arrays inside one global, so a
 * write past a field lands in the next one: the target checks that every
 * text field still ends inside its own buffer), it checks the loader's
 * promises: the table limits hold, a failure shows exactly one message and
 * a success none, and the report switch is off once the optional keys are
 * reached. */
#include "settings/ini_access.h"
#include "settings/install_settings.h"
#include "settings/setup_settings.h"
#include "tests/fuzz/fuzz_world.h"
#include "platform/sim/sim_control.h"

#include <string.h>

template <size_t N>
static void CheckText(const char (&field)[N]) {
  FuzzCheck(strnlen(field, N) < N);
}

static void CheckTexts(void) {
  const InstallSettingsRecord &s = InstallSettings;
  CheckText(s.CompanyName);
  CheckText(s.GameTitle);
  CheckText(s.GameClass);
  CheckText(s.GameDir);
  CheckText(s.GameExe);
  CheckText(s.UninstExe);
  for (const PathBuffer &bmp : s.SetupBmp) CheckText(bmp);
  for (int i = 0; i < INSTALL_SELECT_MAX; i++) {
    CheckText(s.InstallTitle[i]);
    for (const PathBuffer &file : s.InstallFiles[i]) CheckText(file);
    for (int disk : s.InstallFileDisk[i]) FuzzCheck(disk >= 0 && disk <= 9);
    FuzzCheck(s.InstallUsesDisks[i] == 0 || s.InstallUsesDisks[i] == 1);
  }
  for (const auto &shortcut : s.Shortcut)
    for (const PathBuffer &item : shortcut) CheckText(item);
  for (const PathBuffer &file : s.DiskCheckFile) CheckText(file);
  for (const PathBuffer &item : s.ExecApp) CheckText(item);
  CheckText(s.InstallDXMessage);
  CheckText(s.SelectSetupMessage);
  CheckText(s.SaveDataFolderName);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzWorldStart();
  FuzzWriteFile("SETUP.INI", data, size);
  memset(&InstallSettings, 0, sizeof InstallSettings);
  lstrcpyA(InstallSettings.SetupIniPath, FuzzPath("SETUP.INI").c_str());
  ReportMissingKeys = 1;
  ListItemDisk = 0;

  int loaded = LoadSetupSettings();
  size_t boxes = SimMessageBoxLog().size();
  if (loaded) {
    FuzzCheck(boxes == 0);
    FuzzCheck(ReportMissingKeys == 0);
    FuzzCheck(InstallSettings.InstallSelects <= INSTALL_SELECT_MAX);
    FuzzCheck(InstallSettings.Shortcuts <= SHORTCUT_MAX);
  } else {
    FuzzCheck(boxes == 1);
  }
  /* After a failure too, what was read stays filled and must be sound. */
  CheckTexts();
  FuzzCheckNothingLeft();
  return 0;
}
