/* Controls of the Linux test world.  Tests and tools on Linux set up the
 * world through these; the product code never includes this header.
 *
 * The world is process-wide, like the state of a real machine.  SimReset()
 * returns every part of it to the empty state: no drives, no registry, no
 * windows, no message-box script, no fault armed, no resources. */
#ifndef PLATFORM_SIM_SIM_CONTROL_H
#define PLATFORM_SIM_SIM_CONTROL_H

#include "platform/sim/win_types.h"

#include <string>
#include <vector>

/* Whole world */
void SimReset(void);

/* ---- Drives (sim_drives.cpp) ------------------------------------------
 * A drive letter maps to a host folder.  Paths on an unmapped drive fail
 * as on a machine without that drive.  Free-space figures are those set
 * here (bytes); a drive whose figures were never set reports its host file
 * system's figures.  Cluster size for the legacy query: 4096 bytes. */
int SimMapDrive(char letter, const char *host_folder, UINT drive_type);
void SimUnmapDrive(char letter);
void SimSetDriveFreeSpace(char letter, ULONGLONG available, ULONGLONG total,
                          ULONGLONG total_free);

enum SimFreeSpaceMode {
  SimFreeSpaceNormal = 0,    /* GetDiskFreeSpaceExA found and working */
  SimFreeSpaceExMissing = 1, /* GetProcAddress finds no GetDiskFreeSpaceExA */
  SimFreeSpaceExFails = 2,   /* GetDiskFreeSpaceExA returns 0 */
  SimFreeSpaceAllFail = 3,   /* both queries return 0 */
  SimKernelMissing = 4       /* LoadLibraryA("kernel32.dll") fails */
};
void SimSetFreeSpaceMode(SimFreeSpaceMode mode);
/* Calls made since the last reset, for tests of the cached entry point. */
int SimLoadLibraryCalls(void);
int SimFreeLibraryCalls(void);
int SimGetProcAddressCalls(void);

/* Host path of a Windows path, or "" when its drive is not mapped.
 * Relative paths resolve against the current folder (SimSetCurrentDir). */
std::string SimHostPath(const char *windows_path);
void SimSetCurrentDir(const char *windows_path);
/* What GetTempPathA returns; "" makes it fail (result 0). */
void SimSetTempPath(const char *windows_path);

/* Another program holding a file open: with these share flags (as given to
 * CreateFileA) until SimUnlockFile or SimReset. */
void SimLockFile(const char *windows_path, DWORD share);
void SimUnlockFile(const char *windows_path);
/* Handles the stand-in has open right now (leak checks in fault loops). */
int SimOpenHandleCount(void);

/* ---- Fault injection (sim_fault.cpp) -----------------------------------
 * One injector for the whole world: every stand-in call that can fail for
 * outside reasons asks SimFaultCheck with its kind before it acts.  Arming
 * with n makes the nth counted operation of the selected kinds fail (n = 1
 * is the first), and with persistent set every later one too; n = 0 only
 * counts (run once so to learn how many operations a run makes).  A failing
 * call still releases what it was given (a failed close still closes). */
enum SimFaultKind {
  SimFaultOpen = 1 << 0,      /* CreateFileA */
  SimFaultRead = 1 << 1,      /* ReadFile, GetFileSize, GetFileTime */
  SimFaultWrite = 1 << 2,     /* WriteFile, FlushFileBuffers */
  SimFaultTime = 1 << 3,      /* SetFileTime */
  SimFaultRename = 1 << 4,    /* MoveFileExA */
  SimFaultAlloc = 1 << 5,     /* GlobalAlloc */
  SimFaultAttr = 1 << 6,      /* SetFileAttributesA */
  SimFaultMkdir = 1 << 7,     /* CreateDirectoryA */
  SimFaultDelete = 1 << 8,    /* DeleteFileA */
  SimFaultShell = 1 << 9,     /* SHFileOperationA */
  SimFaultSeek = 1 << 10,     /* SetFilePointer */
  SimFaultAll = 0x7ff
};
void SimFaultArm(int n, unsigned kinds, int persistent);
void SimFaultDisarm(void);
/* Operations of the armed kinds counted since arming. */
int SimFaultOperations(void);
/* Failures injected since arming. */
int SimFaultsInjected(void);
/* Used by the stand-in: 1 when this operation must fail. */
int SimFaultCheck(unsigned kind);

/* ---- Memory (sim_memory.cpp) ------------------------------------------ */
/* Blocks from GlobalAlloc not yet freed (leak checks). */
int SimLiveBlocks(void);

/* ---- Message boxes (sim_ui.cpp) ----------------------------------------
 * Every MessageBoxA is logged.  Answers come from the script in order;
 * with the script empty a box is answered IDOK.  Boxes are top-level
 * windows of the dialog class 0x8002 with the caption as title while they
 * are open, so FindWindowA sees them.  With echo on (the default in tools,
 * off after SimReset) each box is also printed to stderr as
 * "caption: text" in UTF-8. */
struct SimMessageBox {
  HWND owner;
  std::string caption; /* bytes as passed (code page 932) */
  std::string text;
  UINT style;
  int answer;
};
std::vector<SimMessageBox> &SimMessageBoxLog(void);
void SimScriptMessageBoxAnswers(const std::vector<int> &answers);
void SimSetMessageBoxEcho(int on);

/* ---- Resources (sim_resources.cpp) -------------------------------------
 * A module handle for tests, with resources registered by identifier and
 * type.  The bytes are copied; LockResource returns the copy. */
HINSTANCE SimModuleHandle(void);
void SimAddResource(int id, const char *type, const void *bytes,
                    DWORD size);
/* Make one of the four resource calls fail: 1 FindResourceA,
 * 2 SizeofResource (reports 0), 3 LoadResource, 4 LockResource. */
void SimFailResourceStep(int step);

/* ---- Text ---------------------------------------------------------------
 * Code page 932 to UTF-8 and back, for tests that state texts in UTF-8. */
std::string SimToUtf8(const std::string &cp932);
std::string SimFromUtf8(const std::string &utf8);

#endif
