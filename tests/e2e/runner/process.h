// Starting a program as a user's shell would, with its standard streams in
// files, and collecting how it ended.
#ifndef ZEROFILL_TESTS_E2E_PROCESS_H
#define ZEROFILL_TESTS_E2E_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace zerofill::e2e {

struct Spawn {
  std::vector<std::string> argv;  // argv[0] is also the path executed
  std::string cwd;
  std::string stdout_path;  // empty: standard output closed
  std::string stderr_path;
  long long file_size_limit = -1;  // RLIMIT_FSIZE in bytes; -1: unchanged
};

struct Ending {
  bool exited = false;  // false: killed by a signal or timed out
  int code = -1;        // exit status when exited
  int signal = 0;       // the signal when not exited
};

// Starts the program with standard input from /dev/null and every signal at
// its default disposition. Returns the process id, or -1.
pid_t spawn(const Spawn& spawn);

// Waits for the process; kills it if it runs longer than `timeout_seconds`.
Ending wait_for(pid_t pid, int timeout_seconds);

}  // namespace zerofill::e2e

#endif  // ZEROFILL_TESTS_E2E_PROCESS_H
