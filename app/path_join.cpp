/* Joining path components without ever cutting a path to fit. */
#include "app/path_join.h"

#include "fsutil/fsutil.h"

int AppendPathWithin(char *path, DWORD size, const char *component)
{
    DWORD length = (DWORD)lstrlenA(path);
    DWORD joined = length + (DWORD)lstrlenA(component);

    /* AppendPath puts a backslash between unless path is empty or its last
     * byte already separates. */
    if (length > 0 && path[length - 1] != '\\' && path[length - 1] != '/')
        joined++;
    if (joined > PATH_LIMIT || joined + 1 > size)
        return 0;
    if (joined + 2 <= size) {
        AppendPath(path, component);
        return 1;
    }
    /* A path of 259 characters fills a PathBuffer with its one NUL; the
     * second NUL matters only to the shell's lists, whose buffers always
     * have room for it. */
    if (joined > length + (DWORD)lstrlenA(component))
        lstrcatA(path, "\\");
    lstrcatA(path, component);
    return 1;
}
