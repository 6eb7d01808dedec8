#!/usr/bin/env bash
# Makes the two Debian packages from the built tree and checks what they hold.
#   packages.sh <build tree> <source tree> <folder of the built CiarlaChat>
set -euo pipefail
build=$1 source=$2 chat_dir=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail cpack; }
for package in ciarlachat ciarla-servizio; do
  deb=$(echo "$work/${package}_"*.deb)
  [ -f "$deb" ] || fail "no $package package"
  dpkg-deb --contents "$deb" | awk '{print $1, $6}' >"$work/$package.list"
  dpkg-deb -x "$deb" "$work/root"
  dpkg-deb -e "$deb" "$work/$package.control"
done
has() { grep -qxF -e "$2 ./$3" "$work/$1.list" || fail "$1 lacks $3 ($2)"; }
file=-rw-r--r-- program=-rwxr-xr-x root=$work/root

# Nothing but programs in /usr/bin.
[ "$(grep -h ' ./usr/bin/.' "$work"/*.list | sort)" = "$program ./usr/bin/CiarlaChat
$program ./usr/bin/ciarla-servizio" ] || fail "/usr/bin holds more than the two programs"

# The bus starts the installed CiarlaServer.
has ciarlachat $program usr/libexec/ciarlachat/CiarlaServer
grep -qx 'Exec=/usr/libexec/ciarlachat/CiarlaServer' "$root/usr/share/dbus-1/services/it.ciarlasoft.CiarlaServer.service" ||
  fail "the activation file does not name the installed CiarlaServer"

# The data folder: the readme as written, the guide with the dialogs' pictures.
cmp -s "$source/docs/Leggimi.txt" "$root/usr/share/ciarlachat/Leggimi.txt" || fail "Leggimi.txt differs"
[ "$(grep -ac '/Subtype /Image' "$root/usr/share/ciarlachat/ciarlachat.pdf")" -ge 4 ] || fail "the guide lacks its pictures"
# The guide as a web page for F1, with every picture it shows.
for picture in ciarlachat.html $(grep -o 'src="[^"]*"' "$source/docs/guida/ciarlachat.html" | cut -d'"' -f2); do
  has ciarlachat $file "usr/share/ciarlachat/guida/$picture"
done

# Desktop entry, metainfo and icons as the freedesktop specifications want them.
entry=$root/usr/share/applications/it.ciarlasoft.CiarlaChat.desktop
grep -qx 'Exec="/usr/bin/CiarlaChat"' "$entry" || fail "the desktop entry does not start /usr/bin/CiarlaChat"
grep -qx 'StartupWMClass=CiarlaChat' "$entry" || fail "the desktop entry does not name the window's class"
desktop-file-validate "$entry" || fail desktop-file-validate
appstreamcli validate --no-net "$root/usr/share/metainfo/it.ciarlasoft.CiarlaChat.metainfo.xml" >/dev/null ||
  fail appstreamcli
for size in 16 32 48 64 128 256; do
  [ "$(identify -format '%wx%h %A' "$root/usr/share/icons/hicolor/${size}x$size/apps/ciarlachat.png")" = "${size}x$size True" ] ||
    fail "icon $size is not ${size}x$size with alpha"
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/ciarlachat.svg" || fail "no scalable icon"

# Manual pages, copyright, changelog.
has ciarlachat $file usr/share/man/man1/CiarlaChat.1.gz
has ciarla-servizio $file usr/share/man/man8/ciarla-servizio.8.gz
for package in ciarlachat ciarla-servizio; do
  has $package $file usr/share/doc/$package/copyright
  has $package $file usr/share/doc/$package/changelog.gz
done

# The dependencies dpkg-shlibdeps found, and what the window starts or reads.
depends=$(sed -n 's/^Depends: //p' "$work/ciarlachat.control/control")
for dependency in libqt6widgets6 qt6-qpa-plugins dbus-session-bus fonts-liberation; do
  [[ $depends == *"$dependency"* ]] || fail "ciarlachat does not depend on $dependency"
done

# With no setting of its own the window talks to the service on the same machine.
grep -q '^Recommends: .*ciarla-servizio' "$work/ciarlachat.control/control" || fail "ciarlachat does not recommend ciarla-servizio"

# The service's unit, installed but not enabled, and its options as a conffile.
has ciarla-servizio $file usr/lib/systemd/system/ciarla-servizio.service
has ciarla-servizio $file etc/default/ciarla-servizio
grep -qx /etc/default/ciarla-servizio "$work/ciarla-servizio.control/conffiles" || fail "the defaults are no conffile"
! grep -q '\.wants/' "$work/ciarla-servizio.list" || fail "the package enables its unit"
mkdir "$work/unit"
sed "s|/usr/bin/ciarla-servizio|$root/usr/bin/ciarla-servizio|" "$root/usr/lib/systemd/system/ciarla-servizio.service" \
  >"$work/unit/ciarla-servizio.service"
# verify only warns about unknown or malformed settings: any word from it fails.
report=$(systemd-analyze verify --man=no "$work/unit/ciarla-servizio.service" 2>&1) && [ -z "$report" ] ||
  fail "systemd-analyze verify: $report"

# A run from the build tree finds the data beside the program.
cmp -s "$source/docs/Leggimi.txt" "$chat_dir/Leggimi.txt" && [ -f "$chat_dir/ciarlachat.pdf" ] ||
  fail "the build tree's CiarlaChat has no data beside it"
echo "both packages hold what they should"
