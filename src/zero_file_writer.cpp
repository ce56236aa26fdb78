#include "zero_file_writer.h"

#include <cstdio>

#include "kernel32.h"
#include "run_state.h"

namespace zerofill {

namespace {

// A short file must never be reported as done: stop at the first failure,
// close what was opened and say so. The partial file stays.
int cannot_write(const char* filename) {
  std::printf("Cannot write file %s.\n", filename);
  return 1;
}

}  // namespace

int write_zero_filled_file(const char* filename) {
  // 1. Create or truncate the file, ours alone until the close.
  file_handle = CreateFileA(filename, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  if (file_handle == INVALID_HANDLE_VALUE) {
    std::printf("Cannot open file %s.\n", filename);
    return 1;
  }

  // 2. The zero block, obtained once and kept to the end of the process.
  zero_block = LocalAlloc(LMEM_ZEROINIT, kBlockSize);
  if (zero_block == nullptr) {
    CloseHandle(file_handle);
    return cannot_write(filename);
  }

  // 3. One write of one whole block per block.
  while (block_count != 0) {
    --block_count;
    if (WriteFile(file_handle, zero_block, kBlockSize, &bytes_written,
                  nullptr) == 0 ||
        bytes_written != kBlockSize) {
      CloseHandle(file_handle);
      return cannot_write(filename);
    }
  }

  // 4. Close; a close that fails may have lost data.
  if (CloseHandle(file_handle) == 0) {
    return cannot_write(filename);
  }

  // 5. Report, with no line end.
  // NOLINTNEXTLINE(cert-err33-c): the status is about the file, not stdout.
  std::fputs("Done.", stdout);
  return 0;
}

}  // namespace zerofill
