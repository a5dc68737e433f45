#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb), with the settings the web view
# needs there. Usage: run-under-xvfb.sh command [arguments...]
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 command [arguments...]" >&2
  exit 2
fi

export QTWEBENGINE_DISABLE_SANDBOX=1
# Engine switches already set (a benchmark trying one) are kept.
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:+$QTWEBENGINE_CHROMIUM_FLAGS }--disable-gpu"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

exec xvfb-run -a -s '-screen 0 1280x1024x24' "$@"
