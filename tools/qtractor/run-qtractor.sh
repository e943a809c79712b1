#!/usr/bin/env bash
# Shows the LV2 bundle's X11 UI in Qtractor (Debian's qtractor, a Qt host that
# embeds X11 UIs itself) on JACK's dummy driver, and checks what a user sees
# and does there:
#   - the plug-in loads on an audio track of a session, and its editor opens
#     from the track's plug-in list showing the face, pixel for pixel the
#     picture in docs/images/editor.png;
#   - a drag on the sens knob moves sens up and leaves buzz alone;
#   - "Nasal Reed" from the logo's Presets menu sets both controls to the
#     preset's values (sens 0.75, buzz 0.45);
#   - after a click on the editor, Qtractor's own space shortcut still starts
#     its transport (the editor has not kept the keyboard).
# Qtractor's saved session (File > Save) holds what the drag and the preset did.
#
#   run-qtractor.sh BUNDLE
#
# Called by `./run qtractor` with build/linux/Quorrelphone.lv2 and a display
# ($DISPLAY). Screenshots and logs go to out/qtractor/.
#
# Qtractor will not start its engine without an ALSA sequencer; where there is
# none (/dev/snd/seq is missing, as in a container), it runs with the
# stand-in of alsa-seq-standin.c preloaded.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tools/qtractor"
out="$root/out/qtractor"
log() { printf '== %s\n' "$*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

[ $# -eq 1 ] || { echo "usage: run-qtractor.sh BUNDLE" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || fail "no display"
rm -rf "$out" && mkdir -p "$out/lv2" "$out/session" "$out/home/.config/rncbc.org" "$out/runtime" || exit 1
cp -r "$1" "$out/lv2/" || exit 1
chmod 700 "$out/runtime"
export LV2_PATH="$out/lv2"
# Qtractor's settings, Qt's caches and runtime files stay in out/.
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_CACHE_HOME="$out/home/.cache" \
    XDG_DATA_HOME="$out/home/.local/share" XDG_RUNTIME_DIR="$out/runtime" NO_AT_BRIDGE=1
server="qp-qtractor-$$"
sed "s|@MESSAGES@|$out/messages.log|" "$here/qtractor.conf.in" >"$XDG_CONFIG_HOME/rncbc.org/Qtractor.conf"
session="$out/session/quorrelphone.qts"
sed "s|@DIRECTORY@|$out/session|" "$here/session.qts.in" >"$session"

preload=()
if [ ! -e /dev/snd/seq ]; then
    standin="$out/libalsa-seq-standin.so"
    cc -O2 -Wall -Wextra -Werror -shared -fPIC -o "$standin" "$here/alsa-seq-standin.c" \
        -Wl,--version-script="$here/alsa-seq-standin.map" -l:libasound.so.2 ||
        fail "could not build the ALSA sequencer stand-in"
    preload=(env LD_PRELOAD="$standin")
    log "no ALSA sequencer here: Qtractor runs with the stand-in preloaded"
fi

. "$root/tools/lib/jack-session.sh"
start_jack "$server" "$out/jackd.log"

"${preload[@]}" qtractor "$session" >"$out/qtractor.log" 2>&1 &
pids=($! "${pids[@]}")
main=""
for _ in $(seq 150); do
    main=$(xdotool search --onlyvisible --name 'quorrelphone\.qts' 2>/dev/null | head -1) && [ -n "$main" ] && break
    sleep 0.1
done
[ -n "$main" ] || fail "Qtractor showed no window for the session (out/qtractor/qtractor.log)"
sleep 2
grep -q "could not be started" "$out/messages.log" && fail "Qtractor's engine did not start (out/qtractor/messages.log)"

# Geometry of a window: absolute x, y, width, height.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
# Pixels that differ between two pictures of the same size.
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{printf "%d\n", $1}'; }

# The editor opens on a double-click on the plug-in in the track's list (the
# bus column of the first track, in the layout of a fresh configuration).
import -window "$main" "$out/qtractor-main.png"
frame="" editor=""
for _ in 1 2 3; do
    xdotool mousemove --window "$main" 182 180 click --repeat 2 --delay 80 1
    for _ in $(seq 30); do
        frame=$(xdotool search --onlyvisible --name '^Quorrelphone - Voice' 2>/dev/null | head -1) && [ -n "$frame" ] && break
        sleep 0.1
    done
    [ -n "$frame" ] && break
done
[ -n "$frame" ] || fail "Qtractor opened no editor window for the plug-in (out/qtractor/qtractor-main.png)"
sleep 1.5
# The plug-in's own window, the face's size, inside the one Qtractor made for it.
editor=$(xwininfo -tree -id "$frame" | awk '$0 ~ / 309x168\+/ {print $1; exit}')
import -window "$frame" "$out/qtractor-editor.png"
[ -n "$editor" ] || fail "Qtractor's editor window holds no window of the plug-in (out/qtractor/qtractor-editor.png)"
read -r ex ey _ _ < <(geometry "$editor")
import -window "$editor" "$out/qtractor-face.png"
face_differs=$(differing "$out/qtractor-face.png" "$root/docs/images/editor.png")
log "the editor in Qtractor at $ex,$ey: $face_differs pixels differ from docs/images/editor.png" \
    "(out/qtractor/qtractor-editor.png)"
[ "$face_differs" = 0 ] || fail "the editor in Qtractor is not the face"

# Qtractor's own view of the plug-in's values: File > Save (Ctrl+S, the session
# has its file already), then the session's <param> elements.
saved_values() {
    local before
    before=$(stat -c %.9Y "$session")
    xdotool windowfocus --sync "$main" key ctrl+s
    for _ in $(seq 50); do
        [ "$(stat -c %.9Y "$session")" != "$before" ] && break
        sleep 0.2
    done
    [ "$(stat -c %.9Y "$session")" != "$before" ] || return 1
    python3 - "$session" <<'PY'
import sys, xml.etree.ElementTree as ET
params = {p.get("name"): p.text for p in ET.parse(sys.argv[1]).iter("param")}
print(params["sens"], params["buzz"])
PY
}

# What Qtractor saved after WHAT, held against a Python test of sens and buzz.
expect_saved() {  # expect_saved WHAT TEST FAILURE
    local values sens buzz
    values=$(saved_values) || fail "Qtractor did not save the session, or saved no values"
    read -r sens buzz <<<"$values"
    log "after $1, as Qtractor saved them: sens $sens, buzz $buzz"
    python3 -c "import sys; sens, buzz = $sens, $buzz; sys.exit(0 if $2 else 1)" || fail "$3"
}

# Up 30 pixels from the middle of the sens knob (116,14 98x98): about +0.15.
x=$((ex + 165)) y=$((ey + 63))
xdotool mousemove "$x" "$y" mousedown 1
for step in $(seq 1 6); do xdotool mousemove "$x" $((y - 5 * step)); sleep 0.05; done
xdotool mouseup 1
sleep 1
expect_saved "a 30-pixel drag up on sens" "0.55 < sens and buzz == 0.5" "the drag did not move sens up alone"

# The logo opens the command menu: About, Zoom, a separator, Presets; the
# fourth preset is Nasal Reed. The menus are the editor's own windows, not Qt's.
xdotool mousemove $((ex + 100)) $((ey + 140)) click 1
sleep 0.7
xdotool key Down Down Down Right
sleep 0.7
import -window root -crop 420x320+$((ex - 20))+$((ey - 10)) +repage "$out/qtractor-presets-menu.png"
xdotool key Down Down Down Return
sleep 1
import -window "$frame" "$out/qtractor-editor-after.png"
expect_saved "Nasal Reed from the logo menu" "sens == 0.75 and buzz == 0.45" "the preset did not set both values"

# Space starts and stops Qtractor's transport; its clock shows whether it ran.
clock() { import -window "$main" -crop 150x30+340+62 +repage "$1"; }
space_runs_transport() {  # LABEL: presses space once where the keyboard is
    clock "$out/clock-$1-before.png"
    xdotool key space
    sleep 1.5
    clock "$out/clock-$1-after.png"
    [ "$(differing "$out/clock-$1-before.png" "$out/clock-$1-after.png")" != 0 ]
}
stop_transport() { xdotool windowfocus --sync "$main" key space; sleep 0.5; }
xdotool windowfocus --sync "$main"
space_runs_transport host || fail "space did not start Qtractor's transport even before a click on the editor"
stop_transport
xdotool windowfocus --sync "$main"
# A click on the buzz knob, as a user touching the editor.
xdotool mousemove $((ex + 259)) $((ey + 63)) click 1
sleep 0.5
focus=$(printf '0x%x' "$(xdotool getwindowfocus)")
if space_runs_transport editor; then
    stop_transport
    log "after a click on the editor, space still runs Qtractor's transport"
else
    import -window "$main" "$out/qtractor-after-click.png"
    fail "after a click on the editor, space no longer reaches Qtractor: the keyboard focus is on $focus" \
        "(the editor's window is $editor)"
fi
log "Qtractor shows the editor; a drag, the Nasal Reed preset and Qtractor's space key all work"
