#!/usr/bin/env bash
# Builds Sonivale and runs every test headless, against a private PulseAudio daemon with
# a null sink that this script starts and always stops again.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SONIVALE_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" "$build"

source "$root/scripts/pulse-test-daemon.sh"
start_test_daemon "$build/pulse-test-runtime"

status=0
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j2 || status=$?

if [ -x "$root/scripts/run-fuzz.sh" ]; then
  "$root/scripts/run-fuzz.sh" "$build-fuzz" || status=$?
fi
exit $status
