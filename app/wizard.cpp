/* The update wizard dialog.  The procedure answers each message in a few
 * lines; the pages are set up by named functions and the update itself
 * runs in RunUpdate, inside the handling of the second Next press. */
#include "app/wizard.h"

#include <stdarg.h>

#include "app/error_box.h"
#include "app/update_run.h"
#include "res/wizard_template.h"
#include "settings/install_settings.h"

static const char OpeningText[] = "「%s」のアップデートを開始します";
static const char ConfirmationText[] = "アップデートを実行します";

int WizardStep;
DWORD WizardBusy;

void SetInfoText(HWND window, const char *format, ...)
{
    char text[1024];
    va_list args;

    va_start(args, format);
    wvsprintfA(text, format, args);
    va_end(args);
    SetDlgItemTextA(window, WIZARD_INFO_ID, text);
}

void EnableControl(HWND window, int id, int enable)
{
    EnableWindow(GetDlgItem(window, id), enable ? TRUE : FALSE);
}

/* Next and Abort on, Back off: the opening and confirmation pages. */
static void EnableForwardButtons(HWND window)
{
    EnableControl(window, WIZARD_BACK_ID, 0);
    EnableControl(window, WIZARD_NEXT_ID, 1);
    EnableControl(window, WIZARD_ABORT_ID, 1);
}

void InitWizard(HWND window)
{
    WizardBusy = 0;
    WizardStep = 0;
    MessageOwner = window;
    SetWindowTextA(window, UpdaterCaption);
    /* The title goes in as an argument, so a percent sign in it shows. */
    SetInfoText(window, OpeningText, InstallSettings.GameTitle);
    EnableForwardButtons(window);
}

/* Next (id 1) or Back (id 4).  A press that arrives while another is being
 * handled is dropped, not deferred.  Back steps back by two before the
 * value is examined; every handled press then moves one step on. */
static void HandlePress(HWND window, int id)
{
    if (WizardBusy)
        return;
    WizardBusy = 1;
    SetInfoText(window, "");
    if (id == WIZARD_BACK_ID)
        WizardStep -= 2;
    switch (WizardStep) {
    case 0:
        SetInfoText(window, ConfirmationText);
        EnableForwardButtons(window);
        break;
    case 1:
        RunUpdate(window);
        break;
    case 2:
        EndDialog(window, 0);
        break;
    default:
        break;
    }
    WizardStep++;
    WizardBusy--;
}

static INT_PTR HandleSetCursor(void)
{
    if (!WizardBusy)
        return FALSE;
    SetCursor(LoadCursorA(0, IDC_WAIT));
    return TRUE;
}

INT_PTR CALLBACK WizardDialogProc(HWND window, UINT message, WPARAM wparam,
                                  LPARAM lparam)
{
    switch (message) {
    case WM_SETCURSOR:
        return HandleSetCursor();
    case WM_INITDIALOG:
        InitWizard(window);
        return FALSE;
    case WM_COMMAND:
        /* The whole parameter: only notification code 0 (clicks, Enter,
         * Esc) counts. */
        if (wparam == WIZARD_NEXT_ID || wparam == WIZARD_BACK_ID)
            HandlePress(window, (int)wparam);
        else if (wparam == WIZARD_ABORT_ID && !WizardBusy)
            EndDialog(window, -1);
        return FALSE;
    default:
        return FALSE;
    }
}
