/* qpk check: reads the update script key by key, as the updater does, and
 * reports each place where the updater's rules silently give something
 * other than what the author likely meant. */
#include "tools/qpk/check.h"

#include "archive/container.h"
#include "archive/extract.h"
#include "settings/decimal_text.h"
#include "settings/ini_access.h"
#include "settings/install_settings.h"
#include "settings/update_script.h"
#include "tools/qpk/qpk.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

const char CheckUsage[] =
    "usage: qpk check UPDATE.INI [FILE...] [--setup SETUP.INI]\n"
    "       qpk check ARCHIVE [--setup SETUP.INI]\n"
    "\n"
    "Reads the update script (or the archive's UPDATE.INI) the way the\n"
    "updater reads it and prints one line per problem, SCRIPT: KEY: problem.\n"
    "FILEs are the files that will be packed; the archive's members are\n"
    "used when an archive is given.  --setup names the installed SETUP.INI\n"
    "whose DiskCheckFile keys the copy entries' disks need.\n"
    "Exit status: 0 clean, 1 problems found, 2 wrong usage.\n";

// Larger than any buffer the updater reads into, to see what it cuts.
const DWORD MeasureSize = 8192;
// The shortest installation folder a path can be built under.
const char ShortestRoot[] = "C:";

struct Check {
  std::string script_name;  // as the lines name the script
  std::optional<std::vector<std::string>> members;  // none: not checked
  bool members_from_archive = false;
  bool have_setup = false;
  int problems = 0;

  void Report(const std::string &key, const std::string &problem) {
    printf("%s: %s: %s\n", script_name.c_str(), ForTerminal(key).c_str(),
           ForTerminal(problem).c_str());
    problems++;
  }
};

std::string Quoted(const std::string &text) { return "'" + text + "'"; }

std::string Numbered(const char *format, int n) {
  char key[64];
  wsprintfA(key, format, n);
  return key;
}

// The value as the updater would see it with a buffer of any size; the
// empty string when the key is missing.
std::string ReadFull(const char *section, const std::string &key) {
  std::vector<char> buffer(MeasureSize);
  ReadScriptValue(buffer.data(), section, key.c_str(), MeasureSize);
  return buffer.data();
}

// A value longer than the updater's buffer arrives cut.
void CheckFits(Check &c, const std::string &key, const std::string &value,
               DWORD size) {
  if (value.size() > size - 1)
    c.Report(key, "value of " + std::to_string(value.size()) + " bytes is cut to " +
                      std::to_string(size - 1));
}

void CheckSetupSection(Check &c) {
  static const char *const Required[] = {"CompanyName", "GameTitle", "GameClass", "GameDir"};
  static const struct {
    const char *key;
    DWORD size;
  } Keys[] = {{"CompanyName", PATH_BUFFER_SIZE},    {"GameTitle", PATH_BUFFER_SIZE},
              {"GameClass", PATH_BUFFER_SIZE},      {"GameDir", PATH_BUFFER_SIZE},
              {"GameTitleA", PATH_BUFFER_SIZE},     {"UpdaterVersion", PATH_BUFFER_SIZE},
              {"UpdaterTitle", PATH_BUFFER_SIZE},   {"DataFolder", PATH_BUFFER_SIZE},
              {"UpdateMessage", LONG_TEXT_SIZE}};
  for (const char *key : Required)
    if (ReadFull(SETUP_SECTION, key).empty())
      c.Report(key, "required [SETUP] key is missing or empty: the updater stops");
  for (const auto &k : Keys) CheckFits(c, k.key, ReadFull(SETUP_SECTION, k.key), k.size);
}

// A number the updater reads as a signed decimal integer.
void CheckNumber(Check &c, const char *key, bool is_space) {
  std::string text = ReadFull(UPDATE_SECTION, key).substr(0, PATH_BUFFER_SIZE - 1);
  if (text.empty()) return;
  int value = ParseDecimalInt(text.c_str());
  size_t i = 0;
  while (i < text.size() && strchr(" \t", text[i])) i++;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) i++;
  size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') i++;
  if (i == digits || i != text.size()) {
    c.Report(key, "not a number: reads as " + std::to_string(value));
    return;
  }
  bool negative = digits > 0 && text[digits - 1] == '-';
  unsigned long long magnitude = 0;
  for (size_t d = digits; d < text.size() && magnitude <= 2147483648ull; d++)
    magnitude = magnitude * 10 + (unsigned)(text[d] - '0');
  if (magnitude > (negative ? 2147483648ull : 2147483647ull))
    c.Report(key, "beyond the 32-bit range: reads as " + std::to_string(value));
  else if (is_space && value < 0)
    c.Report(key, "negative: compared as " + std::to_string((unsigned long)(DWORD)value) + " bytes");
}

// The numbered keys that exist (a non-empty value), up to 99, and the
// one-digit spellings, which are never read.
int CheckNumbering(Check &c, const char *format, const char *one_digit) {
  bool present[100];
  for (int n = 0; n < 100; n++) present[n] = !ReadFull(UPDATE_SECTION, Numbered(format, n)).empty();
  int end = 0;
  while (end < SCRIPT_LIST_MAX && present[end]) end++;
  // Key number end is the missing one, unless all sixteen are read.
  for (int n = end < SCRIPT_LIST_MAX ? end + 1 : end; n < 100; n++) {
    if (!present[n]) continue;
    if (n >= SCRIPT_LIST_MAX)
      c.Report(Numbered(format, n), "never read: the list ends at " + Numbered(format, SCRIPT_LIST_MAX - 1));
    else
      c.Report(Numbered(format, n), "never read: " + Numbered(format, end) + " is missing");
  }
  for (int n = 0; n < 10; n++)
    if (!ReadFull(UPDATE_SECTION, Numbered(one_digit, n)).empty())
      c.Report(Numbered(one_digit, n), "never read: the number needs two digits (" + Numbered(format, n) + ")");
  return end;
}

bool IsUpperCase83(const std::string &name) {
  static const char Allowed[] = "!#$%&'()-@^_`{}~";
  size_t dot = std::string::npos;
  for (size_t i = 0; i < name.size(); i++) {
    unsigned char ch = (unsigned char)name[i];
    if (IsDBCSLeadByte(ch)) {
      i++;
      continue;
    }
    if (ch == '.') {
      if (dot != std::string::npos) return false;
      dot = i;
    } else if (!((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch >= 0x80 ||
                 strchr(Allowed, ch))) {
      return false;
    }
  }
  size_t base = dot == std::string::npos ? name.size() : dot;
  size_t ext = dot == std::string::npos ? 0 : name.size() - dot - 1;
  return base >= 1 && base <= 8 && ext <= 3 && (dot == std::string::npos || ext >= 1);
}

void CheckMember(Check &c, const std::string &key, const std::string &member) {
  if (member.empty()) {
    c.Report(key, "no file name: nothing to write");
    return;
  }
  if (member.size() > ARCHIVE_NAME_MAX)
    c.Report(key, "member name " + Quoted(member) + " is over " + std::to_string(ARCHIVE_NAME_MAX) + " bytes");
  else if (!IsUpperCase83(member))
    c.Report(key, "member name " + Quoted(member) + " is not an upper-case 8.3 name");
  if (!c.members) return;
  for (const std::string &m : *c.members)
    if (lstrcmpiA(m.c_str(), member.c_str()) == 0) return;
  c.Report(key, "member " + Quoted(member) +
                    (c.members_from_archive ? " is not in the archive" : " is not among the files"));
}

// The fields as the list reader takes them, but whole (it cuts them to
// 259 bytes), to see what the reader does to each.
void CheckUpdateFields(Check &c, const std::string &key, const std::string &value) {
  size_t at = 0;
  for (int field = 0; field < 3; field++) {
    while (at < value.size() && value[at] == ' ') at++;
    if (at >= value.size() || strchr(",\r\n", value[at])) return;
    size_t end = value.find_first_of(",\r\n", at);
    if (end == std::string::npos) end = value.size();
    std::string text = value.substr(at, end - at);
    if (text.size() >= 2 && text[1] == ':')
      c.Report(key, "field " + Quoted(text) + " loses its first two characters (read as a disk prefix)");
    else if (text.size() > PATH_BUFFER_SIZE - 1)
      c.Report(key, "field of " + std::to_string(text.size()) + " bytes is cut to 259");
    at = end + 1;
  }
}

void CheckUpdateEntry(Check &c, int n, const std::string &data_folder) {
  std::string key = Numbered(UPDATE_FILE_KEY_FORMAT, n);
  std::string full = ReadFull(UPDATE_SECTION, key);
  CheckFits(c, key, full, UPDATE_VALUE_SIZE);
  std::string value = full.substr(0, UPDATE_VALUE_SIZE - 1);
  CheckUpdateFields(c, key, value);

  UpdateEntry entry;
  ParseUpdateEntry(value.c_str(), 0, &entry);
  if (entry.kind == KindReplace) {
    std::string kind = entry.name;
    size_t trimmed = kind.find_last_not_of(' ');
    kind = trimmed == std::string::npos ? "" : kind.substr(0, trimmed + 1);
    if (kind.size() < std::string(entry.name).size() &&
        (lstrcmpiA(kind.c_str(), "d") == 0 || lstrcmpiA(kind.c_str(), "u") == 0 ||
         lstrcmpiA(kind.c_str(), "o") == 0)) {
      c.Report(key, "kind letter " + Quoted(kind) + " is followed by a blank: it becomes the file name");
      return;
    }
  }
  CheckMember(c, key, entry.name + entry.member_offset);
  std::string built = std::string(ShortestRoot) + "\\" +
                      (data_folder.empty() ? "" : data_folder + "\\") + entry.name;
  if (built.size() > PATH_BUFFER_SIZE - 1)
    c.Report(key, "the destination path is over 259 bytes even under " + std::string(ShortestRoot) + "\\");
}

void CheckCopyEntry(Check &c, int n) {
  std::string key = Numbered(COPY_FILE_KEY_FORMAT, n);
  std::string full = ReadFull(UPDATE_SECTION, key);
  CheckFits(c, key, full, PATH_BUFFER_SIZE);
  std::string value = full.substr(0, PATH_BUFFER_SIZE - 1);
  if (value.size() >= 2 && value[1] == ',' && (value[0] < '0' || value[0] > '9'))
    c.Report(key, "install mode " + Quoted(value.substr(0, 1)) + " is no digit: the entry never applies");
  int applies;
  CopyEntry entry;
  if (!ParseCopyEntry(value.c_str(), 0, &applies, &entry)) {
    size_t rest = (value.size() >= 2 && value[1] == ',') ? 2 : 0;
    c.Report(key, "disk " + Quoted(value.substr(rest, 1)) + " is no digit: the updater refuses the entry");
    return;
  }
  std::string path = entry.path;
  if (!path.empty() && path[0] == ' ')
    c.Report(key, "the path begins with a blank: " + Quoted(path));
  if (path.empty()) c.Report(key, "no path: nothing to copy");
  if (entry.disk != 0 && c.have_setup) {
    std::string check_key = Numbered("DiskCheckFile%i", entry.disk);
    char check_file[PATH_BUFFER_SIZE];
    if (!ReadSetupValue(check_file, check_key.c_str(), COUNTOF(check_file)))
      c.Report(key, "disk " + std::to_string(entry.disk) + " has no " + check_key + " in SETUP.INI");
  }
  if (std::string(ShortestRoot).size() + 1 + path.size() > PATH_BUFFER_SIZE - 1)
    c.Report(key, "the target path is over 259 bytes even under " + std::string(ShortestRoot) + "\\");
}

bool StartsWithArchiveMagic(const std::string &host_path) {
  std::ifstream in(host_path, std::ios::binary);
  char magic[4] = {};
  in.read(magic, 4);
  return in.gcount() == 4 && memcmp(magic, "QPK", 4) == 0;
}

bool Readable(const std::string &host_path) {
  std::ifstream in(host_path, std::ios::binary);
  return (bool)in;
}

bool SetPath(char *field, const std::string &host_path) {
  std::string path = ToolPath(host_path);
  if (path.size() > PATH_BUFFER_SIZE - 1) return false;
  lstrcpyA(field, path.c_str());
  return true;
}

// The archive's UPDATE.INI, extracted to a temporary file by the
// updater's own ExtractMember; the names of all members.
bool TakeScriptFromArchive(const std::string &archive, Check &c, std::string *temp_host) {
  if (!LoadArchiveFile(archive)) return false;
  std::vector<std::string> names;
  for (DWORD i = 0; i < LoadedIndex->header.entry_count; i++) {
    const ArchiveEntry &e = LoadedIndex->entries[i];
    size_t n = 0;
    while (n < ARCHIVE_NAME_FIELD && e.name[n]) n++;
    names.push_back(std::string(e.name, n));
  }
  c.members = names;
  c.members_from_archive = true;
  *temp_host = (std::filesystem::temp_directory_path() /
                ("qpk-check-" + std::to_string(GetCurrentProcessId()) + ".ini"))
                   .string();
  std::string temp = ToolPath(*temp_host);
  bool ok = ExtractMember(temp.c_str(), "UPDATE.INI", 0) && SetPath(InstallSettings.ScriptPath, *temp_host);
  UnloadArchive();
  if (!ok) QpkError(archive, "the archive holds no readable UPDATE.INI");
  return ok;
}

int Usage(const std::string &why) {
  QpkError("check", why + " (see qpk check --help)");
  return QpkUsage;
}

}  // namespace

int QpkCheckMain(int argc, char **argv) {
  ToolPlatformInit();
  std::vector<std::string> inputs;
  std::string setup;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      fputs(CheckUsage, stdout);
      return QpkOk;
    }
    if (arg == "--setup") {
      if (i + 1 >= argc) return Usage("--setup needs a file");
      setup = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage("unknown option " + arg);
    } else {
      inputs.push_back(arg);
    }
  }
  if (inputs.empty()) return Usage("no update script or archive given");
  for (const std::string &input : inputs)
    if (!Readable(input)) return Usage("cannot read " + input);
  if (!setup.empty() && !Readable(setup)) return Usage("cannot read " + setup);

  memset(&InstallSettings, 0, sizeof InstallSettings);
  ReportMissingKeys = 0;  // this tool reports missing keys in its own lines
  Check c;
  std::string temp_host;
  if (StartsWithArchiveMagic(inputs[0])) {
    if (inputs.size() > 1) return Usage("an archive takes no FILE arguments");
    c.script_name = "UPDATE.INI";
    if (!TakeScriptFromArchive(inputs[0], c, &temp_host)) return QpkFailed;
  } else {
    c.script_name = inputs[0];
    if (!SetPath(InstallSettings.ScriptPath, inputs[0])) return Usage("path too long: " + inputs[0]);
    if (inputs.size() > 1) {
      std::vector<std::string> names;
      for (size_t i = 1; i < inputs.size(); i++) names.push_back(FromTerminal(BaseName(inputs[i])));
      c.members = names;
    }
  }
  if (!setup.empty()) {
    if (!SetPath(InstallSettings.SetupIniPath, setup)) return Usage("path too long: " + setup);
    c.have_setup = true;
  }

  CheckSetupSection(c);
  std::string data_folder = ReadFull(SETUP_SECTION, "DataFolder").substr(0, PATH_BUFFER_SIZE - 1);
  CheckNumber(c, REQUIRED_DISK_SPACE_KEY, true);
  CheckNumber(c, OVERWRITE_ONLY_KEY, false);
  int updates = CheckNumbering(c, UPDATE_FILE_KEY_FORMAT, "UpdateFile%i");
  for (int n = 0; n < updates; n++) CheckUpdateEntry(c, n, data_folder);
  int copies = CheckNumbering(c, COPY_FILE_KEY_FORMAT, "CopyFile%i");
  for (int n = 0; n < copies; n++) CheckCopyEntry(c, n);

  if (!temp_host.empty()) std::remove(temp_host.c_str());
  return c.problems ? QpkFailed : QpkOk;
}
