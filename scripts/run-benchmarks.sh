#!/usr/bin/env bash
# Builds Sonivale and runs the benchmarks that print the figures of the performance
# targets. Those that need a sound server get a private PulseAudio daemon; playback is
# measured on a private PipeWire too.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SONIVALE_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" "$build" || exit 1

source "$root/scripts/pulse-test-daemon.sh"
start_test_daemon "$build/pulse-bench-runtime" shm || exit 1
export QT_QPA_PLATFORM=offscreen

status=0
for bench in MixerBench LiveSoundBench StartupBench PlaybackCpuBench StatusTickBench; do
  if [ -x "$build/bench/$bench" ]; then
    echo "== $bench"
    "$build/bench/$bench" || status=1
  fi
done
# Most desktops play through PipeWire's PulseAudio service, which asks for data in its
# own rhythm: playback is measured there too.
if [ -x "$build/bench/PlaybackCpuBench" ]; then
  echo "== PlaybackCpuBench on pipewire"
  if start_test_daemon "$build/pipewire-bench-runtime" shm pipewire; then
    "$build/bench/PlaybackCpuBench" || status=1
    start_test_daemon "$build/pulse-bench-runtime" shm || exit 1
  else
    status=1
  fi
fi
if [ -x "$build/bench/CaptureMemoryBench" ]; then
  echo "== CaptureMemoryBench (${CAPTURE_SECONDS:-600} s)"
  "$build/bench/CaptureMemoryBench" "${CAPTURE_SECONDS:-600}" || status=1
fi
exit $status
