/* Drives of the test world and the run-time lookup of the extended
 * free-space query.
 *
 * Free-space figures: those set with SimSetDriveFreeSpace, else the host
 * file system's.  The legacy query reports them in clusters of 8 sectors
 * of 512 bytes, the counts clamped to 32 bits as the real call's outputs
 * are; its free clusters are the bytes available to the caller. */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_files_internal.h"
#include "platform/sim/sim_reset.h"
#include "platform/sim/win_api.h"

#include <string.h>
#include <strings.h>
#include <sys/statvfs.h>

#include <string>

namespace {

struct Drive {
  bool mapped;
  std::string folder;
  UINT type;
  bool figures_set;
  ULONGLONG available, total, total_free;
};

struct DriveWorld {
  Drive drives[26];
  SimFreeSpaceMode mode;
  int load_calls, free_calls, proc_calls;
};

DriveWorld &World() {
  static DriveWorld world;
  return world;
}

enum { SECTORS_PER_CLUSTER = 8, BYTES_PER_SECTOR = 512 };
const ULONGLONG CLUSTER_BYTES = SECTORS_PER_CLUSTER * BYTES_PER_SECTOR;

int DriveIndex(char letter) {
  if (letter >= 'a' && letter <= 'z') return letter - 'a';
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  return -1;
}

/* The drive a root names: "X:", "X:\" or "X:/"; null means the drive of
 * the current folder, which the product never asks for. */
Drive *RootDrive(LPCSTR root, bool *is_root) {
  *is_root = false;
  if (!root) return nullptr;
  int index = DriveIndex(root[0]);
  if (index < 0 || root[1] != ':') return nullptr;
  *is_root = root[2] == '\0' ||
             ((root[2] == '\\' || root[2] == '/') && root[3] == '\0');
  Drive *drive = &World().drives[index];
  return drive->mapped ? drive : nullptr;
}

bool DriveFigures(Drive *drive, ULONGLONG *available, ULONGLONG *total,
                  ULONGLONG *total_free) {
  if (drive->figures_set) {
    *available = drive->available;
    *total = drive->total;
    *total_free = drive->total_free;
    return true;
  }
  struct statvfs vfs;
  if (statvfs(drive->folder.c_str(), &vfs) != 0) return false;
  *available = (ULONGLONG)vfs.f_bavail * vfs.f_frsize;
  *total = (ULONGLONG)vfs.f_blocks * vfs.f_frsize;
  *total_free = (ULONGLONG)vfs.f_bfree * vfs.f_frsize;
  return true;
}

DWORD ClampClusters(ULONGLONG bytes) {
  ULONGLONG clusters = bytes / CLUSTER_BYTES;
  return clusters > 0xFFFFFFFFull ? 0xFFFFFFFFu : (DWORD)clusters;
}

SimModule Kernel32 = {"kernel32.dll"};

}  // namespace

/* ---- Controls ----------------------------------------------------------- */

int SimMapDrive(char letter, const char *host_folder, UINT drive_type) {
  int index = DriveIndex(letter);
  if (index < 0 || !host_folder) return 0;
  Drive &drive = World().drives[index];
  drive = Drive();
  drive.mapped = true;
  drive.folder = host_folder;
  while (drive.folder.size() > 1 && drive.folder.back() == '/')
    drive.folder.pop_back();
  drive.type = drive_type;
  return 1;
}

void SimUnmapDrive(char letter) {
  int index = DriveIndex(letter);
  if (index >= 0) World().drives[index] = Drive();
}

void SimSetDriveFreeSpace(char letter, ULONGLONG available, ULONGLONG total,
                          ULONGLONG total_free) {
  int index = DriveIndex(letter);
  if (index < 0) return;
  Drive &drive = World().drives[index];
  drive.figures_set = true;
  drive.available = available;
  drive.total = total;
  drive.total_free = total_free;
}

void SimSetFreeSpaceMode(SimFreeSpaceMode mode) { World().mode = mode; }
int SimLoadLibraryCalls(void) { return World().load_calls; }
int SimFreeLibraryCalls(void) { return World().free_calls; }
int SimGetProcAddressCalls(void) { return World().proc_calls; }

void SimResetDrives(void) {
  DriveWorld &world = World();
  for (Drive &drive : world.drives) drive = Drive();
  world.mode = SimFreeSpaceNormal;
  world.load_calls = world.free_calls = world.proc_calls = 0;
}

const char *SimDriveFolder(char letter) {
  int index = DriveIndex(letter);
  if (index < 0 || !World().drives[index].mapped) return nullptr;
  return World().drives[index].folder.c_str();
}

/* ---- Win32 calls -------------------------------------------------------- */

UINT GetDriveTypeA(LPCSTR root) {
  bool is_root;
  Drive *drive = RootDrive(root, &is_root);
  if (!drive || !is_root) return DRIVE_NO_ROOT_DIR;
  return drive->type;
}

BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectors_per_cluster,
                       LPDWORD bytes_per_sector, LPDWORD free_clusters,
                       LPDWORD total_clusters) {
  bool is_root;
  Drive *drive = RootDrive(root, &is_root);
  ULONGLONG available, total, total_free;
  if (!drive || !is_root) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (World().mode == SimFreeSpaceAllFail ||
      !DriveFigures(drive, &available, &total, &total_free)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (sectors_per_cluster) *sectors_per_cluster = SECTORS_PER_CLUSTER;
  if (bytes_per_sector) *bytes_per_sector = BYTES_PER_SECTOR;
  if (free_clusters) *free_clusters = ClampClusters(available);
  if (total_clusters) *total_clusters = ClampClusters(total);
  return TRUE;
}

BOOL GetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER available,
                         PULARGE_INTEGER total, PULARGE_INTEGER total_free) {
  bool is_root;
  Drive *drive = RootDrive(root, &is_root);
  ULONGLONG a, t, f;
  if (!drive) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  (void)is_root; /* the extended query takes any folder of the drive */
  SimFreeSpaceMode mode = World().mode;
  if (mode == SimFreeSpaceExFails || mode == SimFreeSpaceAllFail ||
      !DriveFigures(drive, &a, &t, &f)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (available) available->QuadPart = a;
  if (total) total->QuadPart = t;
  if (total_free) total_free->QuadPart = f;
  return TRUE;
}

/* Only "kernel32.dll" (any case, the extension optional) can be loaded. */
HMODULE LoadLibraryA(LPCSTR name) {
  World().load_calls++;
  if (!name || World().mode == SimKernelMissing ||
      (strcasecmp(name, "kernel32.dll") != 0 &&
       strcasecmp(name, "kernel32") != 0)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return &Kernel32;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  World().proc_calls++;
  if (module != &Kernel32 || !name || IS_INTRESOURCE(name) ||
      strcmp(name, "GetDiskFreeSpaceExA") != 0 ||
      World().mode == SimFreeSpaceExMissing) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return (FARPROC)(void (*)(void))&GetDiskFreeSpaceExA;
}

BOOL FreeLibrary(HMODULE module) {
  World().free_calls++;
  if (module != &Kernel32) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
