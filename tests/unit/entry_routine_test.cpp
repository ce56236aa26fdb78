#include "entry_routine.h"

#include <gtest/gtest.h>

#include <string>

namespace zerofill {
namespace {

// A process may be started with no arguments at all, not even a program
// name; the usage message must still come out, without a null dereference.
TEST(EntryRoutine, EmptyArgumentVectorGivesUsage) {
  char* argv[] = {nullptr};
  testing::internal::CaptureStdout();
  const int status = entry_routine(0, argv);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out, "Usage:\n\t <filename> <size_in_kb>\n");
}

}  // namespace
}  // namespace zerofill
