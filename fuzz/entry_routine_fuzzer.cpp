// Runs the whole entry routine in-process on arbitrary command lines: the
// input is split at NUL bytes into at most five arguments, the first being
// the program name. Every file it creates lands in a private directory and
// is checked, then removed.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

// Nothing is left to do if stderr fails: the reports below ignore it.
[[noreturn]] void fail(const char* what, const std::vector<std::string>& args,
                       int status) {
  std::string report = std::string(what) + " (status " +
                       std::to_string(status) + ", " +
                       std::to_string(args.size()) + " arguments):";
  for (const std::string& arg : args) {
    report += " \"" + arg + "\"";
  }
  static_cast<void>(std::fprintf(stderr, "%s\n", report.c_str()));
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
  std::ifstream file(name, std::ios::binary);
  const std::istreambuf_iterator<char> end;
  return file && std::all_of(std::istreambuf_iterator<char>(file), end,
                             [](char c) { return c == '\0'; });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  // A directory of our own, so that no name the fuzzer makes up can reach a
  // file of anyone else's.
  const char* tmpdir = std::getenv("TMPDIR");
  private_directory =
      std::string(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp") +
      "/zerofill-fuzz-XXXXXX";
  if (mkdtemp(private_directory.data()) == nullptr ||
      chdir(private_directory.c_str()) != 0 ||
      std::atexit(remove_private_directory) != 0) {
    std::perror("zerofill fuzzer: private directory");
    std::abort();
  }
  // Every run prints; libFuzzer reports on stderr, which stays readable. The
  // stream stays open to the end of the process.
  // NOLINTNEXTLINE(cppcoreguidelines-owning-memory)
  if (std::freopen("/dev/null", "w", stdout) == nullptr) {
    std::perror("zerofill fuzzer: /dev/null");
    std::abort();
  }
  return 0;
}

namespace {

// Runs the routine as main would, with argv ending in a null pointer.
int run(std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  std::transform(args.begin(), args.end(), std::back_inserter(argv),
                 [](std::string& arg) { return arg.data(); });
  argv.push_back(nullptr);
  const int status =
      zerofill::entry_routine(static_cast<int>(args.size()), argv.data());
  // The zero block is kept to the end of the process by design; each run
  // here takes a new one. The POSIX layer gets it from calloc.
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
  std::free(zerofill::zero_block);
  zerofill::zero_block = nullptr;
  return status;
}

// A run with a valid size and a usable name: the file, then gone again.
void check_written_file(const std::vector<std::string>& args,
                        std::uint32_t blocks) {
  const std::string& name = args[1];
  const off_t length = regular_file_length(name);
  const off_t want = static_cast<off_t>(blocks) * zerofill::kBlockSize;
  if (length != want) {
    static_cast<void>(std::fprintf(stderr, "file length %lld, want %lld\n",
                                   static_cast<long long>(length),
                                   static_cast<long long>(want)));
    fail("wrong file length", args, 0);
  }
  if (!all_zero(name)) {
    fail("nonzero byte in file", args, 0);
  }
  if (zerofill::block_count != 0U) {
    fail("blocks left over after success", args, 0);
  }
  if (unlink(name.c_str()) != 0) {
    fail("cannot remove the file", args, 0);
  }
}

void check_outcome(const std::vector<std::string>& args, int status) {
  if (status != 0 && status != 1) {
    fail("status neither 0 nor 1", args, status);
  }
  // The directory was empty before the run, so a file by this name is the
  // run's own.
  const bool made_file = args.size() >= 2 && regular_file_length(args[1]) != -1;
  if (args.size() != 3) {
    if (status != 1 || made_file) {
      fail("wrong argument count not refused", args, status);
    }
    return;
  }
  const std::uint32_t blocks =
      zerofill_fuzz::expected_blocks(zerofill_fuzz::expected_size(args[2]));
  if (blocks == 0U) {
    if (status != 0 || made_file) {
      fail("rejected size not refused with status 0", args, status);
    }
    return;
  }
  // Only a name that cannot be a file here ("", ".", "..", too long) may
  // fail to open.
  if (status == 1) {
    if (made_file) {
      fail("failed on a name that makes a file", args, status);
    }
    return;
  }
  check_written_file(args, blocks);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::vector<std::string> args = split_arguments(data, size);
  // A name with no '/' stays inside the private directory.
  if (args.size() >= 2) {
    std::replace(args[1].begin(), args[1].end(), '/', '_');
  }
  check_outcome(args, run(args));
  return 0;
}
