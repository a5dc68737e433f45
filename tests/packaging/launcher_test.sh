#!/usr/bin/env bash
# Installs the build into a temporary root as the package would, then runs
# the launcher as a listener on a fresh home: first layout, a second start
# that changes nothing, a newer package that refreshes the programs and the
# missing pages while keeping the listener's files, and two first starts at
# the same moment.
#   launcher_test.sh <build directory>
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/sonalto-launcher-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "ÉCHEC : $*" >&2; exit 1; }

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
root=$work/root/usr
system=$root/lib/sonalto

# What the package holds.
for file in bin/sonalto share/applications/sonalto.desktop \
    share/applications/sntscheduler.desktop share/applications/sntupdate.desktop \
    lib/sonalto/Sonalto lib/sonalto/SntScheduler lib/sonalto/HarddiskOgg/harddisk \
    lib/sonalto/html/haut.htm lib/sonalto/html/index.htm lib/sonalto/.version-paquet; do
  [ -e "$root/$file" ] || fail "$file manque dans l'installation"
done
for link in sntscheduler sntupdate; do
  [ "$(readlink "$root/bin/$link")" = sonalto ] || fail "bin/$link n'est pas un lien vers sonalto"
done
for size in 16 22 24 32 48 64 128 256; do
  icon=$root/share/icons/hicolor/${size}x$size/apps/sonalto.png
  [ -s "$icon" ] || fail "icône $size manquante"
  python3 - "$icon" "$size" <<'PY' || fail "icône $size : mauvaise taille"
import struct, sys
data = open(sys.argv[1], 'rb').read(24)
assert data[:8] == b'\x89PNG\r\n\x1a\n'
w, h = struct.unpack('>II', data[16:24])
assert w == h == int(sys.argv[2]), (w, h)
PY
done
grep -qx 'MimeType=audio/x-mpegurl;audio/mpegurl;audio/x-scpls;' "$root/share/applications/sonalto.desktop" \
  || fail "le lecteur ne s'annonce pas pour les listes de lecture"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root"/share/applications/*.desktop || fail "entrée de bureau invalide"
fi

# A listener's session: private runtime folder, no display. "-stop" with no
# player running starts nothing and ends at once, which is enough to see
# the launcher hand over to the program.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run
unset XDG_DATA_HOME DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
user=$HOME/.local/share/sonalto

"$root/bin/sonalto" -stop || fail "premier lancement"
[ -x "$user/Sonalto" ] && [ -x "$user/HarddiskOgg/harddisk" ] || fail "programmes non copiés"
[ -d "$user/Record" ] || fail "dossier Record absent"
[ -w "$user/html/haut.htm" ] || fail "l'index n'est pas modifiable"
cmp -s "$user/html/haut.htm" "$system/html/haut.htm" || fail "index différent de celui du paquet"

# Second start: nothing changes.
snapshot() { (cd "$user" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
before=$(snapshot)
"$root/bin/sonalto" -stop || fail "deuxième lancement"
[ "$before" = "$(snapshot)" ] || fail "un deuxième lancement a changé l'installation"

# The listener's own files, and a program the updater replaced.
printf '[Sonalto]\r\nFavori 1=FIP\r\n' > "$user/Sonalto.ini"
printf 'mon index\r\n' > "$user/html/haut.htm"
printf '[SntScheduler]\r\n' > "$user/SntScheduler.ini"
echo enregistrement > "$user/Record/RadioRec.ogg"
rm "$user/html/bienvenue.htm"
printf '#!/bin/sh\necho "planificateur $*"\n' > "$user/SntScheduler"
kept=$(cd "$user" && sha256sum Sonalto.ini html/haut.htm SntScheduler.ini Record/RadioRec.ogg)
# The updater brought a newer station list, noted in versions.txt.
printf '[Version Soft]\r\nVersion=0.0.1\r\nDate=01/01/26\r\n[Version Liste Radio]\r\nVersion=7.5\r\nDate=02/12/26\r\nComment=Liste mise \351 jour\r\n' \
  > "$user/versions.txt"

# Same package: the updater's program stays, and the scheduler's link
# starts the scheduler with its arguments.
[ "$("$root/bin/sntscheduler" -quiet)" = "planificateur -quiet" ] \
  || fail "sntscheduler ne lance pas le programmateur de l'utilisateur"

# A newer package: programs refreshed, missing pages back, the rest kept.
echo 99.0 > "$system/.version-paquet"
"$root/bin/sonalto" -stop || fail "lancement après mise à niveau"
cmp -s "$user/SntScheduler" "$system/SntScheduler" || fail "programme non rafraîchi"
[ -e "$user/html/bienvenue.htm" ] || fail "page du paquet manquante non rajoutée"
[ "$kept" = "$(cd "$user" && sha256sum Sonalto.ini html/haut.htm SntScheduler.ini Record/RadioRec.ogg)" ] \
  || fail "un fichier de l'utilisateur a changé"
[ "$(cat "$user/.version-paquet")" = 99.0 ] || fail "version non notée"
# versions.txt: the package's software section, the user's list section.
expected=$(LC_ALL=C sed -n '/^\[Version Soft\]/,/^\[/p' "$system/versions.txt" | LC_ALL=C sed '$d'; \
  printf '[Version Liste Radio]\r\nVersion=7.5\r\nDate=02/12/26\r\nComment=Liste mise \351 jour\r')
[ "$(cat "$user/versions.txt")" = "$expected" ] || fail "versions.txt mal mis à jour : $(cat -A "$user/versions.txt")"

# Two first starts at once on another home: one layout, both start.
export HOME=$work/home2
mkdir -p "$HOME"
"$root/bin/sonalto" -stop & first=$!
"$root/bin/sonalto" -stop & second=$!
wait $first || fail "premier des deux lancements"
wait $second || fail "second des deux lancements"
cmp -s "$HOME/.local/share/sonalto/Sonalto" "$system/Sonalto" || fail "lecteur incomplet"
ls -d "$HOME"/.local/share/sonalto.preparation.* >/dev/null 2>&1 && fail "copie de préparation restée"

echo "lanceur : installation, premier lancement, relance, mise à niveau et lancements simultanés vérifiés"
