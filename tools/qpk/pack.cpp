/* qpk pack: members in the order given, named by their files' base names
 * in upper case, stamped with the files' last-write times.  The archive
 * file is written in one replacing step, so it appears complete or not at
 * all. */
#include "archive/writer.h"
#include "archive/encode.h"
#include "fsutil/fsutil.h"
#include "tools/qpk/qpk.h"

#include <cstdio>

namespace {

/* ASCII letters upper-cased; the second byte of a double-byte character
 * is left alone, since it can have the value of a lower-case letter. */
std::string UpperMemberName(const std::string &name) {
  std::string out = name;
  for (size_t i = 0; i < out.size(); i++) {
    unsigned char c = (unsigned char)out[i];
    if (IsDBCSLeadByte(c) && i + 1 < out.size()) {
      i++;
      continue;
    }
    if (c >= 'a' && c <= 'z') out[i] = (char)(c - 'a' + 'A');
  }
  return out;
}

bool ReadInput(const std::string &host_path, ArchiveMemberInput *member) {
  std::string path = ToolPath(host_path);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
  if (file == INVALID_HANDLE_VALUE) {
    QpkError(host_path, "cannot open the file");
    return false;
  }
  bool ok = GetFileTime(file, 0, 0, &member->time) != 0;
  CloseHandle(file);
  if (!ok) {
    QpkError(host_path, "cannot read the file's time");
    return false;
  }
  DWORD size = 0;
  BYTE *block = ReadWholeFile(path.c_str(), &size);
  if (!block) {
    QpkError(host_path, "cannot read the file");
    return false;
  }
  member->data.assign(block, block + size);
  GlobalFree(block);
  return true;
}

}  // namespace

int QpkPack(const std::vector<std::string> &args) {
  int level = EncodeLevelBest;
  std::string output;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); i++) {
    const std::string &a = args[i];
    if (a == "--help" || a == "-h") {
      puts("usage: qpk pack [-0|-1|-9] -o ARCHIVE FILE...");
      return QpkOk;
    } else if (a == "-0") {
      level = EncodeLevelStore;
    } else if (a == "-1") {
      level = EncodeLevelFast;
    } else if (a == "-9") {
      level = EncodeLevelBest;
    } else if (a == "-o") {
      if (i + 1 >= args.size()) {
        QpkError("pack", "-o needs an archive name");
        return QpkUsage;
      }
      output = args[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      QpkError("pack", "unknown option " + a);
      return QpkUsage;
    } else {
      files.push_back(a);
    }
  }
  if (output.empty() || files.empty()) {
    QpkError("pack", "usage: qpk pack [-0|-1|-9] -o ARCHIVE FILE...");
    return QpkUsage;
  }
  SetCurrentArchive(output);

  std::vector<ArchiveMemberInput> members;
  for (const std::string &f : files) {
    ArchiveMemberInput m;
    m.name = UpperMemberName(FromTerminal(BaseName(f)));
    std::string problem = MemberNameProblem(m.name);
    if (!problem.empty()) {
      QpkError(f, problem);
      return QpkFailed;
    }
    for (const ArchiveMemberInput &other : members) {
      if (other.name == m.name) {
        QpkError(f, "duplicate member name " + ForTerminal(m.name));
        return QpkFailed;
      }
    }
    if (!ReadInput(f, &m)) return QpkFailed;
    members.push_back(std::move(m));
  }

  std::vector<uint8_t> archive;
  std::string error;
  ArchiveBuildStats stats;
  if (!BuildArchive(members, level, &archive, &error, &stats)) {
    QpkError(output, ForTerminal(error));
    return QpkFailed;
  }
  std::string out_path = ToolPath(output);
  if (!WriteWholeFile(out_path.c_str(), archive.data(), (DWORD)archive.size(), 0)) {
    QpkError(output, "cannot write the archive");
    return QpkFailed;
  }
  fprintf(stderr, "qpk: %s: %zu members, %llu bytes in, %zu bytes written\n",
          output.c_str(), members.size(), (unsigned long long)stats.input_bytes,
          archive.size());
  return QpkOk;
}
