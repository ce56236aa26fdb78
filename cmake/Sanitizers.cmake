# AddressSanitizer and UndefinedBehaviorSanitizer for every target of the
# project, stopping at the first report: a report that lets the run go on is
# easy to miss in a long test log.
#
# ZEROFILL_FUZZ adds libFuzzer's coverage instrumentation on top, again for
# every target, so that the fuzzers see the branches of the code they call.
option(ZEROFILL_SANITIZE "Build everything with ASan and UBSan" OFF)
option(ZEROFILL_FUZZ "Build the libFuzzer targets under fuzz/ (clang only)" OFF)

if(ZEROFILL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZEROFILL_FUZZ needs clang (libFuzzer); "
      "this is ${CMAKE_CXX_COMPILER_ID}.")
  endif()
  # The fuzzers are only worth running with the sanitizers on.
  set(ZEROFILL_SANITIZE ON CACHE BOOL "Build everything with ASan and UBSan"
    FORCE)
endif()

if(ZEROFILL_SANITIZE)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "ZEROFILL_SANITIZE needs gcc or clang.")
  endif()
  # Unsigned wrap-around is not undefined and the size conversion relies on
  # it, so -fsanitize=unsigned-integer-overflow stays off deliberately.
  set(zerofill_sanitizer_flags
    -fsanitize=address,undefined
    -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  add_compile_options(${zerofill_sanitizer_flags} -g)
  add_link_options(${zerofill_sanitizer_flags})
endif()

if(ZEROFILL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
