#!/usr/bin/env bash
# Builds the libFuzzer targets with clang++ in BUILD_DIR and runs the mix record fuzzer
# briefly on a copy of the committed seed corpus.
# Usage: scripts/run-fuzz.sh BUILD_DIR [SECONDS] [extra libFuzzer options...]
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [SECONDS] [libFuzzer options...]" >&2
  exit 2
fi
build_dir=$(realpath -m "$1")
seconds=${2:-20}
shift $(( $# >= 2 ? 2 : 1 ))

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

cmake -S "$source_dir" -B "$build_dir" \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DSONIVALE_BUILD_FUZZ=ON -DSONIVALE_BUILD_TESTS=OFF -DSONIVALE_BUILD_BENCH=OFF
cmake --build "$build_dir" --target MixRecordFuzzer -j"$(nproc)"

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp "$source_dir"/fuzz/corpus/* "$corpus"/

# A crashing input is kept in the build dir, where CI can pick it up.
"$build_dir/fuzz/MixRecordFuzzer" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build_dir/fuzz/" "$@" "$corpus"
