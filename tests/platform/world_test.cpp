// The Linux test world's own controls: drives, free-space figures and the
// run-time lookup, host paths, locks held by "other programs", faults,
// memory accounting and resources.
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "tests/support/test_world.h"

#include <gtest/gtest.h>

#include <string.h>
#include <sys/stat.h>

#include <functional>
#include <string>

namespace {

TEST(World, PathsMapThroughTheDriveTable) {
  TestWorld world;
  std::string cd = world.MapDrive('Q', DRIVE_CDROM);
  ASSERT_TRUE(MakeDir(world.Path("Game")));
  ASSERT_TRUE(WriteFileBytes(world.Path("Game\\SETUP.INI"), "x"));
  std::string host = world.HostPath("C:\\Game\\SETUP.INI");
  EXPECT_EQ(world.HostPath("c:\\GAME\\setup.ini"), host);
  EXPECT_EQ(world.HostPath("C:/Game/./x/../SETUP.INI"), host);
  /* ".." never leaves the drive's folder. */
  EXPECT_EQ(world.HostPath("C:\\..\\..\\Game\\SETUP.INI"), host);
  SimSetCurrentDir("C:\\Game");
  EXPECT_EQ(world.HostPath("setup.ini"), host);
  EXPECT_EQ(world.HostPath("\\Game\\setup.ini"), host);
  EXPECT_EQ(world.HostPath("C:setup.ini"), host);
  EXPECT_EQ(ReadFileBytes("SETUP.INI"), "x");
  char cwd[MAX_PATH];
  EXPECT_EQ(GetCurrentDirectoryA(COUNTOF(cwd), cwd), 7u);
  EXPECT_STREQ(cwd, "C:\\Game");
  /* Unmapped drives and forbidden names resolve to nothing. */
  EXPECT_EQ(SimHostPath("Z:\\a"), "");
  EXPECT_EQ(SimHostPath("C:\\a?b"), "");
  EXPECT_EQ(CreateFileA("Z:\\a", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, NULL),
            INVALID_HANDLE_VALUE);
  /* New names are created on the host in UTF-8. */
  ASSERT_TRUE(WriteFileBytes(cd + "\\セーブ.dat", "s"));
  struct stat st;
  EXPECT_EQ(stat((SimHostPath(cd.c_str()) + "/" + SimToUtf8("セーブ.dat")).c_str(), &st), 0);
  EXPECT_EQ(ListDir(cd), std::vector<std::string>{"セーブ.dat"});
  /* 表 ends in the byte 0x5C, which stays part of the name. */
  EXPECT_EQ(SimHostPath("Q:\\表\\表"),
            SimHostPath(cd.c_str()) + "/" + SimToUtf8("表") + "/" + SimToUtf8("表"));
  SimSetCurrentDir("Q:\\表");
  EXPECT_EQ(world.HostPath("x"), SimHostPath("Q:\\表\\x"));
}

TEST(World, DriveTypes) {
  TestWorld world;
  world.MapDrive('Q', DRIVE_CDROM);
  struct Case {
    const char *root;
    UINT type;
  } cases[] = {{"C:\\", DRIVE_FIXED}, {"c:", DRIVE_FIXED}, {"Q:\\", DRIVE_CDROM},
               {"Q:/", DRIVE_CDROM},  {"Z:\\", DRIVE_NO_ROOT_DIR},
               {"C:\\Temp", DRIVE_NO_ROOT_DIR}};
  for (const Case &c : cases) EXPECT_EQ(GetDriveTypeA(c.root), c.type) << c.root;
}

TEST(World, FreeSpaceFiguresModesAndTheLookupCounters) {
  TestWorld world;
  const ULONGLONG avail = 10 * 4096ull + 100, total = 1ull << 44;
  SimSetDriveFreeSpace('C', avail, total, avail + 4096);
  ULARGE_INTEGER a, t, f;
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:", &a, &t, &f));
  EXPECT_EQ(a.QuadPart, avail);
  EXPECT_EQ(t.QuadPart, total);
  EXPECT_EQ(f.QuadPart, avail + 4096);
  DWORD spc, bps, fc, tc;
  ASSERT_TRUE(GetDiskFreeSpaceA("C:", &spc, &bps, &fc, &tc));
  EXPECT_EQ(spc * bps, 4096u);
  EXPECT_EQ(fc, 10u);
  EXPECT_EQ(tc, 0xFFFFFFFFu); /* 2^32 clusters do not fit: clamped */

  struct Mode {
    SimFreeSpaceMode mode;
    bool module, proc, ex, legacy;
  } modes[] = {
      {SimFreeSpaceNormal, true, true, true, true},
      {SimFreeSpaceExMissing, true, false, true, true},
      {SimFreeSpaceExFails, true, true, false, true},
      {SimFreeSpaceAllFail, true, true, false, false},
      {SimKernelMissing, false, false, true, true},
  };
  for (const Mode &m : modes) {
    SCOPED_TRACE(m.mode);
    SimSetFreeSpaceMode(m.mode);
    int loads = SimLoadLibraryCalls(), procs = SimGetProcAddressCalls();
    HMODULE k = LoadLibraryA("KERNEL32.DLL");
    EXPECT_EQ(k != NULL, m.module);
    EXPECT_EQ(SimLoadLibraryCalls(), loads + 1);
    if (k) {
      FARPROC p = GetProcAddress(k, "GetDiskFreeSpaceExA");
      EXPECT_EQ(p != NULL, m.proc);
      EXPECT_EQ(SimGetProcAddressCalls(), procs + 1);
      EXPECT_EQ(GetProcAddress(k, "NoSuchCall"), (FARPROC)NULL);
      EXPECT_TRUE(FreeLibrary(k));
    }
    EXPECT_EQ(GetDiskFreeSpaceExA("C:", &a, &t, NULL) != 0, m.ex);
    EXPECT_EQ(GetDiskFreeSpaceA("C:\\", &spc, &bps, &fc, &tc) != 0, m.legacy);
  }
  EXPECT_EQ(LoadLibraryA("user32.dll"), (HMODULE)NULL);
  /* Unset figures come from the host file system. */
  SimSetFreeSpaceMode(SimFreeSpaceNormal);
  world.MapDrive('D', DRIVE_FIXED);
  ASSERT_TRUE(GetDiskFreeSpaceExA("D:", &a, &t, &f));
  EXPECT_GT(t.QuadPart, 0u);
  EXPECT_FALSE(GetDiskFreeSpaceExA("Y:", &a, &t, &f));
}

HANDLE OpenForWrite(const std::string &path, DWORD disposition) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, disposition,
                     FILE_ATTRIBUTE_NORMAL, NULL);
}

TEST(World, LockedFilesBehaveAsHeldByAnotherProgram) {
  TestWorld world;
  std::string path = world.Path("locked.dat"), other = world.Path("o.dat");
  ASSERT_TRUE(WriteFileBytes(path, "old"));
  ASSERT_TRUE(WriteFileBytes(other, "new"));
  SimLockFile(path.c_str(), FILE_SHARE_READ);
  EXPECT_EQ(ReadFileBytes(path), std::nullopt); /* ours shares only reading */
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(OpenForWrite(path, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_FALSE(MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  SimUnlockFile(path.c_str());
  SimLockFile(path.c_str(), FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  EXPECT_TRUE(MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(SimOpenHandleCount(), 0);
}

/* Every kind of fault makes its call fail without side effects, and a
 * faulted call keeps nothing open. */
TEST(World, FaultsFailTheirCallsAndLeakNothing) {
  TestWorld world;
  std::string path = world.Path("f.dat"), dir = world.Path("d");
  std::string spare = world.Path("spare.dat"); /* not held open */
  ASSERT_TRUE(WriteFileBytes(path, "abc"));
  ASSERT_TRUE(WriteFileBytes(spare, "s"));
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME t = MakeFileTime(126256503061234567ull);
  char buffer[4];
  DWORD n;
  struct Case {
    unsigned kind;
    std::function<bool()> call;
  } cases[] = {
      {SimFaultOpen, [&] {
         HANDLE x = OpenForWrite(world.Path("new.dat"), CREATE_NEW);
         return x != INVALID_HANDLE_VALUE && CloseHandle(x);
       }},
      {SimFaultRead, [&] { return ReadFile(h, buffer, 1, &n, NULL) != 0; }},
      {SimFaultRead, [&] { return GetFileSize(h, NULL) != INVALID_FILE_SIZE; }},
      {SimFaultRead, [&] { return GetFileTime(h, NULL, NULL, &t) != 0; }},
      {SimFaultWrite, [&] { return WriteFile(h, "x", 1, &n, NULL) != 0; }},
      {SimFaultWrite, [&] { return FlushFileBuffers(h) != 0; }},
      {SimFaultTime, [&] { return SetFileTime(h, &t, &t, &t) != 0; }},
      {SimFaultSeek, [&] { return SetFilePointer(h, 0, NULL, FILE_BEGIN) == 0; }},
      {SimFaultAttr, [&] { return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != 0; }},
      {SimFaultMkdir, [&] { return CreateDirectoryA(dir.c_str(), NULL) && RemoveDirectoryA(dir.c_str()); }},
      {SimFaultAlloc, [&] { HGLOBAL b = GlobalAlloc(GMEM_FIXED, 8); return b && !GlobalFree(b); }},
      {SimFaultRename, [&] {
         return MoveFileExA(spare.c_str(), (spare + "2").c_str(), 0) &&
                MoveFileExA((spare + "2").c_str(), spare.c_str(), 0);
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.kind);
    SimFaultArm(1, c.kind, 0);
    EXPECT_FALSE(c.call());
    EXPECT_EQ(SimFaultsInjected(), 1);
    EXPECT_TRUE(c.call()); /* the next one succeeds again */
    SimFaultDisarm();
  }
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(SimOpenHandleCount(), 0);
  EXPECT_EQ(SimLiveBlocks(), 0);
  SimFaultArm(1, SimFaultDelete, 1);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_FALSE(DeleteFileA(path.c_str())); /* persistent */
  SimFaultDisarm();
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(World, MemoryBlocksAreCountedAndZeroedOnRequest) {
  TestWorld world;
  BYTE *zeroed = (BYTE *)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 64);
  BYTE *empty = (BYTE *)GlobalAlloc(GMEM_FIXED, 0);
  ASSERT_TRUE(zeroed && empty);
  EXPECT_NE(zeroed, empty);
  for (int i = 0; i < 64; i++) EXPECT_EQ(zeroed[i], 0);
  EXPECT_EQ(SimLiveBlocks(), 2);
  EXPECT_EQ(GlobalFree(zeroed), (HGLOBAL)NULL);
  EXPECT_EQ(GlobalFree(empty), (HGLOBAL)NULL);
  EXPECT_EQ(SimLiveBlocks(), 0);
  EXPECT_DEATH(GlobalFree(zeroed), "not a live block");
}

TEST(World, ResourcesByIdentifierAndType) {
  TestWorld world;
  HINSTANCE self = SimModuleHandle();
  SimAddResource(102, "UPDATE", "QPK!", 4);
  SimAddResource(1, MAKEINTRESOURCE(24), "<xml/>", 6);
  HRSRC r = FindResourceA(self, MAKEINTRESOURCE(102), "update");
  ASSERT_NE(r, (HRSRC)NULL);
  EXPECT_EQ(SizeofResource(self, r), 4u);
  HGLOBAL g = LoadResource(self, r);
  ASSERT_NE(g, (HGLOBAL)NULL);
  EXPECT_EQ(memcmp(LockResource(g), "QPK!", 4), 0);
  EXPECT_NE(FindResourceA(NULL, "#102", "UPDATE"), (HRSRC)NULL);
  EXPECT_NE(FindResourceA(self, MAKEINTRESOURCE(1), MAKEINTRESOURCE(24)), (HRSRC)NULL);
  EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCE(103), "UPDATE"), (HRSRC)NULL);
  EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCE(102), "OTHER"), (HRSRC)NULL);
  for (int step = 1; step <= 4; step++) {
    SCOPED_TRACE(step);
    SimFailResourceStep(step);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCE(102), "UPDATE");
    DWORD size = found ? SizeofResource(self, found) : 0;
    HGLOBAL loaded = found ? LoadResource(self, found) : NULL;
    void *bytes = loaded ? LockResource(loaded) : NULL;
    EXPECT_TRUE(!found || !size || !loaded || !bytes);
    EXPECT_EQ(found == NULL, step == 1);
    EXPECT_EQ(size == 0, step <= 2);
  }
  SimReset();
  EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCE(102), "UPDATE"), (HRSRC)NULL);
}

}  // namespace
