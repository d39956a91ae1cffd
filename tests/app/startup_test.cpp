// The start-up sequence end to end: every way out before the wizard, the
// registry record, the caption, the start message, the checks for another
// updater and the running game, and the extracted script's own file.
#include "tests/app/updater_world.h"

#include <cstdio>
#include <functional>

namespace {

const char kNotInstalled[] = "「ScriptTitle」がインストールされていません";
const char kScriptMissing[] = "UPDATE.INI not found at UPDATE.QPK";
const char kNoSetupIni[] = "インストール先に \"SETUP.INI\" ファイルが見つかりません";

class StartUp : public UpdaterWorld {};

struct FailureCase {
  const char *name;
  std::function<void(StartUp &)> arrange;
  std::vector<std::string> boxes;
  const char *caption;
};

TEST_F(StartUp, EveryFailureBeforeTheWizardExitsWithZeroAndLeavesNothing) {
  const std::string script = ScriptSetup() + "[UPDATE]\r\nUpdateFile00=A.DAT\r\n";
  const FailureCase cases[] = {
      {"no archive resource", [](StartUp &) {}, {"UPDATE.QPK not found"}, "UPDATE"},
      {"resource of size 0",
       [&](StartUp &t) { t.SetArchive(script); SimFailResourceStep(2); },
       {"UPDATE.QPK not found"}, "UPDATE"},
      {"resource is no archive",
       [](StartUp &) { SimAddResource(102, "UPDATE", "not an archive at all", 21); },
       {"RESOURCE READ ERROR"}, "UPDATE"},
      {"archive without the script",
       [](StartUp &t) { t.SetArchiveMembers({{"A.DAT", {'a'}, MakeFileTime(kMemberTicks)}}); },
       {"Can't Find File in Resource !!", kScriptMissing}, "UPDATE"},
      {"temporary folder query fails",
       [&](StartUp &t) { t.SetArchive(script); SimSetTempPath(""); },
       {kScriptMissing}, "UPDATE"},
      {"empty required key",
       [](StartUp &t) {
         t.SetArchive("[SETUP]\r\nCompanyName=Co\r\nGameTitle=T\r\nGameClass=\r\nGameDir=Game\r\n");
       },
       {"SETUP : GameClass キーが存在しません"}, "INSTCMMN"},
      {"no registry key",
       [&](StartUp &t) {
         t.SetArchive(ScriptSetup().replace(ScriptSetup().find("GameDir=Game"), 12, "GameDir=Other"));
       },
       {kNotInstalled}, "UPDATE"},
      {"no InstPath",
       [&](StartUp &t) { t.SetArchive(script); SimRegDeleteValue(HKEY_CURRENT_USER, kKey, "InstPath"); },
       {kNotInstalled}, "UPDATE"},
      {"no InstMode",
       [&](StartUp &t) { t.SetArchive(script); SimRegDeleteValue(HKEY_CURRENT_USER, kKey, "InstMode"); },
       {kNotInstalled}, "UPDATE"},
      {"InstPath fills 260 bytes without NUL",
       [&](StartUp &t) {
         t.SetArchive(script);
         SimRegSetRaw(HKEY_CURRENT_USER, kKey, "InstPath", REG_SZ, std::string(260, 'C'));
       },
       {kNotInstalled}, "UPDATE"},
      {"no SETUP.INI",
       [&](StartUp &t) { t.SetArchive(script); DeleteFileA((t.inst_ + "\\SETUP.INI").c_str()); },
       {kNoSetupIni}, "UPDATE"},
      {"SETUP.INI path over 259 characters",
       [&](StartUp &t) {
         t.SetArchive(script);
         SimRegSetString(HKEY_CURRENT_USER, kKey, "InstPath", "C:\\" + std::string(250, 'x'));
       },
       {kNoSetupIni}, "UPDATE"},
      {"SETUP.INI without a required key: silent",
       [&](StartUp &t) {
         t.SetArchive(script);
         std::string text = SetupIniText();
         text.erase(text.find("UninstExe="), strlen("UninstExe=UNINST.EXE\r\n"));
         ASSERT_TRUE(WriteFileBytes(t.inst_ + "\\SETUP.INI", text));
       },
       {}, "UPDATE"},
  };
  for (const FailureCase &c : cases) {
    SCOPED_TRACE(c.name);
    Renew();
    c.arrange(*this);
    EXPECT_EQ(RunUpdater(), 0);
    EXPECT_EQ(BoxTexts(), c.boxes);
    for (const SimMessageBox &box : SimMessageBoxLog()) {
      EXPECT_EQ(box.owner, nullptr);
      EXPECT_EQ(box.style, (UINT)MB_ICONERROR);
      EXPECT_EQ(box.caption, c.caption);
    }
    EXPECT_EQ(SimDialogOpenCount(), 0);
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(LoadedIndex, nullptr);
    EXPECT_EQ(SimLiveBlocks(), 0);
    EXPECT_EQ(SimRegOpenKeyCount(), 0);
    EXPECT_EQ(SimOpenHandleCount(), 0);
  }
}

// Up to the wizard and out through Abort; the wizard's caption and the
// boxes tell what the start-up built.
TEST_F(StartUp, CaptionRegistryAndStartMessage) {
  struct Case {
    const char *name;
    std::string script_extra;
    bool with_data_path;
    DWORD inst_mode;
    std::string caption;
    std::vector<std::string> start_boxes;
  };
  const Case cases[] = {
      {"default caption, no DataPath, InstMode 0", "", false, 0, kCaption, {}},
      {"version in the caption", "UpdaterVersion=1.01\r\n", true, 1, "星の庭 アップデータ 1.01", {}},
      {"own title, taken unchanged", "UpdaterTitle=100% Update\r\nUpdaterVersion=9\r\n", true, 1,
       "100% Update", {}},
      {"start message with a line break", "UpdateMessage=一行目\\n二行目\r\n", true, 1, kCaption,
       {"一行目\r二行目"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Renew();
    if (!c.with_data_path) SimRegDeleteValue(HKEY_CURRENT_USER, kKey, "DataPath");
    SimRegSetDword(HKEY_CURRENT_USER, kKey, "InstMode", c.inst_mode);
    SetArchive(ScriptSetup(c.script_extra));
    SimScriptDialog({SimPress(WIZARD_ABORT_ID)});
    EXPECT_EQ(RunUpdater(), 0);
    ASSERT_FALSE(SimDialogLog().empty());
    EXPECT_EQ(SimDialogLog()[0].state.caption, c.caption);
    EXPECT_EQ(std::string(InstallSettings.DataPath), c.with_data_path ? data_ : "");
    std::vector<std::string> expected = c.start_boxes;
    expected.push_back(kAborted);
    EXPECT_EQ(BoxTexts(), expected);
    // The start message comes before the caption is built.
    if (!c.start_boxes.empty()) EXPECT_EQ(SimMessageBoxLog()[0].caption, "UPDATE");
    EXPECT_EQ(SimMessageBoxLog().back().caption, c.caption);
    EXPECT_EQ(SimMessageBoxLog().back().owner, nullptr);  // the wizard is gone
    EXPECT_TRUE(TempFiles().empty());
  }
}

TEST_F(StartUp, AnotherUpdatersWindowIsRaisedAndNothingShown) {
  SetArchive(ScriptSetup());
  SimCreateWindow(MAKEINTATOM(0x8002), kCaption);
  EXPECT_EQ(RunUpdater(), 0);
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(SimDialogOpenCount(), 0);
  EXPECT_EQ(SimWindowLog(),
            (std::vector<std::string>{std::string("ShowWindow ") + kCaption + " 5",
                                      std::string("SetForegroundWindow ") + kCaption}));
  EXPECT_TRUE(TempFiles().empty());
}

std::string GamePrompt(const std::string &title) {
  return "「" + title + "」が実行中です。アップデートを続行する場合はゲームを終了してから [OK] を、"
         "アップデートを中止する場合は [キャンセル] を押して下さい";
}

TEST_F(StartUp, RunningGameUnderTheSecondTitleCancelRaisesIt) {
  SetArchive(ScriptSetup("GameTitleA=Hoshi2\r\n"));
  SimCreateWindow("HoshiWnd", "Hoshi2");
  SimCreateWindow("OtherClass", "星の庭");  // same title, other class: not the game
  SimScriptMessageBoxAnswers({IDOK, IDOK, IDCANCEL});
  EXPECT_EQ(RunUpdater(), 0);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>(3, GamePrompt("Hoshi2")));
  for (const SimMessageBox &box : SimMessageBoxLog()) {
    EXPECT_EQ(box.style, (UINT)MB_OKCANCEL);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, kCaption);
  }
  EXPECT_EQ(SimWindowLog(),
            (std::vector<std::string>{"ShowWindow Hoshi2 5", "SetForegroundWindow Hoshi2"}));
  EXPECT_EQ(SimDialogOpenCount(), 0);
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(StartUp, RunningGamePromptRepeatsUntilTheGameHasEnded) {
  SetArchive(ScriptSetup());
  HWND game = SimCreateWindow("HoshiWnd", "星の庭");
  int searches = 0;
  SimOnFindWindow([&](const char *, const char *title) {
    if (title && std::string(title) == "星の庭" && ++searches == 3) SimDestroyWindow(game);
  });
  SimScriptDialog({SimPress(WIZARD_ABORT_ID)});
  EXPECT_EQ(RunUpdater(), 0);
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{GamePrompt("星の庭"), GamePrompt("星の庭"), kAborted}));
  EXPECT_EQ(SimDialogOpenCount(), 1);
}

// The script lives under a name of this process's own, is held so that
// nobody can rewrite or delete it while the wizard waits, and other files
// in the temporary folder are left alone.
TEST_F(StartUp, ScriptFileIsOwnLockedAndDeleted) {
  const std::string temp = world_->Path("Temp");
  char taken[64];
  snprintf(taken, sizeof taken, "UPD%08X-00.INI", (unsigned)GetCurrentProcessId());
  ASSERT_TRUE(WriteFileBytes(temp + "\\UPDATE.INI", "someone else's"));
  ASSERT_TRUE(WriteFileBytes(temp + "\\" + taken, "a stale reservation"));
  SetArchive(ScriptSetup());
  std::string script_path;
  bool write_refused = false, delete_refused = false, readable = false;
  SimScriptDialog({SimDo([&] {
                     script_path = InstallSettings.ScriptPath;
                     HANDLE w = CreateFileA(script_path.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                     write_refused = w == INVALID_HANDLE_VALUE;
                     if (!write_refused) CloseHandle(w);
                     delete_refused = !DeleteFileA(script_path.c_str());
                     readable = ReadFileBytes(script_path).has_value();
                   }),
                   SimPress(WIZARD_ABORT_ID)});
  EXPECT_EQ(RunUpdater(), 0);
  EXPECT_EQ(script_path.rfind(temp + "\\UPD", 0), 0u) << script_path;
  EXPECT_NE(script_path, temp + "\\" + taken);
  EXPECT_TRUE(write_refused);
  EXPECT_TRUE(delete_refused);
  EXPECT_TRUE(readable);
  EXPECT_EQ(TempFiles(), (std::vector<std::string>{taken, "UPDATE.INI"}));
  EXPECT_EQ(ReadFileBytes(temp + "\\UPDATE.INI"), "someone else's");
  EXPECT_EQ(ReadFileBytes(temp + "\\" + taken), "a stale reservation");
}

}  // namespace
