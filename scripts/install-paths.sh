# Where a per-user install of Ondrevo lives; sourced by install.sh and uninstall.sh.
#   data_home    $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute
#   program_dir  the program folder: the executable, bin/, LibFFmpeg.Dat, FFOutput/
#   launcher     ~/.local/bin/ondrevo, the command on the user's PATH
#   desktop_entry, icon_root  the menu entry and the icon theme folder it names

if [ -z "${HOME:-}" ] || [ "${HOME#/}" = "$HOME" ]; then
  echo "HOME must be set to an absolute path" >&2
  exit 2
fi
data_home=${XDG_DATA_HOME:-}
# A relative data folder is not a usable place: fall back to the usual one.
if [ -z "$data_home" ] || [ "${data_home#/}" = "$data_home" ]; then
  data_home=$HOME/.local/share
fi
case "$HOME$data_home" in
  *$'\n'*)
    echo "a folder name with a line break cannot go into a menu entry: $data_home" >&2
    exit 2
    ;;
esac
program_dir=$data_home/ondrevo
launcher=$HOME/.local/bin/ondrevo
desktop_entry=$data_home/applications/ondrevo.desktop
icon_root=$data_home/icons/hicolor
icon_sizes=(16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256)
# The launcher carries this line, so nothing else of that name is ever overwritten or removed.
launcher_mark="# ondrevo-launcher: written by Ondrevo's install.sh"
