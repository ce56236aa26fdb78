#include "run_state.h"

namespace zerofill {

DWORD block_count = 0;
HANDLE file_handle = INVALID_HANDLE_VALUE;
LPVOID zero_block = nullptr;
DWORD bytes_written = 0;

}  // namespace zerofill
