/* The tool's version of the updater's error box: one line on stderr,
 * "qpk: ARCHIVE: text", so that ExtractMember's messages reach the user of
 * a command-line tool the conventional way. */
#include "app/error_box.h"
#include "tools/qpk/qpk.h"

#include <cstdio>

char UpdaterCaption[1024] = "UPDATE";
HWND MessageOwner;

void ShowUpdaterError(const char *text) {
  QpkError(CurrentArchive(), ForTerminal(text));
}
