/* The start-up sequence: from the embedded archive to the wizard, and the
 * one way out through CleanUp.  Every failure before the wizard is shown
 * here (or by the reader that found it) and ends the process with 0. */
#include "app/startup.h"

#include "app/error_box.h"
#include "app/installation.h"
#include "app/path_join.h"
#include "app/running_checks.h"
#include "app/script_file.h"
#include "app/wizard.h"
#include "archive/container.h"
#include "fsutil/fsutil.h"
#include "res/wizard_template.h"
#include "settings/ini_access.h"
#include "settings/install_settings.h"
#include "settings/setup_settings.h"

#define ARCHIVE_RESOURCE_ID 102
static const char ArchiveResourceType[] = "UPDATE";
static const char SetupSection[] = "SETUP";
static const char SetupIniName[] = "SETUP.INI";

static const char MsgArchiveMissing[] = "UPDATE.QPK not found";
static const char MsgArchiveUnreadable[] = "RESOURCE READ ERROR";
static const char MsgScriptMissing[] = "UPDATE.INI not found at UPDATE.QPK";
static const char MsgNotInstalled[] = "「%s」がインストールされていません";
static const char MsgNoSetupIni[] = "インストール先に \"SETUP.INI\" ファイルが見つかりません";
static const char MsgAborted[] = "アップデートが中断されました";
static const char DefaultCaptionFormat[] = "%s アップデータ %s";

/* Locks the archive resource in memory.  The image is never released. */
static int LocateArchive(HINSTANCE instance)
{
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(ARCHIVE_RESOURCE_ID),
                                   ArchiveResourceType);
    DWORD size;
    HGLOBAL loaded;
    const BYTE *image;

    if (!resource)
        return 0;
    size = SizeofResource(instance, resource);
    if (size == 0)
        return 0;
    loaded = LoadResource(instance, resource);
    if (!loaded)
        return 0;
    image = (const BYTE *)LockResource(loaded);
    if (!image)
        return 0;
    ArchiveImage = image;
    ArchiveImageSize = size;
    return 1;
}

/* The four keys that name the game; the reader reports the first one
 * missing, and the keys after it are not read. */
static int ReadRequiredScriptKeys(void)
{
    return ReadScriptValue(InstallSettings.CompanyName, SetupSection, "CompanyName",
                           COUNTOF(InstallSettings.CompanyName)) &&
           ReadScriptValue(InstallSettings.GameTitle, SetupSection, "GameTitle",
                           COUNTOF(InstallSettings.GameTitle)) &&
           ReadScriptValue(InstallSettings.GameClass, SetupSection, "GameClass",
                           COUNTOF(InstallSettings.GameClass)) &&
           ReadScriptValue(InstallSettings.GameDir, SetupSection, "GameDir",
                           COUNTOF(InstallSettings.GameDir));
}

/* An absent key leaves its field empty (the reader clears the buffer). */
static void ReadOptionalScriptKeys(void)
{
    ReadScriptValue(InstallSettings.GameTitleA, SetupSection, "GameTitleA",
                    COUNTOF(InstallSettings.GameTitleA));
    ReadScriptValue(InstallSettings.UpdaterVersion, SetupSection, "UpdaterVersion",
                    COUNTOF(InstallSettings.UpdaterVersion));
    ReadScriptValue(InstallSettings.UpdaterTitle, SetupSection, "UpdaterTitle",
                    COUNTOF(InstallSettings.UpdaterTitle));
    ReadScriptValue(InstallSettings.DataFolder, SetupSection, "DataFolder",
                    COUNTOF(InstallSettings.DataFolder));
    ReadScriptValue(InstallSettings.UpdateMessage, SetupSection, "UpdateMessage",
                    COUNTOF(InstallSettings.UpdateMessage));
}

/* The installed "SETUP.INI" must be present (a folder of that name
 * passes); a path that would not fit counts as absent. */
static int SetupIniPresent(void)
{
    lstrcpyA(InstallSettings.SetupIniPath, InstallSettings.InstPath);
    if (!AppendPathWithin(InstallSettings.SetupIniPath,
                          COUNTOF(InstallSettings.SetupIniPath), SetupIniName)) {
        InstallSettings.SetupIniPath[0] = 0;
        return 0;
    }
    return GetFileAttributesA(InstallSettings.SetupIniPath) != INVALID_FILE_ATTRIBUTES;
}

static void BuildCaption(void)
{
    if (InstallSettings.UpdaterTitle[0])
        wsprintfA(UpdaterCaption, "%s", InstallSettings.UpdaterTitle);
    else
        wsprintfA(UpdaterCaption, DefaultCaptionFormat, InstallSettings.GameTitle,
                  InstallSettings.UpdaterVersion);
}

void CleanUp(void)
{
    if (LoadedIndex) {
        GlobalFree(LoadedIndex);
        LoadedIndex = 0;
    }
    DiscardScript();
}

/* Ends the sequence: every way out but the completed update. */
static int Stop(void)
{
    CleanUp();
    return 0;
}

static int StopWith(const char *message)
{
    ShowUpdaterError(message);
    return Stop();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line,
                   int show_command)
{
    char work[1024];
    INT_PTR result;

    CoInitialize(0);
    if (!LocateArchive(instance))
        return StopWith(MsgArchiveMissing);
    LoadedIndex = OpenArchive();
    if (!LoadedIndex)
        return StopWith(MsgArchiveUnreadable);
    if (!ExtractScript())
        return StopWith(MsgScriptMissing);

    if (!ReadRequiredScriptKeys())
        return Stop();
    ReportMissingKeys = 0;
    ReadOptionalScriptKeys();

    if (!FindInstallation()) {
        wsprintfA(work, MsgNotInstalled, InstallSettings.GameTitle);
        return StopWith(work);
    }
    if (InstallSettings.UpdateMessage[0]) {
        ExpandLineBreaks(InstallSettings.UpdateMessage, work);
        ShowUpdaterError(work);
    }
    if (!SetupIniPresent())
        return StopWith(MsgNoSetupIni);
    if (!LoadSetupSettings())
        return Stop();

    BuildCaption();
    if (!NoOtherUpdater() || !GameHasEnded())
        return Stop();

    result = DialogBoxParamA(instance, MAKEINTRESOURCEA(WIZARD_TEMPLATE_ID), 0,
                             WizardDialogProc, 0);
    if (result != 0) {
        /* The wizard's window is gone; its box stands on its own. */
        MessageOwner = 0;
        return StopWith(MsgAborted);
    }
    CleanUp();
    return 1;
}
