#include "tools/qpk/qpk.h"

#include <cstdio>
#include <cstring>

#ifdef QPK_HAS_CHECK
#include "tools/qpk/check.h"
#endif

static std::string Archive;

const std::string &CurrentArchive() { return Archive; }
void SetCurrentArchive(const std::string &name) { Archive = name; }

void QpkError(const std::string &subject, const std::string &text) {
  if (subject.empty())
    fprintf(stderr, "qpk: %s\n", text.c_str());
  else
    fprintf(stderr, "qpk: %s: %s\n", subject.c_str(), text.c_str());
}

static const char Usage[] =
    "usage: qpk pack [-0|-1|-9] -o ARCHIVE FILE...\n"
    "       qpk list ARCHIVE\n"
    "       qpk extract ARCHIVE DIR [MEMBER...]\n"
    "       qpk check UPDATE.INI [FILE...] [--setup SETUP.INI]\n"
    "       qpk check ARCHIVE [--setup SETUP.INI]\n"
    "\n"
    "pack     builds an update archive from the files, in the order given;\n"
    "         each member is named by its file's base name in upper case and\n"
    "         stamped with its last-write time.  -0 stores every member plain,\n"
    "         -1 compresses fast, -9 (the default) compresses best.\n"
    "list     one line per member: name, size, stored size, compressed or\n"
    "         plain, time stamp as FILETIME and as UTC time, tab-separated.\n"
    "extract  writes all members, or the named ones, into DIR.\n"
    "check    reports what an updater would do differently from what the\n"
    "         update script's author likely meant.\n"
    "\n"
    "Exit status: 0 success, 1 a damaged archive, a failed write or (check)\n"
    "problems found, 2 wrong usage.\n";

int QpkMain(int argc, char **argv) {
  ToolPlatformInit();
  if (argc < 2) {
    fputs(Usage, stderr);
    return QpkUsage;
  }
  std::string verb = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (verb == "--help" || verb == "-h" || verb == "help") {
    fputs(Usage, stdout);
    return QpkOk;
  }
  if (verb == "pack") return QpkPack(args);
  if (verb == "list") return QpkList(args);
  if (verb == "extract") return QpkExtract(args);
#ifdef QPK_HAS_CHECK
  if (verb == "check") return QpkCheckMain(argc - 1, argv + 1);
#endif
  QpkError("", "unknown command '" + verb + "' (see qpk --help)");
  return QpkUsage;
}
