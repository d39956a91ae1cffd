/* Declarations of the Win32 calls that the Linux stand-in provides.
 *
 * Each call behaves as the product code expects of the real one; where the
 * real call has more options than the product uses, the stand-in accepts
 * only what is used and fails on the rest.  Paths are Windows paths: a
 * drive letter and a colon, backslash (or slash) separators, names matched
 * without regard to ASCII letter case.  The drive table of the test world
 * maps each drive letter to a host folder (sim_control.h). */
#ifndef PLATFORM_SIM_WIN_API_H
#define PLATFORM_SIM_WIN_API_H

#include "platform/sim/win_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Files (sim_files.cpp) */
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share,
                   LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE template_file);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written,
               LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high,
                     DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD size_high);
BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access,
                 LPFILETIME write);
BOOL SetFileTime(HANDLE file, const FILETIME *creation,
                 const FILETIME *access, const FILETIME *write);
BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE object);
DWORD GetFileAttributesA(LPCSTR name);
BOOL SetFileAttributesA(LPCSTR name, DWORD attributes);
BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryA(LPCSTR name);
BOOL DeleteFileA(LPCSTR name);
BOOL MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags);
DWORD GetTempPathA(DWORD size, LPSTR buffer);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
DWORD GetLastError(void);
void SetLastError(DWORD error);
DWORD GetCurrentProcessId(void);
DWORD GetTickCount(void);

/* Drives and modules (sim_drives.cpp) */
UINT GetDriveTypeA(LPCSTR root);
BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectors_per_cluster,
                       LPDWORD bytes_per_sector, LPDWORD free_clusters,
                       LPDWORD total_clusters);
BOOL GetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER available,
                         PULARGE_INTEGER total, PULARGE_INTEGER total_free);
HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

/* Resources (sim_resources.cpp) */
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
DWORD SizeofResource(HMODULE module, HRSRC resource);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);

/* Memory (sim_memory.cpp) */
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalFree(HGLOBAL block);

/* Text in the ANSI code page, which is 932 (Shift-JIS) (sim_text.cpp) */
int lstrlenA(LPCSTR s);
LPSTR lstrcpyA(LPSTR dst, LPCSTR src);
LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int size);
LPSTR lstrcatA(LPSTR dst, LPCSTR src);
int lstrcmpA(LPCSTR a, LPCSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);
BOOL IsDBCSLeadByte(BYTE c);
LPSTR CharNextA(LPCSTR s);
int wsprintfA(LPSTR out, LPCSTR format, ...);
int wvsprintfA(LPSTR out, LPCSTR format, va_list args);

/* Profile strings (sim_profile.cpp) */
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback,
                               LPSTR out, DWORD size, LPCSTR file);

/* Registry (sim_registry.cpp) */
LONG RegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD options, REGSAM access,
                   PHKEY result);
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD size);
LONG RegCloseKey(HKEY key);

/* Windows, dialogs and message boxes (sim_ui.cpp) */
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR tmpl, HWND owner,
                        DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextA(HWND window, LPSTR text, int size);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size);
HWND GetDlgItem(HWND dialog, int id);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);
HWND SetFocus(HWND window);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HCURSOR SetCursor(HCURSOR cursor);
HWND FindWindowA(LPCSTR class_name, LPCSTR title);
BOOL ShowWindow(HWND window, int command);
BOOL SetForegroundWindow(HWND window);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

/* Shell and COM (sim_shell.cpp) */
int SHFileOperationA(LPSHFILEOPSTRUCTA operation);
HRESULT CoInitialize(LPVOID reserved);

#ifdef __cplusplus
}
#endif

#endif
