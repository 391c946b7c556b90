#!/usr/bin/env bash
# Builds the libFuzzer targets with clang++ in BUILD_DIR and runs each briefly (SECONDS
# apiece, 15 by default) on a copy of its committed seed corpus in fuzz/corpus/<name>.
# Usage: scripts/run-fuzz.sh BUILD_DIR [SECONDS] [extra libFuzzer options...]
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [SECONDS] [libFuzzer options...]" >&2
  exit 2
fi
build_dir=$(realpath -m "$1")
seconds=${2:-15}
shift $(( $# >= 2 ? 2 : 1 ))

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
targets=(MixRecord RecorderSettings SoundData)

cmake -S "$source_dir" -B "$build_dir" \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DSONIVALE_BUILD_FUZZ=ON -DSONIVALE_BUILD_TESTS=OFF -DSONIVALE_BUILD_BENCH=OFF
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]/%/Fuzzer}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for target in "${targets[@]}"; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  cp "$source_dir/fuzz/corpus/$target"/* "$corpus"/
  quiet=()
  # libsndfile's MPEG decoder writes a line to stderr for every bad frame; the sanitizers'
  # reports still reach the log through libFuzzer's own copy of stderr.
  [ "$target" = SoundData ] && quiet=(-close_fd_mask=2)
  echo "== ${target}Fuzzer for ${seconds} s"
  # A crashing input is kept in the build dir, where CI can pick it up.
  "$build_dir/fuzz/${target}Fuzzer" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=1024 \
    "${quiet[@]}" -artifact_prefix="$build_dir/fuzz/${target}-" "$@" "$corpus" || status=$?
done
exit "$status"
