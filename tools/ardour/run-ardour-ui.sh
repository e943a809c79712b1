#!/usr/bin/env bash
# Shows the LV2 bundle's X11 UI in Ardour 7's own GUI (Debian's ardour, a GTK
# host that embeds X11 UIs itself) on the dummy audio backend, and checks what
# a user sees and does there:
#   - the plug-in's window opens from the track's strip in the mixer and shows
#     the face, pixel for pixel the picture in docs/images/editor.png;
#   - a drag on the sens knob and a click on the buzz knob reach the editor;
#   - with the pointer over the editor, and after those touches, Ardour's space
#     shortcut still starts its transport: the editor has not kept the keyboard.
#
#   run-ardour-ui.sh BUNDLE
#
# Called by `./run ardour-ui` with build/linux/Quorrelphone.lv2 and a display
# ($DISPLAY, 1280x1024, no window manager). Screenshots and logs go to
# out/ardour-ui/.
#
# The session is made headless by session.lua (as for `./run ardour`), with
# the plug-in on its track; the GUI then only opens it.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tools/ardour"
out="$root/out/ardour-ui"
log() { printf '== %s\n' "$*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

[ $# -eq 1 ] || { echo "usage: run-ardour-ui.sh BUNDLE" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || fail "no display"
uri=urn:veltmarsk:quorrelphone
rm -rf "$out" && mkdir -p "$out/lv2" "$out/home/.config/ardour7" "$out/runtime" || exit 1
cp -r "$1" "$out/lv2/" || exit 1
chmod 700 "$out/runtime"
export LV2_PATH="$out/lv2"
# Ardour's configuration, caches and runtime files stay in out/. The dummy
# backend starts by itself; ".a7" tells Ardour 7 it has run here before, so
# it shows no welcome wizard.
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_CACHE_HOME="$out/home/.cache" \
    XDG_DATA_HOME="$out/home/.local/share" XDG_RUNTIME_DIR="$out/runtime" NO_AT_BRIDGE=1
cp "$here/ui-config.xml" "$XDG_CONFIG_HOME/ardour7/config"
touch "$XDG_CONFIG_HOME/ardour7/.a7"

# The session's device is the one the GUI starts with ("Silence"), or Ardour
# asks about changed I/O before it opens the session. ardour7-lua now and
# then crashes on its way out, so each step is tried again.
session="$out/session/qp"
lua_step() {  # LOG SESSION.lua-ARGS...
    local steplog=$1 try
    shift
    for try in 1 2 3; do
        timeout 120 ardour7-lua "$here/session.lua" "$@" >"$steplog" 2>&1 &&
            [ "$(sed -n 's/^qp step //p' "$steplog" | tail -n 1)" = done ] && return 0
        grep '^qp error' "$steplog" >&2 && return 1
        log "ardour7-lua $1 stopped early (attempt $try of 3)"
        [ "$1" = record ] && rm -rf "$session"
    done
    return 1
}
lua_step "$out/record.log" record "$session" qp Silence 1 || fail "could not make the session (out/ardour-ui/record.log)"
lua_step "$out/plugin.log" plugin "$session" qp "$uri" || fail "could not add the plug-in (out/ardour-ui/plugin.log)"

pid=""
stop_ardour() {
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
trap stop_ardour EXIT

ardour -n -a "$session/qp.ardour" >"$out/ardour.log" 2>&1 &
pid=$!
main=""
for _ in $(seq 600); do
    main=$(xdotool search --onlyvisible --name '^qp - Ardour' 2>/dev/null | head -1) && [ -n "$main" ] && break
    kill -0 "$pid" 2>/dev/null || fail "Ardour ended before it showed the session (out/ardour-ui/ardour.log)"
    sleep 0.1
done
if [ -z "$main" ]; then
    import -window root "$out/ardour-start.png"
    fail "Ardour showed no window for the session (out/ardour-ui/ardour-start.png)"
fi
sleep 3

# Geometry of a window: absolute x, y, width, height.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
# Pixels that differ between two pictures of the same size.
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{printf "%d\n", $1}'; }

# The mixer (Alt+M); the plug-in's window opens on a double-click on its entry
# in the track's processor box (the first strip, in the layout of a fresh
# configuration on a 1280-pixel screen).
xdotool windowfocus --sync "$main" key alt+m
sleep 2
import -window "$main" "$out/ardour-mixer.png"
frame=""
for _ in 1 2 3; do
    xdotool mousemove --window "$main" 322 207 click --repeat 2 --delay 80 1
    for _ in $(seq 30); do
        frame=$(xdotool search --onlyvisible --name '^voice: Quorrelphone' 2>/dev/null | head -1) && [ -n "$frame" ] && break
        sleep 0.1
    done
    [ -n "$frame" ] && break
done
[ -n "$frame" ] || fail "Ardour opened no window for the plug-in (out/ardour-ui/ardour-mixer.png)"
sleep 1.5
import -window "$frame" "$out/ardour-editor.png"
# The plug-in's own window: the one inside Ardour's made by another X client
# (its id outside Ardour's range). Ardour widens it to its toolbar; the face
# sits at its left.
editor=""
for w in $(xwininfo -tree -id "$frame" | awk '$1 ~ /^0x/ {print $1}'); do
    if (( (w & ~0x1fffff) != (frame & ~0x1fffff) )); then editor=$w; break; fi
done
[ -n "$editor" ] || fail "Ardour's window for the plug-in holds no window of the plug-in (out/ardour-ui/ardour-editor.png)"
read -r ex ey _ _ < <(geometry "$editor")
import -window "$editor" -crop 309x168+0+0 +repage "$out/ardour-face.png"
face_differs=$(differing "$out/ardour-face.png" "$root/docs/images/editor.png")
log "the editor in Ardour at $ex,$ey: $face_differs pixels differ from docs/images/editor.png" \
    "(out/ardour-ui/ardour-editor.png)"
[ "$face_differs" = 0 ] || fail "the editor in Ardour is not the face"

# Space starts and stops Ardour's transport wherever Ardour has the keyboard,
# its plug-in windows included; the clocks show whether it ran.
clocks() { import -window "$main" -crop 420x30+400+28 +repage "$1"; }
space_runs_transport() {  # LABEL: presses space once where the keyboard is
    clocks "$out/clocks-$1-before.png"
    xdotool key space
    sleep 1.5
    clocks "$out/clocks-$1-after.png"
    [ "$(differing "$out/clocks-$1-before.png" "$out/clocks-$1-after.png")" != 0 ]
}
stop_transport() { xdotool windowfocus --sync "$frame" key space; sleep 1; }
# A spot on the toolbar Ardour puts above the editor, between two of its buttons.
read -r fx fy _ _ < <(geometry "$frame")
off_editor() { xdotool mousemove $((fx + 100)) $((fy + 17)); sleep 0.3; }
# The focus a window manager gives the plug-in's window when it is clicked.
xdotool windowfocus --sync "$frame"
off_editor
space_runs_transport host || fail "space did not start Ardour's transport even with the pointer off the editor"
stop_transport
status=0
# The pointer over the face, untouched: a key press there goes to the editor's
# window first, and must still reach Ardour.
xdotool mousemove $((ex + 165)) $((ey + 63))
sleep 0.3
if space_runs_transport hover; then
    stop_transport
    log "with the pointer over the editor, space runs Ardour's transport"
else
    log "with the pointer over the editor, space does not reach Ardour (out/ardour-ui/clocks-hover-*.png)"
    status=1
fi

# Up 30 pixels from the middle of the sens knob (116,14 98x98), then a click
# on the buzz knob, as a user touching the editor; the pointer then leaves the
# editor, so that only the keyboard focus decides where space goes.
x=$((ex + 165)) y=$((ey + 63))
xdotool mousemove "$x" "$y" mousedown 1
for step in $(seq 1 6); do xdotool mousemove "$x" $((y - 5 * step)); sleep 0.05; done
xdotool mouseup 1
sleep 0.3
xdotool mousemove $((ex + 259)) $((ey + 63)) click 1
sleep 0.7
import -window "$editor" -crop 309x168+0+0 +repage "$out/ardour-face-after.png"
[ "$(differing "$out/ardour-face.png" "$out/ardour-face-after.png")" != 0 ] ||
    fail "the drag did not turn the sens knob (out/ardour-ui/ardour-face-after.png)"
off_editor
focus=$(printf '0x%x' "$(xdotool getwindowfocus)")
if space_runs_transport click; then
    stop_transport
    log "after a drag and a click on the editor, space still runs Ardour's transport"
else
    log "after a drag and a click on the editor, space no longer reaches Ardour: the keyboard focus is on" \
        "$focus (the editor's window is $editor, Ardour's $(printf 0x%x "$frame"); out/ardour-ui/clocks-click-*.png)"
    status=1
fi
[ "$status" = 0 ] || fail "the editor keeps keys from Ardour"
log "Ardour shows the editor; over it and after a drag and a click on it, Ardour's space key runs the transport"
