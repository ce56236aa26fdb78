# Warnings for every target of the project; ZEROFILL_WERROR turns them into
# errors (the CI presets set it).
option(ZEROFILL_WERROR "Treat compiler warnings as errors" OFF)

add_library(zerofill_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(zerofill_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wformat=2 -Wcast-qual -Wold-style-cast -Wnon-virtual-dtor
    -Woverloaded-virtual -Wundef -Wmissing-declarations
    $<$<BOOL:${ZEROFILL_WERROR}>:-Werror>)
endif()
