#include "tools/qpk/tool_paths.h"

#include "platform/platform.h"

#ifndef _WIN32
#include "platform/sim/sim_control.h"

#include <limits.h>
#include <unistd.h>
#endif

void ToolPlatformInit() {
#ifndef _WIN32
  SimMapDrive('Z', "/", DRIVE_FIXED);
  SimSetCurrentDir("Z:\\");
  SimSetMessageBoxEcho(1);
#endif
}

std::string ToolPath(const std::string &host_path) {
#ifdef _WIN32
  return host_path;
#else
  std::string absolute = host_path;
  if (absolute.empty() || absolute[0] != '/') {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) absolute = std::string(cwd) + "/" + absolute;
  }
  std::string out = "Z:";
  for (char c : SimFromUtf8(absolute)) out += c == '/' ? '\\' : c;
  return out;
#endif
}

std::string BaseName(const std::string &host_path) {
  size_t end = host_path.size();
  while (end > 0 && (host_path[end - 1] == '/' || host_path[end - 1] == '\\')) end--;
  size_t start = end;
  while (start > 0 && host_path[start - 1] != '/' && host_path[start - 1] != '\\') start--;
  return host_path.substr(start, end - start);
}

std::string ForTerminal(const std::string &cp932) {
#ifdef _WIN32
  return cp932;
#else
  return SimToUtf8(cp932);
#endif
}

std::string FromTerminal(const std::string &text) {
#ifdef _WIN32
  return text;
#else
  return SimFromUtf8(text);
#endif
}
