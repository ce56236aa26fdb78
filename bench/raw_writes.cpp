// The physical floor for the benchmark: N writes of one 4096-byte zero block
// to a fresh file, with nothing else a real tool would add (no locking, no
// lease, no allocation, no message). Usage: raw_writes <file> <block_count>
#include <array>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Static, so that the loop costs no allocation and the block is zero already.
constexpr std::size_t kBlockSize = 4096;
std::array<char, kBlockSize> zero_block{};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    static_cast<void>(
        std::fputs("usage: raw_writes <file> <block_count>\n", stderr));
    return 2;
  }
  char* end = nullptr;
  const long count = std::strtol(argv[2], &end, 10);
  if (*end != '\0' || count < 0) {
    static_cast<void>(
        std::fputs("raw_writes: block_count must be a number >= 0\n", stderr));
    return 2;
  }
  const int fd = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd == -1) {
    std::perror("raw_writes: open");
    return 1;
  }
  for (long i = 0; i < count; ++i) {
    // A short write to a regular file means a full disk: the figure is
    // worthless then, so stop rather than retry.
    if (write(fd, zero_block.data(), zero_block.size()) !=
        static_cast<ssize_t>(zero_block.size())) {
      std::perror("raw_writes: write");
      return 1;
    }
  }
  if (close(fd) != 0) {
    std::perror("raw_writes: close");
    return 1;
  }
  return 0;
}
