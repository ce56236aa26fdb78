#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) and cppcheck over every project source file in
# the compilation database of the `analyze` preset: src/, and tests/, fuzz/
# and bench/ when present. Exits non-zero on any finding of either.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build=build/analyze

cmake --preset analyze >/dev/null
# Generated sources (GoogleTest's, moc-like files) must exist before
# clang-tidy reads them; a configure is enough for this project as it is.
db="$build/compile_commands.json"

# Project files only: nothing under build/ or outside the tree.
mapfile -t files < <(jq -r --arg root "$root/" '
  .[].file
  | select(startswith($root))
  | ltrimstr($root)
  | select(test("^(src|tests|fuzz|bench)/"))' "$db" | sort -u)
if ((${#files[@]} == 0)); then
  echo "analyze: no project sources in $db" >&2
  exit 1
fi

status=0

echo "== clang-tidy (${#files[@]} files)"
printf '%s\n' "${files[@]}" |
  xargs -P "$(nproc)" -n 1 clang-tidy -p "$build" --quiet || status=1

echo "== cppcheck"
# The filtered database keeps cppcheck on the project's own files too.
filtered="$build/compile_commands.project.json"
jq --arg root "$root/" '
  [.[] | select((.file | startswith($root)) and
                ((.file | ltrimstr($root)) | test("^(src|tests|fuzz|bench)/")))]
' "$db" >"$filtered"
cppcheck --project="$filtered" \
  --enable=warning,style,performance,portability \
  --inline-suppr --error-exitcode=1 --quiet --library=googletest \
  --suppressions-list=tools/cppcheck-suppressions.txt \
  --cppcheck-build-dir="$build" \
  -j "$(nproc)" || status=1

if ((status == 0)); then
  echo "== analyze: clean"
fi
exit "$status"
