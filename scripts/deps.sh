#!/usr/bin/env bash
# Installs the Debian packages Ondrevo needs, only those that are missing.
# Usage: scripts/deps.sh GROUP...
#   run      what building and running the program needs;
#   display  a virtual display (xvfb-run) for a machine without one;
#   test     what the tests, benchmarks and fuzzers need (run and display included);
#   package  what checks the Debian package (scripts/package.sh installs what builds it).
set -euo pipefail
source "$(dirname "$0")/clang.sh"

run_packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins libxkbcommon-dev libgl-dev fonts-dejavu-core fonts-dejavu-extra
  libsqlite3-dev sqlite3
  ffmpeg mplayer libmediainfo0v5
  # The AMR sound encoders (libopencore_amrnb, libvo_amrwbenc): this libavcodec replaces
  # the standard one in place and brings libopencore-amrnb0 and libvo-amrwbenc0.
  libavcodec-extra
  libsystemd-dev
)
display_packages=(xvfb xauth)
package_packages=(lintian)
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xdotool x11-utils
  openbox trayer dbus-daemon at-spi2-core python3-pyatspi
  mediainfo
  dbus python3-dbusmock
  "clang-$clang_version" "libclang-rt-$clang_version-dev"
  imagemagick
  desktop-file-utils appstream
  parallel
)

packages=()
for group in "${@:-run}"; do
  case "$group" in
    run) packages+=("${run_packages[@]}") ;;
    display) packages+=("${display_packages[@]}") ;;
    test) packages+=("${run_packages[@]}" "${display_packages[@]}" "${test_packages[@]}") ;;
    package) packages+=("${package_packages[@]}") ;;
    *) echo "usage: $0 run|display|test|package..." >&2; exit 2 ;;
  esac
done

# One query for all of them: what is installed, then what is not among it.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null | sed -n 's/ install ok installed$//p' || true)
missing=()
for p in "${packages[@]}"; do
  grep -qxF "$p" <<<"$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
