/* The extracted update script: a file of this process's own in the
 * temporary folder, held open from extraction to CleanUp.
 *
 * The updater runs elevated while the temporary folder belongs to the
 * user, so any program of the user could rewrite a script lying there
 * between the start-up and the user's confirmation.  The order of steps
 * closes that: the name is created exclusively (no one else's file is
 * ever taken over or deleted), the member is written, and the file is
 * then opened read-only with read sharing only, before its first read;
 * from then on no one can write, replace or delete it until CleanUp.  The
 * file is compared with the member once it is held, which closes the short
 * gap between the write and the open. */
#include "app/script_file.h"

#include "app/path_join.h"
#include "archive/extract.h"
#include "fsutil/fsutil.h"
#include "settings/install_settings.h"

static const char ScriptMember[] = "UPDATE.INI";
/* Name pattern: process identifier and attempt number keep concurrent
 * updaters apart; a stale file of a dead process is stepped over. */
static const char ScriptNameFormat[] = "UPD%08X-%02i.INI";
#define SCRIPT_NAME_ATTEMPTS 100

static HANDLE ScriptHandle = INVALID_HANDLE_VALUE;

/* Creates a new file of a fresh name in folder and leaves its path in
 * ScriptPath.  Fails when the folder path leaves no room for the name. */
static int ReserveScriptName(const char *folder)
{
    PathBuffer candidate;
    char name[32];
    int attempt;

    for (attempt = 0; attempt < SCRIPT_NAME_ATTEMPTS; attempt++) {
        HANDLE file;
        wsprintfA(name, ScriptNameFormat, (UINT)GetCurrentProcessId(), attempt);
        lstrcpyA(candidate, folder);
        if (!AppendPathWithin(candidate, COUNTOF(candidate), name))
            return 0;
        file = CreateFileA(candidate, GENERIC_WRITE, 0, 0, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, 0);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            lstrcpyA(InstallSettings.ScriptPath, candidate);
            return 1;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
    }
    return 0;
}

/* 1 when the held file has exactly the bytes of the archive's script. */
static int ScriptMatchesMember(HANDLE file)
{
    BYTE chunk[4096];
    DWORD size = 0, compared = 0, got = 0;
    int same = 0;
    BYTE *member = LoadMember(ScriptMember, &size);

    if (!member)
        return 0;
    if (GetFileSize(file, 0) == size) {
        same = 1;
        while (same && compared < size) {
            DWORD i, want = size - compared;
            if (want > COUNTOF(chunk))
                want = COUNTOF(chunk);
            if (!ReadFile(file, chunk, want, &got, 0) || got != want) {
                same = 0;
                break;
            }
            for (i = 0; i < got; i++)
                if (chunk[i] != member[compared + i])
                    same = 0;
            compared += got;
        }
    }
    GlobalFree(member);
    return same;
}

int ExtractScript(void)
{
    PathBuffer folder;
    DWORD length = GetTempPathA(COUNTOF(folder), folder);

    /* 0 is a failed query; a length of the buffer or more means the folder
     * did not fit and the buffer holds nothing usable. */
    if (length == 0 || length >= COUNTOF(folder))
        return 0;
    if (!ReserveScriptName(folder))
        return 0;
    if (!ExtractMember(InstallSettings.ScriptPath, ScriptMember, 0))
        return 0;
    ScriptHandle = CreateFileA(InstallSettings.ScriptPath, GENERIC_READ,
                               FILE_SHARE_READ, 0, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, 0);
    if (ScriptHandle == INVALID_HANDLE_VALUE)
        return 0;
    return ScriptMatchesMember(ScriptHandle);
}

/* A refused deletion is tried again: a program that glances at new files
 * (a scanner, an indexer) may hold the file for a moment just then.  A
 * script that still cannot be deleted stays behind under its own name,
 * which no later updater reads. */
#define SCRIPT_DELETE_ATTEMPTS 3

void DiscardScript(void)
{
    int attempt;

    if (ScriptHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(ScriptHandle);
        ScriptHandle = INVALID_HANDLE_VALUE;
    }
    if (!InstallSettings.ScriptPath[0])
        return;
    for (attempt = 0; attempt < SCRIPT_DELETE_ATTEMPTS; attempt++) {
        if (DeleteFileA(InstallSettings.ScriptPath))
            return;
        if (GetFileAttributesA(InstallSettings.ScriptPath) == INVALID_FILE_ATTRIBUTES)
            return;
    }
}
