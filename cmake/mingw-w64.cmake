# What both Windows cross builds share; a toolchain file sets
# CMAKE_SYSTEM_PROCESSOR and ZEROFILL_MINGW_PREFIX, then includes this.
set(CMAKE_SYSTEM_NAME Windows)

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
