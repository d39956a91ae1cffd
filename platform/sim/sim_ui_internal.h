/* Shared inside the user-interface part of the Linux test world: the window
 * table (sim_ui.cpp), message boxes (sim_message_box.cpp), the wizard
 * (sim_dialog.cpp) and the shell copy (sim_shell.cpp).
 *
 * Window handles are numbers dressed as pointers, never addresses: a handle
 * of a window that has been destroyed (or of a world since reset) simply
 * finds nothing, so a stale handle fails the call as on Windows instead of
 * reading freed memory.  Numbers are never reused. */
#ifndef PLATFORM_SIM_SIM_UI_INTERNAL_H
#define PLATFORM_SIM_SIM_UI_INTERNAL_H

#include "platform/sim/sim_world.h"
#include "platform/sim/win_types.h"

#include <string>
#include <vector>

#define SIM_ERROR_INVALID_WINDOW_HANDLE 1400L
#define SIM_ERROR_CONTROL_ID_NOT_FOUND 1421L
#define SIM_ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define SIM_WS_VISIBLE 0x10000000u
#define SIM_WS_DISABLED 0x08000000u
#define SIM_WS_TABSTOP 0x00010000u

/* The standard dialog class: the integer atom 0x8002, whose name is
 * "#32770" (every integer atom is named "#" and its decimal value). */
#define SIM_DIALOG_ATOM 0x8002

enum SimWindowRole {
  SimRoleOther,      /* a window of another program (SimCreateWindow) */
  SimRoleMessageBox, /* an open MessageBoxA */
  SimRoleWizard,     /* the open DialogBoxParamA dialog */
  SimRoleControl     /* a child control of the wizard */
};

struct SimWindowRecord {
  SimWindowRole role;
  std::string class_name; /* an integer atom is stored by its "#nnn" name */
  std::string text;       /* title or control text, bytes as given */
  bool visible;
  bool enabled;
  HWND parent;    /* controls only */
  int control_id; /* controls only */
  DWORD style;
};

/* The class name of a FindWindowA/template argument: a string, or an
 * integer atom turned into its "#nnn" name. */
std::string SimClassName(const char *class_name_or_atom);

HWND SimUiCreateWindow(const SimWindowRecord &record);
/* Destroys the window and its children; a focused one takes the focus
 * with it. */
void SimUiDestroyWindow(HWND window);
/* The record of a live window, or null. */
SimWindowRecord *SimUiWindow(HWND window);
/* The child of dialog with that identifier, or null. */
HWND SimUiChild(HWND dialog, int id);
HWND SimUiFocus(void);
std::string SimUiCursorName(void);
/* What the user sees when the pointer rests on a window whose procedure
 * left WM_SETCURSOR to the default handling: the class cursor, the arrow.
 * Changes the snapshot's cursor only, not SimCursorLog (no call made it). */
void SimUiDefaultCursor(void);

/* The open wizard, or null. */
HWND SimDialogOpenWizard(void);
/* Delivers actions to the open wizard's procedure, one snapshot each, the
 * event labelled "CONTEXT: command 1" and so on.  Calls run even with no
 * wizard open; messages need one and are dropped without it. */
void SimDialogDeliver(const std::vector<SimAction> &actions,
                      const std::string &context);
/* Actions scripted for the nth message box (counted from reset, the index
 * of its entry in SimMessageBoxLog), delivered while it is open. */
void SimDialogDeliverDuringMessageBox(int nth);
/* Actions scripted for the nth shell copy, delivered as its progress
 * window's modal loop would (sim_shell.cpp calls this). */
void SimDialogDeliverDuringShellCopy(int nth);

void SimResetWindows(void);
void SimResetMessageBoxes(void);
void SimResetDialog(void);

#endif
