/* The one seam between the updater and the operating system.
 *
 * Product code includes this header and nothing else for platform calls.
 * On Windows it is the real Win32 API.  On Linux it is our own stand-in
 * (platform/sim/), which behaves the way the product code expects of each
 * call and doubles as the test world: simulated drives, registry, windows,
 * message boxes, the wizard, the shell copy and fault injection
 * (platform/sim/sim_control.h). */
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <objbase.h>
#else
#include "platform/sim/win_types.h"
#include "platform/sim/win_api.h"
#endif

/* Element count of a fixed array; every buffer size passed to a call is
 * written with it, never as a repeated literal. */
#define COUNTOF(a) (sizeof(a) / sizeof((a)[0]))

#endif
