#!/usr/bin/env bash
# Makes the screenshots again: starts Mealdeck with the starter book under a
# virtual X server with a window manager, on a 1280 x 1024 and a 1000 x 800
# screen, in the Full and the Small size mode, opens every window and dialog
# and saves each as docs/screenshots/<screen>-<mode>-<name>.png (with its
# frame). The README's pictures (main-window.png, recipe-window.png,
# print-preview.png) are the 1280 x 1024 Full ones; print-preview-one-page.png
# shows a one-page recipe, where Next and Previous are disabled.
#   scripts/screenshots.sh [BUILD-FOLDER]   (default: build, as made by ./run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
. "$root/scripts/setup.sh"
install_missing xvfb xdotool openbox imagemagick x11-utils

out=$root/docs/screenshots
mkdir -p "$out"
work=$(mktemp -d)
app='' xvfb='' wm=''
stop() {
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    app='' wm='' xvfb=''
    return 0
}
trap 'stop; rm -rf "$work"' EXIT

# waitfor TEXT: the id of the visible window whose title holds TEXT.
waitfor() {
    local id
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.2
    done
    echo "no window '$1'" >&2
    exit 1
}
# active: the id of the window that has the focus (a dialog that just opened).
active() { sleep 1; xdotool getactivewindow; }
key() { xdotool key --clearmodifiers "$@"; sleep 0.5; }
typetext() { xdotool type --delay 30 "$1"; sleep 0.3; }
click() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; sleep 0.5; }
doubleclick() { xdotool mousemove --window "$1" "$2" "$3" click --repeat 2 --delay 80 1; sleep 0.5; }
# shot ID NAME: the window with its frame.
shot() {
    sleep 0.8
    import -silent -frame -window "$1" "$out/$prefix-$2.png"
    echo "docs/screenshots/$prefix-$2.png"
}

# session SCREEN MODE: one run of the program.
session() {
    local screen=$1 mode=$2 home=$work/$1-$2
    prefix=$screen-$mode
    rm -rf "$home"
    "$build/mealdeck-data" init "$home" --starter >/dev/null
    mkdir -p "$home/config/Mealdeck"
    local koko=0
    [ "$mode" = full ] && koko=1
    # Not a first start (no about window by itself); the size mode.
    printf '{"Software\\\\Mealdeck": {"About": {"kind": "flag", "data": 1}, "Koko": {"kind": "flag", "data": %s}}}\n' \
        "$koko" >"$home/config/Mealdeck/registry.json"

    exec 3< <(Xvfb -displayfd 1 -screen 0 "${screen}x24" -nolisten tcp 2>/dev/null)
    xvfb=$!
    local number
    read -r number <&3
    export DISPLAY=:$number XDG_CONFIG_HOME=$home/config
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    "$build/mealdeck" --home "$home" >/dev/null 2>&1 &
    app=$!

    local main recipe preview
    main=$(waitfor "Groups")
    sleep 1
    # The first recipe of the first subgroup of the first main group: Enter
    # in a list takes its row and moves on.
    local small=1
    [ "$mode" = full ] && [ "${screen%x*}" -ge 1024 ] && small=0
    if [ $small = 1 ]; then
        click "$main" 60 70; click "$main" 250 70; click "$main" 500 70
    else
        click "$main" 60 75; click "$main" 300 75; click "$main" 700 75
    fi
    shot "$main" main-window

    key F2; shot "$(active)" quick-guide-main; key Return
    key alt+h; key a; shot "$(active)" about; key Return
    key alt+g; key a; shot "$(active)" name-dialog; key Escape
    key alt+r; key d; shot "$(active)" delete-question; key Return
    key alt+r; key e; shot "$(active)" delete-picture-question; key n
    key alt+p; key e; shot "$(active)" exit-question; key n

    # A new recipe: its name, then the portion dialog with difficulty and time.
    key alt+r; key a; typetext "Screenshot Stew"; key Return
    shot "$(active)" portion-dialog-new-recipe
    typetext "4"; key Return
    # The recipe window opens on empty memos: the ingredient tip first.
    shot "$(active)" ingredient-tip; key Return
    recipe=$(waitfor "Screenshot Stew")
    typetext "2 dl milk"
    key ctrl+Return; typetext "Warm the milk."
    key alt+r; key w
    preview=$(waitfor "Esikatselu")
    shot "$preview" print-preview-one-page
    key alt+c
    key alt+r; key c; shot "$(active)" portion-dialog; key Escape
    key alt+r; key f; shot "$(active)" font-dialog; key Escape
    key F2; shot "$(active)" quick-guide-recipe; key Return
    key Escape; shot "$(active)" save-question; key y

    # A starter recipe in the recipe window and its print preview.
    main=$(waitfor "Groups")
    sleep 1
    if [ $small = 1 ]; then doubleclick "$main" 500 70; else doubleclick "$main" 700 75; fi
    recipe=$(xdotool getactivewindow)
    shot "$recipe" recipe-window
    key alt+r; key w
    preview=$(waitfor "Esikatselu")
    shot "$preview" print-preview
    key alt+c
    stop
}

for screen in 1280x1024 1000x800; do
    session "$screen" full
    # On a screen narrower than 1024 pixels the program always uses Small.
    [ "${screen%x*}" -ge 1024 ] && session "$screen" small
done
cp "$out/1280x1024-full-main-window.png" "$out/main-window.png"
cp "$out/1280x1024-full-recipe-window.png" "$out/recipe-window.png"
cp "$out/1280x1024-full-print-preview.png" "$out/print-preview.png"
cp "$out/1280x1024-full-print-preview-one-page.png" "$out/print-preview-one-page.png"
