#!/usr/bin/env bash
# The soak benchmark: plays all fourteen channels for SOAK_SECONDS (default 600) against a
# private PulseAudio daemon and then a private PipeWire, while the machine is loaded with a
# busy loop on every core and a parallel build of the project, and counts the gaps heard.
# SOAK_SERVERS chooses the servers (default "pulseaudio pipewire").
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SONIVALE_BUILD_DIR:-$root/build}"
seconds="${SOAK_SECONDS:-600}"
"$root/scripts/build.sh" "$build" || exit 1

load_pids=()
start_load() {
  for _ in $(seq 1 "$(nproc)"); do
    setsid sh -c 'while :; do :; done' &
    load_pids+=($!)
  done
  local scratch="$build/soak-load-build"
  cmake -S "$root" -B "$scratch" -DSONIVALE_BUILD_TESTS=OFF -DSONIVALE_BUILD_BENCH=OFF >/dev/null
  setsid sh -c "while :; do cmake --build '$scratch' --clean-first -j$(nproc) >/dev/null 2>&1; done" &
  load_pids+=($!)
}
stop_load() {
  # Each load runs in a process group of its own, compilers and all.
  for pid in "${load_pids[@]}"; do
    kill -- "-$pid" 2>/dev/null
  done
  load_pids=()
}

source "$root/scripts/pulse-test-daemon.sh"
trap 'stop_load; stop_test_daemon' EXIT
export QT_QPA_PLATFORM=offscreen
status=0
start_load
for kind in ${SOAK_SERVERS:-pulseaudio pipewire}; do
  echo "== SoakBench on $kind, ${seconds} s under load"
  start_test_daemon "$build/soak-$kind-runtime" shm "$kind" || { status=1; continue; }
  # Starting a server sets an exit trap of its own; the load must still end with the soak.
  trap 'stop_load; stop_test_daemon' EXIT
  "$build/bench/SoakBench" "$seconds" 60 || status=1
  stop_test_daemon
done
exit $status
