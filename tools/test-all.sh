#!/usr/bin/env bash
# Builds and runs every test, installing what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

# The code as written: formatting, then both analysers.
tools/format.sh --check
tools/analyze.sh

# The program for this machine, then again under the sanitizers, then a
# bounded fuzz run.
cmake --workflow --preset native --fresh
cmake --workflow --preset sanitize --fresh
fuzz/run.sh 60

# The Windows program: the 32-bit one is what ships, built and checked from
# its headers; its runs skip on machines that execute no 32-bit x86 code. The
# 64-bit one, from the same sources, runs every test under Wine.
cmake --workflow --preset win32 --fresh
cmake --workflow --preset win64 --fresh
