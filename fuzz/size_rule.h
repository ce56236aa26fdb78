// The size rule restated for the fuzzers, on purpose in a different way from
// src/size_table.cpp: the digits are kept as a decimal string of any length
// and reduced modulo 2^32 by halving it 32 times, and the table is replaced
// by arithmetic. A shared mistake would need to be made twice, differently.
#ifndef ZEROFILL_FUZZ_SIZE_RULE_H
#define ZEROFILL_FUZZ_SIZE_RULE_H

#include <cstdint>
#include <string>
#include <string_view>

namespace zerofill_fuzz {

inline constexpr std::uint32_t kWordBits = 32;
inline constexpr std::uint32_t kSmallestSize = 128;
inline constexpr std::uint32_t kLargestSize = 4096;

// Divides the decimal number in `digits` (most significant digit first) by
// two in place and returns the remainder.
inline std::uint32_t halve(std::string& digits) {
  std::uint32_t carry = 0;
  for (char& digit : digits) {
    const std::uint32_t value =
        carry * 10U + static_cast<std::uint32_t>(digit - '0');
    digit = static_cast<char>('0' + value / 2U);
    carry = value % 2U;
  }
  return carry;
}

// The number's value modulo 2^32: its 32 lowest binary digits, one per
// halving.
inline std::uint32_t low_32_bits(std::string digits) {
  std::uint32_t bits = 0;
  for (std::uint32_t bit = 0; bit < kWordBits; ++bit) {
    bits |= halve(digits) << bit;
  }
  return bits;
}

// What the conversion of `text` must give.
inline std::uint32_t expected_size(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t\n\v\f\r");
  if (start == std::string_view::npos) {
    return 0;
  }
  text.remove_prefix(start);
  bool minus = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    minus = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::string digits(
      text.substr(0, text.find_first_not_of("0123456789")));
  const std::uint32_t magnitude = low_32_bits(digits);
  // Two's complement: invert and add one.
  return minus ? ~magnitude + 1U : magnitude;
}

// The accepted sizes are the powers of two from 128 to 4096, and each selects
// half its value in blocks. Zero means the size is rejected.
inline std::uint32_t expected_blocks(std::uint32_t size) {
  const bool power_of_two = size != 0U && (size & (size - 1U)) == 0U;
  return power_of_two && size >= kSmallestSize && size <= kLargestSize
             ? size / 2U
             : 0U;
}

}  // namespace zerofill_fuzz

#endif  // ZEROFILL_FUZZ_SIZE_RULE_H
