#!/usr/bin/env bash
# Builds the Debian package dist/ondrevo_VERSION-1_ARCH.deb from this tree with Debian's own
# tools (debian/: dh with the cmake build system), after installing the build dependencies
# that debian/control names. VERSION is the project's version in CMakeLists.txt, which the
# newest entry of debian/changelog must carry. The tree is copied into build-package/ and
# built there, so that the build's files stay out of the tree.
# Usage: scripts/package.sh        (then: sudo apt install ./dist/ondrevo_*.deb)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

version=$(sed -n 's/^project(Ondrevo VERSION \([0-9.]*\) .*/\1/p' "$top/CMakeLists.txt")
package_version=$(sed -n '1s/^ondrevo (\([^)]*\)).*/\1/p' "$top/debian/changelog")
case "$package_version" in
  "$version"-[0-9]*) ;;
  *)
    echo "debian/changelog is at $package_version, CMakeLists.txt at $version: add an entry first (dch -v $version-1)" >&2
    exit 1
    ;;
esac

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
updated=0
apt_update() { [ $updated -eq 1 ] || "${as_root[@]}" apt-get update -qq; updated=1; }

# The packaging tools, then what debian/control's Build-Depends names.
tools=(dpkg-dev debhelper)
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${tools[@]}" 2>/dev/null | sed -n 's/ install ok installed$//p' || true)
missing=()
for p in "${tools[@]}"; do grep -qxF "$p" <<<"$installed" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt_update
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if ! (cd "$top" && dpkg-checkbuilddeps 2>/dev/null); then
  echo "Installing the build dependencies of debian/control"
  apt_update
  (cd "$top" && "${as_root[@]}" apt-get build-dep -y -qq --no-install-recommends ./)
fi

# A copy of the tree without its build folders, the outputs or the history.
work=$top/build-package
source_copy=$work/ondrevo-$version
rm -rf "$work"
mkdir -p "$source_copy"
tar -C "$top" --exclude='./build*' --exclude=./dist --exclude=./.git --exclude='./obj-*' -cf - . \
  | tar -C "$source_copy" -xf -

arch=$(dpkg-architecture -qDEB_HOST_ARCH)
deb=ondrevo_${package_version}_${arch}.deb
# Both cores (or what DEB_BUILD_OPTIONS says); no debug-symbol package.
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc)} noautodbgsym"
(cd "$source_copy" && dpkg-buildpackage -b -us -uc)

mkdir -p "$top/dist"
rm -f "$top"/dist/ondrevo_*.deb
mv "$work/$deb" "$top/dist/$deb"
rm -rf "$work"
echo "Built dist/$deb"
echo "Install it with: sudo apt install ./dist/$deb"
