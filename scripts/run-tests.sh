#!/usr/bin/env bash
# Builds Sonivale and runs every test headless, against a private PulseAudio daemon with
# null sinks that this script starts and always stops again.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SONIVALE_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh" "$build"

runtime="$build/pulse-test-runtime"
rm -rf "$runtime"
mkdir -p "$runtime"
chmod 700 "$runtime"

daemon_pid=""
stop_daemon() {
  if [ -n "$daemon_pid" ] && kill -0 "$daemon_pid" 2>/dev/null; then
    kill "$daemon_pid" 2>/dev/null || true
    # A killed daemon can linger for a moment; wait for it to be reaped.
    wait "$daemon_pid" 2>/dev/null || true
  fi
}
trap stop_daemon EXIT

export XDG_RUNTIME_DIR="$runtime"
export PULSE_RUNTIME_PATH="$runtime"
export PULSE_STATE_PATH="$runtime"
export PULSE_SERVER="unix:$runtime/native"
export SONIVALE_TEST_PULSE_RUNTIME="$runtime"

pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes --use-pid-file=no \
  --log-target=file:"$runtime/daemon.log" \
  -L "module-null-sink sink_name=sonivale_test_sink sink_properties=device.description=Sonivale_Test_Sink" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/native" \
  >"$runtime/daemon.out" 2>&1 &
daemon_pid=$!
export SONIVALE_TEST_PULSE_PID="$daemon_pid"

for _ in $(seq 1 100); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  echo "The test PulseAudio daemon did not start:" >&2
  cat "$runtime/daemon.out" "$runtime/daemon.log" >&2 || true
  exit 1
fi

status=0
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j2 || status=$?

if [ -x "$root/scripts/run-fuzz.sh" ]; then
  "$root/scripts/run-fuzz.sh" "$build-fuzz" || status=$?
fi
exit $status
