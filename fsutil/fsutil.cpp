/* File and disk helpers.  Each releases what it acquires (handle, block,
 * library reference) on every path, shows nothing and keeps no error code:
 * its caller decides what the user is told. */
#include "fsutil/fsutil.h"

/* ---- Whole files ---------------------------------------------------------- */

BYTE *ReadWholeFile(const char *path, DWORD *size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return NULL;
  DWORD file_size = GetFileSize(file, NULL);
  if (file_size == INVALID_FILE_SIZE) {
    CloseHandle(file);
    return NULL;
  }
  BYTE *block = (BYTE *)GlobalAlloc(GMEM_FIXED, file_size);
  if (!block) {
    CloseHandle(file);
    return NULL;
  }
  DWORD read_count = 0;
  /* The call's own verdict decides; the count read is not compared. */
  if (!ReadFile(file, block, file_size, &read_count, NULL)) {
    GlobalFree(block);
    CloseHandle(file);
    return NULL;
  }
  if (size) *size = file_size;
  CloseHandle(file);
  return block;
}

/* The temporary file lives beside the destination, so that the final
 * rename stays within one folder and one drive.  Its name is "~" and up to
 * eight hex digits; the digits are cut so that the temporary path is never
 * longer than the destination path, which keeps it within 259 bytes
 * whenever the destination is. */
enum { TEMP_NAME_DIGITS = 8, TEMP_NAME_ATTEMPTS = 16 };

/* Length of the folder part of path, the separator included: everything
 * up to the last backslash or slash that is not the second byte of a
 * double-byte character, or the drive prefix "X:" when there is none. */
static int FolderPartLength(const char *path) {
  int folder = 0;
  if (path[0] && path[1] == ':') folder = 2;
  for (const char *p = path; *p; p = CharNextA(p)) {
    if (*p == '\\' || *p == '/') folder = (int)(p - path) + 1;
  }
  return folder;
}

static HANDLE CreateTemporaryBeside(const char *path, PathBuffer temp_path) {
  static DWORD sequence;
  int path_length = lstrlenA(path);
  int folder = FolderPartLength(path);
  int digits = path_length - folder - 1;
  if (digits > TEMP_NAME_DIGITS) digits = TEMP_NAME_DIGITS;
  if (digits < 0 || path_length >= (int)PATH_BUFFER_SIZE) return INVALID_HANDLE_VALUE;

  for (int attempt = 0; attempt < TEMP_NAME_ATTEMPTS; attempt++) {
    DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^
                 (++sequence * 0x9E3779B9u);
    lstrcpynA(temp_path, path, folder + 1);
    char *name = temp_path + folder;
    *name++ = '~';
    for (int i = 0; i < digits; i++) {
      name[i] = "0123456789ABCDEF"[seed & 0xF];
      seed >>= 4;
    }
    name[digits] = '\0';
    HANDLE file = CreateFileA(temp_path, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) return file;
    DWORD error = GetLastError();
    /* Only a name already taken is worth another try. */
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

int WriteWholeFile(const char *path, const void *data, DWORD count,
                   const FILETIME *time) {
  PathBuffer temp_path;
  HANDLE file = CreateTemporaryBeside(path, temp_path);
  if (file == INVALID_HANDLE_VALUE) return 0;

  int ok = 1;
  DWORD written = 0;
  if (count > 0 && (!WriteFile(file, data, count, &written, NULL) || written != count))
    ok = 0;
  /* The times are set on the open handle after the last write, so that no
   * later write moves the last-write time away from the given one. */
  if (ok && time && !SetFileTime(file, time, time, time)) ok = 0;
  if (!CloseHandle(file)) ok = 0;
  if (ok && !MoveFileExA(temp_path, path,
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    ok = 0;
  if (!ok) {
    DeleteFileA(temp_path);
    return 0;
  }
  /* The times travel with the temporary through the rename.  (NTFS name
   * tunnelling could hand a replacing file the creation time of the file
   * it replaces; stamping the destination again would need a second open
   * after the replacement, one that could fail with the new contents
   * already in place, so it is not done: a result of 0 always means the
   * destination was left as it was.) */
  return 1;
}

/* ---- Paths ----------------------------------------------------------------- */

void AppendPath(char *path, const char *component) {
  int length = lstrlenA(path);
  /* The last byte alone decides, even when it is the second byte of a
   * double-byte character: such a path counts as ending in a separator. */
  if (length > 0 && path[length - 1] != '\\' && path[length - 1] != '/') {
    path[length++] = '\\';
    path[length] = '\0';
  }
  lstrcatA(path + length, component);
  length += lstrlenA(component);
  path[length + 1] = '\0';
}

/* ---- Free space -------------------------------------------------------------- */

typedef BOOL(WINAPI *FreeSpaceExFunction)(LPCSTR, PULARGE_INTEGER,
                                          PULARGE_INTEGER, PULARGE_INTEGER);

/* Filled by the first call that finds the extended query; kernel32.dll
 * stays loaded in every process, so the address stays valid after the
 * extra reference is dropped. */
static FreeSpaceExFunction CachedFreeSpaceEx;

static int QueryFreeSpaceByClusters(const char *root, ULONGLONG *available,
                                    ULONGLONG *total, ULONGLONG *total_free) {
  DWORD sectors_per_cluster, bytes_per_sector, free_clusters, total_clusters;
  BOOL result = GetDiskFreeSpaceA(root, &sectors_per_cluster, &bytes_per_sector,
                                  &free_clusters, &total_clusters);
  if (!result) return 0;
  DWORD bytes_per_cluster = sectors_per_cluster * bytes_per_sector;
  *available = (ULONGLONG)free_clusters * bytes_per_cluster;
  *total = (ULONGLONG)total_clusters * bytes_per_cluster;
  if (total_free) *total_free = *available;
  return result;
}

int QueryFreeSpace(const char *root, ULONGLONG *available, ULONGLONG *total,
                   ULONGLONG *total_free) {
  HMODULE loaded_here = NULL;
  if (!CachedFreeSpaceEx) {
    loaded_here = LoadLibraryA("kernel32.dll");
    if (loaded_here) {
      /* Through the generic function type, which the compiler accepts as
       * a stand-in for any other. */
      CachedFreeSpaceEx = (FreeSpaceExFunction)(void (*)(void))GetProcAddress(
          loaded_here, "GetDiskFreeSpaceExA");
    }
  }

  int result = 0;
  if (CachedFreeSpaceEx) {
    ULARGE_INTEGER free_to_caller, size, free_on_drive;
    result = CachedFreeSpaceEx(root, &free_to_caller, &size,
                               total_free ? &free_on_drive : NULL);
    if (result) {
      *available = free_to_caller.QuadPart;
      *total = size.QuadPart;
      if (total_free) *total_free = free_on_drive.QuadPart;
    }
  }
  if (!result) result = QueryFreeSpaceByClusters(root, available, total, total_free);

  if (loaded_here) FreeLibrary(loaded_here);
  return result;
}
