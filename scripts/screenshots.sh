#!/usr/bin/env bash
# Takes the README's screenshots from the real programs on a private X
# server: the player on its offline demonstration station, the song window,
# the options, the scheduler and the updater (against a local update site
# published from the build). Writes docs/captures/*.png.
#   bash scripts/screenshots.sh [build directory]
# Needs, beyond the build's own packages: x11-utils (xwininfo).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${SONALTO_BUILD_DIR:-$root/build}}
out=$root/docs/captures
for tool in xvfb-run xwininfo gst-launch-1.0; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool manque" >&2; exit 1; }
done
if [ -z "${SONALTO_SCREENSHOTS_INNER:-}" ]; then
  export SONALTO_SCREENSHOTS_INNER=1
  exec "$root/tests/support/run-under-xvfb.sh" bash "$0" "$build"
fi

work=$(mktemp -d /tmp/sonalto-captures-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$out" "$work/run"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run HOME=$work SONALTO_AUDIO_SINK="fakesink sync=true"

# A private installation directory: the build's, with settings of its own.
install=$work/sonalto
cp -R "$build/sonalto" "$install"
rm -f "$install"/*_tests "$install"/*_bench "$install/Sonalto.ini" "$install/SntScheduler.ini"
printf '[Sonalto]\r\nSplashscreen=False\r\nSkin=True\r\nCouleur du skin=200\r\nUpdates=False\r\n' \
  > "$install/Sonalto.ini"

# "x y width height" of the largest viewable window of that title, once
# there is one.
geometry() {
  local ids id info best="" area=0
  for _ in $(seq 1 100); do
    ids=$(xwininfo -root -tree | grep -F "\"$1\":" | awk '{ print $1 }')
    for id in $ids; do
      info=$(xwininfo -id "$id")
      grep -q 'Map State: IsViewable' <<<"$info" || continue
      set -- "$1" $(awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }' <<<"$info")
      if [ $(($4 * $5)) -gt "$area" ]; then area=$(($4 * $5)); best="$2 $3 $4 $5"; fi
    done
    if [ -n "$best" ]; then echo "$best"; return 0; fi
    sleep 0.2
  done
  echo "screenshots: pas de fenêtre « $1 »" >&2
  return 1
}
shoot() {
  local x y w h
  sleep "${3:-1}"
  read -r x y w h < <(geometry "$1")
  gst-launch-1.0 -q ximagesrc startx="$x" starty="$y" endx=$((x + w - 1)) endy=$((y + h - 1)) \
    num-buffers=1 use-damage=false ! videoconvert ! pngenc ! filesink location="$out/$2.png"
  echo "capture : $2.png ($1, ${w}x$h)"
}
send() { "$build/tools/sendcommand" SntClass Sonalto "$@" >/dev/null; }

"$install/Sonalto" -radio Sonalto_Demo.htm & pids+=($!)
shoot Sonalto lecteur 4
send 273 32839 # WM_COMMAND: "Chanson en cours"
shoot "Chanson en cours" chanson 2
send 273 32830 2>/dev/null & pids+=($!) # Options, modal: the answer comes when it closes
shoot Options options 2

"$install/SntScheduler" & pids+=($!)
shoot SntScheduler programmateur 2

if [ -x "$install/SntUpdate" ] && [ -x "$build/tools/publishsite" ]; then
  # A site with a newer station list, signed and served locally.
  "$build/tools/publishsite" --generate-key "$work/cles_update.pub" "$work/secret.key" >/dev/null
  cp "$work/cles_update.pub" "$install/cles_update.pub"
  "$build/tools/publishsite" --key "$work/secret.key" --list-version 9.9 --list-date 31/12/30 \
    --list-comment "Nouvelles radios\nLogos redessinés" "$install" "$work/site" >/dev/null
  python3 -m http.server -d "$work/site" -b 127.0.0.1 8765 >/dev/null 2>&1 & pids+=($!)
  sleep 1
  printf "[Liste des URLs d'update]\r\nURL0=http://127.0.0.1:8765\r\n" > "$install/URLs_update.txt"
  "$install/SntUpdate" & pids+=($!)
  shoot "Mise à jour Sonalto" miseajour 3
fi
