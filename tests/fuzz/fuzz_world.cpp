#include "tests/fuzz/fuzz_world.h"

#include "platform/platform.h"
#include "platform/sim/sim_control.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

std::string &ScratchFolder() {
  static std::string folder;
  return folder;
}

void RemoveScratchFolder() {
  if (ScratchFolder().empty()) return;
  std::string command = "rm -rf '" + ScratchFolder() + "'";
  if (system(command.c_str()) != 0) { /* best effort at exit */
  }
}

void BuildWorld() {
  struct stat info;
  const char *base = (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode))
                         ? "/dev/shm"
                         : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
  std::string pattern = std::string(base) + "/updater-fuzz-XXXXXX";
  if (!mkdtemp(&pattern[0])) {
    perror("mkdtemp");
    abort();
  }
  ScratchFolder() = pattern;
  atexit(RemoveScratchFolder);

  SimReset();
  SimSetMessageBoxEcho(0);
  if (!SimMapDrive('C', pattern.c_str(), DRIVE_FIXED)) {
    fprintf(stderr, "fuzz world: cannot map C: to %s\n", pattern.c_str());
    abort();
  }
  SimSetDriveFreeSpace('C', FUZZ_DRIVE_FREE_BYTES, 4 * (ULONGLONG)FUZZ_DRIVE_FREE_BYTES,
                       FUZZ_DRIVE_FREE_BYTES);
  SimSetCurrentDir("C:\\");
}

}  // namespace

void FuzzWorldStart(void) {
  static bool built = false;
  if (!built) {
    BuildWorld();
    built = true;
  }
  SimMessageBoxLog().clear();
  SimFaultDisarm();
}

std::string FuzzPath(const char *name) { return std::string("C:\\") + name; }

void FuzzWriteFile(const char *name, const uint8_t *data, size_t size) {
  std::string host = ScratchFolder() + "/" + name;
  FILE *file = fopen(host.c_str(), "wb");
  if (!file || (size && fwrite(data, 1, size, file) != size) || fclose(file) != 0) {
    perror(host.c_str());
    abort();
  }
}

std::vector<std::string> FuzzScratchNames(void) {
  std::vector<std::string> names;
  DIR *folder = opendir(ScratchFolder().c_str());
  if (!folder) return names;
  while (struct dirent *entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(folder);
  std::sort(names.begin(), names.end());
  return names;
}

void FuzzCheckNothingLeft(int live_blocks) {
  FuzzCheck(SimLiveBlocks() == live_blocks);
  FuzzCheck(SimOpenHandleCount() == 0);
}

void FuzzFail(const char *file, int line, const char *what) {
  fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, what);
  abort();
}
