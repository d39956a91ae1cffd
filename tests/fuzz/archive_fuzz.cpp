/* OpenArchive on an arbitrary memory image, then ExtractMember of every
 * member (and of one name the archive lacks) to a scratch file, with the
 * world's message boxes answered silently.
 *
 * The image is a heap block of exactly the input's size.  Checked beyond
 * memory safety: a refused archive leaves nothing allocated and says why;
 * an accepted one has every member's stored bytes between the header and
 * the index; an extraction either writes the whole member or leaves no
 * file, never a temporary file; a plain member is written as it is stored
 * and a compressed one as it decodes. */
#include "archive/container.h"
#include "archive/decompress.h"
#include "archive/extract.h"
#include "tests/fuzz/fuzz_world.h"
#include "platform/sim/sim_control.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

namespace {

/* Members extracted per input; the rest of a long index adds time, not
 * paths. */
constexpr DWORD kMaxExtractions = 256;
const char kOutput[] = "OUT.BIN";

std::string MemberName(const ArchiveEntry &entry) {
  char name[ARCHIVE_NAME_FIELD + 1];
  memcpy(name, entry.name, ARCHIVE_NAME_FIELD);
  name[ARCHIVE_NAME_FIELD] = 0;
  return name;
}

std::string ReadHostFile(const std::string &host) {
  std::string contents;
  FILE *file = fopen(host.c_str(), "rb");
  if (!file) return contents;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) contents.append(chunk, n);
  fclose(file);
  return contents;
}

/* The first entry of that name is the one ExtractMember writes. */
bool FirstOfItsName(const ArchiveIndex *index, DWORD i) {
  std::string name = MemberName(index->entries[i]);
  for (DWORD j = 0; j < i; j++)
    if (lstrcmpiA(MemberName(index->entries[j]).c_str(), name.c_str()) == 0) return false;
  return true;
}

/* What the member must decode to, or nullopt when it is damaged. */
std::optional<std::string> ExpectedBytes(const BYTE *image, DWORD offset,
                                         const ArchiveEntry &entry) {
  if (!(entry.flags & CompressedFlag)) {
    if (entry.size > entry.stored_size) return std::nullopt;
    return std::string((const char *)image + offset, entry.size);
  }
  std::string out(entry.size, '\0');
  DWORD produced = 0;
  if (!DecompressStream((BYTE *)&out[0], entry.size, image + offset,
                        entry.stored_size, &produced, 0) ||
      produced != entry.size)
    return std::nullopt;
  return out;
}

void ExtractEveryMember(const BYTE *image) {
  const ArchiveIndex *index = LoadedIndex;
  std::string destination = FuzzPath(kOutput);
  DWORD offset = ARCHIVE_HEADER_SIZE;
  DWORD count = index->header.entry_count < kMaxExtractions ? index->header.entry_count
                                                            : kMaxExtractions;
  for (DWORD i = 0; i < count; i++) {
    const ArchiveEntry &entry = index->entries[i];
    std::string name = MemberName(entry);
    DeleteFileA(destination.c_str());
    size_t boxes = SimMessageBoxLog().size();
    int written = ExtractMember(destination.c_str(), name.c_str(), 0);
    std::string host = SimHostPath(destination.c_str());
    bool exists = access(host.c_str(), F_OK) == 0;
    std::string contents = exists ? ReadHostFile(host) : std::string();
    if (written) {
      FuzzCheck(exists);
      FuzzCheck(SimMessageBoxLog().size() == boxes);
      if (FirstOfItsName(index, i)) {
        std::optional<std::string> expected = ExpectedBytes(image, offset, entry);
        FuzzCheck(expected.has_value());
        FuzzCheck(contents == *expected);
        /* Over its own copy with the newer-file rule: the same bytes stay,
         * whether the copy is left alone or written again. */
        FuzzCheck(ExtractMember(destination.c_str(), name.c_str(), 1) == 1);
        FuzzCheck(ReadHostFile(host) == *expected);
      }
      FuzzCheck(FuzzScratchNames() == std::vector<std::string>{kOutput});
    } else {
      /* No half-written file (the destination did not exist before), no
       * temporary one, at most one message. */
      FuzzCheck(!exists);
      FuzzCheck(FuzzScratchNames().empty());
      FuzzCheck(SimMessageBoxLog().size() <= boxes + 1);
    }
    FuzzCheckNothingLeft(1);
    offset += ARCHIVE_PADDED(entry.stored_size);
  }

  /* A name no member has: one message, nothing written. */
  const char missing[] = "\x01";
  bool present = false;
  for (DWORD i = 0; i < index->header.entry_count; i++)
    present = present || lstrcmpiA(MemberName(index->entries[i]).c_str(), missing) == 0;
  if (!present) {
    size_t boxes = SimMessageBoxLog().size();
    DeleteFileA(destination.c_str());
    FuzzCheck(ExtractMember(destination.c_str(), missing, 0) == 0);
    FuzzCheck(SimMessageBoxLog().size() == boxes + 1);
    FuzzCheck(FuzzScratchNames().empty());
  }
}

/* A sound header (index offset inside the image) whose plain index does
 * not fit between the offset and the image's end. */
bool PlainIndexTooLong(const uint8_t *data, size_t size) {
  if (size < ARCHIVE_HEADER_SIZE) return false;
  DWORD flags, index_offset, count;
  memcpy(&flags, data + 4, 4);
  memcpy(&index_offset, data + 8, 4);
  memcpy(&count, data + 12, 4);
  return !(flags & IndexCompressedFlag) && index_offset >= ARCHIVE_HEADER_SIZE &&
         index_offset <= size &&
         (ULONGLONG)count * ARCHIVE_ENTRY_SIZE > size - index_offset;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  /* An empty image would make OpenArchive take ArchiveImage for a path. */
  if (size == 0 || size > 0xFFFFFFFFu) return 0;
  /* No entry count is left out: the loader refuses a compressed index
   * that claims more records than its stream could decode to before it
   * allocates the block, so no input makes it ask for gigabytes. */
  FuzzWorldStart();

  BYTE *image = new BYTE[size];
  memcpy(image, data, size);
  ArchiveImage = image;
  ArchiveImageSize = (DWORD)size;

  /* Count the loader's allocations (the fault injector counts without
   * failing anything when armed with 0). */
  SimFaultArm(0, SimFaultAlloc, 0);
  LoadedIndex = OpenArchive();
  int allocations = SimFaultOperations();
  SimFaultDisarm();
  if (!LoadedIndex) {
    FuzzCheck(ArchiveError && ArchiveError[0]);
    /* A plain index that the image cannot hold is refused before any
     * block is asked for: its size comes from the header alone. */
    if (PlainIndexTooLong(data, size)) FuzzCheck(allocations == 0);
    FuzzCheckNothingLeft();
  } else {
    const ArchiveIndex *index = LoadedIndex;
    FuzzCheck(memcmp(&index->header, image, ARCHIVE_HEADER_SIZE) == 0);
    FuzzCheck(index->header.index_offset >= ARCHIVE_HEADER_SIZE &&
              index->header.index_offset <= size);
    ULONGLONG offset = ARCHIVE_HEADER_SIZE;
    for (DWORD i = 0; i < index->header.entry_count; i++) {
      FuzzCheck(offset + index->entries[i].stored_size <= index->header.index_offset);
      offset += ARCHIVE_PADDED((ULONGLONG)index->entries[i].stored_size);
    }
    ExtractEveryMember(image);
    GlobalFree(LoadedIndex);
    LoadedIndex = 0;
    FuzzCheckNothingLeft();
  }

  ArchiveImage = 0;
  ArchiveImageSize = 0;
  delete[] image;
  return 0;
}
