#include "zerofill_run.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include <dirent.h>
#include <sys/stat.h>

#include "e2e_config.h"

namespace zerofill::e2e {

namespace {

// Generous, since a first start under an emulator can be slow.
constexpr int kTimeoutSeconds = 120;

std::string slurp(const std::string& file) {
  std::ifstream input(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(input), {}};
}

std::vector<std::string> command(const std::string& program,
                                 const std::vector<std::string>& args) {
  std::vector<std::string> argv = config().launcher;
  argv.push_back(program);
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

}  // namespace

void ZerofillRun::SetUp() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr ? tmp : "/tmp") + "/zerofill-e2e-XXXXXX";
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  root_ = pattern;
  work_ = root_ + "/work";
  capture_ = root_ + "/capture";
  ASSERT_EQ(mkdir(work_.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(capture_.c_str(), 0755), 0);
}

void ZerofillRun::TearDown() {
  if (!root_.empty()) {
    const std::string remove =
        "chmod -R u+rwx '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'";
    EXPECT_EQ(std::system(remove.c_str()), 0);
  }
}

Outcome ZerofillRun::run(const std::vector<std::string>& args,
                         const RunOptions& options) {
  return finish(start(args, options));
}

ZerofillRun::Started ZerofillRun::start(const std::vector<std::string>& args,
                                        const RunOptions& options) {
  const std::string stem = capture_ + "/run" + std::to_string(++runs_);
  Spawn spawn_request;
  spawn_request.argv = command(
      options.program.empty() ? config().program : options.program, args);
  spawn_request.cwd = work_;
  spawn_request.stdout_path = options.stdout_closed ? std::string()
                              : options.stdout_path.empty()
                                  ? stem + ".out"
                                  : options.stdout_path;
  spawn_request.stderr_path = stem + ".err";
  spawn_request.file_size_limit = options.file_size_limit;

  const pid_t pid = spawn(spawn_request);
  if (pid == -1) {
    ADD_FAILURE() << "cannot start " << spawn_request.argv.front();
  }
  return Started{pid, stem};
}

Outcome ZerofillRun::finish(const Started& started) {
  Outcome outcome;
  if (started.pid == -1) {
    return outcome;
  }
  outcome.ending = wait_for(started.pid, kTimeoutSeconds);
  outcome.out = slurp(started.stem + ".out");
  outcome.err = slurp(started.stem + ".err");
  return outcome;
}

std::string ZerofillRun::text(const std::string& message) {
  if (!config().windows) {
    return message;
  }
  std::string converted;
  for (const char c : message) {
    if (c == '\n') {
      converted += '\r';
    }
    converted += c;
  }
  return converted;
}

std::string ZerofillRun::usage(const std::string& program_name) {
  return text("Usage:\n\t" + program_name + " <filename> <size_in_kb>\n");
}

std::string ZerofillRun::size_error() {
  return text("Error: Valid sizes are 128, 256, 512, 1024, 2048 and 4096.\n\n");
}

std::string ZerofillRun::cannot_open(const std::string& filename) {
  return text("Cannot open file " + filename + ".\n");
}

std::string ZerofillRun::cannot_write(const std::string& filename) {
  return text("Cannot write file " + filename + ".\n");
}

std::string ZerofillRun::program_name(const std::string& path) {
  if (!config().windows) {
    return path;
  }
  // Wine shows a Unix path as one on its drive Z:, with backslashes.
  std::string windows_path = "Z:" + path;
  std::replace(windows_path.begin(), windows_path.end(), '/', '\\');
  return windows_path;
}

void ZerofillRun::write_file(const std::string& name,
                             const std::string& content) const {
  std::ofstream out(path(name), std::ios::binary);
  out << content;
  ASSERT_TRUE(out.good()) << "cannot write " << path(name);
}

std::string ZerofillRun::read_file(const std::string& name) const {
  return slurp(path(name));
}

bool ZerofillRun::exists(const std::string& name) const {
  struct stat status {};
  return lstat(path(name).c_str(), &status) == 0;
}

std::vector<std::string> ZerofillRun::entries() const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(work_.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") {
        names.push_back(name);
      }
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

ZerofillRun::HeldOpen::HeldOpen(ZerofillRun& run, const std::string& name)
    : file_(run.path(name)) {
  Spawn holder;
  holder.argv = command(config().holder, {file_});
  holder.cwd = run.work_;
  holder.stdout_path = run.capture_ + "/holder.out";
  holder.stderr_path = run.capture_ + "/holder.err";
  pid_ = spawn(holder);
  struct stat status {};
  const std::string ready_file = file_ + ".ready";
  for (int tick = 0; pid_ != -1 && tick < kTimeoutSeconds * 100; ++tick) {
    if (stat(ready_file.c_str(), &status) == 0) {
      ready_ = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

ZerofillRun::HeldOpen::~HeldOpen() {
  if (pid_ == -1) {
    return;
  }
  std::ofstream(file_ + ".release").put('\n');
  const Ending ending = wait_for(pid_, kTimeoutSeconds);
  EXPECT_TRUE(ending.exited && ending.code == 0) << "hold_open failed";
  std::remove((file_ + ".ready").c_str());
  std::remove((file_ + ".release").c_str());
}

void expect_exit(const Outcome& outcome, int code) {
  EXPECT_TRUE(outcome.ending.exited)
      << "ended by signal " << outcome.ending.signal;
  EXPECT_EQ(outcome.ending.code, code);
  EXPECT_EQ(outcome.err, "") << "standard error must stay empty";
}

::testing::AssertionResult IsZeroFilled(const std::string& content,
                                        std::uint64_t length) {
  if (content.size() != length) {
    return ::testing::AssertionFailure()
           << "length " << content.size() << ", expected " << length;
  }
  const auto nonzero = content.find_first_not_of('\0');
  if (nonzero != std::string::npos) {
    return ::testing::AssertionFailure() << "nonzero byte at " << nonzero;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace zerofill::e2e
