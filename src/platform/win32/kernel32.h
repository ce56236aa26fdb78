// The four Windows kernel calls the writer makes: CreateFileA, LocalAlloc,
// WriteFile and CloseHandle. On Windows they are the platform's own; the
// build puts this directory on the include path only there.
#ifndef ZEROFILL_KERNEL32_H
#define ZEROFILL_KERNEL32_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#endif  // ZEROFILL_KERNEL32_H
