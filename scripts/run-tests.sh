#!/usr/bin/env bash
# Builds Sonivale and runs every test headless. The tests that need a sound server run
# twice: against a private PulseAudio daemon and against a private PipeWire with its
# PulseAudio service, each with a null sink, each started here and always stopped again.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SONIVALE_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" "$build"

source "$root/scripts/pulse-test-daemon.sh"
export QT_QPA_PLATFORM=offscreen
status=0

echo "== Every test, with PulseAudio"
start_test_daemon "$build/pulse-test-runtime" noshm pulseaudio
ctest --test-dir "$build" --output-on-failure -j2 || status=$?
stop_test_daemon

echo "== The sound-server tests again, with PipeWire"
start_test_daemon "$build/pipewire-test-runtime" noshm pipewire
ctest --test-dir "$build" --output-on-failure -L pulse || status=$?
stop_test_daemon

if [ -x "$root/scripts/run-fuzz.sh" ]; then
  "$root/scripts/run-fuzz.sh" "$build-fuzz" || status=$?
fi
exit $status
