// The zero-filled file writer: creates or truncates a file and fills it with
// the run state's block count of 4096-byte zero blocks.
#ifndef ZEROFILL_ZERO_FILE_WRITER_H
#define ZEROFILL_ZERO_FILE_WRITER_H

namespace zerofill {

// Writes `filename` (passed to the platform unchanged) with block_count zero
// blocks and prints one message to standard output: "Done." with status 0,
// or "Cannot open file ...", "Cannot write file ..." with status 1.
int write_zero_filled_file(const char* filename);

}  // namespace zerofill

#endif  // ZEROFILL_ZERO_FILE_WRITER_H
