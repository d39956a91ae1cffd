/* The start message's line-break escapes. */
#include "app/startup.h"

void ExpandLineBreaks(const char *source, char *destination)
{
    const char *cursor = source;
    char *out = destination;

    while (*cursor) {
        const char *next = CharNextA(cursor);
        if (next - cursor >= 2) {
            /* A double-byte character; a lead byte cut short by the NUL
             * is copied alone. */
            while (cursor < next && *cursor)
                *out++ = *cursor++;
        } else if (cursor[0] == '\\' && cursor[1] == 'n') {
            *out++ = '\r';
            cursor += 2;
        } else {
            *out++ = *cursor++;
        }
    }
    *out = 0;
}
