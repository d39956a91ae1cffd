/* Decimal conversion of settings text. */
#include "settings/decimal_text.h"

static int IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
           c == '\r';
}

static int IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

/* Skips white space and the sign; *negative tells which sign it was. */
static const char *SkipToDigits(const char *text, int *negative)
{
    while (IsWhiteSpace(*text))
        text++;
    *negative = (*text == '-');
    if (*text == '-' || *text == '+')
        text++;
    return text;
}

int ParseDecimalInt(const char *text)
{
    int negative;
    /* The magnitude stops growing at 2^31, the largest any result needs;
     * so the digit loop never overflows, however many digits follow. */
    const ULONGLONG limit = 0x80000000ull;
    ULONGLONG magnitude = 0;
    for (text = SkipToDigits(text, &negative); IsDigit(*text); text++) {
        magnitude = magnitude * 10 + (ULONGLONG)(*text - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    if (negative)
        return (int)(-(LONGLONG)magnitude);
    if (magnitude >= limit)
        return 0x7fffffff;
    return (int)magnitude;
}

ULONGLONG ParseDecimalU64(const char *text)
{
    int negative;
    int overflow = 0;
    ULONGLONG value = 0;
    const ULONGLONG max = ~0ull;
    for (text = SkipToDigits(text, &negative); IsDigit(*text); text++) {
        ULONGLONG digit = (ULONGLONG)(*text - '0');
        if (value > (max - digit) / 10)
            overflow = 1;
        else
            value = value * 10 + digit;
    }
    if (overflow)
        return max;
    return negative ? (ULONGLONG)0 - value : value;
}
