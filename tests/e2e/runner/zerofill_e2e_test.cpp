// The program run as a user runs it: its messages byte for byte, its exit
// statuses, and what it leaves on disk.
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "e2e_config.h"
#include "zerofill_run.h"

namespace zerofill::e2e {
namespace {

constexpr std::uint64_t kBlock = 4096;

using Args = std::vector<std::string>;

// A test name from an argument: its letters and digits, the rest as '_'.
std::string name_of(const std::string& text, std::size_t index) {
  std::string name = "case" + std::to_string(index) + "_";
  for (const char c : text) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                       (c >= 'A' && c <= 'Z');
    name += plain ? c : '_';
  }
  return name;
}

class CommandLine : public ZerofillRun {};

TEST_F(CommandLine, WrongArgumentCountGivesUsageAndTouchesNothing) {
  for (const Args& args :
       {Args{}, Args{"zero.dat"}, Args{"zero.dat", "128", "extra"},
        Args{"zero.dat", "128", "extra", "more"}}) {
    SCOPED_TRACE(std::to_string(args.size()) + " arguments");
    const Outcome outcome = run(args);
    expect_exit(outcome, 1);
    EXPECT_EQ(outcome.out, usage(program_name(config().program)));
    EXPECT_TRUE(entries().empty());
  }
}

TEST_F(CommandLine, UsageShowsTheProgramNameAsTyped) {
  if (config().windows) {
    GTEST_SKIP() << "Wine shows its own full path as the program name";
  }
  // A relative path typed with the name stays in the message.
  ASSERT_EQ(symlink(config().program.c_str(), (root_ + "/zf").c_str()), 0);
  const Outcome outcome = run({}, RunOptions{false, "", -1, "../zf"});
  expect_exit(outcome, 1);
  EXPECT_EQ(outcome.out, usage("../zf"));
}

struct SizeCase {
  const char* size_in_kb;
  std::uint64_t blocks;
};

class EverySize : public ZerofillRun,
                  public testing::WithParamInterface<SizeCase> {};

TEST_P(EverySize, WritesTheTableLengthOfZeros) {
  const Outcome outcome = run({"zero.dat", GetParam().size_in_kb});
  expect_exit(outcome, 0);
  EXPECT_EQ(outcome.out, "Done.");
  EXPECT_TRUE(IsZeroFilled(read_file("zero.dat"), GetParam().blocks * kBlock));
  EXPECT_EQ(entries(), std::vector<std::string>{"zero.dat"});
}

INSTANTIATE_TEST_SUITE_P(
    TableRows, EverySize,
    testing::Values(SizeCase{"128", 64}, SizeCase{"256", 128},
                    SizeCase{"512", 256}, SizeCase{"1024", 512},
                    SizeCase{"2048", 1024}, SizeCase{"4096", 2048}),
    [](const auto& test) {
      return name_of(test.param.size_in_kb, test.index);
    });

// The conversion's edge cases seen from the command line: white space, one
// sign, leading zeros and trailing junk are accepted; values wrap mod 2^32.
INSTANTIATE_TEST_SUITE_P(
    Spellings, EverySize,
    testing::Values(SizeCase{"  128", 64}, SizeCase{"\t128", 64},
                    SizeCase{"+128", 64}, SizeCase{"0128", 64},
                    SizeCase{"128kb", 64}, SizeCase{"128.9", 64},
                    SizeCase{"4294967424", 64}, SizeCase{"-4294967168", 64},
                    SizeCase{" +00256 MB", 128}),
    [](const auto& test) {
      return name_of(test.param.size_in_kb, test.index);
    });

class RejectedSize : public ZerofillRun,
                     public testing::WithParamInterface<const char*> {};

TEST_P(RejectedSize, GivesTheSizeErrorWithStatusZeroAndTouchesNoFile) {
  // Scripts rely on the status 0 here.
  Outcome outcome = run({"zero.dat", GetParam()});
  expect_exit(outcome, 0);
  EXPECT_EQ(outcome.out, size_error());
  EXPECT_TRUE(entries().empty()) << "a file was created";

  write_file("zero.dat", "existing contents");
  outcome = run({"zero.dat", GetParam()});
  expect_exit(outcome, 0);
  EXPECT_EQ(outcome.out, size_error());
  EXPECT_EQ(read_file("zero.dat"), "existing contents");
}

INSTANTIATE_TEST_SUITE_P(
    OutsideTheTable, RejectedSize,
    testing::Values("-128", "0", "", "abc", "100", "64", "kb128", "127", "129",
                    "8192", "4294967296", "- 128", "++128", "0x80"),
    [](const auto& test) { return name_of(test.param, test.index); });

struct OverwriteCase {
  std::uint64_t old_length;
  const char* size_in_kb;
  std::uint64_t blocks;
};

class Overwrite : public ZerofillRun,
                  public testing::WithParamInterface<OverwriteCase> {};

TEST_P(Overwrite, LeavesExactlyTheNewLengthOfZeros) {
  write_file("zero.dat", std::string(GetParam().old_length, '\xAB'));
  const Outcome outcome = run({"zero.dat", GetParam().size_in_kb});
  expect_exit(outcome, 0);
  EXPECT_EQ(outcome.out, "Done.");
  EXPECT_TRUE(IsZeroFilled(read_file("zero.dat"), GetParam().blocks * kBlock));
}

INSTANTIATE_TEST_SUITE_P(LongerAndShorter, Overwrite,
                         testing::Values(OverwriteCase{9 * 1024 * 1024 + 1,
                                                       "128", 64},
                                         OverwriteCase{64 * kBlock, "128", 64},
                                         OverwriteCase{10, "4096", 2048},
                                         OverwriteCase{0, "256", 128}),
                         [](const auto& test) {
                           return name_of(
                               std::to_string(test.param.old_length) +
                                   "_bytes_to_" + test.param.size_in_kb,
                               test.index);
                         });

class OpenFailure : public ZerofillRun {};

TEST_F(OpenFailure, UnusableNamesAreReportedWithStatusOne) {
  ASSERT_EQ(mkdir(path("a directory").c_str(), 0755), 0);
  // The name is printed exactly as given, format characters and all.
  for (const std::string& name :
       {std::string("no/such/dir/zero.dat"), std::string("a directory"),
        std::string(), std::string("missing/%s%n%x%%.dat")}) {
    SCOPED_TRACE("filename \"" + name + "\"");
    const Outcome outcome = run({name, "128"});
    expect_exit(outcome, 1);
    EXPECT_EQ(outcome.out, cannot_open(name));
    EXPECT_EQ(entries(), std::vector<std::string>{"a directory"});
  }
}

TEST_F(OpenFailure, FileHeldOpenByAnotherProcessIsKept) {
  write_file("zero.dat", "keep me");
  {
    HeldOpen held(*this, "zero.dat");
    ASSERT_TRUE(held.ready()) << "the holder did not start";
    const Outcome outcome = run({"zero.dat", "128"});
    expect_exit(outcome, 1);
    EXPECT_EQ(outcome.out, cannot_open("zero.dat"));
    EXPECT_EQ(read_file("zero.dat"), "keep me");
  }
  // Once it is let go, the same run succeeds.
  const Outcome outcome = run({"zero.dat", "128"});
  expect_exit(outcome, 0);
  EXPECT_TRUE(IsZeroFilled(read_file("zero.dat"), 64 * kBlock));
}

class WriteFailure : public ZerofillRun {
 protected:
  void SetUp() override {
    if (config().windows) {
      GTEST_SKIP() << "Linux devices and limits";
    }
    ZerofillRun::SetUp();
  }
};

TEST_F(WriteFailure, FullDeviceIsReportedNotDone) {
  const Outcome outcome = run({"/dev/full", "128"});
  expect_exit(outcome, 1);
  EXPECT_EQ(outcome.out, cannot_write("/dev/full"));
}

TEST_F(WriteFailure, FileSizeLimitIsReportedAndThePartialFileStays) {
  // The limit falls inside the 25th block: 24 whole blocks and part of one.
  constexpr long long kLimit = 100000;
  RunOptions options;
  options.file_size_limit = kLimit;
  const Outcome outcome = run({"zero.dat", "4096"}, options);
  expect_exit(outcome, 1);
  EXPECT_EQ(outcome.out, cannot_write("zero.dat"));
  EXPECT_TRUE(IsZeroFilled(read_file("zero.dat"), kLimit));
}

TEST_F(WriteFailure, DeviceIsWrittenNotTruncated) {
  const Outcome outcome = run({"/dev/null", "4096"});
  expect_exit(outcome, 0);
  EXPECT_EQ(outcome.out, "Done.");
}

}  // namespace
}  // namespace zerofill::e2e
