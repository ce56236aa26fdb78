// The run state: the process-wide variables of one run. The entry routine
// sets the block count; the writer uses it and the rest.
#ifndef ZEROFILL_RUN_STATE_H
#define ZEROFILL_RUN_STATE_H

#include "kernel32.h"

namespace zerofill {

// One block: the unit of output, and the size of every write.
inline constexpr DWORD kBlockSize = 4096;

extern DWORD block_count;    // blocks still to write
extern HANDLE file_handle;   // the output file, from open to close
extern LPVOID zero_block;    // kBlockSize zero bytes, kept to process end
extern DWORD bytes_written;  // filled in by every write

}  // namespace zerofill

#endif  // ZEROFILL_RUN_STATE_H
