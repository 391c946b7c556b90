# Sourced by the test and benchmark scripts: starts a private PulseAudio daemon with a
# null sink in a fresh runtime folder, exports PULSE_SERVER, and stops it on exit.
# Tests pass audio over the socket, which works in any sandbox; benchmarks pass "shm" to
# hand it over in shared memory as a desktop's daemon does.

start_test_daemon() {
  local runtime="$1"
  local shm_option="--disable-shm=yes"
  [ "${2:-}" = "shm" ] && shm_option="--disable-shm=no"
  rm -rf "$runtime"
  mkdir -p "$runtime"
  chmod 700 "$runtime"
  export XDG_RUNTIME_DIR="$runtime"
  export PULSE_RUNTIME_PATH="$runtime"
  export PULSE_STATE_PATH="$runtime"
  export PULSE_SERVER="unix:$runtime/native"

  pulseaudio -n --daemonize=no --exit-idle-time=-1 "$shm_option" --use-pid-file=no \
    --log-target=file:"$runtime/daemon.log" \
    -L "module-null-sink sink_name=sonivale_test_sink sink_properties=device.description=Sonivale_Test_Sink" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/native" \
    >"$runtime/daemon.out" 2>&1 &
  TEST_DAEMON_PID=$!
  trap stop_test_daemon EXIT

  for _ in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "The test PulseAudio daemon did not start:" >&2
  cat "$runtime/daemon.out" "$runtime/daemon.log" >&2 || true
  return 1
}

stop_test_daemon() {
  if [ -n "${TEST_DAEMON_PID:-}" ] && kill -0 "$TEST_DAEMON_PID" 2>/dev/null; then
    kill "$TEST_DAEMON_PID" 2>/dev/null || true
    # A killed daemon can linger for a moment; wait until it has been reaped.
    wait "$TEST_DAEMON_PID" 2>/dev/null || true
  fi
}
