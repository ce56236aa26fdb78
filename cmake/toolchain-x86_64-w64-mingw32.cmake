# Cross build for the 64-bit Windows console with Debian's mingw-w64. The
# program ships as the 32-bit build; this one is the same sources against the
# same Windows API, and its tests can run under Wine on machines that execute
# no 32-bit x86 code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZEROFILL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
