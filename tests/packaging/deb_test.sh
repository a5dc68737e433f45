#!/usr/bin/env bash
# Makes the Debian package from the build and checks what it holds and what
# it asks for.
#   deb_test.sh <build directory>
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/sonalto-deb-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "ÉCHEC : $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/sonalto_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/sonalto ./usr/bin/sntscheduler ./usr/bin/sntupdate \
    ./usr/lib/sonalto/Sonalto ./usr/lib/sonalto/SntScheduler \
    ./usr/lib/sonalto/HarddiskOgg/harddisk ./usr/lib/sonalto/html/haut.htm \
    ./usr/share/applications/sonalto.desktop ./usr/share/icons/hicolor/48x48/apps/sonalto.png; do
  grep -qx -- "$file" <<<"$contents" || fail "$file manque dans le paquet"
done
# Programs keep their execute bit.
dpkg-deb -c "$deb" | grep -E ' \./usr/lib/sonalto/Sonalto$' | grep -q '^-rwxr-xr-x' \
  || fail "le lecteur n'est pas exécutable dans le paquet"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6webenginewidgets6 libcurl4 libgstreamer1.0-0 libpulse0 gstreamer1.0-plugins-good qt6-qpa-plugins; do
  grep -q "$package" <<<"$depends" || fail "dépendance $package absente"
done
[ "$(dpkg-deb -f "$deb" Package)" = sonalto ] || fail "nom du paquet"
echo "paquet : $(basename "$deb"), $(stat -c %s "$deb") octets, $(wc -l <<<"$contents") entrées"
