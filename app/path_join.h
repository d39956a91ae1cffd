/* Joining path components without ever cutting a path to fit. */
#ifndef APP_PATH_JOIN_H
#define APP_PATH_JOIN_H

#include "platform/platform.h"

/* The longest path the updater builds, in characters. */
#define PATH_LIMIT 259

/* Joins component onto path (a buffer of size bytes) as AppendPath does
 * when the result stays within PATH_LIMIT characters and fits the buffer
 * with its NUL.  The second NUL follows whenever the buffer has room for
 * it (a buffer of PATH_LIMIT + 2 bytes always has).  Returns 1 on success;
 * 0 leaves path unchanged. */
int AppendPathWithin(char *path, DWORD size, const char *component);

#endif
