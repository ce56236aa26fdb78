#include "size_table.h"

#include <algorithm>
#include <iterator>

namespace zerofill {

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::uint32_t convert_size_in_kb(const char* size_in_kb) {
  const char* c = size_in_kb;
  while (is_space(*c)) {
    ++c;
  }
  const bool negative = *c == '-';
  if (*c == '-' || *c == '+') {
    ++c;
  }
  // Unsigned arithmetic wraps modulo 2^32 by definition: no input overflows.
  std::uint32_t value = 0;
  for (; is_digit(*c); ++c) {
    value = value * 10U + static_cast<std::uint32_t>(*c - '0');
  }
  return negative ? 0U - value : value;
}

const SizeRow* find_size_row(std::uint32_t size) {
  const SizeRow* found = std::find_if(
      std::begin(kSizeTable), std::end(kSizeTable),
      [size](const SizeRow& row) { return row.size_in_kb == size; });
  return found == std::end(kSizeTable) ? nullptr : found;
}

}  // namespace zerofill
