/* GetPrivateProfileStringA of the Linux test world.
 *
 * It reads the INI file afresh on every call (no cache) and follows the
 * rules that scripts written for the real reader rely on:
 *   - lines end at LF or CR (so CR LF works); each line is trimmed of
 *     white space at both ends; empty lines and lines starting with ';'
 *     are ignored;
 *   - "[name]" opens a section (the name runs to the line's last ']');
 *     only the first section of the requested name is searched;
 *   - "key = value" splits at the first '='; the key is trimmed at its
 *     end and the value at its start; the first line of a key wins, even
 *     one without '=' (which has no value, so the default is returned);
 *   - section and key names match without regard to ASCII letter case;
 *   - one pair of matching double or single quotes around the whole value
 *     is removed;
 *   - the value (or the default) is copied cut to size - 1 bytes and the
 *     number of bytes copied is returned.
 * Shift-JIS text passes through untouched: every scan steps over a lead
 * byte and its second byte, so a second byte 0x5B, 0x5C or 0x5D is never
 * taken for '[', '\' or ']', and case folding never touches a second byte
 * (0x83 0x41 and 0x83 0x61 are different characters). */
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_reset.h"
#include "platform/sim/win_api.h"

#include <cstdio>
#include <string>

namespace {

bool IsProfileSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f' || c == 0x1a;
}

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? (unsigned char)(c - 'a' + 'A') : c;
}

bool SameName(const std::string &a, const char *b) {
  std::string other = b;
  if (a.size() != other.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    unsigned char x = (unsigned char)a[i], y = (unsigned char)other[i];
    if (IsDBCSLeadByte(x) && i + 1 < a.size()) {
      /* A double-byte character matches only itself. */
      if (x != y || a[i + 1] != other[i + 1]) return false;
      i++;
      continue;
    }
    if (FoldAscii(x) != FoldAscii(y)) return false;
  }
  return true;
}

std::string Trimmed(const std::string &s) {
  size_t start = 0, end = s.size();
  while (start < end && IsProfileSpace((unsigned char)s[start])) start++;
  while (end > start && IsProfileSpace((unsigned char)s[end - 1])) end--;
  return s.substr(start, end - start);
}

/* Index of the first c (or of the last when last is set) outside
 * double-byte characters, or npos. */
size_t FindSingleByte(const std::string &s, char c, bool last) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < s.size(); i++) {
    if (IsDBCSLeadByte((unsigned char)s[i]) && i + 1 < s.size()) {
      i++;
      continue;
    }
    if (s[i] == c) {
      found = i;
      if (!last) break;
    }
  }
  return found;
}

bool ReadHostFile(const char *windows_path, std::string &contents) {
  std::string host = SimHostPath(windows_path);
  if (host.empty()) return false;
  FILE *f = std::fopen(host.c_str(), "rb");
  if (!f) return false;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) contents.append(chunk, n);
  std::fclose(f);
  return true;
}

/* The value of key in the first section named section, or false. */
bool FindValue(const std::string &contents, const char *section,
               const char *key, std::string &value) {
  bool in_section = false, section_seen = false;
  size_t pos = 0;
  while (pos <= contents.size()) {
    size_t end = contents.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = contents.size();
    std::string line = Trimmed(contents.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = FindSingleByte(line, ']', true);
      if (close != std::string::npos && close > 0) {
        if (in_section) return false; /* the first such section is done */
        in_section = !section_seen && SameName(line.substr(1, close - 1), section);
        section_seen = section_seen || in_section;
        continue;
      }
    }
    if (!in_section) continue;
    size_t equals = FindSingleByte(line, '=', false);
    std::string name = Trimmed(line.substr(0, equals));
    if (!SameName(name, key)) continue;
    if (equals == std::string::npos) return false; /* a key without value */
    value = Trimmed(line.substr(equals + 1));
    return true;
  }
  return false;
}

DWORD CopyCut(const std::string &text, LPSTR out, DWORD size) {
  DWORD count = text.size() < size - 1 ? (DWORD)text.size() : size - 1;
  text.copy(out, count);
  out[count] = '\0';
  return count;
}

}  // namespace

extern "C" DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key,
                                          LPCSTR fallback, LPSTR out,
                                          DWORD size, LPCSTR file) {
  if (!out || size == 0) return 0;
  /* Listing sections or keys (a null name) is not used by the updater. */
  if (!section || !key || !file) {
    out[0] = '\0';
    return 0;
  }
  std::string contents, value;
  if (ReadHostFile(file, contents) && FindValue(contents, section, key, value)) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
        value.back() == value[0])
      value = value.substr(1, value.size() - 2);
    return CopyCut(value, out, size);
  }
  return CopyCut(fallback ? fallback : "", out, size);
}

/* Nothing is cached between calls, so there is nothing to reset. */
void SimResetProfile(void) {}
