/* InstallSettings: the one process-wide record of every value that
 * identifies, locates and describes the installed game.  Each field is
 * named after the key or registry value that fills it.  The start-up
 * sequence fills the update script's [SETUP] values, the registry values
 * and the two file paths; LoadSetupSettings fills the rest from the
 * installed SETUP.INI and overwrites CompanyName, GameTitle, GameDir and
 * GameClass, whose installed values hold from then on.  Everything is
 * empty or 0 at program start. */
#ifndef SETTINGS_INSTALL_SETTINGS_H
#define SETTINGS_INSTALL_SETTINGS_H

#include "fsutil/fsutil.h"
#include "platform/platform.h"
#include "settings/ini_access.h"

#define SETUP_BMP_SLOTS 20
#define INSTALL_SELECT_MAX 3
#define INSTALL_FILE_SLOTS 40
#define SHORTCUT_MAX 10
#define SHORTCUT_ITEMS 3
#define DISK_CHECK_SLOTS 10
#define EXEC_APP_ITEMS 2

/* InstallDirectX flags: the run-time core, DirectDraw and DirectSound
 * drivers, as the DirectX setup interface defines them. */
#define DIRECTX_CORE 0x00010000u
#define DIRECTX_DRAW_DRIVERS 0x00000008u
#define DIRECTX_SOUND_DRIVERS 0x00000010u

typedef struct InstallSettingsRecord {
    /* The update script's [SETUP] section; the first four are replaced
     * from SETUP.INI. */
    PathBuffer CompanyName;
    PathBuffer GameTitle;
    PathBuffer GameClass;
    PathBuffer GameDir;
    PathBuffer GameTitleA;
    PathBuffer UpdaterVersion;
    PathBuffer UpdaterTitle;
    PathBuffer DataFolder;
    char UpdateMessage[LONG_TEXT_SIZE];

    /* The registry record of the installation. */
    PathBuffer InstPath;
    PathBuffer DataPath;
    DWORD InstMode;

    /* The extracted script and the installed settings file. */
    PathBuffer ScriptPath;
    PathBuffer SetupIniPath;

    /* The installed SETUP.INI. */
    PathBuffer GameExe;
    PathBuffer UninstExe;
    PathBuffer SetupBmp[SETUP_BMP_SLOTS];
    int InstallSelects;
    PathBuffer InstallTitle[INSTALL_SELECT_MAX];
    PathBuffer InstallFiles[INSTALL_SELECT_MAX][INSTALL_FILE_SLOTS];
    /* Per file item, the disk number of the last prefix at or before it
     * in its list (0 when none). */
    int InstallFileDisk[INSTALL_SELECT_MAX][INSTALL_FILE_SLOTS];
    /* 1 when any item of the selection has a nonzero disk number. */
    int InstallUsesDisks[INSTALL_SELECT_MAX];
    int Shortcuts;
    PathBuffer Shortcut[SHORTCUT_MAX][SHORTCUT_ITEMS];
    int DefaultSelect;
    ULONGLONG InstallSize[INSTALL_SELECT_MAX];
    /* Indexed by disk number; slot 0 is read but never looked up. */
    PathBuffer DiskCheckFile[DISK_CHECK_SLOTS];
    PathBuffer ExecApp[EXEC_APP_ITEMS];
    DWORD InstallDirectX;
    char InstallDXMessage[LONG_TEXT_SIZE];
    char SelectSetupMessage[LONG_TEXT_SIZE];
    int UseCompanyNameForShortcutGroup;
    int ChooseSaveDataFolder;
    PathBuffer SaveDataFolderName;
} InstallSettingsRecord;

extern InstallSettingsRecord InstallSettings;

#endif
