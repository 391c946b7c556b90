#!/usr/bin/env bash
# Takes screenshots of Sonivale on a virtual display with a notification area:
#   console-screen.png  the whole screen (console and tray icon)
#   console.png         the console window alone
#   contact.png, about.png  the information windows
# Usage: scripts/screenshot-console.sh OUTPUT_FOLDER
# The build folder is SONIVALE_BUILD_DIR, or build/ of the source tree.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SONIVALE_BUILD_DIR:-$root/build}"
out="${1:?usage: $0 OUTPUT_FOLDER}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

for tool in xvfb-run trayer xwininfo import; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
[ -x "$build/bin/sonivale" ] || { echo "No program at $build/bin/sonivale; build first." >&2; exit 1; }

# The information windows are drawn off screen by their test.
if [ -x "$build/tests/InfoWindowsTest" ]; then
  SONIVALE_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen \
    "$build/tests/InfoWindowsTest" screenshots >/dev/null
fi

session() {
  set -euo pipefail
  local out="$1" build="$2"
  pids=()
  runtime="$(mktemp -d)"
  cleanup() {
    local pid
    for pid in "${pids[@]}"; do
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    done
    rm -rf "$runtime"
  }
  trap cleanup EXIT

  # A private sound server, so the console starts as on a desktop.
  export XDG_RUNTIME_DIR="$runtime" PULSE_RUNTIME_PATH="$runtime" PULSE_STATE_PATH="$runtime"
  export PULSE_SERVER="unix:$runtime/native"
  if command -v pulseaudio >/dev/null; then
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes --use-pid-file=no \
      -L "module-null-sink sink_name=screenshot_sink" \
      -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/native" \
      >"$runtime/pulse.log" 2>&1 &
    pids+=($!)
  fi

  trayer --edge bottom --align right --widthtype pixel --width 96 --height 28 \
    --SetDockType true --transparent false --tint 0x303030 >/dev/null 2>&1 &
  pids+=($!)

  wait_for_window() {
    local pattern="$1" i
    for i in $(seq 1 100); do
      if xwininfo -root -tree | grep -q -- "$pattern"; then
        return 0
      fi
      sleep 0.1
    done
    echo "No window matching $pattern appeared." >&2
    return 1
  }
  wait_for_window '"panel"'

  QT_QPA_PLATFORM=xcb "$build/bin/sonivale" >"$runtime/sonivale.log" 2>&1 &
  pids+=($!)
  wait_for_window '" Sonivale"' || { cat "$runtime/sonivale.log" >&2; return 1; }
  # Let the console paint, the tray embed the icon and the start-in-tray check pass.
  sleep 2

  import -window root "$out/console-screen.png"
  local id
  id="$(xwininfo -root -tree | grep -m1 -- '" Sonivale"' | awk '{print $1}')"
  import -window "$id" "$out/console.png"
}

# xvfb-run is a POSIX shell script, which drops exported bash functions; the session is
# handed over as text instead.
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "$(declare -f session)"'; session "$@"' session "$out" "$build"
ls "$out"
