/* Decimal numbers in settings text, converted the way the C library's
 * readers do: leading white space skipped, an optional sign, then digits
 * up to the first other character.  Text that does not begin with a
 * number gives 0. */
#ifndef SETTINGS_DECIMAL_TEXT_H
#define SETTINGS_DECIMAL_TEXT_H

#include "platform/platform.h"

/* Signed 32-bit; a number beyond the range gives the nearest limit
 * (2147483647 or -2147483648). */
int ParseDecimalInt(const char *text);
/* Unsigned 64-bit; a minus sign negates modulo 2^64, and a number beyond
 * the range gives 18446744073709551615. */
ULONGLONG ParseDecimalU64(const char *text);

#endif
