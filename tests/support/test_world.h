/* The world fixture: a fresh scratch folder with a Windows path, for tests
 * that run both in the Linux test world and under Wine.
 *
 *   TestWorld world;                       // one per test
 *   std::string game = world.Path("Game"); // "C:\...\Game"
 *   ASSERT_TRUE(MakeDir(game));
 *   ASSERT_TRUE(WriteFileBytes(world.Path("Game\\a.dat"), "abc"));
 *
 * Linux: the constructor runs SimReset, makes a host folder with mkdtemp
 * and maps it as drive C: (DRIVE_FIXED), so Root() is "C:" and Path("x")
 * is "C:\x".  It also makes the folder "C:\Temp" and sets it as the
 * temporary folder (GetTempPathA gives "C:\Temp\") and "C:\" as the
 * current folder.  MapDrive adds further scratch drives (a CD-ROM, a
 * second fixed disk).
 * Windows (Wine): the scratch folder is a new folder under GetTempPathA,
 * and Root() is its path without a trailing backslash.  MapDrive is not
 * available there (tests that need drives are SIM_ONLY).
 *
 * The destructor removes every scratch folder and its contents, read-only
 * files included; on Linux it first runs SimReset (closing whatever a
 * failed test left open), so make one TestWorld per test, before any other
 * world setup, and inspect the world before it goes.  The helpers below take Windows paths and are written
 * with the platform calls, so they behave the same on both platforms; all
 * return false / nullopt on failure instead of failing the test. */
#ifndef TESTS_SUPPORT_TEST_WORLD_H
#define TESTS_SUPPORT_TEST_WORLD_H

#include "platform/platform.h"

#include <optional>
#include <string>
#include <vector>

class TestWorld {
 public:
  TestWorld();
  ~TestWorld();
  TestWorld(const TestWorld &) = delete;
  TestWorld &operator=(const TestWorld &) = delete;

  /* The scratch folder's Windows path, without a trailing backslash. */
  const std::string &Root() const { return root_; }
  /* Root() joined with rel ("" gives Root() + "\"). */
  std::string Path(const std::string &rel) const;

#ifndef _WIN32
  /* Linux only: maps a new empty scratch folder as drive letter with the
   * given type (DRIVE_CDROM, DRIVE_FIXED, ...); returns "X:". */
  std::string MapDrive(char letter, UINT drive_type);
  /* Host path of a Windows path in this world (for host-side checks). */
  std::string HostPath(const std::string &windows_path) const;
#endif

 private:
  std::string root_;
  std::vector<std::string> cleanup_; /* host folders (Linux) or Windows paths */
};

/* Creates or replaces the file with exactly these bytes. */
bool WriteFileBytes(const std::string &path, const std::string &bytes);
/* The file's bytes, or nullopt when it cannot be opened or read. */
std::optional<std::string> ReadFileBytes(const std::string &path);
/* Last-write time; all-zero when the file cannot be opened. */
FILETIME FileTimeOf(const std::string &path);
/* Creation, last-access and last-write time, in that order. */
bool FileTimesOf(const std::string &path, FILETIME times[3]);
/* Sets all three times of the file. */
bool SetFileTimeOf(const std::string &path, const FILETIME &time);
bool MakeReadOnly(const std::string &path);
bool MakeDir(const std::string &path);
bool Exists(const std::string &path);
bool IsDir(const std::string &path);
/* Names in the folder (no "." or ".."), sorted; empty when unreadable. */
std::vector<std::string> ListDir(const std::string &folder);

/* True when running under Wine.  Wine reports the last-write time as the
 * creation time, and run as root it lets read-only files be written and
 * replaced; tests skip those expectations there (Windows and the stand-in
 * both keep them). */
bool UnderWine();

/* FILETIME from and to one 64-bit tick count. */
FILETIME MakeFileTime(ULONGLONG ticks);
ULONGLONG Ticks(const FILETIME &time);

#endif
