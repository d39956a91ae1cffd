#include "tests/support/test_world.h"

#include <algorithm>

#ifdef _WIN32
#include <stdio.h>
#else
#include <stdlib.h>

#include <filesystem>

#include "platform/sim/sim_control.h"
#endif

/* ---- Helpers over the platform calls -------------------------------------- */

bool WriteFileBytes(const std::string &path, const std::string &bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL) &&
             written == bytes.size());
  return CloseHandle(file) && ok;
}

std::optional<std::string> ReadFileBytes(const std::string &path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &got, NULL)) && got > 0)
    bytes.append(buffer, got);
  CloseHandle(file);
  if (!ok) return std::nullopt;
  return bytes;
}

bool FileTimesOf(const std::string &path, FILETIME times[3]) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = GetFileTime(file, &times[0], &times[1], &times[2]);
  CloseHandle(file);
  return ok;
}

FILETIME FileTimeOf(const std::string &path) {
  FILETIME times[3] = {};
  if (!FileTimesOf(path, times)) return FILETIME{0, 0};
  return times[2];
}

bool SetFileTimeOf(const std::string &path, const FILETIME &time) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = SetFileTime(file, &time, &time, &time);
  return CloseHandle(file) && ok;
}

bool MakeReadOnly(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  attributes &= ~(DWORD)FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
}

bool MakeDir(const std::string &path) { return CreateDirectoryA(path.c_str(), NULL); }

bool Exists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDir(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FILETIME MakeFileTime(ULONGLONG ticks) {
  return FILETIME{(DWORD)ticks, (DWORD)(ticks >> 32)};
}

ULONGLONG Ticks(const FILETIME &time) {
  return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

std::string TestWorld::Path(const std::string &rel) const {
  return root_ + "\\" + rel;
}

/* ---- Platform parts --------------------------------------------------------- */

#ifdef _WIN32

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != NULL;
}

std::vector<std::string> ListDir(const std::string &folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

static void RemoveTree(const std::string &path) {
  for (const std::string &name : ListDir(path)) {
    std::string child = path + "\\" + name;
    SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (IsDir(child)) RemoveTree(child);
    else DeleteFileA(child.c_str());
  }
  RemoveDirectoryA(path.c_str());
}

TestWorld::TestWorld() {
  static unsigned serial;
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return;
  std::string base(temp, length);
  if (!base.empty() && base.back() == '\\') base.pop_back();
  for (int attempt = 0; attempt < 100 && root_.empty(); attempt++) {
    char name[64];
    snprintf(name, sizeof name, "\\uw%lu-%u-%lu", GetCurrentProcessId(), ++serial,
             (unsigned long)GetTickCount());
    if (CreateDirectoryA((base + name).c_str(), NULL)) root_ = base + name;
  }
  if (!root_.empty()) cleanup_.push_back(root_);
}

TestWorld::~TestWorld() {
  for (const std::string &path : cleanup_) RemoveTree(path);
}

#else

bool UnderWine() { return false; }

std::vector<std::string> ListDir(const std::string &folder) {
  std::vector<std::string> names;
  std::error_code ec;
  std::string host = SimHostPath(folder.c_str());
  if (host.empty()) return names;
  for (const auto &entry : std::filesystem::directory_iterator(host, ec))
    names.push_back(SimFromUtf8(entry.path().filename().string()));
  std::sort(names.begin(), names.end());
  return names;
}

static std::string MakeHostFolder() {
  const char *tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/updater-world-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) return std::string();
  return buffer.data();
}

TestWorld::TestWorld() {
  SimReset();
  std::string host = MakeHostFolder();
  if (host.empty()) return;
  cleanup_.push_back(host);
  SimMapDrive('C', host.c_str(), DRIVE_FIXED);
  root_ = "C:";
  SimSetCurrentDir("C:\\");
  CreateDirectoryA("C:\\Temp", NULL);
  SimSetTempPath("C:\\Temp\\");
}

TestWorld::~TestWorld() {
  SimReset(); /* closes what a failed test left open */
  for (const std::string &host : cleanup_) {
    std::error_code ec;
    /* Make everything writable first, so nothing is left behind. */
    for (auto it = std::filesystem::recursive_directory_iterator(host, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(host, ec);
  }
}

std::string TestWorld::MapDrive(char letter, UINT drive_type) {
  std::string host = MakeHostFolder();
  if (host.empty()) return std::string();
  cleanup_.push_back(host);
  SimMapDrive(letter, host.c_str(), drive_type);
  return std::string(1, letter) + ":";
}

std::string TestWorld::HostPath(const std::string &windows_path) const {
  return SimHostPath(windows_path.c_str());
}

#endif
