#!/usr/bin/env bash
# Builds Sonivale and starts it on this desktop.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build"
"$root/scripts/build.sh" "$build"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Sonivale needs a graphical desktop, and no display was found (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "To try it without a desktop, run it under a virtual display:" >&2
  echo "  xvfb-run -a $build/bin/sonivale" >&2
  exit 1
fi

if ! pactl info >/dev/null 2>&1; then
  echo "No sound server answered; starting PulseAudio."
  pulseaudio --start || echo "PulseAudio could not be started; Sonivale will wait for a sound server." >&2
fi

exec "$build/bin/sonivale"
