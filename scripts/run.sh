#!/usr/bin/env bash
# Installs what Ondrevo needs, builds it in Release into build/ and starts it with the
# program folder (build/program) as its working directory.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" run

cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$top/build" --target ondrevo shipped_database

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Ondrevo needs a graphical display; none is set (DISPLAY, WAYLAND_DISPLAY). Start it on a desktop, or without one: xvfb-run -a scripts/run.sh" >&2
  exit 2
fi
# The player draws into an X11 window id, which needs the xcb platform (XWayland on Wayland).
if [ -n "${DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-xcb}"
fi
cd "$top/build/program"
exec ./ondrevo
