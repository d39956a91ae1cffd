/* The copies from the game's CD-ROM: the disk search with its prompt, and
 * one shell copy per entry into the installation folder. */
#include "app/error_box.h"
#include "app/path_join.h"
#include "app/update_lists.h"
#include "app/update_run.h"
#include "app/wizard.h"
#include "settings/install_settings.h"

static const char MsgInsertDisk[] = "ＣＤ－ＲＯＭドライブに「%s」ディスク %i を入れて下さい";
static const char MsgCopying[] = "%s をコピーしています";

#define COPY_FILE_FLAGS (FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR)
#define COPY_FOLDER_FLAGS (COPY_FILE_FLAGS | FOF_NOERRORUI)

/* The drive of the run's most recent search ("X:"); empty before it. */
static char DiskDrive[3];

static int IsCdromDrive(char letter)
{
    char root[4];
    root[0] = letter;
    root[1] = ':';
    root[2] = '\\';
    root[3] = 0;
    return GetDriveTypeA(root) == DRIVE_CDROM;
}

static void SetDiskDrive(char letter)
{
    DiskDrive[0] = letter;
    DiskDrive[1] = ':';
    DiskDrive[2] = 0;
}

/* The first CD-ROM drive, A to Z, whose check file for disk exists (an
 * empty check file probes the drive's root). */
static int FindDisk(int disk)
{
    PathBuffer probe;
    char letter;

    for (letter = 'A'; letter <= 'Z'; letter++) {
        if (!IsCdromDrive(letter))
            continue;
        probe[0] = letter;
        probe[1] = ':';
        probe[2] = 0;
        if (!AppendPathWithin(probe, COUNTOF(probe), InstallSettings.DiskCheckFile[disk]))
            continue;
        if (GetFileAttributesA(probe) != INVALID_FILE_ATTRIBUTES) {
            SetDiskDrive(letter);
            return 1;
        }
    }
    return 0;
}

/* Searches until the disk is found, prompting after each miss.  Returns 0
 * when the prompt is answered other than OK. */
static int WaitForDisk(HWND dialog, int disk)
{
    char prompt[1024];

    while (!FindDisk(disk)) {
        wsprintfA(prompt, MsgInsertDisk, InstallSettings.GameTitle, disk);
        if (MessageBoxA(dialog, prompt, UpdaterCaption, MB_OKCANCEL) != IDOK)
            return 0;
    }
    return 1;
}

/* An entry without a disk number before any search in the run takes the
 * first CD-ROM drive; 0 when there is none. */
static int TakeFirstCdromDrive(void)
{
    char letter;
    for (letter = 'A'; letter <= 'Z'; letter++) {
        if (IsCdromDrive(letter)) {
            SetDiskDrive(letter);
            return 1;
        }
    }
    return 0;
}

static void ShowCopyFailed(const CopyEntry *entry)
{
    char message[1024];
    wsprintfA(message, MsgCopyFailed, entry->path);
    ShowUpdaterError(message);
}

/* Source and target lists of one item each, ended by two NULs.  A source
 * that is no file (a folder, or unreadable) is copied into the
 * installation folder itself.  Returns 0 when a path would not fit. */
static int BuildCopyPaths(const CopyEntry *entry, char *source, char *target,
                          DWORD size, int *folder_copy)
{
    DWORD attributes;
    int length;

    lstrcpyA(source, DiskDrive);
    if (!AppendPathWithin(source, size, entry->path))
        return 0;
    length = lstrlenA(InstallSettings.InstPath);
    if ((DWORD)length + 2 > size)
        return 0;
    lstrcpyA(target, InstallSettings.InstPath);
    target[length + 1] = 0;
    attributes = GetFileAttributesA(source);
    *folder_copy = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!*folder_copy)
        return AppendPathWithin(target, size, entry->path);
    return 1;
}

/* Returns 0 after ending the dialog. */
static int CopyEntryFromDisk(HWND dialog, const CopyEntry *entry)
{
    char source[PATH_BUFFER_SIZE + 1];
    char target[PATH_BUFFER_SIZE + 1];
    SHFILEOPSTRUCTA operation;
    int folder_copy = 0;
    int result;

    if (entry->disk != 0) {
        if (!WaitForDisk(dialog, entry->disk)) {
            AbortRun(dialog);
            return 0;
        }
    } else if (!DiskDrive[0] && !TakeFirstCdromDrive()) {
        ShowCopyFailed(entry);
        AbortRun(dialog);
        return 0;
    }
    if (!BuildCopyPaths(entry, source, target, COUNTOF(source), &folder_copy)) {
        ShowCopyFailed(entry);
        AbortRun(dialog);
        return 0;
    }
    SetInfoText(dialog, MsgCopying, entry->path);

    operation.hwnd = dialog;
    operation.wFunc = FO_COPY;
    operation.pFrom = source;
    operation.pTo = target;
    operation.fFlags = folder_copy ? COPY_FOLDER_FLAGS : COPY_FILE_FLAGS;
    operation.fAnyOperationsAborted = FALSE;
    operation.hNameMappings = 0;
    operation.lpszProgressTitle = 0;
    result = SHFileOperationA(&operation);
    if (operation.fAnyOperationsAborted) {
        AbortRun(dialog);
        return 0;
    }
    if (result != 0) {
        ShowCopyFailed(entry);
        AbortRun(dialog);
        return 0;
    }
    SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
    return 1;
}

int CopyFromDisk(HWND dialog)
{
    int i;

    DiskDrive[0] = 0;
    for (i = 0; i < CopyList.count; i++)
        if (!CopyEntryFromDisk(dialog, &CopyList.entries[i]))
            return 0;
    return 1;
}
