/* The reset of each part of the Linux test world; SimReset calls them all. */
#ifndef PLATFORM_SIM_SIM_RESET_H
#define PLATFORM_SIM_SIM_RESET_H
void SimResetFiles(void);     /* sim_files.cpp: open handles, locks, temp path, current folder */
void SimResetDrives(void);    /* sim_drives.cpp: drive table, free-space figures and mode */
void SimResetMemory(void);    /* sim_memory.cpp: block accounting */
void SimResetResources(void); /* sim_resources.cpp */
void SimResetProfile(void);   /* sim_profile.cpp */
void SimResetRegistry(void);  /* sim_registry.cpp */
void SimResetUi(void);        /* sim_ui.cpp: windows, dialogs, message boxes, cursors */
void SimResetShell(void);     /* sim_shell.cpp */
#endif
