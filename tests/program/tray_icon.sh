#!/usr/bin/env bash
# The tray icon on a real notification area (trayer) under a window manager (openbox):
# the icon sits in the area with the hint "Ondrevo"; minimising hides the main window
# and leaves the icon; a left click on the icon, and the menu's "Open Ondrevo", bring the
# window back; the menu's "Quit" ends the program with status 0. Clicks are real X
# input (xdotool). The hint is read through the accessibility bus.
session_bus=1 source "$(dirname "$0")/common.sh"
helpers=()
trap 'kill "${helpers[@]}" 2>/dev/null; rm -rf "$work"' EXIT

fail() { set +e; echo "$*"; xwininfo -root -tree | grep -i -B2 -A4 "trayer\|panel"; cat "$work/stderr" 2>/dev/null; echo "DISPLAY=$DISPLAY"; ps -ef | grep -E "Xvfb|openbox|trayer" | grep -v grep; cat "$work"/*.log; exit 1; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: IsViewable"; }
hidden() { ! viewable "$1"; }
# Whether the window manager lists the window (what a task bar shows).
listed() { xprop -root _NET_CLIENT_LIST | grep -qi "$(printf '0x%x' "$1")"; }
not_listed() { ! listed "$1"; }
# The icon's menu when it is open: the program's visible window besides the main window
# and the icon that is tall enough for two items (a tool tip is one line).
menus() {
  for w in $(xdotool search --onlyvisible --classname ondrevo 2>/dev/null); do
    [ "$w" = "$main" ] || [ "$w" = "$icon" ] && continue
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$HEIGHT" -ge 40 ] && echo "$w"
  done
  return 0
}

# Openbox runs its start-up command once it manages windows; a window mapped before
# that may stay unmanaged.
openbox --sm-disable --startup "touch $work/openbox.ready" >"$work/openbox.log" 2>&1 &
helpers+=($!)
until_true 30 test -e "$work/openbox.ready" || fail "openbox did not start"
# trayer needs no accessibility bridge, and starts before the accessibility bus.
NO_AT_BRIDGE=1 trayer --edge bottom --align right --widthtype pixel --width 100 --heighttype pixel --height 24 \
  >"$work/trayer.log" 2>&1 &
helpers+=($!)
panel=$(until_true 30 x11 find panel) || fail "trayer did not start: $(cat "$work/trayer.log")"
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/at-spi.log" 2>&1 &
helpers+=($!)

cd "$work/program"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ./ondrevo 2>"$work/stderr" &
pid=$!

# The icon: the program's 22 x 22 window, embedded in trayer's panel.
find_icon() {
  for w in $(xdotool search --classname ondrevo 2>/dev/null); do
    xwininfo -id "$w" | grep -q "Width: 22" || continue
    local parent
    parent=$(xwininfo -id "$w" -tree | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
    if xwininfo -id "$parent" -tree | grep -q "Parent window id: .*\"panel\""; then
      echo "$w"
      return 0
    fi
  done
  return 1
}
find_main() {
  for w in $(xdotool search --onlyvisible --name '^Ondrevo$' 2>/dev/null); do
    xwininfo -id "$w" | grep -q "Width: 852" && { echo "$w"; return 0; }
  done
  return 1
}
main=$(until_true 30 find_main) || fail "no main window"
icon=$(until_true 30 find_icon) || fail "no icon in the notification area"
echo "main window $main, icon $icon in trayer's panel"

# The hint: hovering shows a tool tip that the accessibility bus reads as "Ondrevo".
xdotool mousemove --window "$icon" 11 11
hint() {
  /usr/bin/python3 - <<'PY'
import sys, pyatspi
for app in pyatspi.Registry.getDesktop(0):
    if app is not None and app.name == "Ondrevo":
        for child in app:
            if child is not None and child.getRoleName() == "tool tip":
                print(child.name)
                sys.exit(0)
sys.exit(1)
PY
}
until_true 30 hint >/dev/null || fail "no tool tip over the icon"
[ "$(hint)" = Ondrevo ] || fail "the icon's hint is '$(hint)'"
xdotool mousemove 400 300

minimise() {
  xdotool windowminimize "$main"
  until_true 30 hidden "$main" || fail "minimising left the window shown: $(xprop -id "$main" WM_STATE _NET_WM_STATE)"
  until_true 30 not_listed "$main" || fail "the minimised window is still on the task bar"
  find_icon >/dev/null || fail "the icon went away with the window"
}
restored() {
  until_true 30 viewable "$main" || fail "$1 did not bring the window back"
  until_true 30 listed "$main" || fail "after $1 the window is not on the task bar"
}

minimise
echo "minimised: window hidden, icon stays"
xdotool mousemove --window "$icon" 11 11 click 1
restored "a left click on the icon"
echo "left click on the icon: window back"

# Right click: the icon's menu; its first item is "Open Ondrevo", its last "Quit".
open_menu() {
  xdotool mousemove --window "$icon" 11 11 click 3
  until_true 30 test -n "$(menus)" || fail "no menu on a right click"
  menu=$(menus | head -1)
  eval "$(xdotool getwindowgeometry --shell "$menu")"
  if [ -n "${ONDREVO_SCREENSHOTS:-}" ] && command -v import >/dev/null; then
    import -window root "$ONDREVO_SCREENSHOTS/tray-menu.png"
  fi
  return 0
}
minimise
open_menu
xdotool mousemove --window "$menu" $((WIDTH / 2)) 10 click 1
restored "Open Ondrevo"
echo "menu Open Ondrevo: window back"

open_menu
xdotool mousemove --window "$menu" $((WIDTH / 2)) $((HEIGHT - 10)) click 1
wait_for_exit $pid 60 || fail "still running after Quit"
wait $pid && status=0 || status=$?
[ $status -eq 0 ] || fail "exit status $status after Quit"
echo "menu Quit: program ended with status 0"
