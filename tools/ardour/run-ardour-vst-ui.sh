#!/usr/bin/env bash
# Shows the Linux VST 2 plug-in's editor in Ardour 7's own GUI (Debian's
# ardour, which hands a VST 2 editor an X11 window of its own) on the dummy
# audio backend, and checks what a user sees and does there:
#   - Ardour finds the plug-in on LXVST_PATH, in a folder holding it alone,
#     once its scanner has indexed it; on a track, its window opens from the
#     track's strip in the mixer and shows the face, pixel for pixel the
#     picture in docs/images/editor.png;
#   - a drag on the sens knob turns it;
#   - the logo opens the command menu (the popup works in Ardour: the control
#     for the next check), and a right click on a knob opens its MIDI-learn menu;
#   - Session > Save (Ctrl+S) writes the dragged value, and when Ardour opens
#     the saved session again the editor shows the knob where the drag left it.
#
#   run-ardour-vst-ui.sh PLUGIN.so
#
# Called by `./run ardour-ui` with build/linux/vst/Quorrelphone.so and a
# display ($DISPLAY, 1280x1024, no window manager). Screenshots and logs go to
# out/ardour-vst-ui/. The run-ardour-ui.sh run of the LV2 bundle in the same
# `./run ardour-ui` is the control for Ardour's own ways.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tools/ardour"
out="$root/out/ardour-vst-ui"
log() { printf '== %s\n' "$*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

[ $# -eq 1 ] || { echo "usage: run-ardour-vst-ui.sh PLUGIN.so" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || fail "no display"
rm -rf "$out" && mkdir -p "$out/vst" "$out/home/.config/ardour7" "$out/runtime" || exit 1
# The copy keeps the build's time: Ardour takes an index only when it is newer
# than the plug-in, by whole seconds, and the scan may end within the second of a fresh copy.
cp -p "$1" "$out/vst/" || exit 1
plugin="$out/vst/$(basename "$1")"
chmod 700 "$out/runtime"
export LXVST_PATH="$out/vst"
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_CACHE_HOME="$out/home/.cache" \
    XDG_DATA_HOME="$out/home/.local/share" XDG_RUNTIME_DIR="$out/runtime" NO_AT_BRIDGE=1
cp "$here/ui-config.xml" "$XDG_CONFIG_HOME/ardour7/config"
touch "$XDG_CONFIG_HOME/ardour7/.a7"
# Ardour's scanner, as its plug-in manager runs it, indexes the plug-in into the
# cache (by its absolute path); Ardour lists what the cache holds.
LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst-scanner -f -v "$plugin" >"$out/vst-scan.log" 2>&1 ||
    fail "Ardour's scanner could not index the plug-in (out/ardour-vst-ui/vst-scan.log)"

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
lua_step "$out/record.log" record "$session" qp Silence 1 || fail "could not make the session (out/ardour-vst-ui/record.log)"
lua_step "$out/plugin.log" plugin "$session" qp lxvst:Quorrelphone ||
    fail "could not add the plug-in (out/ardour-vst-ui/plugin.log)"

pid=""
stop_ardour() {
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
}
trap stop_ardour EXIT

geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{printf "%d\n", $1}'; }
# The top-level windows of the plug-in's own X client (its id's upper bits):
# its popups, once open.
client_toplevels() {  # CLIENT-WINDOW
    local w
    for w in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
        (((w & ~0x1fffff) == ($1 & ~0x1fffff))) || continue
        read -r _ _ ww wh < <(geometry "$w")
        ((ww > 1 && wh > 1)) && echo "$w"
    done
}
saved_value() {  # NAME: the value Ardour saved for the plug-in's parameter NAME
    python3 - "$session/qp.ardour" "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
for p in ET.parse(sys.argv[1]).getroot().iter("Processor"):
    if p.get("type") == "lxvst":
        for c in p.iter("Controllable"):
            if c.get("name") == sys.argv[2] and c.get("parameter") is not None:
                print(c.get("value")); sys.exit(0)
sys.exit(1)
PY
}

# Ardour on the saved session, the mixer shown and the plug-in's window opened
# from its entry in the track's processor box (the first strip, in the layout
# of a fresh configuration). Sets main, frame, editor, ex, ey.
open_editor() {  # NAME
    ardour -n -a "$session/qp.ardour" >"$out/$1.log" 2>&1 &
    pid=$!
    main=""
    for _ in $(seq 600); do
        main=$(xdotool search --onlyvisible --name '^\*?qp - Ardour' 2>/dev/null | head -1) && [ -n "$main" ] && break
        kill -0 "$pid" 2>/dev/null || fail "Ardour ended before it showed the session (out/ardour-vst-ui/$1.log)"
        sleep 0.1
    done
    [ -n "$main" ] || fail "Ardour showed no window for the session"
    sleep 3
    # A session saved with the plug-in's window open opens it again, under
    # Ardour's main window (there is no window manager to raise it).
    frame=$(xdotool search --onlyvisible --name '^voice: Quorrelphone' 2>/dev/null | head -1)
    if [ -n "$frame" ]; then
        xdotool windowraise "$frame"
    else
        xdotool windowfocus --sync "$main" key alt+m
        sleep 2
        import -window "$main" "$out/$1-mixer.png"
    fi
    for _ in 1 2 3; do
        [ -n "$frame" ] && break
        xdotool mousemove --window "$main" 322 207 click --repeat 2 --delay 80 1
        for _ in $(seq 30); do
            frame=$(xdotool search --onlyvisible --name '^voice: Quorrelphone' 2>/dev/null | head -1) && [ -n "$frame" ] && break
            sleep 0.1
        done
        [ -n "$frame" ] && break
    done
    [ -n "$frame" ] || fail "Ardour opened no window for the plug-in (out/ardour-vst-ui/$1-mixer.png)"
    sleep 1.5
    log "$1: Ardour's window for the plug-in: \"$(xdotool getwindowname "$frame")\""
    import -window "$frame" "$out/$1-editor.png"
    editor=$(xwininfo -tree -id "$frame" | awk '$0 ~ / 309x168\+/ {print $1; exit}')
    [ -n "$editor" ] || fail "Ardour's window for the plug-in holds no editor of the face's size (out/ardour-vst-ui/$1-editor.png)"
    read -r ex ey _ _ < <(geometry "$editor")
    # A second Ardour in the same display paints its window a while after it
    # maps it: the face is taken once it is no longer black alone.
    for _ in $(seq 20); do
        import -window "$editor" "$out/$1-face.png"
        [ "$(convert "$out/$1-face.png" -format '%[fx:maxima.intensity > 0]' info:)" = 1 ] && break
        sleep 0.5
    done
}

open_editor ardour
face_differs=$(differing "$out/ardour-face.png" "$root/docs/images/editor.png")
log "the editor in Ardour at $ex,$ey: $face_differs pixels differ from docs/images/editor.png (out/ardour-vst-ui/ardour-editor.png)"
[ "$face_differs" = 0 ] || fail "the editor in Ardour is not the face"

# Up 30 pixels from the middle of the sens knob (116,14 98x98): about +0.15.
x=$((ex + 165)) y=$((ey + 63))
xdotool mousemove "$x" "$y" mousedown 1
for step in $(seq 1 6); do xdotool mousemove "$x" $((y - 5 * step)); sleep 0.05; done
xdotool mouseup 1
sleep 0.7
import -window "$editor" "$out/ardour-face-dragged.png"
[ "$(differing "$out/ardour-face.png" "$out/ardour-face-dragged.png")" != 0 ] ||
    fail "the drag did not turn the sens knob (out/ardour-vst-ui/ardour-face-dragged.png)"
log "a 30-pixel drag up turned the sens knob (out/ardour-vst-ui/ardour-face-dragged.png)"

status=0
# The logo's command menu, then Escape: a popup of the plug-in's opens in Ardour.
xdotool mousemove $((ex + 100)) $((ey + 140)) click 1
sleep 1
popups=$(client_toplevels "$editor" | wc -l)
import -window root -crop 420x320+$((ex - 20))+$((ey - 10)) +repage "$out/ardour-command-menu.png"
xdotool key Escape
sleep 0.5
log "the logo opened $popups popup window(s) of the plug-in (out/ardour-vst-ui/ardour-command-menu.png)"
[ "$popups" -ge 1 ] || fail "the logo opened no command menu in Ardour"
# A right click on the buzz knob: its MIDI-learn menu ("MidiLearn").
xdotool mousemove $((ex + 259)) $((ey + 63)) click 3
sleep 1
popups=$(client_toplevels "$editor" | wc -l)
import -window root -crop 420x320+$((ex - 20))+$((ey - 10)) +repage "$out/ardour-learn-menu.png"
if [ "$popups" -ge 1 ]; then
    log "a right click on buzz opened its MIDI-learn menu (out/ardour-vst-ui/ardour-learn-menu.png)"
    xdotool key Escape
    sleep 0.5
else
    log "a right click on buzz opened no MIDI-learn menu, though the command menu opens" \
        "(out/ardour-vst-ui/ardour-learn-menu.png)"
    status=1
fi

# Session > Save, then the session in a new Ardour: the knob where the drag left it.
xdotool windowfocus --sync "$main" key ctrl+s
sleep 2
sens=$(saved_value sens) || fail "the saved session holds no sens of the plug-in"
buzz=$(saved_value buzz) || fail "the saved session holds no buzz of the plug-in"
log "Ardour saved sens $sens, buzz $buzz"
python3 -c "import sys; sys.exit(0 if 0.55 < $sens and $buzz == 0.5 else 1)" ||
    fail "the saved session does not hold the drag on sens alone"
stop_ardour
open_editor reopened
back=$(differing "$out/ardour-face-dragged.png" "$out/reopened-face.png")
log "reopened: $back pixels of the face differ from the face after the drag (out/ardour-vst-ui/reopened-editor.png)"
[ "$back" = 0 ] || fail "the reopened session does not show sens where the drag left it"
stop_ardour
[ "$status" = 0 ] || fail "the MIDI-learn menu (above)"
log "Ardour hosts the Linux VST 2 plug-in: the face, a drag, the command menu, and the dragged value saved and back"
