/* The update script's readers on arbitrary INI text: the profile-string
 * reader behind ReadScriptValue, NextListItem over every value, and the
 * update- and copy-entry parsers, reading the keys the updater reads with
 * the buffer sizes it uses (and a few smaller ones, to reach the cut).
 *
 * The input is written to the scratch file the script path names.  Every
 * value lands in a heap block of exactly its buffer size, so a reader or
 * parser that writes or reads past its buffer is caught; the target also
 * checks what each reader promises about its result. */
#include "app/startup.h"
#include "settings/decimal_text.h"
#include "settings/ini_access.h"
#include "settings/install_settings.h"
#include "settings/update_script.h"
#include "tests/fuzz/fuzz_world.h"
#include "platform/sim/sim_control.h"

#include <stdio.h>
#include <string.h>

namespace {

/* Reads one key into a fresh block of size bytes and checks the reader's
 * promises: a NUL within the buffer, all bytes after it NUL, an empty
 * buffer and (while reports are on) exactly one box for a missing key. */
/* Set when the input holds a NUL byte: the world's reader then copies
 * the bytes after it too (the file's text has no end there), so only the
 * first NUL is promised. */
bool InputHasNul;

char *ReadChecked(const char *section, const char *key, DWORD size, int *found) {
  char *buffer = new char[size];
  memset(buffer, 0x5A, size);
  size_t boxes = SimMessageBoxLog().size();
  *found = ReadScriptValue(buffer, section, key, size);
  size_t length = strnlen(buffer, size);
  FuzzCheck(length < size);
  if (!InputHasNul)
    for (size_t i = length; i < size; i++) FuzzCheck(buffer[i] == 0);
  if (!*found) {
    FuzzCheck(length == 0);
    FuzzCheck(SimMessageBoxLog().size() == boxes + (ReportMissingKeys ? 1 : 0));
  } else {
    FuzzCheck(SimMessageBoxLog().size() == boxes);
  }
  return buffer;
}

/* Walks the whole list: every item fits its slot, the cursor only moves
 * forward and never past the value's NUL, and the walk ends. */
void WalkList(const char *value, DWORD size) {
  const char *end = value + strlen(value);
  const char *cursor = value;
  char *item = new char[PATH_BUFFER_SIZE];
  size_t steps = 0;
  while (NextListItem(item, &cursor)) {
    FuzzCheck(strnlen(item, PATH_BUFFER_SIZE) < PATH_BUFFER_SIZE);
    FuzzCheck(cursor > value && cursor <= end);
    FuzzCheck(++steps <= size);
  }
  FuzzCheck(cursor >= value && cursor <= end);
  /* At the end the list stays ended. */
  const char *stop = cursor;
  FuzzCheck(NextListItem(item, &cursor) == 0 && cursor == stop);
  delete[] item;
}

void CheckUpdateEntry(const char *value) {
  for (DWORD mode = 1; mode <= 2; mode++) {
    UpdateEntry *entry = new UpdateEntry;
    ParseUpdateEntry(value, mode, entry);
    size_t length = strnlen(entry->name, COUNTOF(entry->name));
    FuzzCheck(length < COUNTOF(entry->name));
    FuzzCheck(entry->member_offset >= 0 && (size_t)entry->member_offset <= length);
    FuzzCheck(entry->kind >= KindReplace && entry->kind <= KindOverwrite);
    delete entry;
  }
}

void CheckCopyEntry(const char *value) {
  for (DWORD mode = 1; mode <= 2; mode++) {
    CopyEntry *entry = new CopyEntry;
    int applies = -1;
    if (ParseCopyEntry(value, mode, &applies, entry)) {
      FuzzCheck(applies == 0 || applies == 1);
      FuzzCheck(entry->disk >= 0 && entry->disk <= 9);
      FuzzCheck(strnlen(entry->path, COUNTOF(entry->path)) < COUNTOF(entry->path));
    }
    delete entry;
  }
}

/* The numbered keys from 00 up to the first absent one, as the update run
 * reads them, each handed to check with its key. */
template <typename Check>
void ForEachNumbered(const char *format, DWORD size, Check check) {
  char key[32];
  for (int n = 0; n < SCRIPT_LIST_MAX; n++) {
    wsprintfA(key, format, n);
    int found;
    char *value = ReadChecked(UPDATE_SECTION, key, size, &found);
    if (found) check(key, value);
    delete[] value;
    if (!found) break;
  }
}

const char *const kSetupKeys[] = {"CompanyName", "GameTitle",      "GameClass",
                                  "GameDir",     "GameTitleA",     "UpdaterVersion",
                                  "UpdaterTitle", "DataFolder"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzWorldStart();
  FuzzWriteFile("SCRIPT.INI", data, size);
  InputHasNul = memchr(data, 0, size) != 0;
  lstrcpyA(InstallSettings.ScriptPath, FuzzPath("SCRIPT.INI").c_str());
  int found;

  /* [SETUP]: the four required keys report a missing key, the rest not. */
  ReportMissingKeys = 1;
  for (const char *key : kSetupKeys) {
    if (key == kSetupKeys[4]) ReportMissingKeys = 0;
    delete[] ReadChecked("SETUP", key, PATH_BUFFER_SIZE, &found);
  }
  char *message = ReadChecked("SETUP", "UpdateMessage", LONG_TEXT_SIZE, &found);
  char *expanded = new char[LONG_TEXT_SIZE];
  ExpandLineBreaks(message, expanded);
  FuzzCheck(strlen(expanded) <= strlen(message));
  delete[] expanded;
  delete[] message;

  /* [UPDATE]: the two numbers, then both numbered lists. */
  char *number = ReadChecked(UPDATE_SECTION, REQUIRED_DISK_SPACE_KEY, PATH_BUFFER_SIZE, &found);
  ParseDecimalInt(number);
  ParseDecimalU64(number);
  delete[] number;
  number = ReadChecked(UPDATE_SECTION, OVERWRITE_ONLY_KEY, NUMBER_TEXT_SIZE, &found);
  ParseDecimalInt(number);
  delete[] number;

  ForEachNumbered(UPDATE_FILE_KEY_FORMAT, UPDATE_VALUE_SIZE,
                  [](const char *, const char *value) {
                    WalkList(value, UPDATE_VALUE_SIZE);
                    CheckUpdateEntry(value);
                  });
  ForEachNumbered(COPY_FILE_KEY_FORMAT, PATH_BUFFER_SIZE,
                  [](const char *key, const char *value) {
                    CheckCopyEntry(value);
                    /* Read whole, the parser must refuse, not cut, a path
                     * longer than it stores. */
                    int found;
                    char *whole = ReadChecked(UPDATE_SECTION, key, LONG_TEXT_SIZE, &found);
                    CheckCopyEntry(whole);
                    WalkList(whole, LONG_TEXT_SIZE);
                    delete[] whole;
                  });

  /* A tiny buffer: the cut must still leave a terminated value. */
  delete[] ReadChecked(UPDATE_SECTION, "UpdateFile00", 2, &found);

  FuzzCheckNothingLeft();
  return 0;
}
