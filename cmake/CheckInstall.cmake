# cmake -DBUILD_DIR=... -DEXPECTED="bin/zerofill;..." [-DMAN_PAGE=...]
#       [-DGROFF=...] -P CheckInstall.cmake
# Installs the build into a scratch prefix and checks that exactly the
# expected files arrive there, and that the man page renders without a
# warning.
set(prefix "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${prefix}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

file(GLOB_RECURSE installed RELATIVE "${prefix}" "${prefix}/*")
list(SORT installed)
set(expected ${EXPECTED})
list(SORT expected)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed: ${installed}\nexpected: ${expected}")
endif()

if(MAN_PAGE AND GROFF)
  execute_process(
    COMMAND "${GROFF}" -t -man -ww -z "${prefix}/${MAN_PAGE}"
    RESULT_VARIABLE status ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0 OR warnings)
    message(FATAL_ERROR "man page: ${warnings}")
  endif()
endif()
file(REMOVE_RECURSE "${prefix}")
