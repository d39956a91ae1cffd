/* The update wizard: one information line and the buttons Next, Abort and
 * Back over the steps opening, confirmation, update run. */
#ifndef APP_WIZARD_H
#define APP_WIZARD_H

#include "platform/platform.h"

/* Handled presses; after a press it names the step the next press takes. */
extern int WizardStep;
/* Nonzero while a Next or Back press is handled (also during the modal
 * loops of the run's boxes and the shell copy). */
extern DWORD WizardBusy;

/* TRUE only for WM_SETCURSOR while busy; FALSE for everything else, so the
 * dialog gets no default focus. */
INT_PTR CALLBACK WizardDialogProc(HWND window, UINT message, WPARAM wparam,
                                  LPARAM lparam);

/* WM_INITDIALOG: the opening page. */
void InitWizard(HWND window);

/* Formats the arguments into format (at most 1024 bytes, NUL included) and
 * sets the result as the information line.  The format is always
 * interpreted: outside data goes in as an argument of "%s". */
void SetInfoText(HWND window, const char *format, ...);

/* Enables (enable nonzero) or disables the wizard's control id. */
void EnableControl(HWND window, int id, int enable);

#endif
