/* The window table of the Linux test world: top-level windows of other
 * programs, the open message boxes, the wizard and its controls; window
 * texts, enabled state, focus, the window search, raising windows, and
 * cursors.
 *
 * Behaviour modelled on what the updater relies on:
 * - FindWindowA finds hidden windows too and looks at top-level windows
 *   only, topmost first (the most recently created is on top).
 * - Disabling the focused window takes the focus away, and a disabled
 *   window cannot take the focus (SetFocus fails and returns null), so the
 *   order "enable, then focus" matters here as it does on Windows. */
#include "platform/sim/sim_ui_internal.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_reset.h"
#include "platform/sim/win_api.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace {

/* First handle number; far from the small numbers a zeroed or garbage
 * handle tends to hold.  Steps of 4, like real handles. */
constexpr uintptr_t kFirstWindowHandle = 0x10010;

struct WindowTable {
  std::map<uintptr_t, SimWindowRecord> windows; /* by handle, creation order */
  uintptr_t next = kFirstWindowHandle;
  HWND focus = nullptr;
  std::string cursor; /* "wait", "arrow" or "" */
  std::vector<std::string> cursor_log;
  std::vector<std::string> window_log;
  std::function<void(const char *, const char *)> find_hook;
};

WindowTable &Table() {
  static WindowTable table;
  return table;
}

/* Cursor handles of the two system cursors the stand-in has. */
HCURSOR const kArrowCursor = (HCURSOR)(uintptr_t)0x20011;
HCURSOR const kWaitCursor = (HCURSOR)(uintptr_t)0x20013;
HCURSOR CurrentCursorHandle() {
  if (Table().cursor == "wait") return kWaitCursor;
  if (Table().cursor == "arrow") return kArrowCursor;
  return nullptr;
}

bool SameAsciiCaseless(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
    if (x >= 'A' && x <= 'Z') x = (unsigned char)(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = (unsigned char)(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string TitleForLog(HWND window) {
  SimWindowRecord *record = SimUiWindow(window);
  return record ? record->text : std::string("(no window)");
}

/* The record of a window the call may act on; a dead handle fails the call
 * with the error Windows gives. */
SimWindowRecord *LiveWindow(HWND window) {
  SimWindowRecord *record = SimUiWindow(window);
  if (!record) SetLastError(SIM_ERROR_INVALID_WINDOW_HANDLE);
  return record;
}

int CopyText(const std::string &text, LPSTR out, int size) {
  if (!out || size <= 0) return 0;
  size_t n = text.size();
  if (n > (size_t)size - 1) n = (size_t)size - 1;
  memcpy(out, text.data(), n);
  out[n] = '\0';
  return (int)n;
}

}  // namespace

std::string SimClassName(const char *class_name_or_atom) {
  if (!class_name_or_atom) return std::string();
  if (IS_INTRESOURCE(class_name_or_atom)) {
    char name[16];
    snprintf(name, sizeof name, "#%u",
             (unsigned)(uintptr_t)class_name_or_atom);
    return name;
  }
  return class_name_or_atom;
}

HWND SimUiCreateWindow(const SimWindowRecord &record) {
  WindowTable &table = Table();
  uintptr_t handle = table.next;
  table.next += 4;
  table.windows[handle] = record;
  return (HWND)handle;
}

void SimUiDestroyWindow(HWND window) {
  WindowTable &table = Table();
  std::vector<HWND> children;
  for (auto &entry : table.windows)
    if (entry.second.parent == window) children.push_back((HWND)entry.first);
  for (HWND child : children) SimUiDestroyWindow(child);
  if (table.focus == window) table.focus = nullptr;
  table.windows.erase((uintptr_t)window);
}

SimWindowRecord *SimUiWindow(HWND window) {
  auto found = Table().windows.find((uintptr_t)window);
  return found == Table().windows.end() ? nullptr : &found->second;
}

HWND SimUiChild(HWND dialog, int id) {
  if (!dialog) return nullptr;
  for (auto &entry : Table().windows)
    if (entry.second.role == SimRoleControl && entry.second.parent == dialog &&
        entry.second.control_id == id)
      return (HWND)entry.first;
  return nullptr;
}

HWND SimUiFocus(void) { return Table().focus; }
std::string SimUiCursorName(void) { return Table().cursor; }
void SimUiDefaultCursor(void) { Table().cursor = "arrow"; }

void SimResetWindows(void) {
  WindowTable &table = Table();
  table.windows.clear();
  table.focus = nullptr;
  table.cursor.clear();
  table.cursor_log.clear();
  table.window_log.clear();
  table.find_hook = nullptr;
  /* table.next keeps counting: handles from before the reset stay dead. */
}

void SimResetUi(void) {
  SimResetDialog();
  SimResetMessageBoxes();
  SimResetWindows();
}

/* ---- Controls of the test world ---------------------------------------- */

HWND SimCreateWindow(const char *class_name, const char *title) {
  SimWindowRecord record{SimRoleOther, SimClassName(class_name),
                         title ? title : "", true, true, nullptr, 0, 0};
  return SimUiCreateWindow(record);
}

void SimDestroyWindow(HWND window) {
  SimWindowRecord *record = SimUiWindow(window);
  if (record && record->role == SimRoleOther) SimUiDestroyWindow(window);
}

std::vector<std::string> &SimWindowLog(void) { return Table().window_log; }

void SimOnFindWindow(
    std::function<void(const char *class_name, const char *title)> hook) {
  Table().find_hook = std::move(hook);
}

std::vector<std::string> &SimCursorLog(void) { return Table().cursor_log; }

/* ---- Win32 calls --------------------------------------------------------- */

extern "C" {

HWND FindWindowA(LPCSTR class_name, LPCSTR title) {
  if (Table().find_hook) {
    auto hook = Table().find_hook; /* the hook may replace itself */
    hook(class_name, title);
  }
  std::string wanted_class = SimClassName(class_name);
  auto &windows = Table().windows;
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    const SimWindowRecord &record = it->second;
    if (record.role == SimRoleControl) continue;
    if (class_name && !SameAsciiCaseless(record.class_name, wanted_class))
      continue;
    if (title && record.text != title) continue;
    return (HWND)it->first;
  }
  return nullptr;
}

BOOL ShowWindow(HWND window, int command) {
  Table().window_log.push_back("ShowWindow " + TitleForLog(window) + " " +
                               std::to_string(command));
  SimWindowRecord *record = LiveWindow(window);
  if (!record) return FALSE;
  BOOL was_visible = record->visible ? TRUE : FALSE;
  record->visible = command != SW_HIDE;
  return was_visible;
}

BOOL SetForegroundWindow(HWND window) {
  Table().window_log.push_back("SetForegroundWindow " + TitleForLog(window));
  return SimUiWindow(window) ? TRUE : FALSE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  SimWindowRecord *record = LiveWindow(window);
  if (!record) return FALSE;
  record->text = text ? text : "";
  return TRUE;
}

int GetWindowTextA(HWND window, LPSTR text, int size) {
  SimWindowRecord *record = LiveWindow(window);
  if (!record) {
    CopyText(std::string(), text, size);
    return 0;
  }
  return CopyText(record->text, text, size);
}

HWND GetDlgItem(HWND dialog, int id) {
  HWND child = SimUiChild(dialog, id);
  if (!child)
    SetLastError(SimUiWindow(dialog) ? SIM_ERROR_CONTROL_ID_NOT_FOUND
                                     : SIM_ERROR_INVALID_WINDOW_HANDLE);
  return child;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND child = GetDlgItem(dialog, id);
  return child ? SetWindowTextA(child, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
  HWND child = GetDlgItem(dialog, id);
  if (!child) {
    CopyText(std::string(), text, size);
    return 0;
  }
  return (UINT)GetWindowTextA(child, text, size);
}

BOOL EnableWindow(HWND window, BOOL enable) {
  SimWindowRecord *record = LiveWindow(window);
  if (!record) return FALSE;
  BOOL was_disabled = record->enabled ? FALSE : TRUE;
  record->enabled = enable != FALSE;
  if (!enable && Table().focus == window) Table().focus = nullptr;
  return was_disabled;
}

BOOL IsWindowEnabled(HWND window) {
  SimWindowRecord *record = SimUiWindow(window);
  return record && record->enabled ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
  HWND previous = Table().focus;
  if (!window) {
    Table().focus = nullptr;
    return previous;
  }
  SimWindowRecord *record = LiveWindow(window);
  if (!record) {
    return nullptr;
  }
  if (!record->enabled) return nullptr;
  SimWindowRecord *parent = SimUiWindow(record->parent);
  if (parent && !parent->enabled) return nullptr;
  Table().focus = window;
  return previous;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  /* Only the two system cursors; the program has no cursor resources. */
  if (instance) return nullptr;
  if (name == IDC_WAIT) return kWaitCursor;
  if (name == IDC_ARROW) return kArrowCursor;
  return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = CurrentCursorHandle();
  std::string name = cursor == kWaitCursor    ? "wait"
                     : cursor == kArrowCursor ? "arrow"
                     : cursor == nullptr      ? ""
                                              : "unknown";
  Table().cursor = name;
  Table().cursor_log.push_back(name.empty() ? "none" : name);
  return previous;
}

}  // extern "C"
