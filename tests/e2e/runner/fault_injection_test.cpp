// The program under the conditions that break such tools: full and
// read-only file systems, hostile names, rival runs on one file, and a
// standard output that cannot be written.
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "e2e_config.h"
#include "zerofill_run.h"

namespace zerofill::e2e {
namespace {

constexpr std::uint64_t kBlock = 4096;

bool write_proc_file(const std::string& file, const std::string& text) {
  std::ofstream out(file);
  out << text;
  out.flush();
  return out.good();
}

// Gives this test process a mount namespace of its own, so that what it
// mounts is seen by the program it starts and vanishes when it exits. Root
// needs only the new namespace; anyone else maps themselves to root in a
// new user namespace first. Returns an empty string, or why it cannot.
std::string enter_private_mount_namespace() {
  const uid_t uid = geteuid();
  const gid_t gid = getegid();
  if (uid == 0) {
    if (unshare(CLONE_NEWNS) != 0) {
      return std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
    }
  } else {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
      return std::string("unshare(CLONE_NEWUSER|CLONE_NEWNS): ") +
             std::strerror(errno);
    }
    if (!write_proc_file("/proc/self/setgroups", "deny") ||
        !write_proc_file("/proc/self/uid_map",
                         "0 " + std::to_string(uid) + " 1") ||
        !write_proc_file("/proc/self/gid_map",
                         "0 " + std::to_string(gid) + " 1")) {
      return "cannot map this user to root in a user namespace";
    }
  }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return std::string("making mounts private: ") + std::strerror(errno);
  }
  return {};
}

// Mounts and file-system limits are Linux matters; the Windows build runs
// under an emulator whose server lives outside this test's namespace.
class LinuxFaults : public ZerofillRun {
 protected:
  void SetUp() override {
    if (config().windows) {
      GTEST_SKIP() << "mounts and descriptors of the Linux build";
    }
    ZerofillRun::SetUp();
  }

  // A tmpfs of `bytes` at `name` in the working directory, or a skip.
  void mount_small_tmpfs(const std::string& name, std::uint64_t bytes) {
    const std::string why = enter_private_mount_namespace();
    if (!why.empty()) {
      GTEST_SKIP() << "no private mount namespace here: " << why;
    }
    ASSERT_EQ(mkdir(path(name).c_str(), 0755), 0);
    const std::string options = "size=" + std::to_string(bytes);
    if (mount("tmpfs", path(name).c_str(), "tmpfs", 0, options.c_str()) != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    }
    mounted_ = path(name);
  }

  void TearDown() override {
    if (!mounted_.empty()) {
      EXPECT_EQ(umount(mounted_.c_str()), 0) << std::strerror(errno);
    }
    ZerofillRun::TearDown();
  }

  std::string mounted_;
};

TEST_F(LinuxFaults, FullFileSystemIsReportedAndThePartialFileStays) {
  // 75 pages: room for a 256 KiB file, not for a 512 KiB one.
  constexpr std::uint64_t kRoom = 75 * kBlock;
  mount_small_tmpfs("small", kRoom);
  if (IsSkipped()) {
    return;
  }
  Outcome outcome = run({"small/fits.dat", "128"});
  expect_exit(outcome, 0);
  EXPECT_EQ(outcome.out, "Done.");
  EXPECT_TRUE(IsZeroFilled(read_file("small/fits.dat"), 64 * kBlock));
  ASSERT_EQ(unlink(path("small/fits.dat").c_str()), 0);

  outcome = run({"small/zero.dat", "256"});
  expect_exit(outcome, 1);
  EXPECT_EQ(outcome.out, cannot_write("small/zero.dat"));
  const std::string partial = read_file("small/zero.dat");
  EXPECT_LE(partial.size(), kRoom);
  EXPECT_GT(partial.size(), 0U);
  EXPECT_TRUE(IsZeroFilled(partial, partial.size()));
}

TEST_F(LinuxFaults, ReadOnlyFileSystemRefusesTheOpenAndKeepsTheFile) {
  mount_small_tmpfs("ro", 16 * kBlock);
  if (IsSkipped()) {
    return;
  }
  write_file("ro/old.dat", "read-only contents");
  ASSERT_EQ(mount(nullptr, mounted_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY,
                  nullptr),
            0)
      << std::strerror(errno);

  for (const std::string name : {"ro/old.dat", "ro/new.dat"}) {
    const Outcome outcome = run({name, "128"});
    expect_exit(outcome, 1);
    EXPECT_EQ(outcome.out, cannot_open(name));
  }
  EXPECT_EQ(read_file("ro/old.dat"), "read-only contents");
  EXPECT_FALSE(exists("ro/new.dat"));
}

// Whatever becomes of the messages, the file work is done and the status
// tells of the file, not of standard output.
struct UnwritableOutputCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::uint64_t blocks;  // of zero.dat afterwards; 0: not created
};

class UnwritableOutput
    : public LinuxFaults,
      public testing::WithParamInterface<UnwritableOutputCase> {};

TEST_P(UnwritableOutput, ClosedOrFullStandardOutputKeepsTheStatus) {
  for (const bool closed : {true, false}) {
    SCOPED_TRACE(closed ? "standard output closed" : "standard output full");
    std::remove(path("zero.dat").c_str());
    RunOptions options;
    options.stdout_closed = closed;
    options.stdout_path = closed ? "" : "/dev/full";
    const Outcome outcome = run(GetParam().args, options);
    expect_exit(outcome, GetParam().status);
    if (GetParam().blocks == 0) {
      EXPECT_FALSE(exists("zero.dat"));
    } else {
      // Nothing meant for standard output may land in the file, even when
      // the file takes the closed standard output's descriptor.
      EXPECT_TRUE(
          IsZeroFilled(read_file("zero.dat"), GetParam().blocks * kBlock));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryMessage, UnwritableOutput,
    testing::Values(
        UnwritableOutputCase{"done_small", {"zero.dat", "128"}, 0, 64},
        UnwritableOutputCase{"done_large", {"zero.dat", "4096"}, 0, 2048},
        UnwritableOutputCase{"size_error", {"zero.dat", "100"}, 0, 0},
        UnwritableOutputCase{"usage", {"zero.dat"}, 1, 0},
        UnwritableOutputCase{
            "cannot_open", {"no/such/dir/zero.dat", "128"}, 1, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(LinuxFaults, NamesAreUsedByteForByte) {
  // Non-ASCII, invalid UTF-8, format and control characters: the file gets
  // exactly this name and the message never reads the name as a format.
  for (const std::string name :
       {"z\xC3\xA9ro.dat", "\xFF\xFE.dat", "%s%n%x%%.dat", "tab\there.dat",
        "new\nline.dat", " leading space.dat", "-128"}) {
    SCOPED_TRACE("filename \"" + name + "\"");
    const Outcome outcome = run({name, "128"});
    expect_exit(outcome, 0);
    EXPECT_EQ(outcome.out, "Done.");
    EXPECT_TRUE(IsZeroFilled(read_file(name), 64 * kBlock));
  }
}

class HostileName : public ZerofillRun {};

TEST_F(HostileName, OverlongNamesAreReportedInFull) {
  // One component longer than any file system allows, and a path longer
  // than the longest the system accepts.
  std::string deep;
  while (deep.size() <= 5000) {
    deep += "directory-of-some-length/";
  }
  deep += "zero.dat";
  for (const std::string& name : {std::string(300, 'n'), deep}) {
    SCOPED_TRACE(std::to_string(name.size()) + " bytes");
    const Outcome outcome = run({name, "128"});
    expect_exit(outcome, 1);
    EXPECT_EQ(outcome.out, cannot_open(name));
    EXPECT_TRUE(entries().empty());
  }
}

TEST_F(HostileName, FormatCharactersInAFailingNameArePrintedAsTheyStand) {
  const std::string name = "missing/%s%s%s%n%n%p%99999999d.dat";
  const Outcome outcome = run({name, "128"});
  expect_exit(outcome, 1);
  EXPECT_EQ(outcome.out, cannot_open(name));
}

class RivalRuns : public ZerofillRun {};

// Two runs on one file at once: one may be refused, but the file must end
// as exactly one run's whole output, never a mix of both.
TEST_F(RivalRuns, TwoRunsOnOneFileNeverInterleave) {
  constexpr int kRounds = 8;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const Started large = start({"zero.dat", "4096"});
    const Started small = start({"zero.dat", "128"});
    const Outcome large_outcome = finish(large);
    const Outcome small_outcome = finish(small);

    int succeeded = 0;
    for (const Outcome* outcome : {&large_outcome, &small_outcome}) {
      EXPECT_TRUE(outcome->ending.exited);
      EXPECT_EQ(outcome->err, "");
      if (outcome->ending.code == 0) {
        EXPECT_EQ(outcome->out, "Done.");
        ++succeeded;
      } else {
        EXPECT_EQ(outcome->ending.code, 1);
        EXPECT_EQ(outcome->out, cannot_open("zero.dat"));
      }
    }
    ASSERT_GE(succeeded, 1) << "both runs were refused";

    const std::string content = read_file("zero.dat");
    const bool large_only = small_outcome.ending.code != 0;
    const bool small_only = large_outcome.ending.code != 0;
    if (large_only) {
      EXPECT_TRUE(IsZeroFilled(content, 2048 * kBlock));
    } else if (small_only) {
      EXPECT_TRUE(IsZeroFilled(content, 64 * kBlock));
    } else {
      EXPECT_TRUE(IsZeroFilled(content, content.size()));
      EXPECT_TRUE(content.size() == 2048 * kBlock ||
                  content.size() == 64 * kBlock)
          << content.size();
    }
    // A truncation in the middle of the other run's writes leaves a hole:
    // the file's length would then outrun the data it holds.
    struct stat status {};
    ASSERT_EQ(stat(path("zero.dat").c_str(), &status), 0);
    EXPECT_GE(static_cast<std::uint64_t>(status.st_blocks) * 512,
              static_cast<std::uint64_t>(status.st_size))
        << "the file has a hole: the runs interleaved";
  }
}

}  // namespace
}  // namespace zerofill::e2e
