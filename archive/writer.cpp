#include "archive/writer.h"

#include "archive/container.h"
#include "archive/encode.h"

#include <cstring>

namespace {

void PutLe32(std::vector<uint8_t> *out, size_t at, uint32_t v) {
  (*out)[at] = (uint8_t)v;
  (*out)[at + 1] = (uint8_t)(v >> 8);
  (*out)[at + 2] = (uint8_t)(v >> 16);
  (*out)[at + 3] = (uint8_t)(v >> 24);
}

/* Encodes data at level; empty when the stream would not be smaller. */
std::vector<uint8_t> Compress(const std::vector<uint8_t> &data, int level) {
  std::vector<uint8_t> stream(EncodeBound(data.size()));
  size_t n = EncodeStream(data.data(), data.size(), stream.data(),
                          stream.size(), level);
  stream.resize(n);
  return stream;
}

}  // namespace

std::string MemberNameProblem(const std::string &name) {
  if (name.empty()) return "empty member name";
  if (name.size() > ARCHIVE_NAME_MAX)
    return "member name longer than 14 bytes";
  if (name.find('\0') != std::string::npos) return "member name holds a NUL";
  return "";
}

bool BuildArchive(const std::vector<ArchiveMemberInput> &members, int level,
                  std::vector<uint8_t> *archive, std::string *error,
                  ArchiveBuildStats *stats) {
  static_assert(sizeof(ArchiveHeader) == ARCHIVE_HEADER_SIZE, "header layout");
  static_assert(sizeof(ArchiveEntry) == ARCHIVE_ENTRY_SIZE, "entry layout");
  std::vector<uint8_t> &out = *archive;
  std::vector<uint8_t> index(members.size() * ARCHIVE_ENTRY_SIZE);
  out.assign(ARCHIVE_HEADER_SIZE, 0);

  for (size_t i = 0; i < members.size(); i++) {
    const ArchiveMemberInput &m = members[i];
    std::string problem = MemberNameProblem(m.name);
    if (!problem.empty()) {
      *error = m.name + ": " + problem;
      return false;
    }
    if (m.data.size() > 0xFFFFFFF0u || out.size() + m.data.size() > 0xFFFFFF00u) {
      *error = m.name + ": archive would reach 4 GiB";
      return false;
    }
    std::vector<uint8_t> stream;
    if (level > 0 && !m.data.empty()) stream = Compress(m.data, level);
    bool compressed = !stream.empty() && stream.size() < m.data.size();
    const std::vector<uint8_t> &stored = compressed ? stream : m.data;

    ArchiveEntry entry;
    memset(&entry, 0, sizeof entry);
    memcpy(entry.name, m.name.data(), m.name.size());
    entry.flags = compressed ? CompressedFlag : PlainMemberFlags;
    entry.time = m.time;
    entry.size = (DWORD)m.data.size();
    entry.stored_size = (DWORD)stored.size();
    memcpy(&index[i * ARCHIVE_ENTRY_SIZE], &entry, sizeof entry);

    out.insert(out.end(), stored.begin(), stored.end());
    out.resize(ARCHIVE_PADDED(out.size()), 0);
    if (stats) {
      stats->input_bytes += m.data.size();
      stats->stored_bytes += stored.size();
    }
  }

  /* The index is always one stream, even for an empty archive, where it
   * holds only the end-of-stream code. */
  uint32_t index_offset = (uint32_t)out.size();
  std::vector<uint8_t> index_stream(EncodeBound(index.size()));
  size_t n = EncodeStream(index.data(), index.size(), index_stream.data(),
                          index_stream.size(), level > 0 ? level : EncodeLevelFast);
  if (n == 0) {
    *error = "cannot encode the index";
    return false;
  }
  out.insert(out.end(), index_stream.begin(), index_stream.begin() + n);

  out[0] = 'Q';
  out[1] = 'P';
  out[2] = 'K';
  out[3] = 0;
  PutLe32(&out, 4, IndexCompressedFlag);
  PutLe32(&out, 8, index_offset);
  PutLe32(&out, 12, (uint32_t)members.size());
  return true;
}
