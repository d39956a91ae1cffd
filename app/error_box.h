/* The updater's error box and the process-wide values it uses. */
#ifndef APP_ERROR_BOX_H
#define APP_ERROR_BOX_H

#include "platform/platform.h"

/* The window caption: "UPDATE" at program start, built once by WinMain. */
extern char UpdaterCaption[1024];
/* Owner of the error boxes: none until the wizard records its window. */
extern HWND MessageOwner;

/* A modal box with the owner MessageOwner, the caption UpdaterCaption, the
 * error icon and the single OK button.  The text is shown as it stands.
 * (The publisher's tools link their own version, which writes to stderr.) */
void ShowUpdaterError(const char *text);

#endif
