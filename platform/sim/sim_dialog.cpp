/* DialogBoxParamA of the Linux test world: the wizard, template 101, built
 * from the control table that the resource script is made from, and driven
 * by a script of actions in place of a user.
 *
 * As on Windows: WM_INITDIALOG gets the first tab-stop control as the
 * proposed focus and the focus is set there only when the procedure
 * answers nonzero; EndDialog only marks the end and the result, and the
 * dialog ends once the message being handled has returned, so the rest of
 * that handler still runs.  A WM_SETCURSOR the procedure leaves to the
 * default handling shows the class cursor, the arrow.
 *
 * The world has one wizard: a second DialogBoxParamA while one is open
 * fails, as does any template other than 101. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_ui_internal.h"
#include "platform/sim/win_api.h"
#include "res/wizard_template.h"

#include <deque>
#include <map>

namespace {

constexpr UINT kHitClient = 1;
constexpr UINT kMouseMove = 0x0200;

struct DialogState {
  HWND wizard = nullptr;
  DLGPROC proc = nullptr;
  bool end_called = false;
  INT_PTR result = 0;
  std::deque<SimAction> script;
  std::map<int, std::vector<SimAction>> during_box;
  std::map<int, std::vector<SimAction>> during_shell;
  std::vector<SimDialogEvent> log;
  SimDialogSnapshot last;
  bool exhausted = false;
  int open_count = 0;
  bool fail_next = false;
};

DialogState &State() {
  static DialogState state;
  return state;
}

SimDialogSnapshot Snapshot() {
  DialogState &state = State();
  SimDialogSnapshot snapshot;
  SimWindowRecord *dialog = SimUiWindow(state.wizard);
  if (!dialog) return state.last;
  snapshot.caption = dialog->text;
  for (const WizardControlSpec &spec : WizardControls) {
    HWND child = SimUiChild(state.wizard, spec.id);
    SimWindowRecord *control = SimUiWindow(child);
    if (control)
      snapshot.controls[spec.id] = {control->text, control->enabled,
                                    SimUiFocus() == child};
  }
  snapshot.cursor = SimUiCursorName();
  return snapshot;
}

void Record(const std::string &after, INT_PTR answer) {
  State().log.push_back({after, answer, Snapshot()});
}

std::string Describe(const SimAction &action) {
  switch (action.kind) {
    case SimAction::Command:
      return "command " + std::to_string((unsigned long long)action.wparam);
    case SimAction::SetCursor:
      return "setcursor";
    case SimAction::Call:
      return "call";
  }
  return "?";
}

void Deliver(const SimAction &action, const std::string &context) {
  std::string after =
      context.empty() ? Describe(action) : context + ": " + Describe(action);
  HWND wizard = State().wizard;
  DLGPROC proc = State().proc;
  INT_PTR answer = 0;
  switch (action.kind) {
    case SimAction::Command:
      if (!wizard) return;
      answer = proc(wizard, WM_COMMAND, action.wparam, 0);
      break;
    case SimAction::SetCursor:
      if (!wizard) return;
      answer = proc(wizard, WM_SETCURSOR, (WPARAM)wizard,
                    (LPARAM)(kHitClient | (kMouseMove << 16)));
      if (!answer) SimUiDefaultCursor();
      break;
    case SimAction::Call:
      if (action.fn) action.fn();
      if (!State().wizard) return;
      break;
  }
  Record(after, answer);
}

void DeliverScripted(std::map<int, std::vector<SimAction>> &scripts, int nth,
                     const char *what) {
  auto found = scripts.find(nth);
  if (found == scripts.end()) return;
  std::vector<SimAction> actions = std::move(found->second);
  scripts.erase(found);
  SimDialogDeliver(actions, std::string(what) + " " + std::to_string(nth));
}

HWND BuildWizard(HWND owner) {
  SimWindowRecord dialog{SimRoleWizard,
                         SimClassName(MAKEINTATOM(SIM_DIALOG_ATOM)),
                         WIZARD_TITLE,
                         (WIZARD_STYLE & SIM_WS_VISIBLE) != 0,
                         (WIZARD_STYLE & SIM_WS_DISABLED) == 0,
                         owner,
                         0,
                         WIZARD_STYLE};
  HWND wizard = SimUiCreateWindow(dialog);
  for (const WizardControlSpec &spec : WizardControls) {
    SimWindowRecord control{SimRoleControl,
                            spec.class_name,
                            spec.text,
                            (spec.style & SIM_WS_VISIBLE) != 0,
                            (spec.style & SIM_WS_DISABLED) == 0,
                            wizard,
                            spec.id,
                            spec.style};
    SimUiCreateWindow(control);
  }
  return wizard;
}

HWND FirstTabStop(HWND wizard) {
  for (const WizardControlSpec &spec : WizardControls)
    if (spec.style & SIM_WS_TABSTOP) return SimUiChild(wizard, spec.id);
  return nullptr;
}

}  // namespace

/* ---- Controls of the test world ---------------------------------------- */

void SimScriptDialog(const std::vector<SimAction> &actions) {
  State().script.assign(actions.begin(), actions.end());
}

void SimScriptDuringMessageBox(int nth, const std::vector<SimAction> &actions) {
  State().during_box[nth] = actions;
}

void SimScriptDuringShellCopy(int nth, const std::vector<SimAction> &actions) {
  State().during_shell[nth] = actions;
}

std::vector<SimDialogEvent> &SimDialogLog(void) { return State().log; }
SimDialogSnapshot SimDialogNow(void) { return Snapshot(); }
bool SimDialogScriptExhausted(void) { return State().exhausted; }
int SimDialogOpenCount(void) { return State().open_count; }
void SimFailDialogCreation(void) { State().fail_next = true; }

HWND SimDialogOpenWizard(void) { return State().wizard; }

void SimDialogDeliver(const std::vector<SimAction> &actions,
                      const std::string &context) {
  for (const SimAction &action : actions) Deliver(action, context);
}

void SimDialogDeliverDuringMessageBox(int nth) {
  DeliverScripted(State().during_box, nth, "box");
}

void SimDialogDeliverDuringShellCopy(int nth) {
  DeliverScripted(State().during_shell, nth, "shell");
}

void SimResetDialog(void) { State() = DialogState(); }

/* ---- Win32 calls --------------------------------------------------------- */

extern "C" {

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR tmpl, HWND owner,
                        DLGPROC proc, LPARAM param) {
  DialogState &state = State();
  state.open_count++;
  if (state.fail_next) {
    state.fail_next = false;
    return -1;
  }
  if (!IS_INTRESOURCE(tmpl) || (uintptr_t)tmpl != WIZARD_TEMPLATE_ID) {
    SetLastError(SIM_ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  if ((owner && !SimUiWindow(owner)) || !proc) {
    SetLastError(SIM_ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  if (state.wizard) return -1;

  HWND wizard = BuildWizard(owner);
  state.wizard = wizard;
  state.proc = proc;
  state.end_called = false;
  state.result = 0;

  HWND proposed_focus = FirstTabStop(wizard);
  INT_PTR answer = proc(wizard, WM_INITDIALOG, (WPARAM)proposed_focus, param);
  if (answer && proposed_focus) SetFocus(proposed_focus);
  Record("init", answer);

  while (!state.end_called) {
    if (state.script.empty()) {
      state.exhausted = true;
      break;
    }
    SimAction action = std::move(state.script.front());
    state.script.pop_front();
    Deliver(action, std::string());
  }

  INT_PTR result = state.end_called ? state.result : -1;
  state.last = Snapshot();
  SimUiDestroyWindow(wizard);
  state.wizard = nullptr;
  state.proc = nullptr;
  return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  DialogState &state = State();
  if (!dialog || dialog != state.wizard) {
    SetLastError(SIM_ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  state.end_called = true;
  state.result = result;
  return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DialogState &state = State();
  if (window && window == state.wizard && state.proc)
    return state.proc(window, message, wparam, lparam);
  return 0;
}

}  // extern "C"
