# Shared by the whole-program checks: a private program folder, a temporary working
# directory and an Xvfb display. Sourced with the path of the built program as $1.
set -euo pipefail
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
# A program folder of our own, so the checks never touch the user's saved choices.
mkdir -p "$work/program/bin" "$work/program/FFOutput"
cp "$built" "$work/program/ondrevo"
ln -s /usr/bin/ffmpeg "$work/program/bin/ffmpeg"
ln -s /usr/bin/mplayer "$work/program/bin/mplayer"
shipped=$(dirname "$built")/../LibFFmpeg.Dat.built
cp "$shipped" "$work/program/LibFFmpeg.Dat"
program=$work/program/ondrevo
x11() { /usr/bin/python3 "$here/x11.py" "$@"; }
export QT_QPA_PLATFORM=xcb
