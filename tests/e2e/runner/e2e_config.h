// What the end-to-end cases run, set from the command line of the runner so
// that the same cases can drive the Linux program or the Windows one.
#ifndef ZEROFILL_TESTS_E2E_CONFIG_H
#define ZEROFILL_TESTS_E2E_CONFIG_H

#include <string>
#include <vector>

namespace zerofill::e2e {

struct Config {
  std::string program;                // absolute path of the program
  std::string holder;                 // absolute path of hold_open
  std::vector<std::string> launcher;  // prefix command, such as a Wine runner
  bool windows = false;  // CR LF line ends and Windows-form argv[0]
};

const Config& config();

// Takes --program=, --holder=, --launcher= (repeatable, one word each) and
// --windows out of the arguments that GoogleTest left; false on a bad one.
bool parse_config(int argc, char* argv[]);

}  // namespace zerofill::e2e

#endif  // ZEROFILL_TESTS_E2E_CONFIG_H
