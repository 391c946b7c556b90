#!/usr/bin/env bash
# Starts and stops a private sound server for tests and benchmarks, in a runtime folder of
# its own, with a null sink as its default sink:
#
#   sound-server.sh start KIND RUNTIME [SINK] [shm]
#       KIND is "pulseaudio" or "pipewire" (PipeWire with WirePlumber and pipewire-pulse,
#       on a D-Bus session bus of its own). Prints the PULSE_SERVER address once the server
#       answers; exits non-zero, with the daemons' logs on stderr, when it does not.
#       Audio passes over the socket unless "shm" is given, as a desktop's server does.
#   sound-server.sh stop RUNTIME
#       Stops every daemon that "start" started in RUNTIME and waits until they are gone.
#
# The daemons write only to log files in RUNTIME, so a caller that reads this script's
# output is not held up by them.
set -uo pipefail

pids_file() { echo "$1/daemon.pids"; }

launch() {
  local runtime="$1" name="$2"
  shift 2
  "$@" >"$runtime/$name.log" 2>&1 </dev/null &
  echo $! >>"$(pids_file "$runtime")"
}

stop_server() {
  local runtime="$1" file pid
  file="$(pids_file "$runtime")"
  [ -f "$file" ] || return 0
  # Newest first: the PulseAudio service and the session manager before the daemon, and
  # the bus last.
  for pid in $(tac "$file"); do
    kill "$pid" 2>/dev/null || true
  done
  for pid in $(tac "$file"); do
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -f "$file"
}

wait_for_server() {
  local runtime="$1"
  for _ in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "The private sound server did not start:" >&2
  tail -n 20 "$runtime"/*.log >&2 || true
  return 1
}

start_pulseaudio() {
  local runtime="$1" sink="$2" shm="$3"
  local shm_option="--disable-shm=yes"
  [ "$shm" = "shm" ] && shm_option="--disable-shm=no"
  launch "$runtime" pulseaudio pulseaudio -n --daemonize=no --exit-idle-time=-1 "$shm_option" \
    --use-pid-file=no --log-level=2 \
    -L "module-null-sink sink_name=$sink sink_properties=device.description=$sink" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/pulse/native"
  wait_for_server "$runtime"
}

start_pipewire() {
  local runtime="$1" sink="$2"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus"
  export PIPEWIRE_RUNTIME_DIR="$runtime"
  # The session manager remembers default devices and stream volumes: keep that private.
  export XDG_STATE_HOME="$runtime/state" XDG_CONFIG_HOME="$runtime/config"
  launch "$runtime" dbus dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS"
  for _ in $(seq 1 50); do
    [ -S "$runtime/bus" ] && break
    sleep 0.1
  done
  launch "$runtime" pipewire pipewire
  for _ in $(seq 1 50); do
    [ -S "$runtime/pipewire-0" ] && break
    sleep 0.1
  done
  launch "$runtime" wireplumber wireplumber
  launch "$runtime" pipewire-pulse pipewire-pulse
  wait_for_server "$runtime" || return 1
  pactl load-module module-null-sink "sink_name=$sink" "sink_properties=device.description=$sink" >/dev/null || return 1
  for _ in $(seq 1 50); do
    pactl set-default-sink "$sink" 2>/dev/null && [ "$(pactl get-default-sink)" = "$sink" ] && return 0
    sleep 0.1
  done
  echo "The private PipeWire server did not take $sink as its default sink." >&2
  return 1
}

start_server() {
  local kind="$1" runtime="$2" sink="${3:-sonivale_test_sink}" shm="${4:-}"
  stop_server "$runtime"
  rm -rf "$runtime"
  mkdir -p "$runtime/pulse"
  chmod 700 "$runtime"
  export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime/pulse" PULSE_STATE_PATH="$runtime/pulse"
  export PULSE_SERVER="unix:$runtime/pulse/native"
  case "$kind" in
    pulseaudio) start_pulseaudio "$runtime" "$sink" "$shm" ;;
    pipewire) start_pipewire "$runtime" "$sink" ;;
    *) echo "Unknown sound server: $kind" >&2; return 2 ;;
  esac || { stop_server "$runtime"; return 1; }
  echo "$PULSE_SERVER"
}

case "${1:-}" in
  start) shift; start_server "$@" ;;
  stop) shift; stop_server "$1" ;;
  *) echo "usage: $0 start KIND RUNTIME [SINK] [shm] | stop RUNTIME" >&2; exit 2 ;;
esac
