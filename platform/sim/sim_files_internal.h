/* What the parts of the stand-in share among themselves: the drive table
 * (sim_drives.cpp) as the file calls (sim_files.cpp) and the shell copy
 * see it, and the one definition of a module. */
#ifndef PLATFORM_SIM_SIM_FILES_INTERNAL_H
#define PLATFORM_SIM_SIM_FILES_INTERNAL_H

#include "platform/sim/win_types.h"

#include <string>

/* A loaded module: the program itself (resources) or a system library. */
struct SimModule {
  const char *name;
};

/* Host folder of a mapped drive letter (either case), or null. */
const char *SimDriveFolder(char letter);

/* Windows path to host path, the way every file call resolves it.  On
 * success *drive holds the upper-case drive letter.  Each existing
 * component is matched without regard to ASCII case; a missing one is
 * kept as given (converted from code page 932 to UTF-8, the host names'
 * encoding).  ".." never climbs above the drive's folder.  Fails (returns
 * 0) on an unmapped drive or a name with characters Windows forbids. */
int SimResolvePath(const char *windows_path, std::string *host, char *drive);

#endif
