// POSIX stand-ins for the four Windows kernel calls; see kernel32.h for what
// each promises.
#include "kernel32.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr BOOL kFalse = 0;
constexpr BOOL kTrue = 1;

// A run that loses the race for our flock closes its descriptor at once, yet
// until it does, our lease is refused. Try for about a fifth of a second
// before deciding that someone really holds the file open.
constexpr int kLeaseAttempts = 40;
constexpr long kLeaseRetryNanoseconds = 5L * 1000L * 1000L;

// A handle is the descriptor itself, carried in the pointer type that the
// Windows signatures require.
HANDLE handle_of(int fd) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
}

int fd_of(HANDLE handle) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
  return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}

void ignore_signal(int signal_number) {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
}

void pause_briefly() {
  const timespec pause{0, kLeaseRetryNanoseconds};
  nanosleep(&pause, nullptr);
}

// Makes the open regular file ours alone, as share mode 0 asks. Returns false
// when another process has it open or another run holds it.
bool hold_exclusively(int fd) {
  // Among runs of this program the flock decides at once who writes. A file
  // system without flock support leaves only the lease to rely on.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    return false;
  }
  for (int attempt = 1;; ++attempt) {
    if (fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
      return true;
    }
    if (errno != EAGAIN) {
      return true;  // No lease to be had here; the flock alone must do.
    }
    if (attempt == kLeaseAttempts) {
      return false;  // Someone else keeps the file open.
    }
    pause_briefly();
  }
}

bool clear_nonblocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags != -1 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

HANDLE fail_open(int fd) {
  const int saved = errno;
  close(fd);
  errno = saved;
  return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE CreateFileA(LPCSTR file_name, DWORD desired_access, DWORD share_mode,
                   LPSECURITY_ATTRIBUTES security_attributes,
                   DWORD creation_disposition, DWORD flags_and_attributes,
                   HANDLE template_file) {
  if (file_name == nullptr || desired_access != GENERIC_WRITE ||
      share_mode != 0 || security_attributes != nullptr ||
      creation_disposition != CREATE_ALWAYS || flags_and_attributes != 0 ||
      template_file != nullptr) {
    errno = EINVAL;
    return INVALID_HANDLE_VALUE;
  }
  ignore_signal(SIGIO);
  ignore_signal(SIGXFSZ);

  // No O_TRUNC: the file may be truncated only once it is ours alone.
  // O_NONBLOCK makes the open fail at once, instead of waiting, when another
  // process holds a lease on the file.
  const int fd = open(
      file_name, O_WRONLY | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd == -1) {
    return INVALID_HANDLE_VALUE;
  }
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    return fail_open(fd);
  }
  if (S_ISREG(status.st_mode) &&
      (!hold_exclusively(fd) || ftruncate(fd, 0) != 0)) {
    return fail_open(fd);
  }
  if (!clear_nonblocking(fd)) {
    return fail_open(fd);
  }
  return handle_of(fd);
}

// This is the allocator itself, handing out raw memory as LocalAlloc does.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the Windows signature.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  if ((flags & ~LMEM_ZEROINIT) != LMEM_FIXED) {
    errno = EINVAL;
    return nullptr;
  }
  if ((flags & LMEM_ZEROINIT) != 0) {
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
    return std::calloc(1, bytes);
  }
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
  return std::malloc(bytes);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the Windows signature.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes_to_write,
               LPDWORD bytes_written, LPOVERLAPPED overlapped) {
  if (bytes_written == nullptr || overlapped != nullptr) {
    errno = EINVAL;
    return kFalse;
  }
  *bytes_written = 0;
  const int fd = fd_of(file);
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  DWORD done = 0;
  while (done < bytes_to_write) {
    const ssize_t result = write(fd, bytes + done, bytes_to_write - done);
    if (result < 0) {
      if (errno == EINTR) {
        continue;
      }
      return kFalse;
    }
    if (result == 0) {
      return kFalse;  // No progress and no error: give up rather than spin.
    }
    done += static_cast<DWORD>(result);
    *bytes_written = done;
  }
  return kTrue;
}

BOOL CloseHandle(HANDLE object) {
  return close(fd_of(object)) == 0 ? kTrue : kFalse;
}
