/* Refusing to run beside another updater or the running game. */
#include "app/running_checks.h"

#include "app/error_box.h"
#include "settings/install_settings.h"

/* The class of dialogs and message boxes: an updater's wizard and its
 * boxes carry the updater's caption under it. */
#define STANDARD_DIALOG_CLASS 0x8002

static const char GameRunningPrompt[] =
    "「%s」が実行中です。アップデートを続行する場合はゲームを終了してから [OK] を、"
    "アップデートを中止する場合は [キャンセル] を押して下さい";

static void RaiseWindow(HWND window)
{
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
}

int NoOtherUpdater(void)
{
    HWND other = FindWindowA(MAKEINTATOM(STANDARD_DIALOG_CLASS), UpdaterCaption);
    if (!other)
        return 1;
    RaiseWindow(other);
    return 0;
}

/* One title: repeat the prompt while a window of the game's class with
 * that title exists. */
static int WaitForGameWindow(const char *title)
{
    char prompt[1024];
    HWND game;

    while ((game = FindWindowA(InstallSettings.GameClass, title)) != 0) {
        wsprintfA(prompt, GameRunningPrompt, title);
        if (MessageBoxA(0, prompt, UpdaterCaption, MB_OKCANCEL) != IDOK) {
            RaiseWindow(game);
            return 0;
        }
    }
    return 1;
}

int GameHasEnded(void)
{
    if (!WaitForGameWindow(InstallSettings.GameTitle))
        return 0;
    if (InstallSettings.GameTitleA[0] && !WaitForGameWindow(InstallSettings.GameTitleA))
        return 0;
    return 1;
}
