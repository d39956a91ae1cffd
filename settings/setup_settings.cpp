/* LoadSetupSettings: the installed SETUP.INI, step by step in the order the
 * keys are read.  The first failure returns 0 at once; what was read before
 * it stays stored. */
#include "settings/setup_settings.h"

#include "settings/decimal_text.h"
#include "settings/ini_access.h"
#include "settings/install_settings.h"

/* "SETUP.INI : %s エラー" with the key that failed. */
static int FailForKey(const char *key)
{
    char message[LONG_TEXT_SIZE];
    wsprintfA(message, "SETUP.INI : %s エラー", key);
    ShowSetupError(message);
    return 0;
}

static int ReadIdentity(void)
{
    return ReadSetupValue(InstallSettings.CompanyName, "CompanyName",
                          COUNTOF(InstallSettings.CompanyName)) &&
           ReadSetupValue(InstallSettings.GameTitle, "GameTitle",
                          COUNTOF(InstallSettings.GameTitle)) &&
           ReadSetupValue(InstallSettings.GameDir, "GameDir",
                          COUNTOF(InstallSettings.GameDir)) &&
           ReadSetupValue(InstallSettings.GameExe, "GameExe",
                          COUNTOF(InstallSettings.GameExe)) &&
           ReadSetupValue(InstallSettings.UninstExe, "UninstExe",
                          COUNTOF(InstallSettings.UninstExe));
}

/* Takes up to slot_count items; when fewer arrive, the slot after the last
 * one becomes the end mark (an empty string).  Returns the item count. */
static int TakeItems(const char *value, PathBuffer *slots, int slot_count)
{
    const char *cursor = value;
    int count = 0;
    while (count < slot_count && NextListItem(slots[count], &cursor))
        count++;
    if (count < slot_count)
        slots[count][0] = '\0';
    return count;
}

static int ReadSetupBitmaps(char *work, DWORD work_size)
{
    if (!ReadSetupValue(work, "SetupBmp", work_size))
        return 0;
    if (TakeItems(work, InstallSettings.SetupBmp, SETUP_BMP_SLOTS) == 0) {
        ShowSetupError("SETUP.INI : SetupBmps エラー");
        return 0;
    }
    return 1;
}

/* One selection's file list; each item's disk number is that of the last
 * prefix at or before it in this list, so ListItemDisk starts at 0. */
static int ReadInstallFiles(int selection, char *work, DWORD work_size)
{
    char key[32];
    const char *cursor = work;
    int count = 0;

    wsprintfA(key, "InstallFiles%i", selection);
    if (!ReadSetupValue(work, key, work_size))
        return 0;
    InstallSettings.InstallUsesDisks[selection] = 0;
    ListItemDisk = 0;
    while (count < INSTALL_FILE_SLOTS &&
           NextListItem(InstallSettings.InstallFiles[selection][count],
                        &cursor)) {
        InstallSettings.InstallFileDisk[selection][count] = ListItemDisk;
        if (ListItemDisk != 0)
            InstallSettings.InstallUsesDisks[selection] = 1;
        count++;
    }
    if (count == 0)
        return FailForKey(key);
    if (count < INSTALL_FILE_SLOTS)
        InstallSettings.InstallFiles[selection][count][0] = '\0';
    return 1;
}

static int ReadSelections(char *work, DWORD work_size)
{
    char key[32];
    int s;
    if (!ReadSetupInt("InstallSelects", &InstallSettings.InstallSelects))
        return 0;
    if (InstallSettings.InstallSelects > INSTALL_SELECT_MAX) {
        ShowSetupError("SETUP.INI : InstallSelect オーバー");
        return 0;
    }
    for (s = 0; s < InstallSettings.InstallSelects; s++) {
        wsprintfA(key, "InstallTitle%i", s);
        if (!ReadSetupValue(InstallSettings.InstallTitle[s], key,
                            COUNTOF(InstallSettings.InstallTitle[s])))
            return 0;
        if (!ReadInstallFiles(s, work, work_size))
            return 0;
    }
    return 1;
}

static int ReadShortcuts(void)
{
    char key[32];
    char value[PATH_BUFFER_SIZE];
    int k;
    if (!ReadSetupInt("Shortcuts", &InstallSettings.Shortcuts))
        return 0;
    if (InstallSettings.Shortcuts > SHORTCUT_MAX) {
        ShowSetupError("SETUP.INI : Shortcuts オーバー");
        return 0;
    }
    for (k = 0; k < InstallSettings.Shortcuts; k++) {
        wsprintfA(key, "Shortcut%i", k);
        if (!ReadSetupValue(value, key, COUNTOF(value)))
            return 0;
        if (TakeItems(value, InstallSettings.Shortcut[k], SHORTCUT_ITEMS) < 2)
            return FailForKey(key);
    }
    return 1;
}

/* An optional text: the default when the key is missing. */
static void ReadTextOr(char *field, const char *key, DWORD size,
                       const char *fallback)
{
    if (!ReadSetupValue(field, key, size))
        lstrcpyA(field, fallback);
}

/* An optional switch: 1 when the key is present and its number nonzero. */
static int ReadFlag(const char *key)
{
    int value = 0;
    return ReadSetupInt(key, &value) && value != 0;
}

static void ReadInstallSizes(void)
{
    char key[32];
    char text[NUMBER_TEXT_SIZE];
    int s;
    for (s = 0; s < InstallSettings.InstallSelects; s++) {
        wsprintfA(key, "InstallSize%i", s);
        InstallSettings.InstallSize[s] =
            ReadSetupValue(text, key, COUNTOF(text)) ? ParseDecimalU64(text)
                                                     : 0;
    }
}

static void ReadDiskCheckFiles(void)
{
    char key[32];
    int d;
    for (d = 0; d < DISK_CHECK_SLOTS; d++) {
        wsprintfA(key, "DiskCheckFile%i", d);
        ReadSetupValue(InstallSettings.DiskCheckFile[d], key,
                       COUNTOF(InstallSettings.DiskCheckFile[d]));
    }
}

/* Present means exactly two items: a program and its argument. */
static int ReadExecApp(void)
{
    char value[PATH_BUFFER_SIZE];
    const char *cursor = value;
    if (!ReadSetupValue(value, "ExecApp", COUNTOF(value))) {
        InstallSettings.ExecApp[0][0] = '\0';
        return 1;
    }
    if (!NextListItem(InstallSettings.ExecApp[0], &cursor) ||
        !NextListItem(InstallSettings.ExecApp[1], &cursor))
        return FailForKey("ExecApp");
    return 1;
}

static void ReadDirectX(void)
{
    int v = 0;
    InstallSettings.InstallDirectX = 0;
    if (!ReadSetupInt("InstallDirectX", &v))
        return;
    InstallSettings.InstallDirectX = DIRECTX_CORE;
    if (v & 1)
        InstallSettings.InstallDirectX |= DIRECTX_DRAW_DRIVERS;
    if (v & 2)
        InstallSettings.InstallDirectX |= DIRECTX_SOUND_DRIVERS;
}

int LoadSetupSettings(void)
{
    char work[LONG_TEXT_SIZE];

    if (!ReadIdentity() || !ReadSetupBitmaps(work, COUNTOF(work)) ||
        !ReadSelections(work, COUNTOF(work)) || !ReadShortcuts())
        return 0;

    ReportMissingKeys = 0;
    ReadTextOr(InstallSettings.GameClass, "GameClass",
               COUNTOF(InstallSettings.GameClass), InstallSettings.GameTitle);
    InstallSettings.DefaultSelect = 0;
    ReadSetupInt("DefaultSelect", &InstallSettings.DefaultSelect);
    ReadInstallSizes();
    ReadDiskCheckFiles();
    if (!ReadExecApp())
        return 0;
    ReadDirectX();
    ReadTextOr(InstallSettings.InstallDXMessage, "InstallDXMessage",
               COUNTOF(InstallSettings.InstallDXMessage),
               "ＤｉｒｅｃｔＸをインストールする");
    ReadTextOr(InstallSettings.SelectSetupMessage, "SelectSetupMessage",
               COUNTOF(InstallSettings.SelectSetupMessage),
               "インストール方法を選択して下さい");
    InstallSettings.UseCompanyNameForShortcutGroup =
        ReadFlag("UseCompanyNameForShortcutGroup");
    InstallSettings.ChooseSaveDataFolder = ReadFlag("ChooseSaveDataFolder");
    ReadTextOr(InstallSettings.SaveDataFolderName, "SaveDataFolderName",
               COUNTOF(InstallSettings.SaveDataFolderName),
               InstallSettings.GameDir);
    return 1;
}
