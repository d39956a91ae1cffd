/* The entry syntax of the update script's [UPDATE] section.
 *
 * The script is never parsed as a whole: the update run reads each numbered
 * key with ReadScriptValue and hands the value to one of the parsers here,
 * which turn it into the record the run keeps in its lists.  Both parsers
 * are pure apart from NextListItem's ListItemDisk (update entries take
 * their fields through the list reader, so a field that looks like a disk
 * prefix sets it, as it does in every other list). */
#ifndef SETTINGS_UPDATE_SCRIPT_H
#define SETTINGS_UPDATE_SCRIPT_H

#include "fsutil/fsutil.h"
#include "platform/platform.h"

/* Keys of the [UPDATE] section.  The numbered lists run from 00 to 15 and
 * end at the first number whose key is absent or empty. */
#define UPDATE_SECTION "UPDATE"
#define REQUIRED_DISK_SPACE_KEY "RequiredDiskSpace"
#define OVERWRITE_ONLY_KEY "OverwriteOnly"
#define UPDATE_FILE_KEY_FORMAT "UpdateFile%02i"
#define COPY_FILE_KEY_FORMAT "CopyFile%02i"
#define SCRIPT_LIST_MAX 16
/* An UpdateFile value is read into this many bytes; a CopyFile value and
 * the two numbers into a PathBuffer. */
#define UPDATE_VALUE_SIZE 1024

typedef enum UpdateKind {
    KindReplace = 0,   /* no kind letter: always written */
    KindUpdate = 1,    /* "u": written unless the installed file is newer */
    KindData = 2,      /* "d": save data, written only where none exists */
    KindOverwrite = 3  /* "o": written only over an existing file */
} UpdateKind;

/* One file to write from the archive.  name is relative to the destination
 * root and DataFolder; the archive member is name + member_offset (the
 * part after the last backslash, found stepping over double-byte
 * characters). */
typedef struct UpdateEntry {
    UpdateKind kind;
    PathBuffer name;
    int member_offset;
} UpdateEntry;

/* One file or folder to copy from the game's CD-ROM.  disk is 0 to 9 (0:
 * the drive the last search found); path is relative to the drive's root,
 * exactly as written after the prefixes. */
typedef struct CopyEntry {
    int disk;
    PathBuffer path;
} CopyEntry;

/* Parses an UpdateFile value ("[mode,][kind,]name") as read.  Fills *entry
 * whatever the install mode, and returns 1 when the entry applies to
 * inst_mode, 0 when its install-mode field names another mode (the caller
 * skips it and goes on with the next number).  Fields longer than 259
 * bytes are cut by the list reader; the caller checks that the paths it
 * builds from name still fit. */
int ParseUpdateEntry(const char *value, DWORD inst_mode, UpdateEntry *entry);

/* Parses a CopyFile value ("[mode,][disk:]path") by character position.
 * Returns 1 with *entry filled and *applies set (1 for inst_mode, 0 when
 * the entry names another mode); returns 0 when the entry must be refused
 * because its disk character is no digit (it would name no DiskCheckFile
 * slot) or its path does not fit a PathBuffer.  A refused entry leaves
 * *entry unspecified; nothing is ever cut. */
int ParseCopyEntry(const char *value, DWORD inst_mode, int *applies,
                   CopyEntry *entry);

#endif
