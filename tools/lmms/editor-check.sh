#!/usr/bin/env bash
# One LMMS session with the editor: opens the plug-in's window in LMMS's effect
# window and pictures it, then clicks the logo (the command menu) ten times with
# instant clicks and ten times with 0.1 s presses. After each click a
# screenshot must show the menu; Escape closes it, and the face must then be
# what it was before, pixel for pixel. A 0.3 s press at the end tells whether
# the session delivers clicks at all.
#
# usage: editor-check.sh OUT_DIR LMMS_WINEPREFIX -- COMMAND...
# COMMAND starts LMMS on the project whose effect window shows the editor.
# Exit status: 0 passed, 1 failed, 3 the session delivered no click at all (not
# even the long control press), which says nothing about the plug-in.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1 prefix=$2
shift 2
[ "${1:-}" = -- ] && shift
log() { printf '== %s\n' "$*" >&2; }

rm -rf "$out" && mkdir -p "$out/popup"
tmp=$(mktemp -d)
"$@" > "$out/lmms-gui.log" 2>&1 &
lmms_pid=$!
stop_lmms() {
    kill "$lmms_pid" 2>/dev/null || true
    wait "$lmms_pid" 2>/dev/null || true
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    rm -rf "$tmp"
}
trap stop_lmms EXIT

geometry() {  # geometry WINDOW: absolute x, y, width, height
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}'
}

# The plug-in's own window appears (hidden) once LMMS has loaded the project.
editor=""
for _ in $(seq 120); do
    for w in $(xdotool search --classname '^remotevstplugin\.exe$' 2>/dev/null); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Quorrelphone ]; then editor=$w; fi
    done
    [ -n "$editor" ] && break
    sleep 0.5
done
[ -n "$editor" ] || { echo "LMMS did not open the plug-in; see $out/lmms-gui.log" >&2; exit 1; }
sleep 3
# Positions in LMMS's default layout on a 1280x1024 screen without a window
# manager: the track's name opens its effect chain, "Controls" the plug-in's
# window. Qt draws these widgets itself, so there is no window to look up.
xdotool mousemove 172 190 click 1; sleep 2
xdotool mousemove 207 460 click 1; sleep 3
xwininfo -id "$editor" | grep -q IsViewable || {
    import -window root "$out/lmms-failed.png"
    echo "the editor did not show; see $out/lmms-failed.png" >&2; exit 1; }
import -window root "$out/lmms-screen.png"
read -r x y w h < <(geometry "$editor")
# The effect window: the editor plus LMMS's title bar and tool row around it.
window_crop="$((w + 24))x$((h + 78))+$((x - 12))+$((y - 66))"
convert "$out/lmms-screen.png" -crop "$window_crop" +repage "$out/lmms-editor.png"

# LMMS holds Wine's window (face plus a 1-pixel border: 311 x 170) in a window
# of the face's size (309 x 168) at the same place; Wine paints all of the face
# but its last column and row there (docs/lmms.md), so those are left out.
parent=$(xwininfo -id "$editor" -tree | awk '/Parent window id/{print $4}')
read -r _ _ face_w face_h < <(geometry "$parent")
face=("$x" "$y" "$((face_w - 1))" "$((face_h - 1))")
shot() { import -silent -window root -depth 8 "$tmp/$1.ppm"; }
changed() {  # changed BEFORE AFTER [LEFT TOP RIGHT BOTTOM]: "COUNT COMPARED [SPAN]" over the face
    python3 "$here/compare.py" pixels "$tmp/$1.ppm" "$tmp/$2.ppm" "${face[@]}" "${@:3}"
}
keep() {  # keep SHOT NAME: the effect window of a screenshot, as a picture
    convert "$tmp/$1.ppm" -crop "$window_crop" +repage "$out/popup/$2.png"
}
popup() {  # the visible window of the plug-in's process that is not the editor
    xdotool search --onlyvisible --classname '^remotevstplugin\.exe$' 2>/dev/null | grep -vx "$editor" | head -1 || true
}

# The logo's middle; the menu pops up at the top-left corner of the area over it.
logo_x=$((x + 126)) logo_y=$((y + 137))
xdotool mousemove "$logo_x" "$logo_y"
sleep 1
shot reference
sleep 1
shot reference-again
read -r drift _ _ < <(changed reference reference-again)
[ "$drift" = 0 ] || { echo "the face changes by itself ($drift pixels in 1 s): nothing to compare" >&2; exit 1; }

opened=0 remnant=0 stuck=0 menu_span=""
try_menu() {  # try_menu NAME HOLD_SECONDS (0: press and release at once)
    local name=$1 hold=$2 menu="" result="no menu" count total span
    if [ "$hold" = 0 ]; then
        xdotool mousedown 1 mouseup 1
    else
        xdotool mousedown 1 sleep "$hold" mouseup 1
    fi
    # The menu counts as open when its window shows and the screenshot has at
    # least half of the menu's part over the face drawn.
    shot "$name-open"
    for _ in $(seq 30); do
        menu=$(popup)
        if [ -n "$menu" ]; then
            local mx my mw mh
            read -r mx my mw mh < <(geometry "$menu")
            local part=($((mx - x)) $((my - y)) $((mx - x + mw - 1)) $((my - y + mh - 1)))
            shot "$name-open"
            read -r count total _ < <(changed reference "$name-open" "${part[@]}")
            result="menu window shown, $count of its $total pixels over the face drawn"
            if (( 2 * count >= total )); then
                opened=$((opened + 1)) result="menu open"
                menu_span="columns ${part[0]}-${part[2]}, rows ${part[1]}-${part[3]} in the face's coordinates"
                break
            fi
        fi
        sleep 0.1
    done
    keep "$name-open" "$name-open"
    xdotool key Escape
    for _ in $(seq 30); do [ -z "$(popup)" ] && break; sleep 0.1; done
    if [ -n "$(popup)" ]; then
        stuck=$((stuck + 1)) result="$result, still open after Escape"
        xdotool key Escape
    fi
    # The face after the menu: wait until two screenshots agree.
    sleep 0.3
    shot "$name-closed"
    for _ in $(seq 10); do
        sleep 0.2
        shot "$name-settled"
        read -r count _ < <(changed "$name-closed" "$name-settled")
        mv "$tmp/$name-settled.ppm" "$tmp/$name-closed.ppm"
        [ "$count" = 0 ] && break
    done
    keep "$name-closed" "$name-closed"
    read -r count _ span < <(changed reference "$name-closed")
    remnant=$((remnant + count))
    if [ "$count" = 0 ]; then
        result="$result; after Escape the face is as before"
    else
        read -r l t r b <<< "$span"
        result="$result; after Escape $count pixels differ from before: columns $l-$r, rows $t-$b"
    fi
    # The face's last column and row are Wine's and LMMS's to paint: reported, not counted.
    local whole
    read -r whole _ < <(python3 "$here/compare.py" pixels "$tmp/reference.ppm" "$tmp/$name-closed.ppm" \
        "$x" "$y" "$face_w" "$face_h")
    if (( whole > count )); then
        result="$result (not counted: $((whole - count)) in the last column and row, which Wine never paints)"
    fi
    printf '  %s: %s\n' "$name" "$result"
}

status=0 delivered=0
for mode in instant:0 held:0.1; do
    kind=${mode%%:*} hold=${mode#*:}
    log "ten ${kind/held/0.1 s} presses on the logo, each menu closed with Escape"
    opened=0 remnant=0 stuck=0 menu_span=""
    for i in $(seq -w 1 10); do try_menu "$kind-$i" "$hold"; done
    printf '  %s presses: the menu opened %d of 10 times%s; pixels left changed on the face after Escape: %d%s\n' \
        "$kind" "$opened" "${menu_span:+ (its window: $menu_span)}" "$remnant" \
        "$( ((stuck)) && echo "; $stuck menus stayed open after Escape")"
    delivered=$((delivered + opened))
    (( opened == 10 && remnant == 0 && stuck == 0 )) || status=1
done
log "the control: one 0.3 s press"
opened=0 remnant=0 stuck=0
try_menu control 0.3
delivered=$((delivered + opened))
if (( delivered == 0 )); then
    # Whose doing: a click reaches the deepest window under the pointer.
    read -ra under < <(python3 "$here/pointer.py")
    if printf '%s\n' "${under[@]}" | grep -qx "$editor"; then
        where="the pointer is over the editor's window, so the clicks reached it: Wine or the plug-in lost them"
    else
        where="the pointer is over window ${under[-1]:-none} (top level ${under[0]:-none}:$(xprop -id "${under[0]:-0}" \
            WM_CLASS 2>/dev/null | cut -s -d= -f2)), not the editor's ($editor): the clicks went elsewhere"
    fi
    echo "this LMMS session delivered no click, not even the 0.3 s press; $where;" \
        "see $out/popup/control-open.png" >&2
    exit 3
fi
(( opened == 1 && remnant == 0 && stuck == 0 )) || status=1
((status == 0)) || echo "FAIL: see the pictures in $out/popup" >&2
exit "$status"
