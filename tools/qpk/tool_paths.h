/* Host paths as the platform calls take them.  On Windows they are used as
 * they stand.  On Linux the tool runs in the stand-in world with the host's
 * root mapped as drive Z:, so /home/a/b.dat becomes Z:\home\a\b.dat. */
#ifndef TOOLS_QPK_TOOL_PATHS_H
#define TOOLS_QPK_TOOL_PATHS_H

#include <string>

/* Prepares the platform for the tool (maps the drive on Linux). */
void ToolPlatformInit();
/* The platform path of a host path given on the command line. */
std::string ToolPath(const std::string &host_path);
/* The last component of a host path. */
std::string BaseName(const std::string &host_path);
/* Code page 932 text as the terminal shows it (UTF-8 on Linux). */
std::string ForTerminal(const std::string &cp932);
/* Host file name (UTF-8 on Linux) as code page 932 bytes. */
std::string FromTerminal(const std::string &text);

#endif
