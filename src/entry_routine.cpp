#include "entry_routine.h"

#include <cstdio>

#include "run_state.h"
#include "size_table.h"
#include "zero_file_writer.h"

namespace zerofill {

int entry_routine(int argc, char* argv[]) {
  // 1. Exactly two arguments after the program name.
  if (argc != 3) {
    std::printf("Usage:\n\t%s <filename> <size_in_kb>\n",
                argc > 0 && argv[0] != nullptr ? argv[0] : "");
    return 1;
  }
  const char* filename = argv[1];
  const char* size_in_kb = argv[2];

  // 2. and 3. Convert the size and look it up; no file is touched on failure.
  // A rejected size returns 0: scripts rely on that.
  const SizeRow* row = find_size_row(convert_size_in_kb(size_in_kb));
  if (row == nullptr) {
    // NOLINTNEXTLINE(cert-err33-c): the status is about the file, not stdout.
    std::fputs("Error: Valid sizes are 128, 256, 512, 1024, 2048 and 4096.\n\n",
               stdout);
    return 0;
  }

  // 4. Hand the block count to the writer; its status is ours.
  block_count = row->block_count;
  return write_zero_filled_file(filename);
}

}  // namespace zerofill
