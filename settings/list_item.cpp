/* The comma-list splitter.  It scans byte by byte: none of the bytes it
 * tests (NUL, LF, CR, blank, comma, colon) can be the second byte of a
 * Shift-JIS double-byte character, so no character is ever split. */
#include "settings/ini_access.h"

static int IsListTerminator(char c)
{
    return c == '\0' || c == '\n' || c == '\r' || c == ',';
}

int NextListItem(char item[PATH_BUFFER_SIZE], const char **cursor)
{
    const char *at = *cursor;
    int length = 0;

    while (*at == ' ')
        at++;
    *cursor = at;
    if (IsListTerminator(*at))
        return 0;

    /* at[0] is no NUL, so at[1] is still inside the value. */
    if (at[1] == ':') {
        ListItemDisk = (at[0] >= '0' && at[0] <= '9') ? at[0] - '0' : 0;
        at += 2;
    }

    /* Copy up to the terminator; past the slot's 259 bytes keep scanning so
     * that the cursor lands on the next item all the same. */
    while (!IsListTerminator(*at)) {
        if (length < PATH_BUFFER_SIZE - 1)
            item[length++] = *at;
        at++;
    }
    item[length] = '\0';

    /* Step over a comma, CR or LF; stay on the NUL, so that a value that
     * fills its buffer ends the list without a look past it. */
    if (*at != '\0')
        at++;
    *cursor = at;
    return 1;
}
