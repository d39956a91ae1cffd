/* The installed game's SETUP.INI, read and validated once at start-up. */
#ifndef SETTINGS_SETUP_SETTINGS_H
#define SETTINGS_SETUP_SETTINGS_H

/* Reads section SETUP of the file named by InstallSettings.SetupIniPath
 * into InstallSettings, key by key in a fixed order, with the defaults of
 * the optional keys and the table limits (20 bitmaps, 3 selections of up
 * to 40 files, 10 shortcuts, 10 disk check files).  Switches
 * ReportMissingKeys off before the first optional key.  Returns 1 when
 * every value was read and found valid; 0 at the first failure (a missing
 * required key, or a validation message shown through ShowSetupError),
 * with the fields read before it left filled. */
int LoadSetupSettings(void);

#endif
