// The end-to-end driver: a console program that runs inside the same Wine
// session as the updater and plays the user.  It reads a script of commands
// (one a line, UTF-8), starts programs, waits for the wizard and for message
// boxes, reads their texts and buttons, presses buttons and answers boxes,
// and prints a transcript, one event a line in UTF-8, that the scenario
// compares with its expected transcript.
//
// Determinism: a wizard button press is delivered with SendMessage from a
// helper thread, so it returns exactly when the updater's handler has
// finished.  A page is read only after that, never while the handler runs;
// a message box that opens inside the handler (the handler is then in the
// box's modal loop) is seen while the press is still pending.  Every wait has
// a timeout; on a timeout the driver prints what is open and exits with 2.
//
// Commands (texts are matched and printed exactly as the windows hold them):
//   start NAME PROGRAM [ARG...]   start a process (Windows path)
//   caption TEXT | "TEXT"         the wizard's caption to look for
//   page                          wait for the wizard to be idle, print it
//   press ID|LABEL                press an enabled wizard button
//   command ID                    post WM_COMMAND ID to the wizard as is
//   box                           wait for a message box, print it
//   answer OK|Cancel|ID           press a box button, wait for it to close
//   exit NAME                     wait for the process to end, print its code
//   window CLASS TITLE            wait for a top-level window to exist
//   close CLASS TITLE             post WM_CLOSE to a top-level window
//   foreground                    print which window is in the foreground
//   windows                       print every open dialog window
//   temp-mark / temp-new          remember / count new files in %TEMP%
//   temp-guard                    try to read, rewrite, replace, rename and
//                                 delete every new file in %TEMP%
//   shot FILE.bmp                 save a picture of the wizard
//   move FROM TO, delete PATH     change files while the updater waits
//                                 (insert a disk, free some space)
//   lock PATH                     hold a file open, shared with nobody,
//                                 until the driver ends
//   sleep MS, timeout SECONDS
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int kInfoControl = 1001;
const int kBoxTextControl = 0xFFFF;
const int kBoxIconControl = 0x0440;
const int kWizardButtons[] = {1, 2, 4};
const LPCWSTR kDialogClass = MAKEINTATOM(0x8002);

DWORD g_timeout_ms = 30000;
std::wstring g_caption;
std::map<std::wstring, HANDLE> g_processes;
std::set<std::wstring> g_temp_mark;
std::string g_last_page;
HANDLE g_pending_press = nullptr;
HWND g_pending_box = nullptr;

std::string Utf8(const std::wstring &w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
  return s;
}

std::wstring Wide(const std::string &s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), (int)s.size(), &w[0], n);
  return w;
}

// Raw bytes to the Unix side: no text-mode line-end translation.
void Emit(const std::string &line) {
  std::string out = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), (DWORD)out.size(), &written, nullptr);
}

// Control characters would break the one-event-a-line transcript.
std::string Escape(const std::wstring &w) {
  std::wstring e;
  for (wchar_t c : w) {
    if (c == L'\r') e += L"\\r";
    else if (c == L'\n') e += L"\\n";
    else if (c == L'\t') e += L"\\t";
    else e += c;
  }
  return Utf8(e);
}

// The text through the owning thread (a sent WM_GETTEXT), so that it is the
// control's real text; fails when that thread does not answer in time.
bool ReadText(HWND hwnd, std::wstring *text, UINT wait_ms = 2000) {
  wchar_t buffer[2048];
  DWORD_PTR length = 0;
  buffer[0] = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, (WPARAM)(sizeof buffer / sizeof buffer[0]), (LPARAM)buffer,
                           SMTO_ABORTIFHUNG, wait_ms, &length))
    return false;
  text->assign(buffer, length);
  return true;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256];
  int n = GetClassNameW(hwnd, name, 256);
  return std::wstring(name, n > 0 ? n : 0);
}

bool IsDialogWindow(HWND hwnd) { return IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770"; }
bool IsWizard(HWND hwnd) { return IsDialogWindow(hwnd) && GetDlgItem(hwnd, kInfoControl) != nullptr; }
bool IsBox(HWND hwnd) { return IsDialogWindow(hwnd) && GetDlgItem(hwnd, kBoxTextControl) != nullptr && !IsWizard(hwnd); }

BOOL CALLBACK CollectWindow(HWND h, LPARAM list) {
  reinterpret_cast<std::vector<HWND> *>(list)->push_back(h);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> all;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::wstring CaptionOf(HWND hwnd) {
  wchar_t buffer[1024];
  int n = GetWindowTextW(hwnd, buffer, 1024);
  return std::wstring(buffer, n > 0 ? n : 0);
}

HWND FindWizard() {
  for (HWND h : TopLevelWindows())
    if (IsWizard(h) && CaptionOf(h) == g_caption) return h;
  return nullptr;
}

HWND FindBox() {
  for (HWND h : TopLevelWindows())
    if (IsBox(h) && h != g_pending_box) return h;
  return nullptr;
}

bool PressPending() { return g_pending_press && WaitForSingleObject(g_pending_press, 0) == WAIT_TIMEOUT; }

void ListWindows(const char *prefix) {
  for (HWND h : TopLevelWindows()) {
    if (!IsDialogWindow(h)) continue;
    std::wstring text;
    HWND body = GetDlgItem(h, IsWizard(h) ? kInfoControl : kBoxTextControl);
    if (body) ReadText(body, &text, 500);
    Emit(std::string(prefix) + (IsWizard(h) ? "wizard " : "dialog ") + Escape(CaptionOf(h)) + " | " + Escape(text));
  }
}

[[noreturn]] void Fail(const std::string &why) {
  Emit("FAILED: " + why);
  ListWindows("open: ");
  if (PressPending()) Emit("open: a wizard press is still being handled");
  for (auto &p : g_processes) TerminateProcess(p.second, 99);
  ExitProcess(2);
}

std::string ButtonState(HWND wizard, int id) {
  HWND button = GetDlgItem(wizard, id);
  std::wstring label;
  if (!button || !ReadText(button, &label)) return "?";
  return Escape(label) + (IsWindowEnabled(button) ? ":on" : ":off");
}

std::string FocusName(HWND wizard) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(wizard, nullptr), &info) || !info.hwndFocus) return "none";
  for (int id : kWizardButtons)
    if (info.hwndFocus == GetDlgItem(wizard, id)) {
      std::wstring label;
      ReadText(info.hwndFocus, &label);
      return Escape(label);
    }
  return info.hwndFocus == wizard ? "dialog" : "other";
}

// One line for an idle wizard, or empty when it cannot be read yet.
std::string DescribePage(HWND wizard) {
  std::wstring info;
  if (!ReadText(GetDlgItem(wizard, kInfoControl), &info, 200)) return {};
  std::string line = "page " + Escape(info) + " |";
  for (int id : kWizardButtons) line += " " + ButtonState(wizard, id);
  return line + " | focus " + FocusName(wizard);
}

void WaitPage() {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < g_timeout_ms) {
    if (HWND box = FindBox()) {
      std::wstring text;
      ReadText(GetDlgItem(box, kBoxTextControl), &text, 500);
      Fail("a box opened instead of a page: " + Escape(CaptionOf(box)) + " | " + Escape(text));
    }
    HWND wizard = FindWizard();
    if (wizard && !PressPending()) {
      std::string line = DescribePage(wizard);
      if (!line.empty()) {
        g_last_page = line;
        Emit(line);
        return;
      }
    }
    Sleep(30);
  }
  Fail("no idle wizard page with the caption " + Utf8(g_caption));
}

struct PressArgs {
  HWND target;
  WPARAM wparam;
  LPARAM lparam;
};

DWORD WINAPI SendPress(void *p) {
  PressArgs *args = static_cast<PressArgs *>(p);
  DWORD_PTR result;
  SendMessageTimeoutW(args->target, WM_COMMAND, args->wparam, args->lparam, SMTO_NORMAL, 600000, &result);
  delete args;
  return 0;
}

void SendToWizard(HWND wizard, int id, HWND button) {
  if (g_pending_press) {
    WaitForSingleObject(g_pending_press, g_timeout_ms);
    CloseHandle(g_pending_press);
  }
  g_pending_press = CreateThread(nullptr, 0, SendPress,
                                 new PressArgs{wizard, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button}, 0, nullptr);
}

HWND RequireWizard() {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < g_timeout_ms) {
    if (HWND w = FindWizard()) return w;
    Sleep(30);
  }
  Fail("no wizard with the caption " + Utf8(g_caption));
}

void Press(const std::string &which) {
  HWND wizard = RequireWizard();
  if (PressPending()) Fail("press " + which + " while the last press is still being handled");
  for (int id : kWizardButtons) {
    HWND button = GetDlgItem(wizard, id);
    std::wstring label;
    if (!button || !ReadText(button, &label)) continue;
    if (which == std::to_string(id) || Wide(which) == label) {
      if (!IsWindowEnabled(button)) Fail("press " + which + ": the button is disabled");
      SendToWizard(wizard, id, button);
      return;
    }
  }
  Fail("press " + which + ": no such button");
}

void Box() {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < g_timeout_ms) {
    HWND box = FindBox();
    std::wstring text;
    if (box && ReadText(GetDlgItem(box, kBoxTextControl), &text, 200)) {
      HWND owner = GetWindow(box, GW_OWNER);
      std::string line = "box " + Escape(CaptionOf(box)) + " | " + Escape(text) + " |";
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring label;
        if (ClassOf(child) == L"Button" && IsWindowVisible(child) && ReadText(child, &label))
          line += " [" + Escape(label) + "]";
      }
      HWND icon = GetDlgItem(box, kBoxIconControl);
      DWORD_PTR shown = 0;
      if (icon) SendMessageTimeoutW(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &shown);
      line += shown ? " icon" : " no-icon";
      line += !owner ? " | owner none" : IsWizard(owner) ? " | owner wizard" : " | owner other";
      Emit(line);
      g_pending_box = box;
      return;
    }
    Sleep(30);
  }
  Fail("no message box");
}

void Answer(const std::string &which) {
  HWND box = g_pending_box;
  if (!box || !IsWindow(box)) Fail("answer " + which + " without an open box");
  int id = which == "OK" ? IDOK : which == "Cancel" ? IDCANCEL : atoi(which.c_str());
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(box, id));
  DWORD start = GetTickCount();
  while (IsWindow(box)) {
    if (GetTickCount() - start > g_timeout_ms) Fail("the box did not close on " + which);
    Sleep(20);
  }
  g_pending_box = nullptr;
}

void Start(const std::string &name, const std::string &command_line) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = Wide(command_line);
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    Fail("cannot start " + command_line + " (error " + std::to_string(GetLastError()) + ")");
  CloseHandle(pi.hThread);
  g_processes[Wide(name)] = pi.hProcess;
}

void Exit(const std::string &name) {
  auto it = g_processes.find(Wide(name));
  if (it == g_processes.end()) Fail("exit " + name + ": not started");
  if (WaitForSingleObject(it->second, g_timeout_ms) != WAIT_OBJECT_0) Fail(name + " did not end");
  DWORD code = 0;
  GetExitCodeProcess(it->second, &code);
  CloseHandle(it->second);
  g_processes.erase(it);
  Emit("exit " + name + " " + std::to_string(code));
}

void Foreground() {
  HWND h = GetForegroundWindow();
  if (!h) Emit("foreground none");
  else if (IsWizard(h)) Emit("foreground wizard " + Escape(CaptionOf(h)));
  else Emit("foreground " + Escape(ClassOf(h)) + " " + Escape(CaptionOf(h)));
}

std::wstring TempFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, path);
  return std::wstring(path, n);
}

std::set<std::wstring> TempFiles() {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((TempFolder() + L"*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return names;
}

std::vector<std::wstring> NewTempFiles() {
  std::vector<std::wstring> fresh;
  for (auto &n : TempFiles())
    if (!g_temp_mark.count(n)) fresh.push_back(n);
  return fresh;
}

const char *Outcome(bool done) { return done ? "allowed" : "refused"; }

// What another process can do to the updater's script while it is open.
void TempGuard() {
  std::vector<std::wstring> fresh = NewTempFiles();
  if (fresh.empty()) Fail("temp-guard: no new file in the temporary folder");
  const DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  for (auto &name : fresh) {
    std::wstring path = TempFolder() + name;
    std::string line = "temp guard:";
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, share_all, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string head;
    if (h != INVALID_HANDLE_VALUE) {
      char bytes[7] = {};
      DWORD got = 0;
      ReadFile(h, bytes, 7, &got, nullptr);
      head.assign(bytes, got);
      CloseHandle(h);
    }
    line += std::string(" read ") + Outcome(h != INVALID_HANDLE_VALUE) + (head == "[SETUP]" ? " [SETUP]" : "");
    h = CreateFileW(path.c_str(), GENERIC_WRITE, share_all, nullptr, OPEN_EXISTING, 0, nullptr);
    line += std::string(", rewrite ") + Outcome(h != INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    std::wstring other = TempFolder() + L"e2e-intruder.tmp";
    h = CreateFileW(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(h, "[SETUP]\r\n", 9, &written, nullptr);
    CloseHandle(h);
    line += std::string(", replace ") + Outcome(MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    DeleteFileW(other.c_str());
    std::wstring moved = TempFolder() + L"e2e-moved.tmp";
    bool renamed = MoveFileExW(path.c_str(), moved.c_str(), 0);
    line += std::string(", rename ") + Outcome(renamed);
    if (renamed) MoveFileExW(moved.c_str(), path.c_str(), 0);
    line += std::string(", delete ") + Outcome(DeleteFileW(path.c_str()));
    Emit(line);
  }
}

// A 24-bit picture of the wizard as the screen shows it.
void Shot(const std::string &file) {
  HWND wizard = RequireWizard();
  RECT r;
  GetWindowRect(wizard, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER bi = {};
  bi.biSize = sizeof bi;
  bi.biWidth = w;
  bi.biHeight = h;
  bi.biPlanes = 1;
  bi.biBitCount = 24;
  bi.biCompression = BI_RGB;
  DWORD row = (DWORD)((w * 3 + 3) & ~3);
  std::vector<char> pixels(row * h);
  GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO *>(&bi), DIB_RGB_COLORS);
  BITMAPFILEHEADER bf = {};
  bf.bfType = 0x4D42;
  bf.bfOffBits = sizeof bf + sizeof bi;
  bf.bfSize = bf.bfOffBits + (DWORD)pixels.size();
  FILE *out = _wfopen(Wide(file).c_str(), L"wb");
  if (!out) Fail("shot: cannot write " + file);
  fwrite(&bf, sizeof bf, 1, out);
  fwrite(&bi, sizeof bi, 1, out);
  fwrite(pixels.data(), 1, pixels.size(), out);
  fclose(out);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

void Run(const std::string &line) {
  std::istringstream in(line);
  std::string verb, rest;
  in >> verb;
  std::getline(in >> std::ws, rest);
  std::istringstream args(rest);
  std::string a, b;
  if (verb == "start") {
    args >> a;
    std::getline(args >> std::ws, b);
    Start(a, b);
  } else if (verb == "caption") {
    // Quotes keep a caption's trailing blank visible in the script.
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
    g_caption = Wide(rest);
  } else if (verb == "page") {
    WaitPage();
  } else if (verb == "press") {
    Emit("> press " + rest);
    Press(rest);
  } else if (verb == "command") {
    Emit("> command " + rest);
    HWND wizard = RequireWizard();
    if (PressPending()) Fail("command " + rest + " while the last press is still being handled");
    SendToWizard(wizard, atoi(rest.c_str()), nullptr);
  } else if (verb == "box") {
    Box();
  } else if (verb == "answer") {
    Emit("> answer " + rest);
    Answer(rest);
  } else if (verb == "exit") {
    Exit(rest);
  } else if (verb == "close") {
    args >> a;
    std::getline(args >> std::ws, b);
    HWND h = FindWindowW(Wide(a).c_str(), Wide(b).c_str());
    if (!h) Fail("close: no window " + a + " " + b);
    Emit("> close " + rest);
    PostMessageW(h, WM_CLOSE, 0, 0);
  } else if (verb == "window") {
    args >> a;
    std::getline(args >> std::ws, b);
    DWORD start = GetTickCount();
    while (!FindWindowW(Wide(a).c_str(), Wide(b).c_str()))
      if (GetTickCount() - start > g_timeout_ms) Fail("no window " + rest);
      else Sleep(30);
  } else if (verb == "foreground") {
    Foreground();
  } else if (verb == "windows") {
    ListWindows("");
  } else if (verb == "temp-mark") {
    g_temp_mark = TempFiles();
  } else if (verb == "temp-new") {
    Emit("temp " + std::to_string(NewTempFiles().size()) + " new");
  } else if (verb == "temp-guard") {
    TempGuard();
  } else if (verb == "shot") {
    Shot(rest);
  } else if (verb == "move") {
    args >> a >> b;
    Emit("> move " + rest);
    if (!MoveFileExW(Wide(a).c_str(), Wide(b).c_str(), MOVEFILE_REPLACE_EXISTING)) Fail("move " + rest);
  } else if (verb == "delete") {
    Emit("> delete " + rest);
    if (!DeleteFileW(Wide(rest).c_str())) Fail("delete " + rest);
  } else if (verb == "lock") {
    Emit("> lock " + rest);
    // Held until the process ends.
    if (CreateFileW(Wide(rest).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr) ==
        INVALID_HANDLE_VALUE)
      Fail("lock " + rest);
  } else if (verb == "sleep") {
    Sleep(atoi(rest.c_str()));
  } else if (verb == "timeout") {
    g_timeout_ms = (DWORD)atoi(rest.c_str()) * 1000;
  } else {
    Fail("unknown command: " + line);
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    Emit("usage: driver SCRIPT");
    return 2;
  }
  FILE *f = fopen(argv[1], "rb");
  if (!f) {
    Emit(std::string("driver: cannot read ") + argv[1]);
    return 2;
  }
  std::string script;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) script.append(chunk, n);
  fclose(f);
  std::istringstream lines(script);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos || line[first] == '#') continue;
    Run(line.substr(first));
  }
  if (PressPending()) Fail("the script ended while a press is still being handled");
  for (auto &p : g_processes) {
    TerminateProcess(p.second, 99);
    Emit("FAILED: " + Utf8(p.first) + " still running at the end");
    return 2;
  }
  return 0;
}
