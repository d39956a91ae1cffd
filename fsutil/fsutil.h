/* File and disk helpers: whole-file reading and writing with time stamps,
 * path joining and the free-space query.  None shows a message; each tells
 * its caller success (1, or a block) or failure (0, or null). */
#ifndef FSUTIL_FSUTIL_H
#define FSUTIL_FSUTIL_H

#include "platform/platform.h"

/* A NUL-terminated Shift-JIS path; joined paths stay within 259 bytes. */
#define PATH_BUFFER_SIZE 260
typedef char PathBuffer[PATH_BUFFER_SIZE];

/* Reads the whole file into one GMEM_FIXED block that the caller frees
 * with GlobalFree.  Null on any failure, *size (if given) untouched. */
BYTE *ReadWholeFile(const char *path, DWORD *size);

/* Creates or replaces the file with count bytes of data and, when time is
 * not null, sets all three of its times to *time.  The new contents are
 * written to a temporary file in the same folder, stamped, and then moved
 * over the destination in one step, so the destination is either its old
 * file or the complete new one; a failure leaves no temporary file behind.
 * Creates no folders.  Returns 1 on success, 0 on failure. */
int WriteWholeFile(const char *path, const void *data, DWORD count,
                   const FILETIME *time);

/* Joins component onto path in place: a backslash between them unless
 * path is empty or its last byte is a backslash or a slash, and a second
 * NUL after the result (a one-item list for the shell's file operation).
 * The buffer must have room for the joined string and both NULs. */
void AppendPath(char *path, const char *component);

/* Free space on the drive named by root (a drive letter and a colon).
 * available and total are required, total_free may be null.  Returns
 * nonzero with the figures stored, or 0 with no output written. */
int QueryFreeSpace(const char *root, ULONGLONG *available, ULONGLONG *total,
                   ULONGLONG *total_free);

#endif
