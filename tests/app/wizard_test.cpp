// The wizard's pages, buttons and busy counter, driven through WinMain.
#include "tests/app/updater_world.h"

namespace {

const char kOpening[] = "「星の庭」のアップデートを開始します";
const char kConfirm[] = "アップデートを実行します";
const char kDone[] = "アップデートは完了しました";
const char kWriteFailed[] = "ファイルの書き込みに失敗しました";

class Wizard : public UpdaterWorld {
 protected:
  void SetSimpleUpdate() {
    SetArchive(ScriptSetup() + "[UPDATE]\r\nUpdateFile00=A.DAT\r\n", {{"A.DAT", "new"}});
  }
};

// Buttons as "next back abort", 1 for enabled.
std::string Buttons(const SimDialogSnapshot &s) {
  auto on = [&](int id) { return s.controls.at(id).enabled ? '1' : '0'; };
  return {on(WIZARD_NEXT_ID), on(WIZARD_BACK_ID), on(WIZARD_ABORT_ID)};
}

TEST_F(Wizard, OpeningConfirmationCompletionThenExitOne) {
  SetSimpleUpdate();
  SimScriptDialog({SimPress(1), SimPress(1), SimCursorCheck(), SimPress(1)});
  EXPECT_EQ(RunUpdater(), 1);
  const std::vector<SimDialogEvent> &log = SimDialogLog();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0].state.controls.at(WIZARD_INFO_ID).text, kOpening);
  EXPECT_EQ(Buttons(log[0].state), "101");
  EXPECT_EQ(log[0].answer, FALSE);
  EXPECT_EQ(log[1].state.controls.at(WIZARD_INFO_ID).text, kConfirm);
  EXPECT_EQ(Buttons(log[1].state), "101");
  const SimDialogSnapshot &done = log[2].state;
  EXPECT_EQ(done.controls.at(WIZARD_INFO_ID).text, kDone);
  EXPECT_EQ(done.controls.at(WIZARD_NEXT_ID).text, "完了");
  EXPECT_TRUE(done.controls.at(WIZARD_NEXT_ID).focused);
  EXPECT_EQ(Buttons(done), "100");
  EXPECT_EQ(done.cursor, "arrow");
  EXPECT_EQ(log[3].answer, FALSE);  // idle: the cursor is left to the dialog
  EXPECT_EQ(SimCursorLog(), (std::vector<std::string>{"wait", "arrow"}));
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(ReadFileBytes(inst_ + "\\A.DAT"), "new");
  EXPECT_EQ(Ticks(FileTimeOf(inst_ + "\\A.DAT")), kMemberTicks);
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_EQ(SimLiveBlocks(), 0);
}

// Back is disabled on these pages; a Back command sent anyway steps the
// counter below 0, and each handled press first clears the text.
TEST_F(Wizard, BackCommandBeforeTheRunOnlyClearsTheText) {
  SetSimpleUpdate();
  SimScriptDialog({SimPress(4), SimPress(1), SimPress(1), SimPress(2)});
  EXPECT_EQ(RunUpdater(), 0);
  const std::vector<SimDialogEvent> &log = SimDialogLog();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[1].state.controls.at(WIZARD_INFO_ID).text, "");
  EXPECT_EQ(log[2].state.controls.at(WIZARD_INFO_ID).text, "");
  EXPECT_EQ(log[3].state.controls.at(WIZARD_INFO_ID).text, kConfirm);
  EXPECT_EQ(WizardStep, 1);
  EXPECT_FALSE(Exists(inst_ + "\\A.DAT"));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kAborted});
}

TEST_F(Wizard, AbortEndsOnEveryPageAlsoWhereItIsDisabled) {
  for (int presses = 0; presses <= 2; presses++) {
    SCOPED_TRACE(presses);
    Renew();
    SetSimpleUpdate();
    std::vector<SimAction> script(presses, SimPress(1));
    script.push_back(SimPress(2));
    SimScriptDialog(script);
    EXPECT_EQ(RunUpdater(), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kAborted});
    EXPECT_EQ(SimMessageBoxLog()[0].owner, nullptr);
    EXPECT_EQ(Exists(inst_ + "\\A.DAT"), presses == 2);
    EXPECT_TRUE(TempFiles().empty());
  }
}

// While the run shows a box, presses, Abort and the close button are
// dropped for good and the pointer is the wait cursor.
TEST_F(Wizard, CommandsDuringTheRunAreDropped) {
  SetArchive(ScriptSetup() + "[UPDATE]\r\nUpdateFile00=MISSING\\A.DAT\r\n", {{"A.DAT", "new"}});
  SimScriptDialog({SimPress(1), SimPress(1)});
  SimScriptDuringMessageBox(0, {SimPress(1), SimPress(4), SimPress(2), SimCommand(0x10001),
                                SimCursorCheck()});
  EXPECT_EQ(RunUpdater(), 0);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kWriteFailed, kAborted}));
  EXPECT_NE(SimMessageBoxLog()[0].owner, nullptr);  // owned by the wizard
  const std::vector<SimDialogEvent> &log = SimDialogLog();
  ASSERT_EQ(log.size(), 8u);
  // init, the first Next, the five actions inside the box, the second Next.
  for (size_t i = 2; i < 6; i++) {
    EXPECT_EQ(Buttons(log[i].state), "000") << log[i].after;
    EXPECT_EQ(log[i].state.controls.at(WIZARD_INFO_ID).text, "アップデートを実行しています");
  }
  EXPECT_EQ(log[6].after, "box 0: setcursor");
  EXPECT_EQ(log[6].answer, TRUE);
  EXPECT_EQ(log[6].state.cursor, "wait");
  EXPECT_EQ(WizardStep, 2);
  EXPECT_EQ(WizardBusy, 0u);
}

TEST_F(Wizard, PercentSignInTheTitleIsShownAsItStands) {
  std::string setup = SetupIniText();
  setup.replace(setup.find("GameTitle=星の庭"), strlen("GameTitle=星の庭"), "GameTitle=100%s%i");
  ASSERT_TRUE(WriteFileBytes(inst_ + "\\SETUP.INI", setup));
  SetSimpleUpdate();
  SimScriptDialog({SimPress(2)});
  EXPECT_EQ(RunUpdater(), 0);
  EXPECT_EQ(SimDialogLog()[0].state.controls.at(WIZARD_INFO_ID).text,
            "「100%s%i」のアップデートを開始します");
}

}  // namespace
