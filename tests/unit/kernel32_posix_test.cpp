// The promises of our POSIX stand-ins for the four kernel calls.
#include "kernel32.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

HANDLE open_for_zerofill(const std::string& name) {
  return CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                     nullptr);
}

class Kernel32Posix : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zerofill-kernel32-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    file_ = dir_ + "/file.dat";
  }
  void TearDown() override {
    const std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }

  void write_text(const std::string& text) const {
    std::ofstream(file_, std::ios::binary) << text;
  }
  // Size by stat, which does not open the file: a reader would wait for
  // the holder to close it.
  long long size() const {
    struct stat status {};
    return stat(file_.c_str(), &status) == 0 ? status.st_size : -1;
  }
  std::string read_text() const {
    std::ifstream input(file_, std::ios::binary);
    return {std::istreambuf_iterator<char>(input), {}};
  }

  std::string dir_;
  std::string file_;
};

TEST_F(Kernel32Posix, CreatesAMissingFileAndTruncatesAnExistingOne) {
  HANDLE created = open_for_zerofill(file_);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  EXPECT_NE(CloseHandle(created), 0);
  EXPECT_EQ(read_text(), "");

  write_text("old contents");
  HANDLE truncated = open_for_zerofill(file_);
  ASSERT_NE(truncated, INVALID_HANDLE_VALUE);
  EXPECT_EQ(size(), 0);
  EXPECT_NE(CloseHandle(truncated), 0);
}

TEST_F(Kernel32Posix, FileOpenElsewhereIsRefusedAndKept) {
  write_text("keep me");
  const int other = open(file_.c_str(), O_RDONLY);
  ASSERT_NE(other, -1);
  EXPECT_EQ(open_for_zerofill(file_), INVALID_HANDLE_VALUE);
  EXPECT_EQ(read_text(), "keep me");
  close(other);

  HANDLE handle = open_for_zerofill(file_);
  EXPECT_NE(handle, INVALID_HANDLE_VALUE);
  CloseHandle(handle);
}

TEST_F(Kernel32Posix, HeldFileRefusesOtherOpenersUntilClosed) {
  write_text("x");
  HANDLE held = open_for_zerofill(file_);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  EXPECT_EQ(open_for_zerofill(file_), INVALID_HANDLE_VALUE);
  // A non-blocking reader is turned away at once; a blocking one would wait.
  // Either way the holder gets the lease-break signal, which must not kill it.
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    const int fd = open(file_.c_str(), O_RDONLY | O_NONBLOCK);
    _exit(fd == -1 && errno == EWOULDBLOCK ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "a reader got in while the file was held";

  EXPECT_NE(CloseHandle(held), 0);
  const int fd = open(file_.c_str(), O_RDONLY | O_NONBLOCK);
  EXPECT_NE(fd, -1) << "still held after the close";
  close(fd);
}

// Without a lease (not the file's owner) the flock still keeps two writers
// apart. Dropping root in a child takes away the right to lease others' files.
TEST_F(Kernel32Posix, WithoutALeaseTheLockStillKeepsWritersApart) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to make a file this process does not own";
  }
  write_text("data");
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  ASSERT_EQ(chmod(file_.c_str(), 0666), 0);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    if (setresgid(65534, 65534, 65534) != 0 ||
        setresuid(65534, 65534, 65534) != 0) {
      _exit(10);
    }
    HANDLE first = open_for_zerofill(file_);
    if (first == INVALID_HANDLE_VALUE) {
      _exit(11);
    }
    if (fcntl(static_cast<int>(reinterpret_cast<std::intptr_t>(first)),
              F_GETLEASE) != F_UNLCK) {
      _exit(12);  // unexpectedly leased: the fallback was not exercised
    }
    if (open_for_zerofill(file_) != INVALID_HANDLE_VALUE) {
      _exit(13);
    }
    _exit(CloseHandle(first) != 0 ? 0 : 14);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(read_text(), "");
}

TEST_F(Kernel32Posix, UnusableNamesGiveTheInvalidHandle) {
  ASSERT_EQ(mkdir((dir_ + "/sub").c_str(), 0755), 0);
  for (const std::string& name :
       {std::string(), dir_ + "/sub", dir_ + "/missing/file.dat"}) {
    EXPECT_EQ(open_for_zerofill(name), INVALID_HANDLE_VALUE) << name;
  }
}

TEST_F(Kernel32Posix, OnlyTheArgumentsTheWriterUsesAreSupported) {
  const char* name = file_.c_str();
  EXPECT_EQ(CreateFileA(nullptr, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                        nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(
      CreateFileA(name, 0x80000000U, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(
      CreateFileA(name, GENERIC_WRITE, 1, nullptr, CREATE_ALWAYS, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileA(name, GENERIC_WRITE, 0, nullptr, 1, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0x80,
                        nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(access(name, F_OK), -1) << "a refused call created the file";
}

TEST_F(Kernel32Posix, DeviceIsWrittenNotTruncated) {
  HANDLE null_device = open_for_zerofill("/dev/null");
  ASSERT_NE(null_device, INVALID_HANDLE_VALUE);
  static const char block[4096] = {};
  DWORD written = 1;
  EXPECT_NE(WriteFile(null_device, block, sizeof block, &written, nullptr), 0);
  EXPECT_EQ(written, sizeof block);
  EXPECT_NE(CloseHandle(null_device), 0);
}

TEST_F(Kernel32Posix, WriteFileWritesEverythingOrFails) {
  static const char block[4096] = {};
  HANDLE file = open_for_zerofill(file_);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_NE(WriteFile(file, block, sizeof block, &written, nullptr), 0);
  EXPECT_EQ(written, sizeof block);
  EXPECT_EQ(WriteFile(file, block, sizeof block, nullptr, nullptr), 0);
  CloseHandle(file);
  EXPECT_EQ(read_text(), std::string(sizeof block, '\0'));

  HANDLE full = open_for_zerofill("/dev/full");
  ASSERT_NE(full, INVALID_HANDLE_VALUE);
  written = 1;
  EXPECT_EQ(WriteFile(full, block, sizeof block, &written, nullptr), 0);
  EXPECT_EQ(written, 0U);
  CloseHandle(full);
}

TEST(Kernel32PosixMemory, LocalAllocGivesZeroedFixedMemory) {
  const auto* block =
      static_cast<const unsigned char*>(LocalAlloc(LMEM_ZEROINIT, 4096));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 4096; ++i) {
    ASSERT_EQ(block[i], 0) << "byte " << i;
  }
  std::free(const_cast<unsigned char*>(block));
  EXPECT_EQ(LocalAlloc(0x0002 /* movable */, 4096), nullptr);
}

TEST(Kernel32PosixClose, ClosingWhatIsNotOpenFails) {
  EXPECT_EQ(CloseHandle(INVALID_HANDLE_VALUE), 0);
  const int fd = open("/dev/null", O_WRONLY);
  ASSERT_NE(fd, -1);
  auto* handle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd));
  EXPECT_NE(CloseHandle(handle), 0);
  EXPECT_EQ(CloseHandle(handle), 0);
}

}  // namespace
