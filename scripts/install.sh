#!/usr/bin/env bash
# Installs Ondrevo for the current user, without root:
#   ${XDG_DATA_HOME:-~/.local/share}/ondrevo/   the program folder (executable, bin/ffmpeg and
#                                               bin/mplayer linking the system's programs,
#                                               LibFFmpeg.Dat, FFOutput/)
#   .../applications/ondrevo.desktop            the desktop menu's entry
#   .../icons/hicolor/*/apps/ondrevo.{png,svg}  its icon
#   ~/.local/bin/ondrevo                        the launcher: starts Ondrevo in its folder
# An existing LibFFmpeg.Dat (the user's choices and output folder) is kept.
#
# Usage: scripts/install.sh [--prebuilt BUILD_DIR]
#   Without options it installs the Debian packages it needs, builds in Release into
#   build/ and installs from there. --prebuilt (or ONDREVO_PREBUILT=BUILD_DIR) takes a
#   build folder that already holds program/ondrevo, LibFFmpeg.Dat.built and icons/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

prebuilt=${ONDREVO_PREBUILT:-}
while [ $# -gt 0 ]; do
  case "$1" in
    --prebuilt) prebuilt=${2:?--prebuilt needs a build folder}; shift 2 ;;
    *) echo "usage: $0 [--prebuilt BUILD_DIR]" >&2; exit 2 ;;
  esac
done

source "$top/scripts/install-paths.sh"

if [ -n "$prebuilt" ]; then
  build=$(cd "$prebuilt" && pwd)
else
  "$top/scripts/deps.sh" run
  build=$top/build
  "$top/scripts/configure-program.sh" "$top" "$build"
  cmake --build "$build" --target ondrevo shipped_database desktop_icons
fi
for needed in "$build/program/ondrevo" "$build/LibFFmpeg.Dat.built" "$build/icons/hicolor/48x48/apps/ondrevo.png"; do
  if [ ! -f "$needed" ]; then
    echo "missing from the build: $needed" >&2
    exit 1
  fi
done

if [ -e "$launcher" ] && ! grep -qxF "$launcher_mark" "$launcher"; then
  echo "$launcher exists and is not Ondrevo's launcher; move it away first" >&2
  exit 1
fi

# The new files are written beside their targets and renamed over them; whatever ends
# the install early, none of them stays behind.
temporaries=()
trap 'rm -f "${temporaries[@]}"' EXIT

# Replaces a file by a new one in one step: a running Ondrevo keeps its old executable.
put() { # source target mode
  local temporary
  temporary=$(dirname "$2")/.$(basename "$2").new.$$
  temporaries+=("$temporary")
  cp "$1" "$temporary"
  chmod "$3" "$temporary"
  mv -f "$temporary" "$2"
}

# Escapes a path as one argument of a desktop entry's Exec line: quoted, with \ " ` $
# escaped inside the quotes, % doubled, then the backslashes doubled once more, as every
# string value of the entry has them.
exec_argument() {
  local s=$1
  s=${s//\\/\\\\}
  s=${s//\"/\\\"}
  s=${s//\`/\\\`}
  s=${s//\$/\\\$}
  s=${s//%/%%}
  s="\"$s\""
  s=${s//\\/\\\\}
  printf '%s' "$s"
}

# Quotes a text for the shell: in single quotes, each single quote written as '\''.
shell_quoted() {
  printf "'%s'" "${1//\'/\'\\\'\'}"
}

mkdir -p "$program_dir/bin" "$program_dir/FFOutput"
put "$build/program/ondrevo" "$program_dir/ondrevo" 755
for tool in ffmpeg mplayer; do
  target=$(command -v "$tool" || echo "/usr/bin/$tool")
  ln -sfn "$target" "$program_dir/bin/$tool"
  [ -x "$target" ] || echo "warning: $tool is not installed ($target); install it to convert and preview" >&2
done
if [ -e "$program_dir/LibFFmpeg.Dat" ]; then
  echo "Keeping your LibFFmpeg.Dat (saved choices and output folder)"
else
  put "$build/LibFFmpeg.Dat.built" "$program_dir/LibFFmpeg.Dat" 644
fi

for size in "${icon_sizes[@]}"; do
  mkdir -p "$icon_root/$size/apps"
  put "$build/icons/hicolor/$size/apps/ondrevo.png" "$icon_root/$size/apps/ondrevo.png" 644
done
mkdir -p "$icon_root/scalable/apps"
put "$build/icons/hicolor/scalable/apps/ondrevo.svg" "$icon_root/scalable/apps/ondrevo.svg" 644
# Desktops watch the theme folder's time to notice new icons.
touch "$icon_root"

mkdir -p "$(dirname "$launcher")"
temporaries+=("$launcher.new.$$")
cat > "$launcher.new.$$" <<LAUNCHER
#!/bin/sh
$launcher_mark
# Starts Ondrevo in its program folder, where it keeps LibFFmpeg.Dat. Files and folders
# given are added to its list; relative ones are taken from where it was started.
for argument in "\$@"; do
  case \$argument in
    /*) ;;
    *) argument=\$PWD/\$argument ;;
  esac
  set -- "\$@" "\$argument"
  shift
done
cd $(shell_quoted "$program_dir") || exit 1
# The mini player draws into an X11 window: on a Wayland session Ondrevo runs on XWayland.
if [ -n "\${DISPLAY:-}" ] && { [ -n "\${WAYLAND_DISPLAY:-}" ] || [ "\${XDG_SESSION_TYPE:-}" = wayland ]; }; then
  QT_QPA_PLATFORM=xcb
  export QT_QPA_PLATFORM
fi
exec ./ondrevo "\$@"
LAUNCHER
chmod 755 "$launcher.new.$$"
mv -f "$launcher.new.$$" "$launcher"

mkdir -p "$(dirname "$desktop_entry")"
temporaries+=("$desktop_entry.new.$$")
cat > "$desktop_entry.new.$$" <<ENTRY
[Desktop Entry]
Type=Application
Version=1.4
Name=Ondrevo
GenericName=Video Converter
Comment=Convert video files to 3GP for mobile phones
Exec=$(exec_argument "$launcher") %F
MimeType=video/mp4;video/x-msvideo;video/quicktime;video/x-flv;video/x-ms-wmv;video/x-ms-asf;video/3gpp;video/3gpp2;video/x-matroska;video/webm;video/mpeg;video/mp2t;video/ogg;video/dv;video/x-m4v;application/vnd.rn-realmedia;application/vnd.rn-realmedia-vbr;application/mxf;video/x-ogm+ogg;
Icon=ondrevo
Terminal=false
StartupNotify=true
StartupWMClass=ondrevo
Categories=AudioVideo;Video;AudioVideoEditing;
Keywords=convert;video;3gp;phone;
ENTRY
mv -f "$desktop_entry.new.$$" "$desktop_entry"

echo "Ondrevo installed in $program_dir"
echo "Menu entry: $desktop_entry"
case ":$PATH:" in
  *":$(dirname "$launcher"):"*) echo "Start it with: ondrevo" ;;
  *) echo "Start it with: $launcher ($(dirname "$launcher") is not on your PATH yet; it is after your next login on most systems)" ;;
esac
