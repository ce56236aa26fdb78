// The size table: the six accepted `size_in_kb` values and the block count
// each selects, and the rule that turns the argument text into a number.
#ifndef ZEROFILL_SIZE_TABLE_H
#define ZEROFILL_SIZE_TABLE_H

#include <cstdint>

namespace zerofill {

struct SizeRow {
  std::uint32_t size_in_kb;
  std::uint32_t block_count;
};

// Each row's block count is half its size_in_kb, so 128 gives 64 blocks of
// 4096 bytes: 256 KiB. Only these six values are accepted.
inline constexpr SizeRow kSizeTable[] = {
    {128, 64}, {256, 128}, {512, 256}, {1024, 512}, {2048, 1024}, {4096, 2048},
};

// Converts `size_in_kb` as the C library's decimal conversion does, but wraps
// instead of saturating: leading white space (space, \t, \n, \v, \f, \r), at
// most one sign, then decimal digits accumulated modulo 2^32; the first
// non-digit ends it. No digits give 0. The result is the two's-complement
// bit pattern of the 32-bit value.
std::uint32_t convert_size_in_kb(const char* size_in_kb);

// The row whose size_in_kb equals `size` exactly, or null when there is none.
const SizeRow* find_size_row(std::uint32_t size);

}  // namespace zerofill

#endif  // ZEROFILL_SIZE_TABLE_H
