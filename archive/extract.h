/* Writing one member of the loaded archive to a file. */
#ifndef ARCHIVE_EXTRACT_H
#define ARCHIVE_EXTRACT_H

#include "platform/platform.h"

/* Writes the member (name compared without regard to case) of LoadedIndex,
 * whose data lies in the memory image ArchiveImage, to destination (a full
 * path of at most 259 characters), with the member's time stamp.  With
 * keep_newer_file set, an existing destination whose last-write time is
 * later than the member's is left alone (result 1).
 * Returns 0 after a message for a missing member, a lack of disk space or
 * of memory, and silently for a destination that is a folder, a damaged
 * member or a failed write; the destination then keeps its old contents. */
int ExtractMember(const char *destination, const char *member,
                  int keep_newer_file);

/* The member's decoded bytes in a new GMEM_FIXED block (the caller frees
 * it) with their count in *size, or null, with no message, when the
 * member is missing or damaged or memory is short. */
BYTE *LoadMember(const char *member, DWORD *size);

/* Why the last silent failure of ExtractMember happened, for the tools. */
extern const char *ExtractError;

#endif
