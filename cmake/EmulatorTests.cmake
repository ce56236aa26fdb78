# Tests that run the target's programs through CMAKE_CROSSCOMPILING_EMULATOR.
#
# With tools/wine/run-wine.sh as the emulator, one wineserver is kept running
# for all of them (the `emulator` fixture): it saves a Wine start-up per run,
# and Windows share modes hold only between processes of one wineserver. Each
# such test first asks whether Wine can run programs of its kind here and
# skips (status 77) with the reason if not; the fixture cannot do that for
# them, since CTest runs a test even when its fixture set-up was skipped.
option(ZEROFILL_EMULATOR_MUST_RUN
  "Fail, not skip, the emulated tests when the emulator cannot run them" OFF)

set(zerofill_emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
set(zerofill_wine_dir "")
if(zerofill_emulator)
  list(GET zerofill_emulator 0 zerofill_emulator_program)
  get_filename_component(zerofill_emulator_name
    "${zerofill_emulator_program}" NAME)
  if(zerofill_emulator_name STREQUAL "run-wine.sh")
    get_filename_component(zerofill_wine_dir
      "${zerofill_emulator_program}" DIRECTORY)
  endif()
endif()

if(zerofill_wine_dir)
  add_test(NAME wine_server_start COMMAND ${zerofill_emulator} --server-start)
  set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP emulator)
  add_test(NAME wine_server_stop COMMAND ${zerofill_emulator} --server-stop)
  set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP emulator)
endif()

# zerofill_add_emulated_test(NAME name PROGRAM target COMMAND words...)
# PROGRAM is the target whose kind decides whether the test can run.
function(zerofill_add_emulated_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;PROGRAM" "COMMAND")
  set(command ${arg_COMMAND})
  if(zerofill_wine_dir AND NOT ZEROFILL_EMULATOR_MUST_RUN)
    set(command ${zerofill_wine_dir}/if-runnable.sh
      $<TARGET_FILE:${arg_PROGRAM}> ${command})
  endif()
  add_test(NAME ${arg_NAME} COMMAND ${command})
  set_tests_properties(${arg_NAME} PROPERTIES
    FIXTURES_REQUIRED emulator
    SKIP_RETURN_CODE 77)
endfunction()
