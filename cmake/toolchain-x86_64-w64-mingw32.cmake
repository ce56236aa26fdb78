# Cross build for the 64-bit Windows console with Debian's mingw-w64. The
# program ships as the 32-bit build; this one is the same sources against the
# same Windows API, and its tests can run under Wine on machines that execute
# no 32-bit x86 code.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEROFILL_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model gives the C++ library its thread support; the
# program itself is single-threaded and links it statically anyway.
set(CMAKE_C_COMPILER ${ZEROFILL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEROFILL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEROFILL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEROFILL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static libgcc, libstdc++ and winpthread: the programs need no DLL but
# KERNEL32.dll and the system's C runtime, msvcrt.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
