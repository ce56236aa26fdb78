#!/usr/bin/env bash
# Builds the fuzzers with the `fuzz` preset and runs each for its share of a
# time budget in seconds (default 60), starting from a copy of the seed corpus
# so the checked-in one stays as it is. Exits non-zero if any fuzzer found a
# crash; the reproducer is kept under build/fuzz/artifacts/<fuzzer>/.
set -euo pipefail

budget=${1:-60}
if ! [[ $budget =~ ^[0-9]+$ ]] || ((budget < 1)); then
  echo "usage: $0 [seconds]" >&2
  exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

fuzzers=(size_in_kb_fuzzer entry_routine_fuzzer)
share=$((budget / ${#fuzzers[@]}))
((share >= 1)) || share=1

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zerofill-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=0
for fuzzer in "${fuzzers[@]}"; do
  corpus="$scratch/corpus/$fuzzer"
  artifacts="$root/build/fuzz/artifacts/$fuzzer"
  mkdir -p "$corpus" "$artifacts"
  cp fuzz/corpus/"$fuzzer"/* "$corpus"/
  echo "== $fuzzer for ${share}s"
  # TMPDIR: the entry routine fuzzer writes its files below it.
  if ! TMPDIR="$scratch" "build/fuzz/fuzz/$fuzzer" \
      -max_total_time="$share" -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$corpus"; then
    echo "== $fuzzer FAILED; reproducer in $artifacts" >&2
    failed=1
  fi
done
exit "$failed"
