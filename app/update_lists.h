/* The update run's two lists, rebuilt from the script by every run that
 * gets past the disk-space check.  Only entries that apply to the
 * installed game's install mode are stored, in script order. */
#ifndef APP_UPDATE_LISTS_H
#define APP_UPDATE_LISTS_H

#include "settings/update_script.h"

typedef struct UpdateListRecord {
    UpdateEntry entries[SCRIPT_LIST_MAX];
    int count;
} UpdateListRecord;

typedef struct CopyListRecord {
    CopyEntry entries[SCRIPT_LIST_MAX];
    int count;
} CopyListRecord;

extern UpdateListRecord UpdateList;
extern CopyListRecord CopyList;

#endif
