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

if [ ${#packages[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${packages[*]}"
  $sudo apt-get update -q
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${packages[@]}"
fi
