#!/usr/bin/env bash
# Builds and runs every test, installing what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --workflow --preset native --fresh
