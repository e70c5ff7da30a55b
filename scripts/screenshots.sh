#!/usr/bin/env bash
# Makes the README's screenshots again: starts Mealdeck with the starter book
# under a virtual X server, walks to a recipe and its print preview, and saves
# each window as docs/screenshots/<name>.png.
#   scripts/screenshots.sh [BUILD-FOLDER]   (default: build, as made by ./run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
. "$root/scripts/setup.sh"
install_missing xvfb xdotool imagemagick

work=$(mktemp -d)
trap 'kill "${app:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/mealdeck-data" init "$work" --starter >/dev/null
mkdir -p "$work/config/Mealdeck"
# Not a first start: no about window, Full size mode.
cat > "$work/config/Mealdeck/registry.json" <<'JSON'
{"Software\\Mealdeck": {"About": {"kind": "flag", "data": 1}, "Koko": {"kind": "flag", "data": 1}}}
JSON

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=$display XDG_CONFIG_HOME=$work/config
"$build/mealdeck" --home "$work" >/dev/null 2>&1 &
app=$!

# waitfor NAME: the id of the visible window whose title holds NAME.
waitfor() {
    local id
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.2
    done
    echo "no window '$1'" >&2
    exit 1
}
click() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; sleep 0.4; }
shot() { sleep 0.6; import -window "$1" "$root/docs/screenshots/$2.png"; echo "docs/screenshots/$2.png"; }

main=$(waitfor "Groups")
sleep 1
# Positions in the Full layout.
click "$main" 60 78     # first main group
click "$main" 300 78    # first subgroup
click "$main" 700 78    # first recipe
shot "$main" main-window
xdotool mousemove --window "$main" 700 78 click --repeat 2 --delay 80 1
recipe=$(waitfor "Creamy Potato Soup")
shot "$recipe" recipe-window
click "$recipe" 85 33   # Print Preview
preview=$(waitfor "Esikatselu")
shot "$preview" print-preview
