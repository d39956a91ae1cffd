/* The updater's start-up sequence and its way out. */
#ifndef APP_STARTUP_H
#define APP_STARTUP_H

#include "platform/platform.h"

/* The program's entry: runs the whole update outside the wizard.  Returns
 * 1 after a completed update and 0 on every other way out. */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line,
                   int show_command);

/* Frees the loaded archive index and closes and deletes the extracted
 * script; safe to call on every way out, also before either exists. */
void CleanUp(void);

/* Copies source to destination (at least as large as source), turning each
 * backslash + lower-case n into one carriage return.  Double-byte
 * characters are copied whole, so their second byte is never taken for a
 * backslash. */
void ExpandLineBreaks(const char *source, char *destination);

#endif
