# Shared by the whole-program checks: a private program folder, a temporary working
# directory and an Xvfb display. Sourced with the path of the built program as $1.
# A check driven through the accessibility bus sets session_bus=1 before: it then runs in a
# private session bus of its own, for the accessibility bus to announce itself on.
set -euo pipefail
if [ -n "${session_bus:-}" ] && [ -z "${ONDREVO_SESSION_BUS:-}" ]; then
  export ONDREVO_SESSION_BUS=1
  exec dbus-run-session -- bash "$0" "$@"
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
built=$1
# Runs the rest of the calling script on a fresh Xvfb unless a display is ours already
# (before anything is made here: exec skips the clean-up below).
if [ -z "${ONDREVO_XVFB:-}" ]; then
  export ONDREVO_XVFB=1
  exec bash "$here/../support/on_xvfb.sh" bash "$0" "$@"
fi
work=$(mktemp -d /tmp/ondrevo-program-XXXXXX)
trap 'rm -rf "$work"' EXIT
# What the program keeps between runs goes with the check, not into the user's cache.
export XDG_CACHE_HOME=$work/cache
# A program folder of our own, so the checks never touch the user's saved choices.
mkdir -p "$work/program/bin" "$work/program/FFOutput"
cp "$built" "$work/program/ondrevo"
# The encoder and the player the build found, as its own program folder links them.
ln -s "$(readlink "$(dirname "$built")/bin/ffmpeg")" "$work/program/bin/ffmpeg"
ln -s "$(readlink "$(dirname "$built")/bin/mplayer")" "$work/program/bin/mplayer"
shipped=$(dirname "$built")/../LibFFmpeg.Dat.built
cp "$shipped" "$work/program/LibFFmpeg.Dat"
program=$work/program/ondrevo
# Clips made for the check, and where screenshots go (default build/artefacts).
clips=$work/clips
artefacts=${ONDREVO_ARTEFACTS:-$(cd "$(dirname "$built")/.." && pwd)/artefacts}
mkdir -p "$clips" "$artefacts"
x11() { /usr/bin/python3 "$here/x11.py" "$@"; }
# Runs the command after $1 until it succeeds; fails once $1 seconds have passed (a limit
# that only ever fails a check, so a generous one).
until_true() { for _ in $(seq $(($1 * 5))); do "${@:2}" && return 0; sleep 0.2; done; "${@:2}"; }
# Waits for the program $1 to end, at most $2 seconds; one still running then is killed.
wait_for_exit() { until_true "$2" eval "! kill -0 $1 2>/dev/null" || { kill "$1" 2>/dev/null; return 1; }; }
# Whether the window $1 shows what it was drawn with: more than its background colour.
drawn() { [ "$(import -window "$1" -format %k info: 2>/dev/null || echo 0)" -gt 2 ]; }
export QT_QPA_PLATFORM=xcb
