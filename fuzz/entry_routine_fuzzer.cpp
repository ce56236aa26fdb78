// Runs the whole entry routine in-process on arbitrary command lines: the
// input is split at NUL bytes into at most five arguments, the first being
// the program name. Every file it creates lands in a private directory and
// is checked, then removed.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "entry_routine.h"
#include "run_state.h"
#include "size_rule.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size);

namespace {

constexpr std::size_t kMaxArguments = 5;
constexpr char kSeparator = '\0';

std::string private_directory;

[[noreturn]] void fail(const char* what, const std::vector<std::string>& args,
                       int status) {
  std::fprintf(stderr, "%s (status %d, %zu arguments):", what, status,
               args.size());
  for (const std::string& arg : args) {
    std::fprintf(stderr, " \"%s\"", arg.c_str());
  }
  std::fputc('\n', stderr);
  std::abort();
}

void remove_private_directory() { rmdir(private_directory.c_str()); }

// Splits the input into arguments; no input at all is no arguments.
std::vector<std::string> split_arguments(const std::uint8_t* data,
                                         std::size_t size) {
  std::vector<std::string> args;
  if (size == 0) {
    return args;
  }
  args.emplace_back();
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c != kSeparator) {
      args.back().push_back(c);
    } else if (args.size() == kMaxArguments) {
      break;
    } else {
      args.emplace_back();
    }
  }
  return args;
}

// The length of the regular file `name`, or -1 when there is none.
off_t regular_file_length(const std::string& name) {
  struct stat status {};
  if (lstat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return -1;
  }
  return status.st_size;
}

bool all_zero(const std::string& name) {
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  static char buffer[65536];
  bool zero = true;
  std::size_t got = 0;
  while (zero && (got = std::fread(buffer, 1, sizeof buffer, file)) != 0) {
    for (std::size_t i = 0; i < got; ++i) {
      zero = zero && buffer[i] == 0;
    }
  }
  std::fclose(file);
  return zero;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  // A directory of our own, so that no name the fuzzer makes up can reach a
  // file of anyone else's.
  const char* tmpdir = std::getenv("TMPDIR");
  private_directory = std::string(tmpdir != nullptr && *tmpdir != '\0'
                                      ? tmpdir
                                      : "/tmp") +
                      "/zerofill-fuzz-XXXXXX";
  if (mkdtemp(private_directory.data()) == nullptr ||
      chdir(private_directory.c_str()) != 0) {
    std::perror("zerofill fuzzer: private directory");
    std::abort();
  }
  std::atexit(remove_private_directory);
  // Every run prints; libFuzzer reports on stderr, which stays readable.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) {
    std::perror("zerofill fuzzer: /dev/null");
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::vector<std::string> args = split_arguments(data, size);
  // A name with no '/' stays inside the private directory.
  if (args.size() >= 2) {
    for (char& c : args[1]) {
      c = c == '/' ? '_' : c;
    }
  }
  std::vector<char*> argv;
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);

  const int status =
      zerofill::entry_routine(static_cast<int>(args.size()), argv.data());
  // The zero block is kept to the end of the process by design; each run
  // here takes a new one. The POSIX layer gets it from calloc.
  std::free(zerofill::zero_block);
  zerofill::zero_block = nullptr;

  if (status != 0 && status != 1) {
    fail("status neither 0 nor 1", args, status);
  }
  if (args.size() != 3) {
    if (status != 1) {
      fail("wrong argument count accepted", args, status);
    }
    if (args.size() >= 2 && regular_file_length(args[1]) != -1) {
      fail("file created on a usage error", args, status);
    }
    return 0;
  }

  const std::string& name = args[1];
  const off_t length = regular_file_length(name);
  const std::uint32_t blocks =
      zerofill_fuzz::expected_blocks(zerofill_fuzz::expected_size(args[2]));
  if (blocks == 0U) {
    if (status != 0) {
      fail("rejected size not given status 0", args, status);
    }
    if (length != -1) {
      fail("file created for a rejected size", args, status);
    }
    return 0;
  }
  // The directory was empty, so a file here is this run's. A name that
  // cannot be a file here ("", ".", "..", too long) must fail to open.
  if (status == 1) {
    if (length != -1) {
      fail("failed on a name that makes a file", args, status);
    }
    return 0;
  }
  const off_t want = static_cast<off_t>(blocks) * zerofill::kBlockSize;
  if (length != want) {
    std::fprintf(stderr, "file length %lld, want %lld\n",
                 static_cast<long long>(length), static_cast<long long>(want));
    fail("wrong file length", args, status);
  }
  if (!all_zero(name)) {
    fail("nonzero byte in file", args, status);
  }
  if (zerofill::block_count != 0U) {
    fail("blocks left over after success", args, status);
  }
  if (unlink(name.c_str()) != 0) {
    fail("cannot remove the file", args, status);
  }
  return 0;
}
