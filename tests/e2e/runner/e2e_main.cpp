#include <gtest/gtest.h>

#include <cstdio>

#include "e2e_config.h"

int main(int argc, char* argv[]) {
  testing::InitGoogleTest(&argc, argv);
  if (!zerofill::e2e::parse_config(argc, argv)) {
    std::fprintf(stderr,
                 "usage: %s [gtest flags] [--program=PATH] [--holder=PATH] "
                 "[--launcher=WORD]... [--windows]\n",
                 argv[0]);
    return 2;
  }
  return RUN_ALL_TESTS();
}
