/* qpk list and qpk extract, over the updater's own reader: the archive is
 * loaded into memory whole and opened as the updater opens its resource,
 * and every member is written through ExtractMember. */
#include "archive/container.h"
#include "archive/extract.h"
#include "fsutil/fsutil.h"
#include "tools/qpk/qpk.h"

#include <cinttypes>
#include <cstdio>

namespace {

BYTE *Image;

std::string EntryName(const ArchiveEntry &e) {
  size_t n = 0;
  while (n < ARCHIVE_NAME_FIELD && e.name[n]) n++;
  return std::string(e.name, n);
}

uint64_t Ticks(const FILETIME &t) {
  return ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime;
}

/* FILETIME as YYYY-MM-DDTHH:MM:SS.fffffffZ (proleptic Gregorian, UTC). */
std::string IsoTime(uint64_t ticks) {
  uint64_t seconds = ticks / 10000000u;
  unsigned fraction = (unsigned)(ticks % 10000000u);
  uint64_t days = seconds / 86400u;
  unsigned rest = (unsigned)(seconds % 86400u);
  /* Days since 1601-01-01 to a civil date, in 400-year eras from 1601. */
  int64_t z = (int64_t)days;
  int64_t era = z / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t year = 1601 + era * 400 + yoe;
  static const int month_days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int month = 0;
  while (month < 12) {
    int length = month_days[month] + (month == 1 && leap ? 1 : 0);
    if (doy < length) break;
    doy -= length;
    month++;
  }
  char text[64];
  snprintf(text, sizeof text, "%04" PRId64 "-%02d-%02dT%02u:%02u:%02u.%07uZ", year,
           month + 1, (int)doy + 1, rest / 3600, rest / 60 % 60, rest % 60, fraction);
  return text;
}

/* A member name must stay inside the target folder. */
bool SafeFileName(const std::string &name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (size_t i = 0; i < name.size(); i++) {
    unsigned char c = (unsigned char)name[i];
    if (IsDBCSLeadByte(c) && i + 1 < name.size()) {
      i++;
      continue;
    }
    if (c == '\\' || c == '/' || c == ':' || c < 0x20) return false;
  }
  return true;
}

}  // namespace

bool LoadArchiveFile(const std::string &host_path) {
  SetCurrentArchive(host_path);
  std::string path = ToolPath(host_path);
  DWORD size = 0;
  Image = ReadWholeFile(path.c_str(), &size);
  if (!Image) {
    QpkError(host_path, "cannot read the archive");
    return false;
  }
  if (size == 0) {
    QpkError(host_path, "damaged archive: empty file");
    UnloadArchive();
    return false;
  }
  ArchiveImage = Image;
  ArchiveImageSize = size;
  LoadedIndex = OpenArchive();
  if (!LoadedIndex) {
    QpkError(host_path, std::string("damaged archive: ") + ArchiveError);
    UnloadArchive();
    return false;
  }
  return true;
}

void UnloadArchive() {
  if (LoadedIndex) GlobalFree(LoadedIndex);
  if (Image) GlobalFree(Image);
  LoadedIndex = 0;
  Image = 0;
  ArchiveImage = 0;
  ArchiveImageSize = 0;
}

int QpkList(const std::vector<std::string> &args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    puts("usage: qpk list ARCHIVE");
    return QpkOk;
  }
  if (args.size() != 1) {
    QpkError("list", "usage: qpk list ARCHIVE");
    return QpkUsage;
  }
  if (!LoadArchiveFile(args[0])) return QpkFailed;
  for (DWORD i = 0; i < LoadedIndex->header.entry_count; i++) {
    const ArchiveEntry &e = LoadedIndex->entries[i];
    uint64_t ticks = Ticks(e.time);
    printf("%s\t%u\t%u\t%s\t%" PRIu64 "\t%s\n", ForTerminal(EntryName(e)).c_str(),
           (unsigned)e.size, (unsigned)e.stored_size,
           (e.flags & CompressedFlag) ? "compressed" : "plain", ticks,
           IsoTime(ticks).c_str());
  }
  UnloadArchive();
  return QpkOk;
}

int QpkExtract(const std::vector<std::string> &args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    puts("usage: qpk extract ARCHIVE DIR [MEMBER...]");
    return QpkOk;
  }
  if (args.size() < 2) {
    QpkError("extract", "usage: qpk extract ARCHIVE DIR [MEMBER...]");
    return QpkUsage;
  }
  if (!LoadArchiveFile(args[0])) return QpkFailed;
  std::string folder = ToolPath(args[1]);
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    CreateDirectoryA(folder.c_str(), 0);
    attributes = GetFileAttributesA(folder.c_str());
  }
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    QpkError(args[1], "no such folder");
    UnloadArchive();
    return QpkFailed;
  }

  std::vector<std::string> names;
  if (args.size() > 2) {
    for (size_t i = 2; i < args.size(); i++) {
      /* The file is named as the member is stored, whatever the spelling
       * asked for. */
      std::string wanted = FromTerminal(args[i]);
      std::string stored;
      for (DWORD k = 0; k < LoadedIndex->header.entry_count && stored.empty(); k++)
        if (lstrcmpiA(EntryName(LoadedIndex->entries[k]).c_str(), wanted.c_str()) == 0)
          stored = EntryName(LoadedIndex->entries[k]);
      if (stored.empty()) {
        QpkError(args[0], args[i] + ": no such member");
        UnloadArchive();
        return QpkFailed;
      }
      names.push_back(stored);
    }
  } else {
    for (DWORD k = 0; k < LoadedIndex->header.entry_count; k++)
      names.push_back(EntryName(LoadedIndex->entries[k]));
  }

  int status = QpkOk;
  for (const std::string &name : names) {
    if (!SafeFileName(name)) {
      QpkError(args[0], ForTerminal(name) + ": member name is not a plain file name");
      status = QpkFailed;
      continue;
    }
    char destination[1024];
    if (folder.size() + 1 + name.size() > PATH_BUFFER_SIZE - 1) {
      QpkError(args[0], ForTerminal(name) + ": path too long");
      status = QpkFailed;
      continue;
    }
    lstrcpyA(destination, folder.c_str());
    AppendPath(destination, name.c_str());
    if (!ExtractMember(destination, name.c_str(), 0)) {
      if (*ExtractError)
        QpkError(args[0], ForTerminal(name) + ": " + ExtractError);
      status = QpkFailed;
    }
  }
  UnloadArchive();
  return status;
}
