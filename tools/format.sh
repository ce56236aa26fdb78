#!/usr/bin/env bash
# Formats every project C++ file (src/, tests/, fuzz/, bench/) with
# clang-format and .clang-format, or with --check lists the files that are
# not formatted and exits non-zero.
set -euo pipefail

mode=format
case "${1:-}" in
  "") ;;
  --check) mode=check ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
dirs=()
for dir in src tests fuzz bench; do
  [[ -d $dir ]] && dirs+=("$dir")
done
mapfile -t files < <(find "${dirs[@]}" -type f \
  \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) | sort)
((${#files[@]} > 0)) || exit 0

if [[ $mode == check ]]; then
  # --dry-run -Werror reports each unformatted file and fails.
  clang-format --dry-run -Werror "${files[@]}"
  echo "format: ${#files[@]} files clean"
else
  clang-format -i "${files[@]}"
fi
