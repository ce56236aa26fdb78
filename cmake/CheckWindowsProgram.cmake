# cmake -DOBJDUMP=... -DPROGRAM=...exe -DBITS=32|64 -P CheckWindowsProgram.cmake
#
# Checks a built Windows program from its headers: the expected PE format and
# machine, the console subsystem (a GUI one would get no console from
# cmd.exe), and no DLL beyond KERNEL32.dll and msvcrt.dll, which every
# Windows has; anything else would have to be shipped with it.
foreach(variable OBJDUMP PROGRAM BITS)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} not set")
  endif()
endforeach()

if(BITS STREQUAL "32")
  set(format "pei-i386")
  set(magic "PE32")
elseif(BITS STREQUAL "64")
  set(format "pei-x86-64")
  set(magic "PE32+")
else()
  message(FATAL_ERROR "BITS must be 32 or 64, not ${BITS}")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM}
  OUTPUT_VARIABLE headers RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed: ${errors}")
endif()

set(problems "")
if(NOT headers MATCHES "file format ([^\n]*)\n")
  list(APPEND problems "no file format in the objdump output")
elseif(NOT CMAKE_MATCH_1 STREQUAL format)
  list(APPEND problems "format ${CMAKE_MATCH_1}, expected ${format}")
endif()
if(NOT headers MATCHES "\nMagic[\t ]+[0-9a-f]+[\t ]+\\(([^)]*)\\)")
  list(APPEND problems "no optional-header magic")
elseif(NOT CMAKE_MATCH_1 STREQUAL magic)
  list(APPEND problems "optional header ${CMAKE_MATCH_1}, expected ${magic}")
endif()
if(NOT headers MATCHES "\nSubsystem[\t ]+[0-9a-f]+[\t ]+\\(([^)]*)\\)")
  list(APPEND problems "no subsystem")
elseif(NOT CMAKE_MATCH_1 STREQUAL "Windows CUI")
  list(APPEND problems "subsystem ${CMAKE_MATCH_1}, expected Windows CUI")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${headers}")
set(dlls "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  list(APPEND dlls "${dll}")
endforeach()
list(REMOVE_DUPLICATES dlls)
list(SORT dlls)
if(NOT dlls STREQUAL "kernel32.dll;msvcrt.dll")
  list(APPEND problems
    "imports [${dlls}], expected exactly [kernel32.dll;msvcrt.dll]")
endif()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${PROGRAM}:\n  ${text}")
endif()
message(STATUS "${PROGRAM}: ${format}, ${magic}, Windows CUI, imports ${dlls}")
