/* Controls of the Linux test world for the updater's user interface, its
 * registry record and the shell copy.  Tests drive WinMain end to end with
 * these; the product code never includes this header.
 *
 * Model: one thread, as in the product.  DialogBoxParamA builds the wizard
 * from the description of template 101 (the same identifiers and texts as
 * the resource script), sends WM_INITDIALOG, then feeds the scripted
 * actions one by one until EndDialog has been called; a script that runs
 * out first makes DialogBoxParamA fail the test run (it returns -1 and
 * SimDialogScriptExhausted() reports it).  Message boxes and the shell's
 * copy run "modal loops": while one is open, the actions scripted for it
 * are delivered to the dialog procedure, as the real modal loops would
 * dispatch them. */
#ifndef PLATFORM_SIM_SIM_WORLD_H
#define PLATFORM_SIM_SIM_WORLD_H

#include "platform/sim/win_types.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

/* ---- Registry (sim_registry.cpp) ---------------------------------------
 * Keys are paths below a root ("Software\\Company\\Game"), matched without
 * regard to case.  A string value is stored as the bytes given (add the
 * NUL yourself if the test wants one stored, as RegSetValueEx callers do:
 * SimRegSetString adds it; SimRegSetRaw stores exactly the bytes). */
void SimRegSetString(HKEY root, const char *subkey, const char *name,
                     const std::string &value);
void SimRegSetDword(HKEY root, const char *subkey, const char *name,
                    DWORD value);
void SimRegSetRaw(HKEY root, const char *subkey, const char *name,
                  DWORD type, const std::string &bytes);
void SimRegDeleteValue(HKEY root, const char *subkey, const char *name);
int SimRegOpenKeyCount(void); /* keys opened and not yet closed */

/* ---- Windows (sim_ui.cpp) ----------------------------------------------
 * Top-level windows of other programs.  class_name may be a name or
 * MAKEINTATOM(0x8002), the standard dialog class.  FindWindowA sees these,
 * the open wizard and every open message box. */
HWND SimCreateWindow(const char *class_name, const char *title);
void SimDestroyWindow(HWND window);
/* Calls to ShowWindow and SetForegroundWindow, as "ShowWindow TITLE 5" and
 * "SetForegroundWindow TITLE" (title bytes as they are). */
std::vector<std::string> &SimWindowLog(void);
/* Called each time FindWindowA runs, with its arguments; lets a test make
 * the game's window disappear after the nth prompt, and so on. */
void SimOnFindWindow(std::function<void(const char *class_name,
                                        const char *title)> hook);

/* ---- The wizard (sim_ui.cpp) ------------------------------------------- */
struct SimControlState {
  std::string text;
  bool enabled;
  bool focused;
};
/* The dialog as the user would see it at one moment. */
struct SimDialogSnapshot {
  std::string caption;
  std::map<int, SimControlState> controls; /* by control identifier */
  std::string cursor; /* "wait", "arrow" or "" (none set yet) */
};

struct SimAction {
  enum Kind {
    Command,   /* WM_COMMAND with wparam (1 Next, 2 Abort/Esc/close, 4 Back) */
    SetCursor, /* WM_SETCURSOR; the answer is recorded */
    Call       /* runs fn (for example to change the world mid-run) */
  } kind;
  WPARAM wparam;
  std::function<void()> fn;
};
inline SimAction SimPress(int id) { return {SimAction::Command, (WPARAM)id, {}}; }
inline SimAction SimCommand(WPARAM wparam) { return {SimAction::Command, wparam, {}}; }
inline SimAction SimCursorCheck() { return {SimAction::SetCursor, 0, {}}; }
inline SimAction SimDo(std::function<void()> fn) { return {SimAction::Call, 0, std::move(fn)}; }

/* The actions fed to the wizard after WM_INITDIALOG, in order. */
void SimScriptDialog(const std::vector<SimAction> &actions);
/* Actions delivered to the wizard while the nth message box (0-based,
 * counted from SimReset) is open, before it is answered. */
void SimScriptDuringMessageBox(int nth, const std::vector<SimAction> &actions);
/* Actions delivered to the wizard while the nth shell copy runs. */
void SimScriptDuringShellCopy(int nth, const std::vector<SimAction> &actions);

/* A snapshot after WM_INITDIALOG and after every delivered action, in
 * order; each says which action it follows. */
struct SimDialogEvent {
  std::string after; /* "init", "command 1", "setcursor", "call", ... */
  INT_PTR answer;    /* what the dialog procedure returned */
  SimDialogSnapshot state;
};
std::vector<SimDialogEvent> &SimDialogLog(void);
/* The current state of the open (or last) wizard. */
SimDialogSnapshot SimDialogNow(void);
bool SimDialogScriptExhausted(void);
int SimDialogOpenCount(void); /* DialogBoxParamA calls since reset */
/* Make the next DialogBoxParamA fail to create the dialog (returns -1). */
void SimFailDialogCreation(void);
/* Cursor requests in order: "wait" or "arrow" for LoadCursorA+SetCursor. */
std::vector<std::string> &SimCursorLog(void);

/* ---- Shell copy and COM (sim_shell.cpp) --------------------------------
 * SHFileOperationA with FO_COPY really copies (recursively for folders)
 * between the mapped drives, creating missing folders, replacing files.
 * Its arguments are recorded, each list with everything up to and
 * including its terminating double NUL. */
struct SimShellCall {
  HWND owner;
  UINT func;
  std::string from; /* raw, up to and including the two NULs */
  std::string to;
  WORD flags;
  int result;
  BOOL aborted;
};
std::vector<SimShellCall> &SimShellLog(void);
/* Make the nth shell copy (0-based) return code without copying, or
 * report that the user aborted it (fAnyOperationsAborted, nonzero). */
void SimShellFail(int nth, int code);
void SimShellAbort(int nth);
int SimCoInitializeCalls(void);

#endif
