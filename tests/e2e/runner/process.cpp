#include "process.h"

#include <algorithm>
#include <csignal>
#include <ctime>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zerofill::e2e {

namespace {

// Runs in the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void become(const Spawn& spawn, char* const argv[]) {
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    std::signal(signal_number, SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  if (chdir(spawn.cwd.c_str()) != 0) {
    _exit(126);
  }
  const int input = open("/dev/null", O_RDONLY);
  if (input == -1 || dup2(input, 0) == -1) {
    _exit(126);
  }
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
  const int error = open(spawn.stderr_path.c_str(), flags, 0644);
  if (error == -1 || dup2(error, 2) == -1) {
    _exit(126);
  }
  if (spawn.stdout_path.empty()) {
    close(1);
  } else {
    const int output = open(spawn.stdout_path.c_str(), flags, 0644);
    if (output == -1 || dup2(output, 1) == -1) {
      _exit(126);
    }
  }
  if (spawn.file_size_limit >= 0) {
    const auto limit = static_cast<rlim_t>(spawn.file_size_limit);
    const rlimit file_size{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &file_size) != 0) {
      _exit(126);
    }
  }
  execv(argv[0], argv);
  _exit(127);
}

}  // namespace

pid_t spawn(const Spawn& spawn) {
  // Everything the child needs is made before the fork.
  std::vector<char*> argv(spawn.argv.size() + 1, nullptr);
  std::transform(spawn.argv.begin(), spawn.argv.end(), argv.begin(),
                 [](const std::string& argument) {
                   return const_cast<char*>(argument.c_str());
                 });

  const pid_t pid = fork();
  if (pid == 0) {
    become(spawn, argv.data());
  }
  return pid;
}

Ending wait_for(pid_t pid, int timeout_seconds) {
  const timespec pause{0, 2L * 1000 * 1000};
  const long long attempts = timeout_seconds * 500LL;
  for (long long attempt = 0;; ++attempt) {
    int status = 0;
    const pid_t result = waitpid(pid, &status, WNOHANG);
    if (result == pid) {
      Ending ending;
      ending.exited = WIFEXITED(status);
      ending.code = ending.exited ? WEXITSTATUS(status) : -1;
      ending.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      return ending;
    }
    if (result == -1 || attempt == attempts) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return Ending{false, -1, SIGKILL};
    }
    nanosleep(&pause, nullptr);
  }
}

}  // namespace zerofill::e2e
