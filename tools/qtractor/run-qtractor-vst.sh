#!/usr/bin/env bash
# Hosts the Linux VST 2 plug-in in Qtractor (Debian's qtractor 0.9.31, which
# hands a VST 2 editor an X11 window of its own) on JACK's dummy driver, and
# checks what a user sees and does there:
#   - Qtractor's Plugins dialog lists the plug-in, found on LXVST_PATH in a
#     folder holding it alone; added from there to a track, its editor opens
#     showing the face, pixel for pixel the picture in docs/images/editor.png;
#   - a drag on the sens knob moves sens up and leaves buzz alone;
#   - the logo's command menu is the full one (About, Default, MidiForget, Zoom,
#     Presets), and a program chosen under Presets sets the values it holds
#     (sens back to 0.5), as Qtractor saves them;
#   - the saved session holds the plug-in's chunk;
#   - a right click on a knob opens its MIDI-learn menu.
#
#   run-qtractor-vst.sh PLUGIN.so
#
# Called by `./run qtractor` with build/linux/vst/Quorrelphone.so and a display
# ($DISPLAY), after run-qtractor.sh (the LV2 and CLAP runs, the control for
# Qtractor's own ways). Screenshots and logs go to out/qtractor-vst/.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tools/qtractor"
out="$root/out/qtractor-vst"
log() { printf '== %s\n' "$*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

[ $# -eq 1 ] || { echo "usage: run-qtractor-vst.sh PLUGIN.so" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || fail "no display"
rm -rf "$out" && mkdir -p "$out/vst" "$out/session" "$out/home/.config/rncbc.org" "$out/runtime" || exit 1
cp -p "$1" "$out/vst/" || exit 1
chmod 700 "$out/runtime"
export LXVST_PATH="$out/vst"
check=(python3 "$here/check.py")
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_CACHE_HOME="$out/home/.cache" \
    XDG_DATA_HOME="$out/home/.local/share" XDG_RUNTIME_DIR="$out/runtime" NO_AT_BRIDGE=1
server="qp-qtractor-vst-$$"
# The Plugins dialog opens on the VST2 type (the fourth in its list).
sed -e "s|@MESSAGES@|$out/messages.log|" -e 's|^PluginType=.*|PluginType=3|' "$here/qtractor.conf.in" \
    >"$XDG_CONFIG_HOME/rncbc.org/Qtractor.conf"
session="$out/session/quorrelphone.qts"
sed "s|@DIRECTORY@|$out/session|" "$here/session-vst.qts.in" >"$session"
sox -n -r 48000 -b 32 -e floating-point -c 2 "$out/session/input.wav" synth 2 sine 220 sine 277 remix 1v0.63 2v0.45 ||
    fail "sox could not make the input"

preload=()
if [ ! -e /dev/snd/seq ]; then
    standin="$out/libalsa-seq-standin.so"
    cc -O2 -Wall -Wextra -Werror -shared -fPIC -o "$standin" "$here/alsa-seq-standin.c" \
        -Wl,--version-script="$here/alsa-seq-standin.map" -l:libasound.so.2 ||
        fail "could not build the ALSA sequencer stand-in"
    preload=(env LD_PRELOAD="$standin")
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
[ -n "$main" ] || fail "Qtractor showed no window for the session (out/qtractor-vst/qtractor.log)"
sleep 2
grep -q "could not be started" "$out/messages.log" && fail "Qtractor's engine did not start (out/qtractor-vst/messages.log)"

geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{printf "%d\n", $1}'; }
window_named() {  # window_named PATTERN
    local id
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
# File > Save (Ctrl+S); Qtractor writes only a session it holds changed.
save_session() {
    local before
    before=$(stat -c %.9Y "$session")
    xdotool windowfocus --sync "$main" key ctrl+s
    for _ in $(seq 50); do
        [ "$(stat -c %.9Y "$session")" != "$before" ] && return 0
        sleep 0.2
    done
    return 1
}
saved() {  # saved WHAT: sens and buzz as Qtractor saved them
    read -r sens buzz < <("${check[@]}" params "$session" VST2) || fail "the session holds no values of the plug-in"
    log "after $1, as Qtractor saved them: sens $sens, buzz $buzz"
}
holds() { python3 -c "import sys; sens, buzz = $sens, $buzz; sys.exit(0 if $1 else 1)"; }

# Add Plugin... from the context menu of the track's plug-in list, the first row, OK.
xdotool mousemove --window "$main" 182 180 click 3
sleep 0.7
xdotool key Down Return
chooser=$(window_named '^Plugins') || fail "Qtractor showed no Plugins dialog"
sleep 1.5
import -window "$chooser" "$out/qtractor-vst-plugins.png"
xdotool mousemove --window "$chooser" 60 56 click 1
sleep 0.3
xdotool mousemove --window "$chooser" 370 238 click 1
frame=$(window_named '^Quorrelphone - Voice') ||
    fail "Qtractor added no Quorrelphone to the track (out/qtractor-vst/qtractor-vst-plugins.png)"
sleep 1.5
editor=$(xwininfo -tree -id "$frame" | awk '$0 ~ / 309x168\+/ {e=$1} END {print e}')
import -window "$frame" "$out/qtractor-vst-editor.png"
[ -n "$editor" ] || fail "Qtractor opened no editor for the plug-in (out/qtractor-vst/qtractor-vst-editor.png)"
read -r ex ey _ _ < <(geometry "$editor")
import -window "$editor" "$out/qtractor-vst-face.png"
face_differs=$(differing "$out/qtractor-vst-face.png" "$root/docs/images/editor.png")
log "the editor in Qtractor at $ex,$ey: $face_differs pixels differ from docs/images/editor.png" \
    "(out/qtractor-vst/qtractor-vst-editor.png)"
[ "$face_differs" = 0 ] || fail "the editor in Qtractor is not the face"

# Up 30 pixels from the middle of the sens knob: about +0.15.
x=$((ex + 165)) y=$((ey + 63))
xdotool mousemove "$x" "$y" mousedown 1
for step in $(seq 1 6); do xdotool mousemove "$x" $((y - 5 * step)); sleep 0.05; done
xdotool mouseup 1
sleep 1
save_session || fail "Qtractor did not save the session after the drag"
saved "a 30-pixel drag up on sens"
holds "0.55 < sens and buzz == 0.5" || fail "the drag did not move sens up alone"
grep -A12 '<plugin type="VST2">' "$session" | grep -q '<config key="chunk">' ||
    fail "the saved session holds no chunk of the plug-in"
import -window "$editor" "$out/qtractor-vst-face-dragged.png"

# The logo opens the full command menu: About, Default, MidiForget, Zoom, a
# separator, Presets (the programs); the fourth program holds the defaults.
xdotool mousemove $((ex + 100)) $((ey + 140)) click 1
sleep 0.7
xdotool key Down Down Down Down Down Right
sleep 0.7
import -window root -crop 420x360+$((ex - 20))+$((ey - 10)) +repage "$out/qtractor-vst-presets-menu.png"
xdotool key Down Down Down Return
sleep 1
import -window "$editor" "$out/qtractor-vst-face-program.png"
[ "$(differing "$out/qtractor-vst-face-dragged.png" "$out/qtractor-vst-face-program.png")" != 0 ] ||
    fail "the program chosen did not move the sens knob (out/qtractor-vst/qtractor-vst-face-program.png)"
status=0
if save_session; then
    saved "the fourth program from the logo menu"
else
    # The plug-in reports the choice to the host only as its presets command (an
    # automation of an index past its parameters), as the Windows plug-in always
    # has; Qtractor drops it, marks nothing changed, and reads every value back
    # when it next saves. What Qtractor does, noted in the manual, not a failure.
    log "Qtractor holds the session unchanged after a program chosen in the editor, and did not write it"
    status=2
    xdotool mousemove $((ex + 259)) $((ey + 63)) mousedown 1 mousemove $((ex + 259)) $((ey + 58)) mouseup 1
    sleep 1
    save_session || fail "Qtractor did not save the session after a drag on buzz either"
    saved "the fourth program from the logo menu, then a 5-pixel drag up on buzz"
fi
holds "sens == 0.5" || fail "the program chosen did not set sens back to 0.5 in Qtractor's session"
[ "$status" = 2 ] && log "Qtractor kept the program's values only once a drag had changed the session" && status=0

# A right click on the buzz knob: its MIDI-learn menu ("MidiLearn"), a top-level
# window of the plug-in's X client as the command menu is.
popups() {
    local w n=0
    for w in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
        (((w & ~0x1fffff) == (editor & ~0x1fffff))) || continue
        read -r _ _ ww wh < <(geometry "$w")
        ((ww > 1 && wh > 1)) && n=$((n + 1))
    done
    echo $n
}
xdotool mousemove $((ex + 259)) $((ey + 63)) click 3
sleep 1
import -window root -crop 420x360+$((ex - 20))+$((ey - 10)) +repage "$out/qtractor-vst-learn-menu.png"
if [ "$(popups)" -ge 1 ]; then
    log "a right click on buzz opened its MIDI-learn menu (out/qtractor-vst/qtractor-vst-learn-menu.png)"
    xdotool key Escape
else
    log "a right click on buzz opened no MIDI-learn menu (out/qtractor-vst/qtractor-vst-learn-menu.png)"
    status=1
fi
[ "$status" = 0 ] || fail "the MIDI-learn menu (above)"
log "Qtractor hosts the Linux VST 2 plug-in: found on LXVST_PATH; its editor shows the face, and a drag and a" \
    "program from the logo menu reach the saved session"
