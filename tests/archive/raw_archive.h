/* Hand-built archives and streams for the container and extraction tests:
 * every byte under the test's control, so damaged layouts are one field
 * change away.  Streams come from the codec tests' stream builder. */
#ifndef TESTS_ARCHIVE_RAW_ARCHIVE_H
#define TESTS_ARCHIVE_RAW_ARCHIVE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "archive/container.h"
#include "tests/support/stream_builder.h"

namespace raw {

/* A stream of literals only, ended properly. */
inline std::vector<uint8_t> LiteralStream(const std::vector<uint8_t> &bytes) {
  codec_test::StreamBuilder w;
  for (uint8_t b : bytes) w.Literal(b);
  return w.End().Finish();
}

struct Member {
  std::string name;  // raw field bytes, up to 15 (no NUL added when 15)
  uint8_t flags = 1;
  uint64_t time = 0;
  uint32_t size = 0;
  std::vector<uint8_t> stored;
};

inline Member Plain(const std::string &name, const std::string &data, uint64_t time = 0) {
  Member m;
  m.name = name;
  m.flags = 1;
  m.time = time;
  m.size = (uint32_t)data.size();
  m.stored.assign(data.begin(), data.end());
  return m;
}

inline Member Compressed(const std::string &name, const std::string &data, uint64_t time = 0) {
  Member m = Plain(name, data, time);
  m.flags = 2;
  m.stored = LiteralStream(std::vector<uint8_t>(data.begin(), data.end()));
  return m;
}

inline void Put32(std::vector<uint8_t> *v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; i++) (*v)[at + i] = (uint8_t)(x >> (8 * i));
}

inline std::vector<uint8_t> Records(const std::vector<Member> &members) {
  std::vector<uint8_t> index(members.size() * 32, 0);
  for (size_t i = 0; i < members.size(); i++) {
    uint8_t *r = &index[i * 32];
    memcpy(r, members[i].name.data(), members[i].name.size() > 15 ? 15 : members[i].name.size());
    r[15] = members[i].flags;
    for (int k = 0; k < 8; k++) r[16 + k] = (uint8_t)(members[i].time >> (8 * k));
    for (int k = 0; k < 4; k++) r[24 + k] = (uint8_t)(members[i].size >> (8 * k));
    uint32_t stored = (uint32_t)members[i].stored.size();
    for (int k = 0; k < 4; k++) r[28 + k] = (uint8_t)(stored >> (8 * k));
  }
  return index;
}

/* Header, members padded to 16, then the index: plain records, or one
 * literal stream of them.  Trailing bytes go after the index. */
inline std::vector<uint8_t> Archive(const std::vector<Member> &members, bool compressed_index,
                                    const std::vector<uint8_t> &trailing = {}) {
  std::vector<uint8_t> out(16, 0);
  for (const Member &m : members) {
    out.insert(out.end(), m.stored.begin(), m.stored.end());
    out.resize((out.size() + 15) & ~size_t(15), 0);
  }
  uint32_t index_offset = (uint32_t)out.size();
  std::vector<uint8_t> records = Records(members);
  if (compressed_index) records = LiteralStream(records);
  out.insert(out.end(), records.begin(), records.end());
  out.insert(out.end(), trailing.begin(), trailing.end());
  out[0] = 'Q';
  out[1] = 'P';
  out[2] = 'K';
  out[3] = 0;
  Put32(&out, 4, compressed_index ? 1 : 0);
  Put32(&out, 8, index_offset);
  Put32(&out, 12, (uint32_t)members.size());
  return out;
}

/* An image loaded as the updater loads its resource: ArchiveImage,
 * ArchiveImageSize and LoadedIndex set for ExtractMember; undone at scope
 * end. */
struct LoadedArchive {
  std::vector<uint8_t> image;
  explicit LoadedArchive(std::vector<uint8_t> bytes) : image(std::move(bytes)) {
    ArchiveImage = image.data();
    ArchiveImageSize = (DWORD)image.size();
    LoadedIndex = OpenArchive();
  }
  ~LoadedArchive() {
    if (LoadedIndex) GlobalFree(LoadedIndex);
    LoadedIndex = nullptr;
    ArchiveImage = nullptr;
    ArchiveImageSize = 0;
  }
  bool ok() const { return LoadedIndex != nullptr; }
};

}  // namespace raw

#endif
