#!/usr/bin/env bash
# Per-user install into a home whose path has spaces, quotes, $, % and UTF-8: the menu
# entry validates and names the launcher, a second install keeps a changed database, the
# installed launcher starts Ondrevo in its folder (on X11 even when told it is on a
# Wayland session), and uninstalling removes what install wrote but the database and
# the converted files. Uses the build's program, database and icons (no new build).
source "$(dirname "$0")/common.sh"
top=$(cd "$here/../.." && pwd)
build=$(cd "$(dirname "$built")/.." && pwd)
[ -f "$build/icons/hicolor/48x48/apps/ondrevo.png" ] || { echo "build the desktop_icons target first"; exit 1; }

export HOME="$work/home \"q\" 'a' \$b %c é"
export XDG_DATA_HOME="$HOME/data home"
mkdir -p "$HOME"
prefix=$XDG_DATA_HOME/ondrevo
entry=$XDG_DATA_HOME/applications/ondrevo.desktop
launcher=$HOME/.local/bin/ondrevo
install_ondrevo() { bash "$top/scripts/install.sh" --prebuilt "$build" >"$work/install.log" 2>&1; }
fail() { echo "$*"; cat "$work/install.log" 2>/dev/null; exit 1; }

install_ondrevo || fail "install failed"
for file in "$prefix/ondrevo" "$prefix/LibFFmpeg.Dat" "$XDG_DATA_HOME/icons/hicolor/48x48/apps/ondrevo.png" \
  "$XDG_DATA_HOME/icons/hicolor/scalable/apps/ondrevo.svg"; do
  [ -f "$file" ] || fail "not installed: $file"
done
[ -d "$prefix/FFOutput" ] && [ -x "$launcher" ] || fail "no FFOutput or launcher"
[ "$(readlink "$prefix/bin/ffmpeg")" = "$(command -v ffmpeg)" ] || fail "bin/ffmpeg links $(readlink "$prefix/bin/ffmpeg")"
[ -L "$prefix/bin/mplayer" ] || fail "no bin/mplayer"
desktop-file-validate "$entry" || fail "the menu entry does not validate"
# The Exec line, unescaped as a desktop does, is the launcher.
exec_path=$(/usr/bin/python3 - "$entry" <<'PY'
import sys
line = next(l for l in open(sys.argv[1], encoding="utf-8") if l.startswith("Exec="))[5:].rstrip("\n")
value, i = "", 0
while i < len(line):  # the string escapes: \\ is one backslash
    if line[i] == "\\" and i + 1 < len(line):
        value += {"s": " ", "n": "\n", "t": "\t", "r": "\r"}.get(line[i + 1], line[i + 1])
        i += 2
    else:
        value += line[i]
        i += 1
value = value.replace("%%", "%")
assert value.startswith('"'), value
argument, i = "", 1
while value[i] != '"':  # a quoted argument: \ escapes " ` $ and itself
    if value[i] == "\\":
        i += 1
    argument += value[i]
    i += 1
print(argument)
PY
)
[ "$exec_path" = "$launcher" ] || fail "Exec names [$exec_path], not [$launcher]"
grep -qx "Icon=ondrevo" "$entry" || fail "icon not named"

# A second install keeps the user's database and its changes.
sqlite3 "$prefix/LibFFmpeg.Dat" "CREATE TABLE kept_by_install(x); INSERT INTO kept_by_install VALUES (42);"
install_ondrevo || fail "second install failed"
[ "$(sqlite3 "$prefix/LibFFmpeg.Dat" "SELECT x FROM kept_by_install")" = 42 ] || fail "the database was replaced"

# The launcher, as the menu runs it, from another folder, told it is on Wayland.
cd "$work"
WAYLAND_DISPLAY=wayland-nowhere QT_QPA_PLATFORM=wayland "$exec_path" 2>"$work/stderr" &
pid=$!
window=$(until_true 60 x11 find Ondrevo) || { cat "$work/stderr"; fail "no window from the launcher"; }
[ "$(readlink "/proc/$pid/cwd")" = "$prefix" ] || fail "working directory $(readlink "/proc/$pid/cwd")"
x11 close "$window"
wait_for_exit $pid 60 || fail "still running after the close box"
wait $pid || fail "exit status $?: $(cat "$work/stderr")"

# Uninstall keeps the database and converted files, and removes the rest.
echo converted >"$prefix/FFOutput/clip.3gp"
bash "$top/scripts/uninstall.sh" >"$work/install.log" 2>&1 || fail "uninstall failed"
for gone in "$prefix/ondrevo" "$prefix/bin" "$entry" "$launcher" "$XDG_DATA_HOME/icons/hicolor/48x48/apps/ondrevo.png" \
  "$XDG_DATA_HOME/icons/hicolor/scalable/apps/ondrevo.svg"; do
  [ ! -e "$gone" ] || fail "left behind: $gone"
done
left=$(find "$XDG_DATA_HOME/icons" "$XDG_DATA_HOME/applications" -name '*ondrevo*' -o -type d -empty -name apps)
[ -z "$left" ] || fail "left behind: $left"
[ "$(sqlite3 "$prefix/LibFFmpeg.Dat" "SELECT x FROM kept_by_install")" = 42 ] || fail "the database went"
[ -f "$prefix/FFOutput/clip.3gp" ] || fail "the converted file went"

# A command of that name that is not ours is neither replaced nor removed.
mkdir -p "$(dirname "$launcher")"
printf '#!/bin/sh\necho mine\n' >"$launcher"
if install_ondrevo; then fail "install replaced a foreign $launcher"; fi
bash "$top/scripts/uninstall.sh" >/dev/null 2>&1
[ "$(cat "$launcher")" = "$(printf '#!/bin/sh\necho mine')" ] || fail "a foreign launcher was touched"
echo "installed, started, reinstalled and removed"
