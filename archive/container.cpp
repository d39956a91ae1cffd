/* Loading the archive's header and index.
 *
 * The archive comes from memory (the updater's resource image) or from a
 * file.  Beyond reading the layout, the loader checks every bound that a
 * damaged or hostile archive could break, so that nothing after it reads
 * outside the image: the index lies inside the image, its size cannot
 * overflow, a compressed index decodes to exactly entry_count records, and
 * every member's stored bytes lie between the header and the index. */
#include "archive/container.h"

#include "archive/decompress.h"

const BYTE *ArchiveImage;
DWORD ArchiveImageSize;
ArchiveIndex *LoadedIndex;
const char *ArchiveError = "";

/* Largest entry count whose index block size fits 32 bits. */
#define MAX_ENTRY_COUNT ((0xFFFFFFFFu - ARCHIVE_HEADER_SIZE) / ARCHIVE_ENTRY_SIZE)

/* The most bytes a stream of stream_size bytes can decode to: every 25
 * bits a match of 282 bytes (code 0 0, distance prefix 1, data byte, one
 * extra bit, five 0 bits and the length byte). */
static ULONGLONG MaxDecodedSize(DWORD stream_size) {
  return ((ULONGLONG)stream_size * 8u / 25u + 1u) * 282u;
}

static const BYTE ArchiveMagic[4] = {'Q', 'P', 'K', 0};

/* Where one open goes on: the block, the file and the temporary block are
 * released by a single exit path. */
typedef struct OpenState {
  HANDLE file;
  ArchiveIndex *index;
  BYTE *stream;
  DWORD image_size;
} OpenState;

static ArchiveIndex *Fail(OpenState *state, const char *reason) {
  ArchiveError = reason;
  if (state->stream) GlobalFree(state->stream);
  if (state->index) GlobalFree(state->index);
  if (state->file != INVALID_HANDLE_VALUE) CloseHandle(state->file);
  return 0;
}

/* Reads exactly count bytes from the file at its current position. */
static int ReadExactly(HANDLE file, void *buffer, DWORD count) {
  DWORD got = 0;
  if (!ReadFile(file, buffer, count, &got, 0)) return 0;
  return got == count;
}

static int SameBytes(const BYTE *a, const BYTE *b, DWORD count) {
  DWORD i;
  for (i = 0; i < count; i++)
    if (a[i] != b[i]) return 0;
  return 1;
}

static void CopyBytes(void *destination, const void *source, DWORD count) {
  BYTE *d = (BYTE *)destination;
  const BYTE *s = (const BYTE *)source;
  while (count--) *d++ = *s++;
}

/* Every member's stored bytes must end at or before the index.  Offsets are
 * summed in 64 bits: with 32-bit sums a hostile stored size could wrap
 * back into the image. */
static int MembersInsideImage(const ArchiveIndex *index) {
  ULONGLONG offset = ARCHIVE_HEADER_SIZE;
  DWORD i;
  for (i = 0; i < index->header.entry_count; i++) {
    const ArchiveEntry *entry = &index->entries[i];
    if (offset + entry->stored_size > index->header.index_offset) return 0;
    offset += ((ULONGLONG)entry->stored_size + 15u) & ~(ULONGLONG)15u;
  }
  return 1;
}

ArchiveIndex *OpenArchive(void) {
  OpenState state;
  ArchiveHeader header;
  DWORD index_bytes;
  int from_file = ArchiveImageSize == 0;

  state.file = INVALID_HANDLE_VALUE;
  state.index = 0;
  state.stream = 0;
  state.image_size = ArchiveImageSize;
  ArchiveError = "";

  /* 1. Header.  From memory the magic is not checked; from a file it is. */
  if (from_file) {
    state.file = CreateFileA((const char *)ArchiveImage, GENERIC_READ,
                             FILE_SHARE_READ, 0, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, 0);
    if (state.file == INVALID_HANDLE_VALUE)
      return Fail(&state, "cannot open the archive");
    if (!ReadExactly(state.file, &header, ARCHIVE_HEADER_SIZE))
      return Fail(&state, "no complete header");
    if (!SameBytes(header.magic, ArchiveMagic, 4))
      return Fail(&state, "not an archive (bad magic)");
    state.image_size = GetFileSize(state.file, 0);
    if (state.image_size == INVALID_FILE_SIZE)
      return Fail(&state, "cannot get the archive's size");
    if (SetFilePointer(state.file, (LONG)header.index_offset, 0, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER)
      return Fail(&state, "cannot seek to the index");
  } else {
    if (ArchiveImageSize < ARCHIVE_HEADER_SIZE)
      return Fail(&state, "no complete header");
    CopyBytes(&header, ArchiveImage, ARCHIVE_HEADER_SIZE);
  }

  /* Bounds of the index. */
  if (header.entry_count > MAX_ENTRY_COUNT)
    return Fail(&state, "entry count too large");
  if (header.index_offset < ARCHIVE_HEADER_SIZE ||
      header.index_offset > state.image_size)
    return Fail(&state, "index offset outside the archive");
  index_bytes = header.entry_count * ARCHIVE_ENTRY_SIZE;
  /* A plain index must fit before its block is allocated: a few header
   * bytes must not make the loader ask for gigabytes. */
  if (!(header.flags & IndexCompressedFlag) &&
      index_bytes > state.image_size - header.index_offset)
    return Fail(&state, "index cut short");
  /* Nor may a compressed one claim more than its stream can hold: the
   * densest code is a 282-byte match in 25 bits. */
  if ((header.flags & IndexCompressedFlag) &&
      index_bytes > MaxDecodedSize(state.image_size - header.index_offset))
    return Fail(&state, "index stream too short for its entry count");

  /* 2. The index block: header copy and records. */
  state.index = (ArchiveIndex *)GlobalAlloc(GMEM_FIXED,
                                            ARCHIVE_HEADER_SIZE + index_bytes);
  if (!state.index) return Fail(&state, "out of memory for the index");

  if (header.flags & IndexCompressedFlag) {
    /* 3. One stream from the index offset to the end of the image. */
    DWORD stream_size = state.image_size - header.index_offset;
    const BYTE *stream = ArchiveImage + header.index_offset;
    DWORD produced = 0;
    if (from_file) {
      state.stream = (BYTE *)GlobalAlloc(GMEM_FIXED, stream_size ? stream_size : 1);
      if (!state.stream) return Fail(&state, "out of memory for the index");
      if (!ReadExactly(state.file, state.stream, stream_size))
        return Fail(&state, "index cut short");
      stream = state.stream;
    }
    if (!DecompressStream((BYTE *)state.index->entries, index_bytes, stream,
                          stream_size, &produced, 0) ||
        produced != index_bytes)
      return Fail(&state, "damaged index stream");
    if (state.stream) {
      GlobalFree(state.stream);
      state.stream = 0;
    }
  } else {
    /* 4. Exactly entry_count records (their fit is checked above); bytes
     * after them are ignored. */
    if (from_file) {
      if (!ReadExactly(state.file, state.index->entries, index_bytes))
        return Fail(&state, "index cut short");
    } else {
      CopyBytes(state.index->entries, ArchiveImage + header.index_offset,
                index_bytes);
    }
  }

  /* 5. Header copy in front, file closed. */
  CopyBytes(&state.index->header, &header, ARCHIVE_HEADER_SIZE);
  if (!MembersInsideImage(state.index))
    return Fail(&state, "member data outside the archive");
  if (state.file != INVALID_HANDLE_VALUE) CloseHandle(state.file);
  return state.index;
}
