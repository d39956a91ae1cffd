/* The readers through which every INI value passes: one key of the update
 * script or of the installed SETUP.INI, an integer of SETUP.INI, the next
 * item of a comma-separated list, and the missing-key report.
 *
 * A reader clears all size bytes of its buffer before the lookup, so the
 * bytes after the value's NUL are NUL too; NextListItem relies on that to
 * end a list.  A key that is absent and a key with an empty value are the
 * same thing: missing. */
#ifndef SETTINGS_INI_ACCESS_H
#define SETTINGS_INI_ACCESS_H

#include "fsutil/fsutil.h"
#include "platform/platform.h"

/* Buffer size of list values and long texts. */
#define LONG_TEXT_SIZE 1024
/* Buffer size of a number read as text (at most 19 characters). */
#define NUMBER_TEXT_SIZE 20
#define SETUP_SECTION "SETUP"

/* On at program start.  While on, a reader that finds no value shows
 * "... キーが存在しません" through ShowSetupError before it fails; switched
 * off for good after the script's required keys and again by
 * LoadSetupSettings. */
extern int ReportMissingKeys;
/* The disk number of the last list item that carried a disk prefix.
 * NextListItem writes it and never clears it; a caller that wants the
 * numbers to start afresh for a list sets it to 0 first. */
extern int ListItemDisk;

/* One key of section in the file named by InstallSettings.ScriptPath.
 * Returns 1 with the value (cut to size - 1 bytes) in buffer, or 0 with
 * buffer empty.  The report names the section and the key. */
int ReadScriptValue(char *buffer, const char *section, const char *key,
                    DWORD size);
/* The same for section SETUP of the file named by
 * InstallSettings.SetupIniPath; the report names the key. */
int ReadSetupValue(char *buffer, const char *key, DWORD size);
/* A SETUP.INI key as a signed decimal number (ParseDecimalInt).  Returns 1
 * with *value stored, or 0 with *value untouched when the key is missing;
 * text that is no number stores 0 and succeeds. */
int ReadSetupInt(const char *key, int *value);

/* Takes the next item of the list at *cursor (a position inside a value
 * that a reader has just filled) into item and moves the cursor past it.
 * Leading blanks (0x20 only) are skipped; an item ends at a comma, CR, LF
 * or NUL.  A second character ':' makes the first a disk prefix: its digit
 * value (0 for a non-digit) goes to ListItemDisk and both characters are
 * dropped.  Returns 0, touching neither item nor cursor beyond the blanks,
 * when the cursor stands on a terminator (an empty item ends the list).
 * An item longer than 259 bytes is cut to 259 in item while the cursor
 * still moves past all of it.  At the value's NUL the cursor stays on the
 * NUL, so every later call returns 0 without looking past the buffer. */
int NextListItem(char item[PATH_BUFFER_SIZE], const char **cursor);

/* A modal error box with the owner MessageOwner, the caption "INSTCMMN"
 * and MB_ICONERROR. */
void ShowSetupError(const char *text);

#endif
