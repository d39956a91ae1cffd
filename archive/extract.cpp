/* Member extraction: lookup by name, the free-space check, decoding, the
 * newer-file rule and the write. */
#include "archive/extract.h"

#include "app/error_box.h"
#include "archive/container.h"
#include "archive/decompress.h"
#include "fsutil/fsutil.h"

const char *ExtractError = "";

static const char MsgNoMember[] = "Can't Find File in Resource !!";
static const char MsgNoSpace[] =
    "ディスク容量が足りません。%s ドライブに %i バイトの空き容量が必要です";
static const char MsgNoMemory[] = "Can't Allocate Memory !!";

/* The entry's name as a string: the field need not hold a NUL, and the
 * comparison must not read past it. */
static void EntryName(const ArchiveEntry *entry, char *name) {
  int i;
  for (i = 0; i < ARCHIVE_NAME_FIELD; i++) name[i] = entry->name[i];
  name[ARCHIVE_NAME_FIELD] = 0;
}

/* Finds the first entry of that name and the offset of its data. */
static const ArchiveEntry *FindMember(const char *member, DWORD *offset) {
  char name[ARCHIVE_NAME_FIELD + 1];
  DWORD data_offset = ARCHIVE_HEADER_SIZE;
  DWORD i;
  if (!LoadedIndex) return 0;
  for (i = 0; i < LoadedIndex->header.entry_count; i++) {
    const ArchiveEntry *entry = &LoadedIndex->entries[i];
    EntryName(entry, name);
    if (lstrcmpiA(name, member) == 0) {
      *offset = data_offset;
      return entry;
    }
    data_offset += ARCHIVE_PADDED(entry->stored_size);
  }
  return 0;
}

/* The drive's free space must hold the member's decoded size.  A failed
 * query counts as enough: a real shortage then shows up as a failed
 * write, which leaves the old file in place. */
static int EnoughSpace(const char *destination, DWORD size) {
  char drive[3];
  char message[1024];
  ULONGLONG available = 0, total = 0;
  drive[0] = destination[0];
  drive[1] = destination[0] ? destination[1] : 0;
  drive[2] = 0;
  if (!QueryFreeSpace(drive, &available, &total, 0)) return 1;
  if (available >= size) return 1;
  wsprintfA(message, MsgNoSpace, drive, (int)(size - (DWORD)available));
  ShowUpdaterError(message);
  return 0;
}

/* 1 when the existing destination was written later than the member. */
static int DestinationIsNewer(const char *destination, const FILETIME *member_time) {
  FILETIME written;
  ULONGLONG file_ticks, member_ticks;
  int newer = 0;
  HANDLE file = CreateFileA(destination, GENERIC_READ, FILE_SHARE_READ, 0,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
  if (file == INVALID_HANDLE_VALUE) return 0;
  if (GetFileTime(file, 0, 0, &written)) {
    file_ticks = ((ULONGLONG)written.dwHighDateTime << 32) | written.dwLowDateTime;
    member_ticks = ((ULONGLONG)member_time->dwHighDateTime << 32) |
                   member_time->dwLowDateTime;
    newer = file_ticks > member_ticks;
  }
  CloseHandle(file);
  return newer;
}

/* Decodes a compressed member into block (entry->size bytes). */
static int DecodeMember(const ArchiveEntry *entry, const BYTE *data, BYTE *block) {
  DWORD produced = 0;
  return DecompressStream(block, entry->size, data, entry->stored_size,
                          &produced, 0) &&
         produced == entry->size;
}

BYTE *LoadMember(const char *member, DWORD *size) {
  DWORD offset = 0, i;
  const ArchiveEntry *entry = FindMember(member, &offset);
  const BYTE *data;
  BYTE *block;
  if (!entry || ArchiveImageSize == 0) return 0;
  data = ArchiveImage + offset;
  if (!(entry->flags & CompressedFlag) && entry->size > entry->stored_size)
    return 0;
  block = (BYTE *)GlobalAlloc(GMEM_FIXED, entry->size ? entry->size : 1);
  if (!block) return 0;
  if (entry->flags & CompressedFlag) {
    if (!DecodeMember(entry, data, block)) {
      GlobalFree(block);
      return 0;
    }
  } else {
    for (i = 0; i < entry->size; i++) block[i] = data[i];
  }
  *size = entry->size;
  return block;
}

static int FailSilently(BYTE *block, const char *reason) {
  ExtractError = reason;
  if (block) GlobalFree(block);
  return 0;
}

int ExtractMember(const char *destination, const char *member,
                  int keep_newer_file) {
  const ArchiveEntry *entry;
  DWORD offset = 0;
  const BYTE *data;
  BYTE *block = 0;
  DWORD attributes;
  int written;

  ExtractError = "";
  entry = FindMember(member, &offset);
  if (!entry) {
    ShowUpdaterError(MsgNoMember);
    return 0;
  }
  /* Member data is read straight from the memory image. */
  if (ArchiveImageSize == 0) return FailSilently(0, "archive not in memory");
  if (!EnoughSpace(destination, entry->size)) return 0;

  data = ArchiveImage + offset;
  if (entry->flags & CompressedFlag) {
    block = (BYTE *)GlobalAlloc(GMEM_FIXED, entry->size ? entry->size : 1);
    if (!block) {
      ShowUpdaterError(MsgNoMemory);
      return 0;
    }
    if (!DecodeMember(entry, data, block))
      return FailSilently(block, "damaged member stream");
    data = block;
  } else if (entry->size > entry->stored_size) {
    /* A plain member is written as it stands; more bytes than it stores
     * would come from the next member or the index. */
    return FailSilently(0, "plain member larger than its stored bytes");
  }

  attributes = GetFileAttributesA(destination);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      return FailSilently(block, "destination is a folder");
    /* Cleared before the newer-file rule, so it stays cleared even when
     * the file is then left alone. */
    if (attributes & FILE_ATTRIBUTE_READONLY)
      SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);
    if (keep_newer_file && DestinationIsNewer(destination, &entry->time)) {
      if (block) GlobalFree(block);
      return 1;
    }
  }

  written = WriteWholeFile(destination, data, entry->size, &entry->time);
  if (block) GlobalFree(block);
  if (!written) ExtractError = "cannot write the file";
  return written;
}
