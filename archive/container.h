/* The QPK container: a 16-byte header, the members' stored bytes (each
 * padded with zeros to a multiple of 16), and an index of 32-byte records,
 * plain or as one compressed stream that runs to the end of the image.
 * All integers are little-endian; the structures below are the bytes as
 * they stand in the archive. */
#ifndef ARCHIVE_CONTAINER_H
#define ARCHIVE_CONTAINER_H

#include "platform/platform.h"

#define ARCHIVE_HEADER_SIZE 16
#define ARCHIVE_ENTRY_SIZE 32
#define ARCHIVE_NAME_FIELD 15        /* bytes of the name field */
#define ARCHIVE_NAME_MAX 14          /* bytes of name before its NUL */
#define IndexCompressedFlag 1u       /* header flags: index is one stream */
#define CompressedFlag 2u            /* entry flags: member is one stream */
#define PlainMemberFlags 1u          /* entry flags written for a plain member */

typedef struct ArchiveHeader {
  BYTE magic[4]; /* 'Q', 'P', 'K', 0 */
  DWORD flags;
  DWORD index_offset;
  DWORD entry_count;
} ArchiveHeader;

typedef struct ArchiveEntry {
  char name[ARCHIVE_NAME_FIELD]; /* NUL-padded; may fill the field */
  BYTE flags;
  FILETIME time;                 /* low word at 16, high word at 20 */
  DWORD size;                    /* size after decompression */
  DWORD stored_size;             /* bytes in the archive, padding not counted */
} ArchiveEntry;

/* One heap block: the header copy and entry_count records right behind it
 * (16 + 32 * entry_count bytes; never use sizeof on it). */
typedef struct ArchiveIndex {
  ArchiveHeader header;
  ArchiveEntry entries[1];
} ArchiveIndex;

/* Where the archive is read from.  A non-zero ArchiveImageSize means the
 * image is in memory at ArchiveImage; 0 means ArchiveImage points to the
 * NUL-terminated path of an archive file. */
extern const BYTE *ArchiveImage;
extern DWORD ArchiveImageSize;
/* The index held for ExtractMember; freed once, at exit. */
extern ArchiveIndex *LoadedIndex;

/* Loads header and index from the source above into a new block
 * (GlobalAlloc), or returns null, with nothing left allocated or open,
 * when the source cannot be read or does not hold a sound archive: the
 * index must lie inside the image, a compressed index must decode to
 * exactly entry_count records, and every member's stored bytes must lie
 * inside the image before the index. */
ArchiveIndex *OpenArchive(void);
/* Why the last OpenArchive failed, in a few words, for the tools. */
extern const char *ArchiveError;

/* Offset of the first byte after a member's stored bytes and padding. */
#define ARCHIVE_PADDED(n) (((n) + 15u) & ~15u)

#endif
