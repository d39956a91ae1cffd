/* The INI readers and their missing-key report. */
#include "settings/ini_access.h"

#include "app/error_box.h"
#include "settings/decimal_text.h"
#include "settings/install_settings.h"

int ReportMissingKeys = 1;
int ListItemDisk;

void ShowSetupError(const char *text)
{
    MessageBoxA(MessageOwner, text, "INSTCMMN", MB_ICONERROR);
}

/* Clears the whole buffer, so that the bytes after the value's NUL are NUL
 * as well, and looks the key up with the empty default.  A result of 0
 * means missing, whatever the cause (no file, no section, no key, empty
 * value). */
static int LookUpProfileValue(char *buffer, const char *section,
                              const char *key, DWORD size, const char *file)
{
    DWORD i;
    for (i = 0; i < size; i++)
        buffer[i] = 0;
    return GetPrivateProfileStringA(section, key, "", buffer, size, file) != 0;
}

int ReadScriptValue(char *buffer, const char *section, const char *key,
                    DWORD size)
{
    char report[LONG_TEXT_SIZE];
    if (LookUpProfileValue(buffer, section, key, size,
                           InstallSettings.ScriptPath))
        return 1;
    if (ReportMissingKeys) {
        wsprintfA(report, "%s : %s キーが存在しません", section, key);
        ShowSetupError(report);
    }
    return 0;
}

int ReadSetupValue(char *buffer, const char *key, DWORD size)
{
    char report[LONG_TEXT_SIZE];
    if (LookUpProfileValue(buffer, SETUP_SECTION, key, size,
                           InstallSettings.SetupIniPath))
        return 1;
    if (ReportMissingKeys) {
        wsprintfA(report, "SETUP.INI : %s キーが存在しません", key);
        ShowSetupError(report);
    }
    return 0;
}

int ReadSetupInt(const char *key, int *value)
{
    char text[NUMBER_TEXT_SIZE];
    if (!ReadSetupValue(text, key, COUNTOF(text)))
        return 0;
    *value = ParseDecimalInt(text);
    return 1;
}
