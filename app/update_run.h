/* The update run: carries out the script's [UPDATE] section inside the
 * wizard's handling of the second Next press. */
#ifndef APP_UPDATE_RUN_H
#define APP_UPDATE_RUN_H

#include "platform/platform.h"

/* Leaves the dialog either short of space (the message in the information
 * line, Back and Abort on, Next off) or completed (Next reads "完了", is on
 * and focused); on every other outcome it has shown what failed and called
 * EndDialog(dialog, -1).  Files written before a failure stay. */
void RunUpdate(HWND dialog);

/* The failure message of a copy entry, with its path inserted. */
extern const char MsgCopyFailed[];

/* Ends the run: dialog result -1. */
void AbortRun(HWND dialog);

/* Copies the copy list from the CD-ROM into the installation folder.
 * Returns 1 when every entry was copied, 0 after the dialog was ended. */
int CopyFromDisk(HWND dialog);

#endif
