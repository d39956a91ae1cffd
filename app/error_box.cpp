/* The updater's error box and the process-wide values it shows with. */
#include "app/error_box.h"

char UpdaterCaption[1024] = "UPDATE";
HWND MessageOwner;

void ShowUpdaterError(const char *text)
{
    MessageBoxA(MessageOwner, text, UpdaterCaption, MB_OK | MB_ICONERROR);
}
