/* The file calls of the stand-in, over host files in the drives' folders.
 *
 * Mapping to the host, as the product can observe it:
 * - Names: a Windows path resolves component by component; an existing
 *   host entry is found without regard to ASCII case, a new one is created
 *   with the name as given, converted to UTF-8.
 * - Read-only: a file whose owner write bit is clear.  The stand-in
 *   enforces it itself (the tests may run as root, whom the host lets
 *   write anywhere).  A folder's read-only flag is only remembered: on
 *   Windows it does not protect the folder's contents either.
 * - Other attributes (archive, hidden, system, temporary) are remembered in
 *   a side table keyed by host path; a file opened for writing gets the
 *   archive flag back, as on Windows.
 * - Times: last write and last access are the host's mtime and atime, in
 *   nanoseconds; the creation time, which the host does not keep, lives in
 *   the same side table (set when the stand-in creates a file or is told
 *   by SetFileTime) and follows the file through MoveFileExA.  A file the
 *   stand-in never saw created reports its last-write time as creation.
 * - Sharing: every open handle and every SimLockFile entry holds an access
 *   and a share mode.  A new open must allow the access of every holder and
 *   be allowed by each holder's share mode.  Deleting, renaming or
 *   replacing a file needs every holder to share for deletion (else a
 *   sharing violation; a held replacement target is denied access).
 * - Handles are small distinct numbers, never 0 and never
 *   INVALID_HANDLE_VALUE, not reused until SimReset. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_files_internal.h"
#include "platform/sim/sim_reset.h"
#include "platform/sim/win_api.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

namespace {

struct OpenFile {
  int fd;
  std::string host;
  DWORD access;
  DWORD share;
};

struct Holder {
  std::string host;
  DWORD access;
  DWORD share;
};

/* Facts about a host file that the host cannot keep. */
struct FileMeta {
  bool has_creation = false;
  ULONGLONG creation = 0;
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE; /* without READONLY */
  bool folder_read_only = false;
};

struct FileWorld {
  std::map<uintptr_t, OpenFile> handles;
  uintptr_t next_handle = 1;
  std::vector<Holder> locks;
  std::map<std::string, FileMeta> meta;
  std::string temp_path;
  std::string current_dir = "C:\\";
  DWORD last_error = 0;
};

FileWorld &World() {
  static FileWorld world;
  return world;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

/* Paths are read character by character: the second byte of a double-byte
 * character is never a separator, however it looks (表 is 0x95 0x5C). */
size_t CharacterLength(const std::string &s, size_t i) {
  return (IsDBCSLeadByte((BYTE)s[i]) && i + 1 < s.size()) ? 2 : 1;
}

bool EndsWithSeparator(const std::string &s) {
  bool last_is_separator = false;
  for (size_t i = 0; i < s.size(); i += CharacterLength(s, i))
    last_is_separator = CharacterLength(s, i) == 1 && IsSeparator(s[i]);
  return last_is_separator;
}

/* ---- Paths --------------------------------------------------------------- */

struct Resolved {
  size_t length = 0; /* of the absolute Windows path */
  std::string host;
  std::string parent; /* host folder that holds it ("" for a drive root) */
  char drive = 0;
  bool trailing_separator = false;
};

bool ForbiddenInName(unsigned char c) {
  return c < 0x20 || strchr("<>:\"|?*", c) != nullptr;
}

/* The host entry in folder whose name equals name without regard to ASCII
 * case; name itself when there is none. */
std::string MatchEntry(const std::string &folder, const std::string &name) {
  std::string exact = folder + "/" + name;
  struct stat st;
  if (lstat(exact.c_str(), &st) == 0) return name;
  DIR *dir = opendir(folder.c_str());
  if (!dir) return name;
  std::string found = name;
  while (struct dirent *entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

/* The absolute Windows form of path: against the current folder when it is
 * relative, against the current folder's drive when it starts at a root. */
bool Absolute(const char *path, std::string *absolute) {
  const std::string &cwd = World().current_dir;
  if (((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
      path[1] == ':') {
    if (IsSeparator(path[2])) {
      *absolute = path;
    } else if (cwd.size() >= 2 && toupper((unsigned char)cwd[0]) ==
                                      toupper((unsigned char)path[0])) {
      *absolute = cwd + "\\" + (path + 2);
    } else {
      *absolute = std::string(path, 2) + "\\" + (path + 2);
    }
    return true;
  }
  if (IsSeparator(path[0])) {
    if (IsSeparator(path[1])) return false; /* network names: none here */
    if (cwd.size() < 2) return false;
    *absolute = cwd.substr(0, 2) + path;
    return true;
  }
  if (cwd.size() < 2) return false;
  *absolute = cwd + "\\" + path;
  return true;
}

/* The names of absolute from byte from on, with "." and ".." applied
 * (never above the drive's folder) and trailing dots and blanks dropped as
 * Windows drops them.  Fails on a character Windows forbids in names. */
bool SplitComponents(const std::string &absolute, size_t from,
                     std::vector<std::string> *parts) {
  std::string part;
  auto finish = [&] {
    while (!part.empty() && (part.back() == '.' || part.back() == ' ') &&
           part != "." && part != "..")
      part.pop_back();
    if (part == "..") {
      if (!parts->empty()) parts->pop_back();
    } else if (!part.empty() && part != ".") {
      parts->push_back(part);
    }
    part.clear();
  };
  for (size_t i = from; i < absolute.size();) {
    size_t length = CharacterLength(absolute, i);
    if (length == 1 && IsSeparator(absolute[i])) {
      finish();
    } else {
      if (length == 1 && ForbiddenInName((unsigned char)absolute[i])) return false;
      part.append(absolute, i, length);
    }
    i += length;
  }
  finish();
  return true;
}

bool Resolve(const char *path, Resolved *out) {
  std::string absolute;
  if (!path || !*path || !Absolute(path, &absolute)) return false;
  /* Like the ANSI calls: MAX_PATH bytes with the NUL at most. */
  if (absolute.size() >= MAX_PATH) return false;
  out->length = absolute.size();
  const char *folder = SimDriveFolder(absolute[0]);
  if (!folder) return false;
  out->drive = (char)toupper((unsigned char)absolute[0]);

  std::vector<std::string> parts;
  if (!SplitComponents(absolute, 2, &parts)) return false;
  out->trailing_separator = !parts.empty() && EndsWithSeparator(absolute);

  std::string host = folder;
  std::string parent;
  for (const std::string &part : parts) {
    parent = host;
    host += "/" + MatchEntry(host, SimToUtf8(part));
  }
  out->host = host;
  out->parent = parent;
  return true;
}

/* ---- Errors and facts about host files ------------------------------------- */

DWORD Fail(DWORD error) {
  World().last_error = error;
  return 0;
}

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC: return ERROR_DISK_FULL;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    default: return ERROR_ACCESS_DENIED;
  }
}

bool IsFolder(const std::string &host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string &host, struct stat *st) {
  return stat(host.c_str(), st) == 0;
}

bool HostReadOnly(const struct stat &st) { return !(st.st_mode & S_IWUSR); }

/* Why a path that does not exist is missing: its folder or itself. */
DWORD MissingError(const Resolved &r) {
  return (r.parent.empty() || IsFolder(r.parent)) ? ERROR_FILE_NOT_FOUND
                                                  : ERROR_PATH_NOT_FOUND;
}

/* Every holder of host: the open handles and the locks. */
template <typename Fn>
void ForEachHolder(const std::string &host, Fn fn) {
  for (auto &entry : World().handles)
    if (entry.second.host == host)
      fn(entry.second.access, entry.second.share);
  for (Holder &lock : World().locks)
    if (lock.host == host) fn(lock.access, lock.share);
}

bool SharingAllows(const std::string &host, DWORD access, DWORD share) {
  bool allowed = true;
  ForEachHolder(host, [&](DWORD held_access, DWORD held_share) {
    if ((access & GENERIC_READ) && !(held_share & FILE_SHARE_READ)) allowed = false;
    if ((access & GENERIC_WRITE) && !(held_share & FILE_SHARE_WRITE)) allowed = false;
    if ((held_access & GENERIC_READ) && !(share & FILE_SHARE_READ)) allowed = false;
    if ((held_access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) allowed = false;
  });
  return allowed;
}

/* A file or folder may go away only when every holder of it, or of
 * anything inside the folder, shares for deletion. */
bool DeletionAllowed(const std::string &host) {
  std::string inside = host + "/";
  auto blocks = [&](const std::string &held, DWORD share) {
    return (held == host || held.compare(0, inside.size(), inside) == 0) &&
           !(share & FILE_SHARE_DELETE);
  };
  for (auto &entry : World().handles)
    if (blocks(entry.second.host, entry.second.share)) return false;
  for (Holder &lock : World().locks)
    if (blocks(lock.host, lock.share)) return false;
  return true;
}

/* After a rename: everything recorded under from (or inside it) moves. */
void RenameRecords(const std::string &from, const std::string &to) {
  std::string inside = from + "/";
  auto moved = [&](std::string &path) {
    if (path == from) path = to;
    else if (path.compare(0, inside.size(), inside) == 0)
      path = to + path.substr(from.size());
  };
  for (auto &entry : World().handles) moved(entry.second.host);
  for (Holder &lock : World().locks) moved(lock.host);
  std::map<std::string, FileMeta> renamed;
  for (auto &entry : World().meta) {
    std::string path = entry.first;
    moved(path);
    renamed[path] = entry.second;
  }
  World().meta.swap(renamed);
}

/* ---- Times --------------------------------------------------------------- */

const ULONGLONG TICKS_PER_SECOND = 10000000ull;
const long long SECONDS_1601_TO_1970 = 11644473600ll;

ULONGLONG TicksFromTimespec(const struct timespec &ts) {
  if (ts.tv_sec < -SECONDS_1601_TO_1970) return 0;
  return (ULONGLONG)(ts.tv_sec + SECONDS_1601_TO_1970) * TICKS_PER_SECOND +
         (ULONGLONG)ts.tv_nsec / 100;
}

struct timespec TimespecFromTicks(ULONGLONG ticks) {
  struct timespec ts;
  ts.tv_sec = (time_t)(ticks / TICKS_PER_SECOND) - SECONDS_1601_TO_1970;
  ts.tv_nsec = (long)(ticks % TICKS_PER_SECOND) * 100;
  return ts;
}

FILETIME FileTimeFromTicks(ULONGLONG ticks) {
  FILETIME t;
  t.dwLowDateTime = (DWORD)ticks;
  t.dwHighDateTime = (DWORD)(ticks >> 32);
  return t;
}

ULONGLONG TicksFromFileTime(const FILETIME &t) {
  return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime;
}

ULONGLONG NowTicks() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return TicksFromTimespec(ts);
}

/* ---- Handles --------------------------------------------------------------- */

OpenFile *Lookup(HANDLE handle) {
  auto it = World().handles.find((uintptr_t)handle);
  if (it == World().handles.end()) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &it->second;
}

HANDLE AddHandle(const OpenFile &file) {
  /* Multiples of 4 from 0x100 on, as kernel handles look. */
  uintptr_t value = 0x100 + 4 * World().next_handle++;
  World().handles[value] = file;
  return (HANDLE)value;
}

const DWORD KNOWN_ATTRIBUTES = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY;
const DWORD REMEMBERED_ATTRIBUTES = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY;

}  // namespace

int SimResolvePath(const char *windows_path, std::string *host, char *drive) {
  Resolved r;
  if (!Resolve(windows_path, &r)) return 0;
  if (host) *host = r.host;
  if (drive) *drive = r.drive;
  return 1;
}

/* ---- Controls ------------------------------------------------------------ */

std::string SimHostPath(const char *windows_path) {
  Resolved r;
  return Resolve(windows_path, &r) ? r.host : std::string();
}

void SimSetCurrentDir(const char *windows_path) {
  World().current_dir = windows_path ? windows_path : "";
  while (World().current_dir.size() > 3 && EndsWithSeparator(World().current_dir))
    World().current_dir.pop_back();
}

void SimSetTempPath(const char *windows_path) {
  World().temp_path = windows_path ? windows_path : "";
}

void SimLockFile(const char *windows_path, DWORD share) {
  Resolved r;
  if (!Resolve(windows_path, &r)) return;
  World().locks.push_back({r.host, GENERIC_READ | GENERIC_WRITE, share});
}

void SimUnlockFile(const char *windows_path) {
  Resolved r;
  if (!Resolve(windows_path, &r)) return;
  std::vector<Holder> &locks = World().locks;
  for (size_t i = 0; i < locks.size();) {
    if (locks[i].host == r.host) locks.erase(locks.begin() + (long)i);
    else i++;
  }
}

int SimOpenHandleCount(void) { return (int)World().handles.size(); }

void SimResetFiles(void) {
  FileWorld &world = World();
  for (auto &entry : world.handles) close(entry.second.fd);
  world = FileWorld();
}

/* ---- Win32 calls: handles -------------------------------------------------- */

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share,
                   LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE template_file) {
  if (SimFaultCheck(SimFaultOpen)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const DWORD known_flags = KNOWN_ATTRIBUTES | FILE_FLAG_WRITE_THROUGH;
  if ((access & ~(GENERIC_READ | GENERIC_WRITE)) ||
      (share & ~(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) ||
      (flags & ~known_flags) || template_file ||
      disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  Resolved r;
  if (!Resolve(name, &r)) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (r.parent.empty() || !IsFolder(r.parent)) {
    Fail(r.parent.empty() ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  bool exists = Exists(r.host, &st);
  if (exists && S_ISDIR(st.st_mode)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (r.trailing_separator) {
    Fail(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  if (exists && disposition == CREATE_NEW) {
    Fail(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
  }
  if (!exists && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) {
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  bool truncates = exists && (disposition == CREATE_ALWAYS ||
                              disposition == TRUNCATE_EXISTING);
  if (exists && HostReadOnly(st) && ((access & GENERIC_WRITE) || truncates)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  auto known = World().meta.find(r.host);
  FileMeta old_meta = known != World().meta.end() ? known->second : FileMeta();
  if (truncates && disposition == CREATE_ALWAYS) {
    /* Windows refuses to replace a hidden or system file by one created
     * without those flags. */
    DWORD keep = old_meta.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (keep & ~flags) {
      Fail(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
  }
  if (exists && !SharingAllows(r.host, access | (truncates ? GENERIC_WRITE : 0), share)) {
    Fail(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }

  int mode = O_CLOEXEC;
  if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) mode |= O_RDWR;
  else if (access & GENERIC_WRITE) mode |= O_WRONLY;
  else mode |= O_RDONLY;
  if (!exists) mode |= O_CREAT | O_EXCL;
  if (truncates) mode |= O_TRUNC;
  if (truncates && !(access & GENERIC_WRITE)) mode = (mode & ~O_RDONLY) | O_RDWR;
  /* Reads leave the last-access time alone, as on Windows, where its
   * updates are off or lazy. */
  int fd = open(r.host.c_str(), mode | O_NOATIME, 0666);
  if (fd < 0 && errno == EPERM) fd = open(r.host.c_str(), mode, 0666);
  if (fd < 0) {
    Fail(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  if (!exists || truncates) {
    FileMeta fresh;
    if (exists) fresh = old_meta; /* a replaced file keeps its creation time */
    if (!exists) {
      fresh.has_creation = true;
      fresh.creation = NowTicks();
    }
    fresh.attributes = (flags & REMEMBERED_ATTRIBUTES) | FILE_ATTRIBUTE_ARCHIVE;
    World().meta[r.host] = fresh;
    if (flags & FILE_ATTRIBUTE_READONLY) fchmod(fd, 0444);
  } else if ((access & GENERIC_WRITE) && known != World().meta.end()) {
    known->second.attributes |= FILE_ATTRIBUTE_ARCHIVE;
  }
  World().last_error = (exists && (disposition == CREATE_ALWAYS ||
                                   disposition == OPEN_ALWAYS))
                           ? ERROR_ALREADY_EXISTS
                           : ERROR_SUCCESS;
  return AddHandle({fd, r.host, access, share});
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read_count,
              LPOVERLAPPED overlapped) {
  if (read_count) *read_count = 0;
  if (SimFaultCheck(SimFaultRead)) return Fail(ERROR_READ_FAULT);
  OpenFile *f = Lookup(file);
  if (!f) return FALSE;
  if (!(f->access & GENERIC_READ) || overlapped) return Fail(ERROR_ACCESS_DENIED);
  DWORD done = 0;
  while (done < to_read) {
    ssize_t n = read(f->fd, (char *)buffer + done, to_read - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (read_count) *read_count = done;
      return Fail(ERROR_READ_FAULT);
    }
    if (n == 0) break;
    done += (DWORD)n;
  }
  if (read_count) *read_count = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written,
               LPOVERLAPPED overlapped) {
  if (written) *written = 0;
  if (SimFaultCheck(SimFaultWrite)) return Fail(ERROR_WRITE_FAULT);
  OpenFile *f = Lookup(file);
  if (!f) return FALSE;
  if (!(f->access & GENERIC_WRITE) || overlapped) return Fail(ERROR_ACCESS_DENIED);
  DWORD done = 0;
  while (done < to_write) {
    ssize_t n = write(f->fd, (const char *)buffer + done, to_write - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (written) *written = done;
      return Fail(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
    }
    done += (DWORD)n;
  }
  if (written) *written = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high,
                     DWORD method) {
  if (SimFaultCheck(SimFaultSeek)) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  OpenFile *f = Lookup(file);
  if (!f) return INVALID_SET_FILE_POINTER;
  long long move = distance;
  if (distance_high)
    move = (long long)(((ULONGLONG)(DWORD)*distance_high << 32) | (DWORD)distance);
  long long base;
  if (method == FILE_BEGIN) base = 0;
  else if (method == FILE_CURRENT) base = lseek(f->fd, 0, SEEK_CUR);
  else if (method == FILE_END) base = lseek(f->fd, 0, SEEK_END);
  else {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  long long target = base + move;
  if (base < 0 || target < 0) {
    Fail(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  if (lseek(f->fd, target, SEEK_SET) < 0) {
    Fail(ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (distance_high) *distance_high = (LONG)(DWORD)((ULONGLONG)target >> 32);
  /* A position whose low part is all ones is no failure: say so. */
  if ((DWORD)target == INVALID_SET_FILE_POINTER) World().last_error = ERROR_SUCCESS;
  return (DWORD)target;
}

DWORD GetFileSize(HANDLE file, LPDWORD size_high) {
  if (SimFaultCheck(SimFaultRead)) {
    Fail(ERROR_READ_FAULT);
    return INVALID_FILE_SIZE;
  }
  OpenFile *f = Lookup(file);
  struct stat st;
  if (!f || fstat(f->fd, &st) != 0) {
    if (f) Fail(ErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  ULONGLONG size = (ULONGLONG)st.st_size;
  if (size_high) *size_high = (DWORD)(size >> 32);
  if ((DWORD)size == INVALID_FILE_SIZE) World().last_error = ERROR_SUCCESS;
  return (DWORD)size;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access,
                 LPFILETIME write) {
  if (SimFaultCheck(SimFaultRead)) return Fail(ERROR_READ_FAULT);
  OpenFile *f = Lookup(file);
  if (!f) return FALSE;
  struct stat st;
  if (fstat(f->fd, &st) != 0) return Fail(ErrorFromErrno(errno));
  ULONGLONG written = TicksFromTimespec(st.st_mtim);
  if (write) *write = FileTimeFromTicks(written);
  if (access) *access = FileTimeFromTicks(TicksFromTimespec(st.st_atim));
  if (creation) {
    auto it = World().meta.find(f->host);
    bool known = it != World().meta.end() && it->second.has_creation;
    *creation = FileTimeFromTicks(known ? it->second.creation : written);
  }
  return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME *creation, const FILETIME *access,
                 const FILETIME *write) {
  if (SimFaultCheck(SimFaultTime)) return Fail(ERROR_ACCESS_DENIED);
  OpenFile *f = Lookup(file);
  if (!f) return FALSE;
  if (!(f->access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  struct timespec times[2];
  times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
  times[0].tv_sec = times[1].tv_sec = 0;
  if (access) times[0] = TimespecFromTicks(TicksFromFileTime(*access));
  if (write) times[1] = TimespecFromTicks(TicksFromFileTime(*write));
  if (futimens(f->fd, times) != 0) return Fail(ErrorFromErrno(errno));
  if (creation) {
    FileMeta &meta = World().meta[f->host];
    meta.has_creation = true;
    meta.creation = TicksFromFileTime(*creation);
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  if (SimFaultCheck(SimFaultWrite)) return Fail(ERROR_WRITE_FAULT);
  OpenFile *f = Lookup(file);
  if (!f) return FALSE;
  if (!(f->access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  OpenFile *f = Lookup(object);
  if (!f) return FALSE;
  close(f->fd);
  World().handles.erase((uintptr_t)object);
  return TRUE;
}

/* ---- Win32 calls: names ------------------------------------------------------ */

DWORD GetFileAttributesA(LPCSTR name) {
  Resolved r;
  if (!Resolve(name, &r)) {
    Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st;
  if (!Exists(r.host, &st)) {
    Fail(MissingError(r));
    return INVALID_FILE_ATTRIBUTES;
  }
  auto it = World().meta.find(r.host);
  FileMeta meta = it != World().meta.end() ? it->second : FileMeta();
  if (S_ISDIR(st.st_mode))
    return FILE_ATTRIBUTE_DIRECTORY |
           (meta.folder_read_only ? FILE_ATTRIBUTE_READONLY : 0) |
           (meta.attributes & REMEMBERED_ATTRIBUTES & ~FILE_ATTRIBUTE_ARCHIVE);
  if (r.trailing_separator) {
    Fail(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = meta.attributes & REMEMBERED_ATTRIBUTES;
  if (HostReadOnly(st)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
  if (SimFaultCheck(SimFaultAttr)) return Fail(ERROR_ACCESS_DENIED);
  if (attributes & ~KNOWN_ATTRIBUTES) return Fail(ERROR_INVALID_PARAMETER);
  Resolved r;
  if (!Resolve(name, &r)) return Fail(ERROR_PATH_NOT_FOUND);
  struct stat st;
  if (!Exists(r.host, &st)) return Fail(MissingError(r));
  FileMeta &meta = World().meta[r.host];
  meta.attributes = attributes & REMEMBERED_ATTRIBUTES;
  bool read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (S_ISDIR(st.st_mode)) {
    meta.folder_read_only = read_only;
    return TRUE;
  }
  mode_t mode = st.st_mode & 07777;
  mode = read_only ? (mode & ~(mode_t)0222) : (mode | S_IWUSR);
  if (chmod(r.host.c_str(), mode) != 0) return Fail(ErrorFromErrno(errno));
  return TRUE;
}

/* A folder's path leaves room for a file name of 8.3 form: at most
 * MAX_PATH - 12 bytes. */
enum { FOLDER_PATH_LIMIT = MAX_PATH - 12 };

BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES security) {
  if (SimFaultCheck(SimFaultMkdir)) return Fail(ERROR_ACCESS_DENIED);
  Resolved r;
  if (!Resolve(name, &r) || r.length > FOLDER_PATH_LIMIT) return Fail(ERROR_PATH_NOT_FOUND);
  struct stat st;
  if (Exists(r.host, &st)) return Fail(ERROR_ALREADY_EXISTS);
  if (r.parent.empty() || !IsFolder(r.parent)) return Fail(ERROR_PATH_NOT_FOUND);
  if (mkdir(r.host.c_str(), 0777) != 0) return Fail(ErrorFromErrno(errno));
  World().meta.erase(r.host);
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR name) {
  Resolved r;
  if (!Resolve(name, &r)) return Fail(ERROR_PATH_NOT_FOUND);
  struct stat st;
  if (!Exists(r.host, &st)) return Fail(MissingError(r));
  if (!S_ISDIR(st.st_mode)) return Fail(ERROR_INVALID_NAME);
  if (r.parent.empty()) return Fail(ERROR_ACCESS_DENIED);
  if (rmdir(r.host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
  World().meta.erase(r.host);
  return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
  if (SimFaultCheck(SimFaultDelete)) return Fail(ERROR_ACCESS_DENIED);
  Resolved r;
  if (!Resolve(name, &r)) return Fail(ERROR_PATH_NOT_FOUND);
  struct stat st;
  if (!Exists(r.host, &st)) return Fail(MissingError(r));
  if (S_ISDIR(st.st_mode) || HostReadOnly(st)) return Fail(ERROR_ACCESS_DENIED);
  if (!DeletionAllowed(r.host)) return Fail(ERROR_SHARING_VIOLATION);
  if (unlink(r.host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
  World().meta.erase(r.host);
  return TRUE;
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
  if (SimFaultCheck(SimFaultRename)) return Fail(ERROR_ACCESS_DENIED);
  if (flags & ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return Fail(ERROR_INVALID_PARAMETER);
  Resolved from, to;
  if (!Resolve(existing, &from) || !Resolve(replacement, &to))
    return Fail(ERROR_PATH_NOT_FOUND);
  struct stat from_st, to_st;
  if (!Exists(from.host, &from_st)) return Fail(MissingError(from));
  if (from.parent.empty()) return Fail(ERROR_ACCESS_DENIED);
  if (from.drive != to.drive) return Fail(ERROR_NOT_SAME_DEVICE);
  if (to.parent.empty() || !IsFolder(to.parent)) return Fail(ERROR_PATH_NOT_FOUND);
  if (from.host == to.host) return TRUE;
  if (Exists(to.host, &to_st)) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
    if (S_ISDIR(to_st.st_mode) || S_ISDIR(from_st.st_mode) || HostReadOnly(to_st))
      return Fail(ERROR_ACCESS_DENIED);
    /* Windows reports a replacement held open as denied access, a held
     * source as a sharing violation. */
    if (!DeletionAllowed(to.host)) return Fail(ERROR_ACCESS_DENIED);
  }
  if (!DeletionAllowed(from.host)) return Fail(ERROR_SHARING_VIOLATION);
  if (rename(from.host.c_str(), to.host.c_str()) != 0)
    return Fail(ErrorFromErrno(errno));
  World().meta.erase(to.host);
  RenameRecords(from.host, to.host);
  return TRUE;
}

/* Both folder queries: the length without the NUL when the buffer holds
 * it, else the size needed including the NUL, buffer untouched. */
static DWORD CopyOut(const std::string &value, DWORD size, LPSTR buffer) {
  if (value.empty()) return Fail(ERROR_PATH_NOT_FOUND);
  if (value.size() + 1 > size || !buffer) return (DWORD)value.size() + 1;
  memcpy(buffer, value.c_str(), value.size() + 1);
  return (DWORD)value.size();
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  return CopyOut(World().temp_path, size, buffer);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  return CopyOut(World().current_dir, size, buffer);
}

DWORD GetLastError(void) { return World().last_error; }

void SetLastError(DWORD error) { World().last_error = error; }

DWORD GetCurrentProcessId(void) { return (DWORD)getpid(); }

DWORD GetTickCount(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (DWORD)((ULONGLONG)ts.tv_sec * 1000u + (ULONGLONG)ts.tv_nsec / 1000000u);
}
