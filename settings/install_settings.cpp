/* The process-wide installation record, empty at program start. */
#include "settings/install_settings.h"

InstallSettingsRecord InstallSettings;
