# Sourced by the test and benchmark scripts: starts a private sound server (PulseAudio by
# default, or PipeWire with its PulseAudio service) with a null sink as its default sink,
# exports PULSE_SERVER and SONIVALE_TEST_SERVER for the tests, and stops it on exit.
#   start_test_daemon RUNTIME [shm|noshm] [pulseaudio|pipewire]
#   stop_test_daemon
# Tests pass audio over the socket, which works in any sandbox; benchmarks pass "shm" to
# hand it over in shared memory as a desktop's server does.

start_test_daemon() {
  local runtime="$1" shm="${2:-noshm}" kind="${3:-pulseaudio}"
  local script
  script="$(dirname "${BASH_SOURCE[0]}")/sound-server.sh"
  stop_test_daemon
  TEST_DAEMON_RUNTIME="$runtime"
  trap stop_test_daemon EXIT
  PULSE_SERVER="$("$script" start "$kind" "$runtime" sonivale_test_sink "$shm")" || return 1
  export PULSE_SERVER SONIVALE_TEST_SERVER="$kind"
}

stop_test_daemon() {
  if [ -n "${TEST_DAEMON_RUNTIME:-}" ]; then
    "$(dirname "${BASH_SOURCE[0]}")/sound-server.sh" stop "$TEST_DAEMON_RUNTIME"
    TEST_DAEMON_RUNTIME=
  fi
}
