// Checks the size conversion and the table lookup against the restatement in
// size_rule.h and against strtoul, for any argument text.
#include <cerrno>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "size_rule.h"
#include "size_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size);

namespace {

[[noreturn]] void mismatch(const char* what, const std::string& text,
                           std::uint32_t got, std::uint32_t want) {
  // Nothing is left to do if stderr fails; abort either way.
  static_cast<void>(
      std::fprintf(stderr, "%s for \"%s\": got %" PRIu32 ", want %" PRIu32 "\n",
                   what, text.c_str(), got, want));
  std::abort();
}

void check_row(std::uint32_t size, const std::string& text) {
  const zerofill::SizeRow* row = zerofill::find_size_row(size);
  const std::uint32_t want = zerofill_fuzz::expected_blocks(size);
  if (row == nullptr) {
    if (want != 0U) {
      mismatch("size rejected", text, size, want);
    }
    return;
  }
  if (row < std::begin(zerofill::kSizeTable) ||
      row >= std::end(zerofill::kSizeTable)) {
    mismatch("row outside the table", text, size, want);
  }
  if (row->size_in_kb != size) {
    mismatch("row of another size", text, row->size_in_kb, size);
  }
  if (row->block_count != want) {
    mismatch("block count", text, row->block_count, want);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  // The argument reaches the program as a C string: a NUL ends it.
  std::string text(data, data + size);
  text.resize(std::strlen(text.c_str()));

  const std::uint32_t got = zerofill::convert_size_in_kb(text.c_str());
  const std::uint32_t want = zerofill_fuzz::expected_size(text);
  if (got != want) {
    mismatch("conversion", text, got, want);
  }

  // Where the magnitude fits in unsigned long, the C library agrees modulo
  // 2^32 (the C locale has the same six white-space characters).
  errno = 0;
  const unsigned long library = std::strtoul(text.c_str(), nullptr, 10);
  if (errno != ERANGE && static_cast<std::uint32_t>(library) != got) {
    mismatch("strtoul", text, got, static_cast<std::uint32_t>(library));
  }

  check_row(got, text);

  // The lookup on its own, for numbers the text did not spell out.
  if (size >= sizeof(std::uint32_t)) {
    std::uint32_t raw = 0;
    std::memcpy(&raw, data, sizeof raw);
    check_row(raw, text);
  }
  return 0;
}
