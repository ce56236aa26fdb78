// hold_open FILE: keeps FILE open for reading, as another program might,
// until told to let go. Built for the platform under test, so that on
// Windows it is a Windows process whose open handle the platform's sharing
// rules see. It signals FILE.ready once the file is open and closes it when
// FILE.release appears (or after two minutes).
#include <cstdio>
#include <string>

#include <chrono>
#include <thread>

// cppcheck-suppress constParameter ; main has this signature
int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hold_open FILE\n");
    return 2;
  }
  const std::string name = argv[1];
  std::FILE* held = std::fopen(name.c_str(), "rb");
  if (held == nullptr) {
    std::perror(name.c_str());
    return 1;
  }
  std::FILE* ready = std::fopen((name + ".ready").c_str(), "wb");
  if (ready == nullptr || std::fclose(ready) != 0) {
    return 1;
  }
  const std::string release = name + ".release";
  for (int tick = 0; tick < 120 * 100; ++tick) {
    if (std::FILE* found = std::fopen(release.c_str(), "rb")) {
      std::fclose(found);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::fclose(held);
  return 0;
}
