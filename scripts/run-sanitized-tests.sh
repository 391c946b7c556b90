#!/usr/bin/env bash
# Builds Sonivale in BUILD_DIR with the address and undefined-behaviour sanitizers and runs
# every test, the sound-server tests against a private PulseAudio daemon: a read past a
# buffer, a use after free, a leak or undefined behaviour fails the test that meets it.
# Takes about four times as long as scripts/run-tests.sh.
# Usage: scripts/run-sanitized-tests.sh BUILD_DIR
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(realpath -m "$1")
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 $flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags"
# The sound generator that runs during the build keeps FFTW's plans for its whole life.
ASAN_OPTIONS=detect_leaks=0 cmake --build "$build" -j"$(nproc)"

source "$root/scripts/pulse-test-daemon.sh"
export QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1 QTEST_FUNCTION_TIMEOUT=3600000
# FFTW's plans are kept for the process's life on purpose.
suppressions="$build/leak-suppressions.txt"
echo "leak:fftw_malloc_plain" > "$suppressions"
export LSAN_OPTIONS="suppressions=$suppressions"
start_test_daemon "$build/pulse-test-runtime" noshm pulseaudio
status=0
ctest --test-dir "$build" --output-on-failure -j2 --timeout 1800 || status=$?
stop_test_daemon
exit $status
