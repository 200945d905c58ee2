#!/usr/bin/env bash
# Installs what Ondrevo needs, builds it (the window and ondrevo-convert) in Release into
# build/ and starts the window with the program folder (build/program) as its working
# directory.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# Without a display the program cannot start; the virtual display that the message below
# points to is installed now, so that the command it gives works on a bare machine.
no_display=0
[ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && no_display=1
groups=(run)
[ $no_display -eq 1 ] && groups+=(display)
"$top/scripts/deps.sh" "${groups[@]}"

"$top/scripts/configure-program.sh" "$top" "$top/build"
cmake --build "$top/build" --target ondrevo ondrevo-convert shipped_database

if [ $no_display -eq 1 ]; then
  echo "Ondrevo needs a graphical display; none is set (DISPLAY, WAYLAND_DISPLAY). Start it on a desktop, or without one: xvfb-run -a scripts/run.sh. The command line build/program/ondrevo-convert needs none." >&2
  exit 2
fi
# The player draws into an X11 window id, which needs the xcb platform (XWayland on Wayland).
if [ -n "${DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-xcb}"
fi
cd "$top/build/program"
exec ./ondrevo
