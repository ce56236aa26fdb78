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
  Config& settings = mutable_config();
  std::string value;
  for (int i = 1; i < argc; ++i) {
    if (take(argv[i], "--program=", value)) {
      settings.program = value;
    } else if (take(argv[i], "--holder=", value)) {
      settings.holder = value;
    } else if (take(argv[i], "--launcher=", value)) {
      settings.launcher.push_back(value);
    } else if (std::strcmp(argv[i], "--windows") == 0) {
      settings.windows = true;
    } else {
      return false;
    }
  }
  return !settings.program.empty() && !settings.holder.empty();
}

}  // namespace zerofill::e2e
