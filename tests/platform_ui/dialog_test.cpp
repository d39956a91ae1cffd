// The wizard, message boxes and the window table of the Linux test world,
// driven through a small dialog procedure that behaves like the updater's:
// a busy counter, a message box inside a press, EndDialog from inside it.
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_world.h"
#include "res/wizard_template.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MiniWizard {
  int step = 0;
  int busy = 0;
  HWND window = nullptr;
  LPARAM init_param = 0;
  WPARAM init_focus = 0;
} mini;

INT_PTR CALLBACK MiniProc(HWND window, UINT message, WPARAM wparam,
                          LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      mini.window = window;
      mini.init_param = lparam;
      mini.init_focus = wparam;
      SetWindowTextA(window, "Mini");
      EnableWindow(GetDlgItem(window, WIZARD_BACK_ID), FALSE);
      return FALSE;
    case WM_SETCURSOR:
      if (!mini.busy) return FALSE;
      SetCursor(LoadCursorA(nullptr, IDC_WAIT));
      return TRUE;
    case WM_COMMAND:
      if (wparam == IDCANCEL && !mini.busy) EndDialog(window, -1);
      if (wparam != IDOK || mini.busy) return FALSE;
      mini.busy = 1;
      if (mini.step == 0) SetDlgItemTextA(window, WIZARD_INFO_ID, "page two");
      if (mini.step == 1) {
        MessageBoxA(window, "working", "Mini", MB_OKCANCEL);
        EndDialog(window, 7);
        // Still runs: the dialog ends only once this message returns.
        SetDlgItemTextA(window, WIZARD_INFO_ID, "after end");
        EnableWindow(GetDlgItem(window, WIZARD_NEXT_ID), TRUE);
        SetFocus(GetDlgItem(window, WIZARD_NEXT_ID));
      }
      mini.step++;
      mini.busy--;
      return FALSE;
  }
  return FALSE;
}

INT_PTR RunMini(LPCSTR tmpl = MAKEINTRESOURCE(WIZARD_TEMPLATE_ID)) {
  return DialogBoxParamA(nullptr, tmpl, nullptr, MiniProc, 42);
}

std::vector<std::string> EventNames() {
  std::vector<std::string> names;
  for (const SimDialogEvent &event : SimDialogLog()) names.push_back(event.after);
  return names;
}

class DialogWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    SimReset();
    mini = MiniWizard();
  }
};

TEST_F(DialogWorld, ScriptedPressesRunUntilEndDialogTakesEffect) {
  SimScriptDialog({SimPress(IDOK), SimPress(IDOK), SimPress(IDCANCEL)});
  HWND box_seen = nullptr, wizard_seen = nullptr;
  BOOL wizard_enabled_during_box = TRUE;
  SimScriptDuringMessageBox(
      0, {SimPress(IDCANCEL), SimCursorCheck(), SimDo([&] {
            box_seen = FindWindowA(MAKEINTATOM(0x8002), "Mini");
            wizard_seen = mini.window;
            wizard_enabled_during_box = IsWindowEnabled(mini.window);
          })});

  EXPECT_EQ(RunMini(), 7);

  EXPECT_EQ(mini.init_param, 42);
  EXPECT_NE(mini.init_focus, 0u);  // the first tab stop is proposed
  EXPECT_EQ(EventNames(),
            (std::vector<std::string>{"init", "command 1", "box 0: command 2",
                                      "box 0: setcursor", "box 0: call",
                                      "command 1"}));
  EXPECT_FALSE(SimDialogScriptExhausted());

  const SimDialogSnapshot &init = SimDialogLog()[0].state;
  EXPECT_EQ(init.caption, "Mini");
  EXPECT_EQ(init.cursor, "");
  ASSERT_EQ(init.controls.size(), (size_t)WIZARD_CONTROL_COUNT);
  for (const WizardControlSpec &spec : WizardControls) {
    const SimControlState &control = init.controls.at(spec.id);
    EXPECT_EQ(control.text, spec.text);
    EXPECT_EQ(control.enabled, spec.id != WIZARD_BACK_ID) << spec.id;
    EXPECT_FALSE(control.focused) << spec.id;
  }
  EXPECT_EQ(SimDialogLog()[1].state.controls.at(WIZARD_INFO_ID).text, "page two");

  // The Abort during the box found the wizard busy and was dropped; the
  // cursor check was answered with the wait cursor.
  EXPECT_EQ(SimDialogLog()[2].answer, FALSE);
  EXPECT_EQ(SimDialogLog()[3].answer, TRUE);
  EXPECT_EQ(SimDialogLog()[3].state.cursor, "wait");
  EXPECT_EQ(SimCursorLog(), std::vector<std::string>{"wait"});

  // While the box was open it was a dialog-class window with its caption,
  // distinct from the wizard, and its owner was disabled.
  EXPECT_NE(box_seen, nullptr);
  EXPECT_NE(box_seen, wizard_seen);
  EXPECT_FALSE(wizard_enabled_during_box);

  ASSERT_EQ(SimMessageBoxLog().size(), 1u);
  const SimMessageBox &box = SimMessageBoxLog()[0];
  EXPECT_EQ(box.owner, mini.window);
  EXPECT_EQ(box.caption, "Mini");
  EXPECT_EQ(box.text, "working");
  EXPECT_EQ(box.style, MB_OKCANCEL);
  EXPECT_EQ(box.answer, IDOK);

  // The rest of the handler ran after EndDialog.
  SimDialogSnapshot last = SimDialogNow();
  EXPECT_EQ(last.controls.at(WIZARD_INFO_ID).text, "after end");
  EXPECT_TRUE(last.controls.at(WIZARD_NEXT_ID).focused);

  // Closed: gone from the window table and its handle dead.
  EXPECT_EQ(FindWindowA(MAKEINTATOM(0x8002), nullptr), nullptr);
  EXPECT_EQ(GetDlgItem(mini.window, WIZARD_NEXT_ID), nullptr);
  EXPECT_EQ(EndDialog(mini.window, 0), FALSE);
}

TEST_F(DialogWorld, DialogThatCannotRunReturnsMinusOne) {
  struct Case {
    const char *name;
    bool fail_creation;
    WORD template_id;
    std::vector<SimAction> script;
    bool initialised;
    bool exhausted;
  };
  const Case cases[] = {
      {"creation fails", true, WIZARD_TEMPLATE_ID, {SimPress(IDCANCEL)}, false, false},
      {"other template", false, WIZARD_TEMPLATE_ID + 1, {SimPress(IDCANCEL)}, false, false},
      {"script runs out", false, WIZARD_TEMPLATE_ID, {SimPress(IDOK)}, true, true},
  };
  for (const Case &c : cases) {
    SimReset();
    mini = MiniWizard();
    if (c.fail_creation) SimFailDialogCreation();
    SimScriptDialog(c.script);
    EXPECT_EQ(RunMini(MAKEINTRESOURCE(c.template_id)), -1) << c.name;
    EXPECT_EQ(!SimDialogLog().empty(), c.initialised) << c.name;
    EXPECT_EQ(SimDialogScriptExhausted(), c.exhausted) << c.name;
    EXPECT_EQ(SimDialogOpenCount(), 1) << c.name;
    EXPECT_EQ(FindWindowA(MAKEINTATOM(0x8002), nullptr), nullptr) << c.name;
  }
  // A failed creation applies to one call only.
  SimReset();
  SimFailDialogCreation();
  SimScriptDialog({SimPress(IDCANCEL)});
  EXPECT_EQ(RunMini(), -1);
  EXPECT_EQ(RunMini(), -1);
  EXPECT_EQ(EventNames(), (std::vector<std::string>{"init", "command 2"}));
}

TEST_F(DialogWorld, EnableAndFocusFollowTheWindowRules) {
  BOOL first_disable = 0, second_disable = 0, reenable = 0;
  HWND focus_on_disabled = (HWND)1;
  bool focus_lost_on_disable = false;
  SimScriptDialog({SimDo([&] {
                     HWND next = GetDlgItem(mini.window, WIZARD_NEXT_ID);
                     first_disable = EnableWindow(next, FALSE);
                     second_disable = EnableWindow(next, FALSE);
                     focus_on_disabled = SetFocus(next);
                     reenable = EnableWindow(next, TRUE);
                     SetFocus(next);
                     EnableWindow(next, FALSE);
                     focus_lost_on_disable = SimDialogNow().controls.at(WIZARD_NEXT_ID).focused == false;
                   }),
                   SimPress(IDCANCEL)});
  EXPECT_EQ(RunMini(), -1);
  EXPECT_EQ(first_disable, FALSE);  // it was enabled before
  EXPECT_NE(second_disable, FALSE); // it was disabled before
  EXPECT_EQ(focus_on_disabled, nullptr);
  EXPECT_NE(reenable, FALSE);
  EXPECT_TRUE(focus_lost_on_disable);
  EXPECT_EQ(EventNames(), (std::vector<std::string>{"init", "call", "command 2"}));
}

TEST_F(DialogWorld, MessageBoxAnswersAsAUserCan) {
  struct Case {
    UINT style;
    std::vector<int> script;
    int answer;
  };
  const Case cases[] = {
      {MB_OKCANCEL, {}, IDOK},
      {MB_OKCANCEL, {IDCANCEL}, IDCANCEL},
      {MB_OK | MB_ICONERROR, {IDCANCEL}, IDOK},  // Esc on an OK box gives IDOK
      {MB_OK, {0}, 0},                           // the box could not be shown
  };
  for (const Case &c : cases) {
    SimReset();
    SimScriptMessageBoxAnswers(c.script);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", c.style), c.answer) << c.style;
    ASSERT_EQ(SimMessageBoxLog().size(), 1u);
    EXPECT_EQ(SimMessageBoxLog()[0].answer, c.answer);
  }
  // Answers are taken in order, one per box, then IDOK again.
  SimReset();
  SimScriptMessageBoxAnswers({IDCANCEL, IDOK});
  EXPECT_EQ(MessageBoxA(nullptr, "1", "c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "2", "c", MB_OKCANCEL), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "3", "c", MB_OKCANCEL), IDOK);
}

TEST_F(DialogWorld, BoxOwnedByAClosedWindowIsNotShown) {
  SimScriptDialog({SimPress(IDCANCEL)});
  RunMini();
  SimScriptMessageBoxAnswers({IDCANCEL});
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(mini.window, "late", "Mini", MB_OK), 0);
  std::string warning = testing::internal::GetCapturedStderr();
  EXPECT_NE(warning.find("late"), std::string::npos);
  EXPECT_TRUE(SimMessageBoxLog().empty());
  // The script entry is still there for the next box that is shown.
  EXPECT_EQ(MessageBoxA(nullptr, "shown", "Mini", MB_OKCANCEL), IDCANCEL);
}

TEST_F(DialogWorld, EchoPrintsBoxesInUtf8OnlyWhenOn) {
  for (int on : {1, 0}) {
    SimReset();
    SimSetMessageBoxEcho(on);
    testing::internal::CaptureStderr();
    MessageBoxA(nullptr, "中止\rした", "更新", MB_OK);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, on ? SimToUtf8("更新") + ": " + SimToUtf8("中止") + "\n" +
                                SimToUtf8("した") + "\n"
                          : "");
  }
}

TEST_F(DialogWorld, FindWindowMatchesClassCaselessAndTitleExactly) {
  HWND game = SimCreateWindow("GameClass", "ゲーム");
  HWND other = SimCreateWindow(MAKEINTATOM(0x8002), "UPDATE");
  struct Case {
    const char *class_name;
    const char *title;
    HWND expected;
  };
  const Case cases[] = {
      {"GameClass", "ゲーム", game},
      {"gameCLASS", "ゲーム", game},
      {"GameClass", nullptr, game},
      {nullptr, "ゲーム", game},
      {"GameClass", "ゲー", nullptr},
      {"Game", "ゲーム", nullptr},
      {MAKEINTATOM(0x8002), "UPDATE", other},
      {"#32770", "UPDATE", other},  // the atom's name
      {MAKEINTATOM(0x8002), "update", nullptr},
      {nullptr, nullptr, other},    // topmost: the one created last
  };
  for (const Case &c : cases)
    EXPECT_EQ(FindWindowA(c.class_name, c.title), c.expected)
        << (c.title ? c.title : "(any)");

  int calls = 0;
  SimOnFindWindow([&](const char *, const char *) {
    if (++calls == 2) SimDestroyWindow(game);
  });
  EXPECT_EQ(FindWindowA("GameClass", nullptr), game);
  EXPECT_EQ(FindWindowA("GameClass", nullptr), nullptr);

  ShowWindow(other, SW_SHOW);
  SetForegroundWindow(other);
  EXPECT_EQ(SimWindowLog(), (std::vector<std::string>{"ShowWindow UPDATE 5",
                                                      "SetForegroundWindow UPDATE"}));
}

TEST_F(DialogWorld, SetCursorLeftToDefaultShowsArrowWithoutACall) {
  SimScriptDialog({SimCursorCheck(), SimPress(IDCANCEL)});
  RunMini();
  EXPECT_EQ(SimDialogLog()[1].answer, FALSE);
  EXPECT_EQ(SimDialogLog()[1].state.cursor, "arrow");
  EXPECT_TRUE(SimCursorLog().empty());
  EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)), nullptr);
}

}  // namespace
