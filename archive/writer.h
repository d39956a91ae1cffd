/* Building archives (tools and tests only; not part of the updater). */
#ifndef ARCHIVE_WRITER_H
#define ARCHIVE_WRITER_H

#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

struct ArchiveMemberInput {
  std::string name;          /* member name, Shift-JIS, at most 14 bytes */
  std::vector<uint8_t> data; /* the file's contents */
  FILETIME time;             /* its last-write time */
};

/* Level 0 stores every member plain, 1 is the fast encoder, 9 the best.
 * A member whose stream would not be smaller than its data is stored
 * plain.  The layout is the one the updater's archives have: members from
 * offset 16 without gaps, zero padding to multiples of 16, entry flags 1
 * for plain and 2 for compressed members, and the index as one compressed
 * stream at the end (header flags 1). */
struct ArchiveBuildStats {
  uint64_t input_bytes = 0;
  uint64_t stored_bytes = 0;
};
bool BuildArchive(const std::vector<ArchiveMemberInput> &members, int level,
                  std::vector<uint8_t> *archive, std::string *error,
                  ArchiveBuildStats *stats = nullptr);

/* Checks a member name the way pack refuses it: empty, longer than 14
 * bytes, or holding a NUL.  Returns the reason or "" when acceptable. */
std::string MemberNameProblem(const std::string &name);

#endif
