// Plays the running game for the end-to-end scenarios: one visible top-level
// window of the class and title given on the command line (UTF-8), until it
// is closed (WM_CLOSE) or the process is ended.  The arguments are taken
// from the wide command line, so the title survives any ANSI code page.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

LRESULT CALLBACK GameWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 3) return 2;
  std::wstring window_class = argv[1], title = argv[2];
  WNDCLASSW wc = {};
  wc.lpfnWndProc = GameWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = window_class.c_str();
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  if (!RegisterClassW(&wc)) return 3;
  HWND hwnd = CreateWindowW(window_class.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                            nullptr, nullptr, wc.hInstance, nullptr);
  if (!hwnd) return 4;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
