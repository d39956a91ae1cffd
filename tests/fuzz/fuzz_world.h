/* The Linux test world as the fuzz targets use it: one scratch folder
 * (under /dev/shm when the machine has it, so the per-input file writes
 * stay in memory) mapped as drive C:, message boxes answered silently, and
 * the checks every target makes after each input.
 *
 * A target calls FuzzWorldStart() at the top of every input: the first call
 * builds the world, later calls only forget the previous input's message
 * boxes.  FuzzCheck stops the process with a message, so that libFuzzer
 * (and the replay program) report a broken invariant as a crash. */
#ifndef TESTS_FUZZ_FUZZ_WORLD_H
#define TESTS_FUZZ_FUZZ_WORLD_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

/* Free space the world reports on C:.  ExtractMember refuses members
 * larger than this before it allocates their block, which keeps a hostile
 * size field from asking the allocator for gigabytes. */
#define FUZZ_DRIVE_FREE_BYTES (16u << 20)

void FuzzWorldStart(void);
/* Windows path of a file in the scratch folder ("C:\name"). */
std::string FuzzPath(const char *name);
/* Creates or replaces the scratch file with exactly these bytes. */
void FuzzWriteFile(const char *name, const uint8_t *data, size_t size);
/* The names in the scratch folder, sorted (no "." or ".."). */
std::vector<std::string> FuzzScratchNames(void);
/* Every handle the input's calls opened must be closed again, and every
 * block freed but the live_blocks the caller still holds. */
void FuzzCheckNothingLeft(int live_blocks = 0);

void FuzzFail(const char *file, int line, const char *what);
#define FuzzCheck(condition)                                  \
  do {                                                        \
    if (!(condition)) FuzzFail(__FILE__, __LINE__, #condition); \
  } while (0)

#endif
