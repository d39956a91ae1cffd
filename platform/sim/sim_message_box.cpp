/* MessageBoxA of the Linux test world: a logged, scripted modal box.
 *
 * While a box is open it is a top-level window of the standard dialog class
 * with its caption as title, its owner is disabled (as a modal box disables
 * it), and the actions scripted for it reach the wizard as the box's own
 * message loop would deliver them.  Then it is answered from the script.
 *
 * Answers as a user can give them: a box with only OK answers IDOK whatever
 * the script says (Esc and the close button also give IDOK there); a
 * scripted 0 plays a box that could not be shown (MessageBoxA returns 0).
 * A box whose owner window no longer exists is not shown at all, as on
 * Windows: it returns 0, is not logged, and a warning goes to stderr so the
 * missing box is easy to explain. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_ui_internal.h"
#include "platform/sim/win_api.h"

#include <cstdio>
#include <deque>

namespace {

struct MessageBoxState {
  std::vector<SimMessageBox> log;
  std::deque<int> answers;
  bool echo = true; /* tools print their boxes; SimReset turns this off */
};

MessageBoxState &State() {
  static MessageBoxState state;
  return state;
}

std::string ForTerminal(const std::string &cp932) {
  std::string text = SimToUtf8(cp932);
  for (char &c : text)
    if (c == '\r') c = '\n';
  return text;
}

int AnswerFor(UINT style) {
  MessageBoxState &state = State();
  int answer = IDOK;
  if (!state.answers.empty()) {
    answer = state.answers.front();
    state.answers.pop_front();
  }
  if (answer != 0 && (style & 0xFu) == MB_OK) answer = IDOK;
  return answer;
}

}  // namespace

std::vector<SimMessageBox> &SimMessageBoxLog(void) { return State().log; }

void SimScriptMessageBoxAnswers(const std::vector<int> &answers) {
  State().answers.assign(answers.begin(), answers.end());
}

void SimSetMessageBoxEcho(int on) { State().echo = on != 0; }

void SimResetMessageBoxes(void) {
  MessageBoxState &state = State();
  state.log.clear();
  state.answers.clear();
  state.echo = false;
}

extern "C" int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption,
                           UINT style) {
  std::string box_text = text ? text : "";
  std::string box_caption = caption ? caption : "Error";
  SimWindowRecord *owner_record = SimUiWindow(owner);
  if (owner && !owner_record) {
    fprintf(stderr, "MessageBoxA not shown, its owner window is gone: %s: %s\n",
            ForTerminal(box_caption).c_str(), ForTerminal(box_text).c_str());
    SetLastError(SIM_ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }

  MessageBoxState &state = State();
  size_t nth = state.log.size();
  state.log.push_back({owner, box_caption, box_text, style, 0});
  if (state.echo)
    fprintf(stderr, "%s: %s\n", ForTerminal(box_caption).c_str(),
            ForTerminal(box_text).c_str());

  bool owner_was_enabled = owner_record && owner_record->enabled;
  if (owner_was_enabled) owner_record->enabled = false;
  HWND box = SimUiCreateWindow({SimRoleMessageBox,
                                SimClassName(MAKEINTATOM(SIM_DIALOG_ATOM)),
                                box_caption, true, true, nullptr, 0,
                                SIM_WS_VISIBLE});
  SimDialogDeliverDuringMessageBox((int)nth);
  SimUiDestroyWindow(box);
  /* The owner may have been destroyed while the box was open. */
  if (owner_was_enabled && (owner_record = SimUiWindow(owner)))
    owner_record->enabled = true;

  int answer = AnswerFor(style);
  state.log[nth].answer = answer;
  return answer;
}
