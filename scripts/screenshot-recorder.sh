#!/usr/bin/env bash
# Saves pictures of the recorder window (Ready, Recording and Stopped, expanded and
# compact), the troubleshooting window and the lamp as PNG files.
# Usage: scripts/screenshot-recorder.sh <output-folder> [build-folder]
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 <output-folder> [build-folder]" >&2
  exit 2
fi

source_dir="$(cd "$(dirname "$0")/.." && pwd)"
output="$(mkdir -p "$1" && cd "$1" && pwd)"
build="${2:-$source_dir/build}"

cmake --build "$build" --target RecorderScreenshotTest
SONIVALE_SCREENSHOT_DIR="$output" QT_QPA_PLATFORM=xcb \
  xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" \
  "$build/tests/RecorderScreenshotTest"
echo "Pictures written to $output"
