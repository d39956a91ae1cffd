// Over-long, cut and odd values in the update script and the installed
// SETUP.INI, and paths that reach the 259-character limit after joining,
// each through the whole updater: the documented message or refusal, and
// nothing written where the value could not be trusted.
#include "tests/app/updater_world.h"

#include <filesystem>
#include <functional>

namespace {

const char kWriteFailed[] = "ファイルの書き込みに失敗しました";
const char kNoMember[] = "Can't Find File in Resource !!";
const char kNoEntries[] = "No 'UpdateFileXX' and 'CopyFileXX'";

std::string Repeat(const std::string &s, int times) {
  std::string out;
  for (int i = 0; i < times; i++) out += s;
  return out;
}

std::string CopyFailed(const std::string &path) {
  return "SETUP.INI : \"" + path + "\" のコピーに失敗しました";
}

class HostileSettings : public UpdaterWorld {
 public:  // the tables of cases arrange the world through these
  // The installed SETUP.INI with one key's line replaced (or added).
  void SetSetupKey(const std::string &key, const std::string &value) {
    std::string text = SetupIniText();
    const size_t at = text.find("\r\n" + key + "=");
    if (at != std::string::npos) text.erase(at + 2, text.find("\r\n", at + 2) - at);
    text += key + "=" + value + "\r\n";
    ASSERT_TRUE(WriteFileBytes(inst_ + "\\SETUP.INI", text));
  }
  // A host folder of a Windows path longer than the folder calls allow.
  void MakeHostDir(const std::string &windows_path) {
    std::filesystem::create_directories(world_->HostPath(windows_path));
  }
  // Set by the path cases: the file a complete run writes, the copy entry's
  // path, and a temporary folder of the case's own.
  std::string expect_, copy_path_, temp_folder_;
};

const std::vector<SimAction> kAbort = {SimPress(WIZARD_ABORT_ID)};
const std::vector<SimAction> kComplete = {SimPress(1), SimPress(1), SimPress(1)};
const std::vector<SimAction> kRunThenAbort = {SimPress(1), SimPress(1), SimPress(WIZARD_ABORT_ID)};

TEST_F(HostileSettings, OverLongAndOddValues) {
  const std::string update = "[UPDATE]\r\nUpdateFile00=A.DAT\r\n";
  struct Case {
    std::string name;
    std::string script;  // the whole UPDATE.INI
    std::function<void(HostileSettings &)> arrange;
    std::vector<SimAction> presses;
    std::vector<std::string> boxes;
    int exit_code;
    std::function<void(HostileSettings &)> check;
  };
  auto nothing = [](HostileSettings &) {};
  auto setup_key = [](std::string key, std::string value) {
    return [key, value](HostileSettings &t) { t.SetSetupKey(key, value); };
  };
  auto caption_is = [](std::string caption) {
    return [caption](HostileSettings &) {
      ASSERT_FALSE(SimMessageBoxLog().empty());
      EXPECT_EQ(SimMessageBoxLog().back().caption, caption);
    };
  };
  auto a_dat = [](std::optional<std::string> bytes) {
    return [bytes](HostileSettings &t) { EXPECT_EQ(ReadFileBytes(t.inst_ + "\\A.DAT"), bytes); };
  };
  auto info_after_run = [](std::string text) {
    return [text](HostileSettings &) {
      ASSERT_GE(SimDialogLog().size(), 3u);
      EXPECT_EQ(SimDialogLog()[2].state.controls.at(WIZARD_INFO_ID).text, text);
    };
  };
  const std::string n300(300, 'N'), t259(259, 'T');
  const Case cases[] = {
      // The update script's [SETUP] values, cut to 259 bytes (1023 for the
      // start message).
      {"300-byte CompanyName: cut, so no installation is found",
       "[SETUP]\r\nCompanyName=" + n300 + "\r\nGameTitle=ScriptTitle\r\nGameClass=C\r\nGameDir=Game\r\n",
       nothing, {}, {"「ScriptTitle」がインストールされていません"}, 0, nothing},
      {"300-byte GameTitle: the message holds its first 259 bytes",
       "[SETUP]\r\nCompanyName=Co\r\nGameTitle=" + std::string(300, 'T') +
           "\r\nGameClass=C\r\nGameDir=None\r\n",
       nothing, {}, {"「" + t259 + "」がインストールされていません"}, 0, nothing},
      {"300-byte UpdaterTitle: a caption of 259 bytes", ScriptSetup("UpdaterTitle=" + n300 + "\r\n"),
       nothing, kAbort, {kAborted}, 0, caption_is(std::string(259, 'N'))},
      {"1100-byte UpdateMessage: shown cut to 1023 bytes",
       ScriptSetup("UpdateMessage=" + std::string(1100, 'M') + "\r\n"), nothing, kAbort,
       {std::string(1023, 'M'), kAborted}, 0, nothing},
      {"UpdateMessage ending in a lone lead byte: shown as it is",
       ScriptSetup("UpdateMessage=abc\\n\x82\r\n"), nothing, kAbort, {"abc\r\x82", kAborted}, 0,
       nothing},
      // [UPDATE] values.
      {"1023-byte update entry of many fields: three are taken",
       ScriptSetup() + "[UPDATE]\r\nUpdateFile00=A.DAT," + Repeat("x,", 600) + "\r\n", nothing,
       kComplete, {}, 1, a_dat(std::string("new"))},
      {"1100-byte entry name: cut to its slot, then too long a path",
       ScriptSetup() + "[UPDATE]\r\nUpdateFile00=u," + std::string(1100, 'N') + "\r\n", nothing,
       kComplete, {kWriteFailed, kAborted}, 0, a_dat("old")},
      {"entry name ending in a lone lead byte: no such member",
       ScriptSetup() + "[UPDATE]\r\nUpdateFile00=A.DA\x82\r\n", nothing, kComplete,
       {kNoMember, kWriteFailed, kAborted}, 0, a_dat("old")},
      {"a second byte 0x5C is no folder separator",
       ScriptSetup() + "[UPDATE]\r\nUpdateFile00=X\x83\\A.DAT\r\n", nothing, kComplete,
       {kNoMember, kWriteFailed, kAborted}, 0, a_dat("old")},
      {"20-digit RequiredDiskSpace: the largest count",
       ScriptSetup() + "[UPDATE]\r\nRequiredDiskSpace=99999999999999999999\r\nUpdateFile00=A.DAT\r\n",
       nothing, kRunThenAbort, {kAborted}, 0,
       info_after_run("ディスク容量が足りません。\rC: ドライブに 1073741823 バイトの空き容量が必要です")},
      {"negative 20-digit RequiredDiskSpace: the smallest, as a count 2^31",
       ScriptSetup() + "[UPDATE]\r\nRequiredDiskSpace=-99999999999999999999\r\nUpdateFile00=A.DAT\r\n",
       nothing, kRunThenAbort, {kAborted}, 0,
       info_after_run("ディスク容量が足りません。\rC: ドライブに 1073741824 バイトの空き容量が必要です")},
      {"20-digit OverwriteOnly: on, so a missing file is not created",
       ScriptSetup() + "[UPDATE]\r\nOverwriteOnly=99999999999999999999\r\nUpdateFile00=B.DAT\r\n",
       nothing, kComplete, {}, 1,
       [](HostileSettings &t) { EXPECT_FALSE(Exists(t.inst_ + "\\B.DAT")); }},
      {"disk character below the digits: refused",
       ScriptSetup() + "[UPDATE]\r\nCopyFile00=/:MOVIE\r\n", nothing, kComplete,
       {CopyFailed("/:MOVIE"), kAborted}, 0, nothing},
      {"disk character above the digits: refused",
       ScriptSetup() + "[UPDATE]\r\nUpdateFile00=A.DAT\r\nCopyFile00=\xB1:MOVIE\r\n", nothing,
       kComplete, {CopyFailed("\xB1:MOVIE"), kAborted}, 0, a_dat("old")},
      {"install-mode character that is no digit: the entry never applies",
       ScriptSetup() + "[UPDATE]\r\nCopyFile00=A,1:MOVIE\r\n", nothing, kComplete,
       {kNoEntries, kAborted}, 0, nothing},
      // The installed SETUP.INI.
      {"SETUP.INI: 300-byte GameTitle: the caption holds its first 259 bytes", ScriptSetup(),
       setup_key("GameTitle", n300), kAbort, {kAborted}, 0,
       caption_is(std::string(259, 'N') + " アップデータ ")},
      {"SETUP.INI: GameTitle ending in a lone lead byte", ScriptSetup(),
       setup_key("GameTitle", "Hoshi\x82"), kAbort, {kAborted}, 0,
       [](HostileSettings &) {
         EXPECT_EQ(SimDialogLog()[0].state.controls.at(WIZARD_INFO_ID).text,
                   "「Hoshi\x82」のアップデートを開始します");
       }},
      {"SETUP.INI: 20-digit InstallSelects", ScriptSetup(),
       setup_key("InstallSelects", "99999999999999999999"), {},
       {"SETUP.INI : InstallSelect オーバー"}, 0, caption_is("INSTCMMN")},
      {"SETUP.INI: negative 20-digit InstallSelects: no selection is read", ScriptSetup(),
       setup_key("InstallSelects", "-99999999999999999999"), kAbort, {kAborted}, 0, nothing},
      {"SETUP.INI: 20-digit Shortcuts", ScriptSetup(), setup_key("Shortcuts", "99999999999999999999"),
       {}, {"SETUP.INI : Shortcuts オーバー"}, 0, nothing},
      {"SETUP.INI: 1100-byte list of install files: cut, 40 names kept", ScriptSetup(),
       setup_key("InstallFiles0", Repeat("FILE0000.DAT,", 85)), kAbort, {kAborted}, 0, nothing},
      {"SETUP.INI: 300-byte name in a list: cut to its slot", ScriptSetup(),
       setup_key("SetupBmp", n300 + ",B.BMP"), kAbort, {kAborted}, 0, nothing},
      {"SETUP.INI: disk prefix that is no digit", ScriptSetup(),
       setup_key("InstallFiles0", "X:HOSHI.EXE,/:A.DAT"), kAbort, {kAborted}, 0, nothing},
  };
  printf("hostile settings: %zu values\n", std::size(cases));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Renew();
    ASSERT_TRUE(WriteFileBytes(inst_ + "\\A.DAT", "old"));
    SimSetDriveFreeSpace('C', 1ull << 30, 1ull << 31, 1ull << 30);
    c.arrange(*this);
    SetArchive(c.script, {{"A.DAT", "new"}});
    SimScriptDialog(c.presses);
    EXPECT_EQ(RunUpdater(), c.exit_code);
    EXPECT_EQ(BoxTexts(), c.boxes);
    EXPECT_FALSE(SimDialogScriptExhausted());
    c.check(*this);
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(SimLiveBlocks(), 0);
    EXPECT_EQ(SimOpenHandleCount(), 0);
  }
}

// Each joined path at 259 characters works and at 260 is refused with the
// message of the step that builds it; nothing is cut to fit.
TEST_F(HostileSettings, PathsOfTwoHundredFiftyNineAndSixtyCharacters) {
  const std::string member = "ABCDEFGHIJ.DAT";  // 14 characters
  struct Case {
    std::string name;
    std::function<void(HostileSettings &, int length)> arrange;
    std::vector<SimAction> presses;
    std::vector<std::string> boxes_at_260;  // at 259 the run completes
  };
  // The installation folder, with SETUP.INI in it, of the given length.
  auto install_folder = [](HostileSettings &t, int length) {
    std::string folder = t.inst_ + "\\";
    folder += std::string(length - folder.size(), 'i');
    t.MakeHostDir(folder);
    EXPECT_TRUE(WriteFileBytes(folder + "\\SETUP.INI", SetupIniText()));
    SimRegSetString(HKEY_CURRENT_USER, kKey, "InstPath", folder);
    return folder;
  };
  const Case cases[] = {
      {"destination",
       [&](HostileSettings &t, int length) {
         const std::string folder = install_folder(t, length - 1 - (int)member.size());
         t.SetArchive(ScriptSetup() + "[UPDATE]\r\nUpdateFile00=" + member + "\r\n",
                      {{member, "new"}});
         t.expect_ = folder + "\\" + member;
       },
       kComplete, {kWriteFailed, kAborted}},
      {"SETUP.INI in the installation folder",
       [&](HostileSettings &t, int length) {
         const int folder_length = length - (int)strlen("\\SETUP.INI");
         std::string folder = t.inst_ + "\\";
         folder += std::string(folder_length - folder.size(), 'i');
         t.MakeHostDir(folder);
         // The 260-character file cannot be made; its absence is what the
         // updater would see either way, so only the 259 one is written.
         if (length == 259) {
           ASSERT_TRUE(WriteFileBytes(folder + "\\SETUP.INI", SetupIniText()));
         }
         SimRegSetString(HKEY_CURRENT_USER, kKey, "InstPath", folder);
         // A short member, so that its destination stays within the limit.
         t.SetArchive(ScriptSetup() + "[UPDATE]\r\nUpdateFile00=A\r\n", {{"A", "new"}});
         t.expect_ = folder + "\\A";
       },
       kComplete,
       {"インストール先に \"SETUP.INI\" ファイルが見つかりません"}},
      {"the script in the temporary folder",
       [&](HostileSettings &t, int length) {
         // "UPD" + eight hex digits + "-00.INI" after the folder's backslash.
         std::string folder = t.world_->Path("Temp") + "\\";
         folder += std::string(length - 1 - 18 - folder.size(), 't');
         t.MakeHostDir(folder);
         SimSetTempPath((folder + "\\").c_str());
         t.temp_folder_ = folder;
         t.SetArchive(ScriptSetup() + "[UPDATE]\r\nUpdateFile00=" + member + "\r\n",
                      {{member, "new"}});
         t.expect_ = t.inst_ + "\\" + member;
       },
       kComplete, {"UPDATE.INI not found at UPDATE.QPK"}},
      {"copy target",
       [&](HostileSettings &t, int length) {
         const std::string cd = t.world_->MapDrive('E', DRIVE_CDROM);
         ASSERT_TRUE(WriteFileBytes(cd + "\\DISK1.ID", "disk"));
         const std::string sub(length - t.inst_.size() - 2 - member.size(), 'd');
         ASSERT_TRUE(MakeDir(cd + "\\" + sub));
         ASSERT_TRUE(WriteFileBytes(cd + "\\" + sub + "\\" + member, "new"));
         t.SetArchive(ScriptSetup() + "[UPDATE]\r\nCopyFile00=1:" + sub + "\\" + member + "\r\n");
         t.expect_ = t.inst_ + "\\" + sub + "\\" + member;
         t.copy_path_ = sub + "\\" + member;
       },
       kComplete, {}},
  };
  for (const Case &c : cases) {
    for (int length : {259, 260}) {
      SCOPED_TRACE(c.name + " of " + std::to_string(length));
      Renew();
      expect_.clear();
      copy_path_.clear();
      temp_folder_.clear();
      c.arrange(*this, length);
      ASSERT_FALSE(expect_.empty());
      if (c.name == "destination" || c.name == "copy target") {
        EXPECT_EQ(expect_.size(), (size_t)length);
      }
      SimScriptDialog(c.presses);
      const int exit_code = RunUpdater();
      std::vector<std::string> boxes_at_260 = c.boxes_at_260;
      if (!copy_path_.empty()) boxes_at_260 = {CopyFailed(copy_path_), kAborted};
      if (length == 259) {
        EXPECT_EQ(exit_code, 1);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{});
        EXPECT_EQ(ReadFileBytes(expect_), "new") << expect_;
      } else {
        EXPECT_EQ(exit_code, 0);
        EXPECT_EQ(BoxTexts(), boxes_at_260);
        const std::string folder = expect_.substr(0, expect_.rfind('\\'));
        for (const std::string &name : ListDir(folder)) EXPECT_EQ(name, "SETUP.INI") << folder;
      }
      EXPECT_TRUE(ListDir(temp_folder_.empty() ? world_->Path("Temp") : temp_folder_).empty());
      EXPECT_EQ(SimLiveBlocks(), 0);
      EXPECT_EQ(SimOpenHandleCount(), 0);
    }
  }
}

}  // namespace
