/* Finding the installed game through its per-user registry record. */
#include "app/installation.h"

#include "settings/install_settings.h"

static const char InstallKeyFormat[] = "Software\\%s\\%s";

/* Reads a string value into buffer.  The stored type is not examined.  A
 * value that does not fit, or that fills the whole buffer without a NUL,
 * counts as absent: nothing is ever cut, and the buffer is always left
 * terminated (empty when absent). */
static int QueryStringValue(HKEY key, const char *name, char *buffer, DWORD size)
{
    DWORD length = size;
    DWORD i;

    if (RegQueryValueExA(key, name, 0, 0, (LPBYTE)buffer, &length) != ERROR_SUCCESS ||
        length > size) {
        buffer[0] = 0;
        return 0;
    }
    for (i = 0; i < length; i++)
        if (buffer[i] == 0)
            return 1;
    if (length == size) {
        buffer[0] = 0;
        return 0;
    }
    buffer[length] = 0;
    return 1;
}

static int QueryDwordValue(HKEY key, const char *name, DWORD *value)
{
    DWORD length = sizeof(*value);
    return RegQueryValueExA(key, name, 0, 0, (LPBYTE)value, &length) == ERROR_SUCCESS;
}

int FindInstallation(void)
{
    char key_name[1024];
    HKEY key;
    int installed = 0;

    wsprintfA(key_name, InstallKeyFormat, InstallSettings.CompanyName,
              InstallSettings.GameDir);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_name, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    if (QueryStringValue(key, "InstPath", InstallSettings.InstPath,
                         COUNTOF(InstallSettings.InstPath))) {
        QueryStringValue(key, "DataPath", InstallSettings.DataPath,
                         COUNTOF(InstallSettings.DataPath));
        installed = QueryDwordValue(key, "InstMode", &InstallSettings.InstMode);
    }
    RegCloseKey(key);
    return installed;
}
