#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing need and the
# machine lacks. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=()
need() {  # need COMMAND-OR-FILE PACKAGE
  if ! command -v "$1" >/dev/null 2>&1 && [ ! -e "$1" ]; then
    packages+=("$2")
  fi
}

need cmake cmake
need g++ g++
need /usr/include/gtest/gtest.h libgtest-dev
need python3 python3
need strace strace
# The Windows builds: cross compilers, GoogleTest's sources to build for the
# target, and debootstrap for the Wine root that runs their tests.
need /usr/bin/i686-w64-mingw32-g++-posix g++-mingw-w64-i686
need /usr/bin/x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
need /usr/src/googletest/CMakeLists.txt googletest
need /usr/sbin/debootstrap debootstrap
# Sanitizers, fuzzing and static analysis.
need clang++ clang
need /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev
need llvm-symbolizer llvm
need clang-tidy clang-tidy
need clang-format clang-format
need cppcheck cppcheck
need jq jq

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#packages[@]} -gt 0 ]; then
  echo "Installing: ${packages[*]}"
  $sudo apt-get update -q
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${packages[@]}"
fi

# Wine for the Windows tests, in a root of its own (see the script); a no-op
# once it is there.
wine_root=${WINE_ROOT:-/opt/wine-root}
if [ ! -e "$wine_root/.wine-root-ready" ]; then
  $sudo "$(dirname "$0")/wine/setup-wine-root.sh" "$wine_root"
fi
