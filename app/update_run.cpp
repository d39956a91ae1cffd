/* The update run: the disk-space check, the two lists, the writes from the
 * archive, then the copies from the CD-ROM and the completed page. */
#include "app/update_run.h"

#include "app/error_box.h"
#include "app/path_join.h"
#include "app/update_lists.h"
#include "app/wizard.h"
#include "archive/extract.h"
#include "res/wizard_template.h"
#include "settings/decimal_text.h"
#include "settings/ini_access.h"
#include "settings/install_settings.h"

UpdateListRecord UpdateList;
CopyListRecord CopyList;

const char MsgCopyFailed[] = "SETUP.INI : \"%s\" のコピーに失敗しました";
static const char MsgSpaceShort[] =
    "ディスク容量が足りません。\r%s ドライブに %i バイトの空き容量が必要です";
static const char MsgRunning[] = "アップデートを実行しています";
static const char MsgNoEntries[] = "No 'UpdateFileXX' and 'CopyFileXX'";
static const char MsgWriteFailed[] = "ファイルの書き込みに失敗しました";
static const char MsgCompleted[] = "アップデートは完了しました";

void AbortRun(HWND dialog)
{
    EndDialog(dialog, -1);
}

/* 1 when the installation drive has the space the script asks for.  A
 * failed free-space query counts as enough: a real shortage then shows up
 * as a failed write, which leaves the old file in place. */
static int EnoughSpaceFor(HWND dialog)
{
    PathBuffer value;
    char drive[3];
    DWORD required;
    ULONGLONG available = 0, total = 0;

    if (!ReadScriptValue(value, UPDATE_SECTION, REQUIRED_DISK_SPACE_KEY, COUNTOF(value)))
        return 1;
    required = (DWORD)ParseDecimalInt(value);
    if (required == 0)
        return 1;
    drive[0] = InstallSettings.InstPath[0];
    drive[1] = drive[0] ? InstallSettings.InstPath[1] : 0;
    drive[2] = 0;
    if (!QueryFreeSpace(drive, &available, &total, 0) || available >= required)
        return 1;
    SetInfoText(dialog, MsgSpaceShort, drive, (int)(required - (DWORD)available));
    EnableControl(dialog, WIZARD_BACK_ID, 1);
    EnableControl(dialog, WIZARD_NEXT_ID, 0);
    EnableControl(dialog, WIZARD_ABORT_ID, 1);
    return 0;
}

static void ShowBusy(HWND dialog)
{
    SetInfoText(dialog, MsgRunning);
    EnableControl(dialog, WIZARD_BACK_ID, 0);
    EnableControl(dialog, WIZARD_NEXT_ID, 0);
    EnableControl(dialog, WIZARD_ABORT_ID, 0);
    SetCursor(LoadCursorA(0, IDC_WAIT));
}

static int OverwriteOnlyIsOn(void)
{
    PathBuffer value;
    return ReadScriptValue(value, UPDATE_SECTION, OVERWRITE_ONLY_KEY, COUNTOF(value)) &&
           ParseDecimalInt(value) != 0;
}

/* The numbered keys from 00 up to the first absent one; entries for
 * another install mode are skipped without ending the scan. */
static void BuildUpdateList(void)
{
    char key[32];
    char value[UPDATE_VALUE_SIZE];
    int n;

    UpdateList.count = 0;
    for (n = 0; n < SCRIPT_LIST_MAX; n++) {
        wsprintfA(key, UPDATE_FILE_KEY_FORMAT, n);
        if (!ReadScriptValue(value, UPDATE_SECTION, key, COUNTOF(value)))
            break;
        if (ParseUpdateEntry(value, InstallSettings.InstMode,
                             &UpdateList.entries[UpdateList.count]))
            UpdateList.count++;
    }
}

/* As BuildUpdateList.  An entry whose disk character is no digit, or whose
 * path does not fit, is refused with the copy message before anything is
 * written.  Returns 0 after ending the dialog. */
static int BuildCopyList(HWND dialog)
{
    char key[32];
    PathBuffer value;
    char message[1024];
    int n, applies;

    CopyList.count = 0;
    for (n = 0; n < SCRIPT_LIST_MAX; n++) {
        wsprintfA(key, COPY_FILE_KEY_FORMAT, n);
        if (!ReadScriptValue(value, UPDATE_SECTION, key, COUNTOF(value)))
            break;
        if (!ParseCopyEntry(value, InstallSettings.InstMode, &applies,
                            &CopyList.entries[CopyList.count])) {
            wsprintfA(message, MsgCopyFailed, value);
            ShowUpdaterError(message);
            AbortRun(dialog);
            return 0;
        }
        if (applies)
            CopyList.count++;
    }
    return 1;
}

/* The destination of an entry: its root, DataFolder (created, one level,
 * result not looked at) and its name.  0 when the path would not fit. */
static int BuildDestination(const UpdateEntry *entry, char *path, DWORD size)
{
    const char *root = entry->kind == KindData ? InstallSettings.DataPath
                                               : InstallSettings.InstPath;
    lstrcpyA(path, root);
    if (!AppendPathWithin(path, size, InstallSettings.DataFolder))
        return 0;
    CreateDirectoryA(path, 0);
    return AppendPathWithin(path, size, entry->name);
}

/* An existing save-data file keeps its contents and gets the time of the
 * run.  Returns 1 when the file existed and was handled so. */
static int TouchExistingData(const char *path)
{
    DWORD size = 0;
    BYTE *contents = ReadWholeFile(path, &size);
    if (!contents)
        return 0;
    WriteWholeFile(path, contents, size, 0);
    GlobalFree(contents);
    return 1;
}

/* Returns 0 after ending the dialog. */
static int WriteUpdateList(HWND dialog, int overwrite_only)
{
    char path[1024];
    int i;

    for (i = 0; i < UpdateList.count; i++) {
        const UpdateEntry *entry = &UpdateList.entries[i];
        if (!BuildDestination(entry, path, COUNTOF(path))) {
            ShowUpdaterError(MsgWriteFailed);
            AbortRun(dialog);
            return 0;
        }
        if (overwrite_only || entry->kind == KindOverwrite) {
            DWORD attributes = GetFileAttributesA(path);
            if (attributes == INVALID_FILE_ATTRIBUTES ||
                (attributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
        }
        if (entry->kind == KindData && TouchExistingData(path))
            continue;
        if (!ExtractMember(path, entry->name + entry->member_offset,
                           entry->kind == KindUpdate)) {
            ShowUpdaterError(MsgWriteFailed);
            AbortRun(dialog);
            return 0;
        }
    }
    return 1;
}

static void ShowCompleted(HWND dialog)
{
    HWND next = GetDlgItem(dialog, WIZARD_NEXT_ID);
    SetInfoText(dialog, MsgCompleted);
    SetDlgItemTextA(dialog, WIZARD_NEXT_ID, WIZARD_DONE_TEXT);
    EnableControl(dialog, WIZARD_NEXT_ID, 1);
    SetFocus(next);
    SetCursor(LoadCursorA(0, IDC_ARROW));
}

void RunUpdate(HWND dialog)
{
    int overwrite_only;

    if (!EnoughSpaceFor(dialog))
        return;
    ShowBusy(dialog);
    overwrite_only = OverwriteOnlyIsOn();
    BuildUpdateList();
    if (!BuildCopyList(dialog))
        return;
    if (UpdateList.count == 0 && CopyList.count == 0) {
        ShowUpdaterError(MsgNoEntries);
        AbortRun(dialog);
        return;
    }
    if (!WriteUpdateList(dialog, overwrite_only))
        return;
    if (!CopyFromDisk(dialog))
        return;
    ShowCompleted(dialog);
}
