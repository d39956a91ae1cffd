/* Finding the installed game through its per-user registry record. */
#ifndef APP_INSTALLATION_H
#define APP_INSTALLATION_H

/* Opens HKEY_CURRENT_USER\Software\<CompanyName>\<GameDir> and reads
 * InstPath, DataPath and InstMode into InstallSettings.  Returns 1 when
 * the game counts as installed (the key with InstPath and InstMode; a
 * missing DataPath leaves it empty), 0 otherwise, without a message. */
int FindInstallation(void);

#endif
