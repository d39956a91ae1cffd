/* The update script's entry syntax. */
#include "settings/update_script.h"

#include "settings/ini_access.h"

/* Index after the last backslash of name, stepping over double-byte
 * characters so that a second byte 0x5C is not taken for a separator. */
static int MemberOffset(const char *name)
{
    int offset = 0;
    int i;
    for (i = 0; name[i] != '\0'; i++) {
        if (IsDBCSLeadByte((BYTE)name[i])) {
            if (name[i + 1] == '\0')
                break;
            i++;
        } else if (name[i] == '\\') {
            offset = i + 1;
        }
    }
    return offset;
}

static int IsSingleDigit(const char *field)
{
    return field[0] >= '0' && field[0] <= '9' && field[1] == '\0';
}

int ParseUpdateEntry(const char *value, DWORD inst_mode, UpdateEntry *entry)
{
    PathBuffer fields[3];
    const char *cursor = value;
    const char *kind_field;
    const char *name;
    int applies = 1;
    int first_kind_field = 0;
    int count;

    /* Up to three fields; the first missing one and all after it are
     * empty. */
    for (count = 0; count < (int)COUNTOF(fields); count++)
        if (!NextListItem(fields[count], &cursor))
            break;
    for (; count < (int)COUNTOF(fields); count++)
        fields[count][0] = '\0';

    if (IsSingleDigit(fields[0])) {
        applies = (DWORD)(fields[0][0] - '0') == inst_mode;
        first_kind_field = 1;
    }
    kind_field = fields[first_kind_field];
    name = fields[first_kind_field + 1];
    if (lstrcmpiA(kind_field, "d") == 0)
        entry->kind = KindData;
    else if (lstrcmpiA(kind_field, "u") == 0)
        entry->kind = KindUpdate;
    else if (lstrcmpiA(kind_field, "o") == 0)
        entry->kind = KindOverwrite;
    else {
        entry->kind = KindReplace;
        name = kind_field;
    }
    lstrcpyA(entry->name, name);
    entry->member_offset = MemberOffset(entry->name);
    return applies;
}

int ParseCopyEntry(const char *value, DWORD inst_mode, int *applies,
                   CopyEntry *entry)
{
    const char *rest = value;

    *applies = 1;
    /* value[0] is checked before value[1] is read, so a one-byte value is
     * never looked past. */
    if (value[0] != '\0' && value[1] == ',') {
        /* The character's code minus that of '0': a digit gives its own
         * value; any other character a mode no installer records. */
        *applies = (DWORD)((int)(BYTE)value[0] - '0') == inst_mode;
        rest = value + 2;
    }
    entry->disk = 0;
    if (rest[0] != '\0' && rest[1] == ':') {
        if (rest[0] < '0' || rest[0] > '9')
            return 0;
        entry->disk = rest[0] - '0';
        rest += 2;
    }
    if (lstrlenA(rest) > PATH_BUFFER_SIZE - 1)
        return 0;
    lstrcpyA(entry->path, rest);
    return 1;
}
