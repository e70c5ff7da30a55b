#!/usr/bin/env bash
# Makes the screenshots again: starts Mealdeck with the starter book under a
# virtual X server with a window manager, on a 1280 x 1024 and a 1000 x 800
# screen, in the Full and the Small size mode, opens every window and dialog
# and saves each as docs/screenshots/<screen>-<mode>-<name>.png (with its
# frame). The README's pictures (main-window.png, recipe-window.png,
# print-preview.png) are the 1280 x 1024 Full ones; print-preview-one-page.png
# shows a one-page recipe, where Next and Previous are disabled.
#   scripts/screenshots.sh [BUILD-FOLDER]   (default: build, as made by ./run)
# SCREENS="1000x800" makes only those screens' pictures (the README's stay).
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
    local pid
    for pid in $app $wm $xvfb; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    app='' wm='' xvfb=''
}
trap 'stop; rm -rf "$work"' EXIT
trap 'exit 143' TERM INT

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
# opened ID...: the id of the window that has the focus when it is none of
# the windows ID... (a dialog that has just opened).
opened() {
    local id
    for _ in $(seq 50); do
        sleep 0.2
        id=$(xdotool getactivewindow 2>/dev/null) || continue
        case " $* " in *" $id "*) continue ;; esac
        sleep 0.5
        echo "$id"
        return
    done
    echo "no window opened over $*" >&2
    exit 1
}
# back ID: waits until window ID has the focus again (a dialog over it closed).
back() {
    for _ in $(seq 50); do
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && { sleep 0.3; return; }
        sleep 0.2
    done
    echo "window $1 did not come back" >&2
    exit 1
}
# menu KEY ITEM: chooses a menu item by its accelerators.
menu() { xdotool key --clearmodifiers "alt+$1"; sleep 0.8; xdotool key "$2"; }
key() { xdotool key --clearmodifiers "$@"; sleep 0.5; }
typetext() { xdotool type --delay 30 "$1"; sleep 0.3; }
click() { xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"; sleep 0.5; }
doubleclick() { xdotool mousemove --window "$1" "$2" "$3" click --repeat 2 --delay 80 1; sleep 0.5; }
# shot ID NAME: the window with its frame.
shot() {
    [ -n "$1" ] || { echo "no window for $2" >&2; exit 1; }
    sleep 0.8
    timeout 20 import -silent -frame -window "$1" "$out/$prefix-$2.png"
    echo "docs/screenshots/$prefix-$2.png"
}

# session SCREEN MODE: one run of the program.
session() {
    local screen=$1 mode=$2 home=$work/$1-$2
    local shown=$mode
    [ "${screen%x*}" -lt 1024 ] && shown=small
    prefix=$screen-$shown
    rm -rf "$home"
    mkdir -p "$home"
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
    # The first recipe of the first subgroup of the first main group.
    local small=1
    [ "$mode" = full ] && [ "${screen%x*}" -ge 1024 ] && small=0
    if [ $small = 1 ]; then
        click "$main" 60 72; click "$main" 250 72; click "$main" 500 72
    else
        click "$main" 60 78; click "$main" 300 78; click "$main" 700 78
    fi
    shot "$main" main-window

    local id
    key F2; shot "$(opened "$main")" quick-guide-main; key Escape; back "$main"
    menu h a; shot "$(opened "$main")" about; key Escape; back "$main"
    menu r c; shot "$(opened "$main")" name-dialog; key Escape; back "$main"
    menu r d; shot "$(opened "$main")" delete-question; key Return; back "$main"
    menu p e; shot "$(opened "$main")" exit-question; key Escape; back "$main"
    key ctrl+f; id=$(opened "$main"); typetext "soup"; sleep 1; shot "$id" find-recipes; key Escape; back "$main"

    # A new recipe in the subgroup: its name, then the portion dialog with
    # difficulty and time.
    local name count
    if [ $small = 1 ]; then click "$main" 250 72; else click "$main" 300 78; fi
    menu r a; name=$(opened "$main"); typetext "Screenshot Stew"; key Return
    count=$(opened "$main" "$name"); shot "$count" portion-dialog-new-recipe
    typetext "4"; key Return
    # The recipe window opens on empty memos: the ingredient tip first.
    id=$(opened "$main" "$name" "$count"); shot "$id" ingredient-tip; key Return
    recipe=$(waitfor "Screenshot Stew")
    typetext "2 dl milk"
    key ctrl+Return; typetext "Warm the milk."
    menu r w
    preview=$(waitfor "Esikatselu")
    shot "$preview" print-preview-one-page
    key alt+c; back "$recipe"
    menu r c; shot "$(opened "$recipe")" portion-dialog; key Escape; back "$recipe"
    menu r f; shot "$(opened "$recipe")" font-dialog; key Escape; back "$recipe"
    key F2; shot "$(opened "$recipe")" quick-guide-recipe; key Escape; back "$recipe"
    # Back asks whether to keep the edits.
    click "$recipe" 100 100; key End; typetext " warm"
    key Escape; shot "$(opened "$recipe")" save-question; key alt+y

    # A starter recipe in the recipe window and its print preview.
    main=$(waitfor "Groups")
    sleep 1
    if [ $small = 1 ]; then doubleclick "$main" 500 72; else doubleclick "$main" 700 78; fi
    recipe=$(opened "$main")
    shot "$recipe" recipe-window
    menu r w
    preview=$(waitfor "Esikatselu")
    shot "$preview" print-preview
    key alt+c
    stop
}

for screen in ${SCREENS:-1280x1024 1000x800}; do
    session "$screen" full
    # On a screen narrower than 1024 pixels the program always uses Small.
    if [ "${screen%x*}" -ge 1024 ]; then session "$screen" small; fi
done
[ -n "${SCREENS:-}" ] && exit 0
cp "$out/1280x1024-full-main-window.png" "$out/main-window.png"
cp "$out/1280x1024-full-recipe-window.png" "$out/recipe-window.png"
cp "$out/1280x1024-full-print-preview.png" "$out/print-preview.png"
cp "$out/1280x1024-full-print-preview-one-page.png" "$out/print-preview-one-page.png"
cp "$out/1280x1024-full-find-recipes.png" "$out/find-recipes.png"
