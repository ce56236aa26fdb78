// A fixture for running the program as a user would: each test gets a fresh
// working directory, and every run's standard output and error are kept.
#ifndef ZEROFILL_TESTS_E2E_ZEROFILL_RUN_H
#define ZEROFILL_TESTS_E2E_ZEROFILL_RUN_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "process.h"

namespace zerofill::e2e {

struct Outcome {
  Ending ending;
  std::string out;
  std::string err;
};

// Options for one run beyond its arguments.
struct RunOptions {
  bool stdout_closed = false;
  std::string stdout_path;         // instead of a capture file, e.g. /dev/full
  long long file_size_limit = -1;  // RLIMIT_FSIZE in bytes
  std::string program;             // instead of the configured program path
};

class ZerofillRun : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the program with these arguments in the working directory.
  Outcome run(const std::vector<std::string>& args,
              const RunOptions& options = {});

  // The same in two steps, so that runs can overlap.
  struct Started {
    pid_t pid;
    std::string stem;  // where its standard streams go
  };
  Started start(const std::vector<std::string>& args,
                const RunOptions& options = {});
  static Outcome finish(const Started& started);

  // The messages as the platform's standard output delivers them.
  static std::string text(const std::string& message);
  static std::string usage(const std::string& program_name);
  static std::string size_error();
  static std::string cannot_open(const std::string& filename);
  static std::string cannot_write(const std::string& filename);
  // argv[0] as the program sees it when started from `path`.
  static std::string program_name(const std::string& path);

  std::string path(const std::string& name) const { return work_ + "/" + name; }
  void write_file(const std::string& name, const std::string& content) const;
  std::string read_file(const std::string& name) const;
  bool exists(const std::string& name) const;
  std::vector<std::string> entries() const;  // of the working directory

  // Keeps `name` open from another process for the life of the guard.
  class HeldOpen {
   public:
    HeldOpen(ZerofillRun& run, const std::string& name);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    HeldOpen(HeldOpen&&) = delete;
    HeldOpen& operator=(HeldOpen&&) = delete;
    bool ready() const { return ready_; }

   private:
    std::string file_;
    pid_t pid_ = -1;
    bool ready_ = false;
  };

  std::string root_;     // removed after the test
  std::string work_;     // the program's working directory
  std::string capture_;  // standard streams of each run
  int runs_ = 0;
};

// The run exited by itself with `code`, and wrote nothing to standard error.
void expect_exit(const Outcome& outcome, int code);

// Every byte of `content` is zero and there are `length` of them.
::testing::AssertionResult IsZeroFilled(const std::string& content,
                                        std::uint64_t length);

}  // namespace zerofill::e2e

#endif  // ZEROFILL_TESTS_E2E_ZEROFILL_RUN_H
