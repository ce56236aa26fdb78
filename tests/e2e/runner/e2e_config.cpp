#include "e2e_config.h"

#include <cstring>

namespace zerofill::e2e {

namespace {

Config& mutable_config() {
  static Config instance{ZEROFILL_E2E_PROGRAM, ZEROFILL_E2E_HOLDER, {}, false};
  return instance;
}

bool take(const char* argument, const char* flag, std::string& value) {
  const std::size_t length = std::strlen(flag);
  if (std::strncmp(argument, flag, length) != 0) {
    return false;
  }
  value = argument + length;
  return true;
}

}  // namespace

const Config& config() { return mutable_config(); }

bool parse_config(int argc, char* argv[]) {
  Config& config = mutable_config();
  std::string value;
  for (int i = 1; i < argc; ++i) {
    if (take(argv[i], "--program=", value)) {
      config.program = value;
    } else if (take(argv[i], "--holder=", value)) {
      config.holder = value;
    } else if (take(argv[i], "--launcher=", value)) {
      config.launcher.push_back(value);
    } else if (std::strcmp(argv[i], "--windows") == 0) {
      config.windows = true;
    } else {
      return false;
    }
  }
  return !config.program.empty() && !config.holder.empty();
}

}  // namespace zerofill::e2e
