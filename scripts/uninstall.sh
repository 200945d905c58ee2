#!/usr/bin/env bash
# Removes what scripts/install.sh wrote for the current user: the executable, the bin/
# links, the menu entry, the icons and the launcher. The user's LibFFmpeg.Dat and the
# converted files in FFOutput/ stay where they are.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/install-paths.sh"

rm -f "$program_dir/ondrevo"
for tool in ffmpeg mplayer; do
  if [ -L "$program_dir/bin/$tool" ]; then rm -f "$program_dir/bin/$tool"; fi
done
rmdir "$program_dir/bin" 2>/dev/null || true
# Empty only when it holds no converted files.
rmdir "$program_dir/FFOutput" 2>/dev/null || true
rmdir "$program_dir" 2>/dev/null || true

rm -f "$desktop_entry"
for size in "${icon_sizes[@]}" scalable; do
  rm -f "$icon_root/$size/apps/ondrevo.png" "$icon_root/$size/apps/ondrevo.svg"
  # The size folders go too when nothing else is in them.
  rmdir "$icon_root/$size/apps" "$icon_root/$size" 2>/dev/null || true
done
if [ -d "$icon_root" ]; then touch "$icon_root"; fi

if [ -e "$launcher" ]; then
  if grep -qxF "$launcher_mark" "$launcher"; then
    rm -f "$launcher"
  else
    echo "Leaving $launcher alone: it is not Ondrevo's launcher" >&2
  fi
fi

echo "Ondrevo removed."
for kept in "$program_dir/LibFFmpeg.Dat" "$program_dir/FFOutput"; do
  if [ -e "$kept" ]; then echo "Kept: $kept"; fi
done
