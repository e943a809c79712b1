#!/usr/bin/env bash
# Shows the LV2 bundle's X11 UI and the CLAP module in Qtractor (Debian's
# qtractor, a Qt host that embeds X11 UIs itself and hosts CLAP plug-ins) on
# JACK's dummy driver, and checks what a user sees and does there:
#   - the LV2 plug-in loads on an audio track of a session, and its editor opens
#     from the track's plug-in list showing the face, pixel for pixel the
#     picture in docs/images/editor.png;
#   - a drag on the sens knob moves sens up and leaves buzz alone;
#   - "Nasal Reed" from the logo's Presets menu sets both controls to the
#     preset's values (sens 0.75, buzz 0.45);
#   - after a click on the editor, Qtractor's own space shortcut still starts
#     its transport (the editor has not kept the keyboard);
#   - Qtractor lists the CLAP module, found on its CLAP path, in its Plugins
#     dialog; added from there to a second track, it opens in its editor, the
#     face pixel for pixel, where a drag on sens and Nasal Reed from the logo's
#     menu work as on the LV2 editor (the run fails where Qtractor finds no
#     editor, after the rest); in Qtractor's own parameter form keys on the two
#     sliders set sens 0.7 and buzz 0.4; both with the transport running;
#   - a change made there while the transport stands reaches the plug-in when
#     the transport next runs (once the plug-in has run at all: what the form
#     did before is lost in Qtractor, and only logged);
#   - Qtractor's export of each track (its own output bus) is what lv2apply
#     makes of Qtractor's export of a third track without a plug-in, with the
#     values Qtractor saved: the CLAP track's and the LV2 track's alike.
# Qtractor's saved session (File > Save) holds what the drag, the preset and the
# sliders did; for the CLAP plug-in also the record the plug-in itself stored.
#
#   run-qtractor.sh BUNDLE MODULE
#
# Called by `./run qtractor` with build/linux/Quorrelphone.lv2,
# build/linux/Quorrelphone.clap and a display ($DISPLAY). Screenshots, exports
# and logs go to out/qtractor/.
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

[ $# -eq 2 ] || { echo "usage: run-qtractor.sh BUNDLE MODULE" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || fail "no display"
python3 "$here/test_check.py" 2>"$out.check-tests.log" || { cat "$out.check-tests.log" >&2; fail "check.py's own tests"; }
rm -f "$out.check-tests.log"
rm -rf "$out" && mkdir -p "$out/lv2" "$out/clap" "$out/session" "$out/home/.config/rncbc.org" "$out/runtime" || exit 1
cp -r "$1" "$out/lv2/" && cp "$2" "$out/clap/" || exit 1
chmod 700 "$out/runtime"
# Each plug-in path holds only our plug-in, installed as a user would: lilv (for
# Qtractor and lv2apply) reads LV2_PATH, Qtractor's CLAP scan CLAP_PATH.
export LV2_PATH="$out/lv2" CLAP_PATH="$out/clap"
uri=urn:veltmarsk:quorrelphone
check=(python3 "$here/check.py")
# Qtractor's settings, Qt's caches and runtime files stay in out/.
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/.config" XDG_CACHE_HOME="$out/home/.cache" \
    XDG_DATA_HOME="$out/home/.local/share" XDG_RUNTIME_DIR="$out/runtime" NO_AT_BRIDGE=1
server="qp-qtractor-$$"
sed "s|@MESSAGES@|$out/messages.log|" "$here/qtractor.conf.in" >"$XDG_CONFIG_HOME/rncbc.org/Qtractor.conf"
session="$out/session/quorrelphone.qts"
sed "s|@DIRECTORY@|$out/session|" "$here/session.qts.in" >"$session"
# The known input every track plays: two seconds of 220 Hz on the left and 277 Hz
# on the right, loud enough that their sum crosses 1 - sens at the values set here.
sox -n -r 48000 -b 32 -e floating-point -c 2 "$out/session/input.wav" synth 2 sine 220 sine 277 remix 1v0.63 2v0.45 ||
    fail "sox could not make the input"

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

# Qtractor's own view of a plug-in's values: File > Save (Ctrl+S, the session
# has its file already), then the <param> elements of its plug-in of TYPE.
# Qtractor writes only a session it holds changed.
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
saved_values() {  # saved_values TYPE
    save_session && "${check[@]}" params "$session" "$1"
}

# What Qtractor saved of the plug-in of TYPE after WHAT, held against a Python
# test of sens and buzz.
expect_saved() {  # expect_saved TYPE WHAT TEST FAILURE
    local values sens buzz
    values=$(saved_values "$1") || fail "Qtractor did not save the session, or saved no values"
    read -r sens buzz <<<"$values"
    log "after $2, as Qtractor saved them ($1): sens $sens, buzz $buzz"
    python3 -c "import sys; sens, buzz = $sens, $buzz; sys.exit(0 if $3 else 1)" || fail "$4"
}

# Up 30 pixels from the middle of the sens knob (116,14 98x98): about +0.15.
x=$((ex + 165)) y=$((ey + 63))
xdotool mousemove "$x" "$y" mousedown 1
for step in $(seq 1 6); do xdotool mousemove "$x" $((y - 5 * step)); sleep 0.05; done
xdotool mouseup 1
sleep 1
expect_saved LV2 "a 30-pixel drag up on sens" "0.55 < sens and buzz == 0.5" "the drag did not move sens up alone"

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
expect_saved LV2 "Nasal Reed from the logo menu" "sens == 0.75 and buzz == 0.45" "the preset did not set both values"

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
log "Qtractor shows the LV2 editor; a drag, the Nasal Reed preset and Qtractor's space key all work"

# --- the CLAP module -------------------------------------------------------------
# A window of Qtractor's whose name matches PATTERN, waited for.
window_named() {  # window_named PATTERN
    local id
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Add Plugin... from the context menu of the second track's plug-in list; the
# Plugins dialog opens on the CLAP type (PluginType in qtractor.conf.in) and
# lists what Qtractor's scan of CLAP_PATH found.
xdotool mousemove --window "$main" 182 276 click 3
sleep 0.7
xdotool key Down Return
chooser=$(window_named '^Plugins') || fail "Qtractor showed no Plugins dialog"
sleep 1.5
import -window "$chooser" "$out/qtractor-clap-plugins.png"
# The first row, then OK.
xdotool mousemove --window "$chooser" 60 56 click 1
sleep 0.3
xdotool mousemove --window "$chooser" 370 238 click 1
# Qtractor opens a plug-in it has just added: in its editor where Qtractor
# found one, else in its own parameter form. It looks for one once, when it
# scans the module: it asks clap.gui's is_api_supported for embedded X11 of an
# instance whose host offers no extension at all (a build of ours that logged
# its calls saw the host answer no for timer support, params and the rest),
# and keeps that answer for every instance. Its Plugins dialog shows GUI among
# the modes where the answer was yes. The two windows have the same name; the
# editor's holds the plug-in's window, the face's size.
face_in() {  # face_in WINDOW: the plug-in's window inside it, if any
    xwininfo -tree -id "$1" | awk '$0 ~ / 309x168\+/ {print $1; exit}'
}
clap_window=$(window_named '^Quorrelphone - Voice CLAP') ||
    fail "Qtractor added no Quorrelphone to the CLAP track (out/qtractor/qtractor-clap-plugins.png)"
sleep 1.5
clap_face=$(face_in "$clap_window") form="" no_editor=""
if [ -n "$clap_face" ]; then
    import -window "$clap_window" "$out/qtractor-clap-editor.png"
    read -r cx cy _ _ < <(geometry "$clap_face")
    import -window "$clap_face" "$out/qtractor-clap-face.png"
    face_differs=$(differing "$out/qtractor-clap-face.png" "$root/docs/images/editor.png")
    log "the CLAP editor in Qtractor at $cx,$cy: $face_differs pixels differ from docs/images/editor.png" \
        "(out/qtractor/qtractor-clap-editor.png)"
    [ "$face_differs" = 0 ] || fail "the CLAP editor in Qtractor is not the face"
    # Qtractor's form: Properties... in the plug-in's context menu, 262 pixels
    # below where the menu opens.
    xdotool mousemove --window "$main" 182 276 click 3
    sleep 0.7
    read -r px py < <(xdotool getmouselocation | awk '{sub("x:", "", $1); sub("y:", "", $2); print $1, $2}')
    import -window root -crop 300x400+$((px - 40))+$((py - 20)) +repage "$out/qtractor-clap-context-menu.png"
    xdotool mousemove $((px + 40)) $((py + 262)) click 1
    for _ in $(seq 50); do
        for id in $(xdotool search --onlyvisible --name '^Quorrelphone - Voice CLAP' 2>/dev/null); do
            [ -z "$(face_in "$id")" ] && form=$id
        done
        [ -n "$form" ] && break
        sleep 0.1
    done
    [ -n "$form" ] || fail "Properties... opened no form for the CLAP plug-in (out/qtractor/qtractor-clap-context-menu.png)"
    # Out of the way of the editors, so that pictures of it show it whole.
    xdotool windowmove "$form" 760 40
    sleep 1
else
    form=$clap_window no_editor=1
    log "Qtractor found no editor in the CLAP plug-in: it opened its own form (out/qtractor/qtractor-clap-form.png)"
fi
import -window "$form" "$out/qtractor-clap-form.png"
xdotool mousemove --window "$form" 95 44 click 1
sleep 0.5
import -window "$form" "$out/qtractor-clap-about.png"
xdotool mousemove --window "$form" 35 44 click 1
sleep 0.3

# A slider's handle in the form at VALUE (0 at x 89.5, 1 at 364.5, the row's y):
# a click there gives the slider the keyboard without moving it; each arrow key is 0.01.
handle() {  # handle VALUE Y
    python3 -c "print(round(89.5 + 275 * $1), $2)"
}
sens_y=97 buzz_y=167
play_a_second() { xdotool windowfocus --sync "$main" key space; sleep 1; stop_transport; }
# A slider's click and arrow keys from FROM to TO.
slide() {  # slide Y FROM TO
    local count
    count=$(python3 -c "print(round(($3 - $2) / 0.01))")
    xdotool mousemove --window "$form" $(handle "$2" "$1") click 1
    if [ "$count" -gt 0 ]; then xdotool key --delay 30 --repeat "$count" Right; fi
    if [ "$count" -lt 0 ]; then xdotool key --delay 30 --repeat $((-count)) Left; fi
}
read -r sens buzz < <("${check[@]}" params "$session" CLAP 2>/dev/null) || sens=0.5 buzz=0.5

# Ten Right on sens before the plug-in has ever run, then a second of play.
# Qtractor 0.9.31 hands the plug-in no event for it (a build of ours that logged
# its calls saw one params flush with an empty list, then a first process call
# with none), and its form goes back to the plug-in's value: only logged here.
# Qtractor then holds the session unchanged, and may not write it.
before=$sens
slide $sens_y "$sens" "$(python3 -c "print($sens + 0.1)")"
sleep 0.5
import -window "$form" "$out/qtractor-clap-form-first.png"
play_a_second
save_session || true
read -r sens buzz < <("${check[@]}" params "$session" CLAP) || fail "the session holds no values of the CLAP plug-in"
log "10 x Right on sens at $before before the CLAP plug-in first ran, then a second of play: Qtractor" \
    "holds sens $sens (out/qtractor/qtractor-clap-form-first.png)"

# The same drag and menu walk as on the LV2 editor, with the transport running:
# the editor's changes go to Qtractor as the plug-in's output events, and
# Qtractor 0.9.31 takes them in process calls only. With the transport standing
# it lets the plug-in's request_flush go unanswered (a build of ours that logged
# its calls saw 133 requests and no flush), so the session is not marked changed
# and File > Save writes nothing, though the plug-in holds the new values.
if [ -z "$no_editor" ]; then
    before=$sens
    xdotool windowfocus --sync "$main" key space
    sleep 0.5
    x=$((cx + 165)) y=$((cy + 63))
    xdotool mousemove "$x" "$y" mousedown 1
    for step in $(seq 1 6); do xdotool mousemove "$x" $((y - 5 * step)); sleep 0.05; done
    xdotool mouseup 1
    sleep 0.5
    stop_transport
    import -window "$clap_window" "$out/qtractor-clap-editor-drag.png"
    expect_saved CLAP "a 30-pixel drag up on sens in the CLAP editor" "$before + 0.05 < sens and buzz == $buzz" \
        "the drag in the CLAP editor did not move sens up alone"
    xdotool windowfocus --sync "$main" key space
    sleep 0.5
    xdotool mousemove $((cx + 100)) $((cy + 140)) click 1
    sleep 0.7
    xdotool key Down Down Down Right
    sleep 0.7
    import -window root -crop 420x320+$((cx - 20))+$((cy - 10)) +repage "$out/qtractor-clap-presets-menu.png"
    xdotool key Down Down Down Return
    sleep 1
    stop_transport
    import -window "$clap_window" "$out/qtractor-clap-editor-preset.png"
    expect_saved CLAP "Nasal Reed from the CLAP editor's logo menu" "sens == 0.75 and buzz == 0.45" \
        "the preset in the CLAP editor did not set both values"
    read -r sens buzz < <("${check[@]}" params "$session" CLAP)
fi

# Qtractor hands a CLAP plug-in the form's changes in its process calls, and those
# run while the transport does: these keys go in with it running.
xdotool windowfocus --sync "$main" key space
sleep 0.5
slide $sens_y "$sens" 0.7
slide $buzz_y "$buzz" 0.4
sleep 0.5
stop_transport
import -window "$form" "$out/qtractor-clap-form-set.png"
expect_saved CLAP "arrow keys on sens up to 0.7 and on buzz to 0.4 in Qtractor's form" \
    "abs(sens - 0.7) < 1e-6 and abs(buzz - 0.4) < 1e-6" "the form's sliders did not set the CLAP plug-in's values"
read -r sens buzz < <("${check[@]}" state "$session") || fail "the CLAP plug-in's state in the session is not its record"
log "the record the CLAP plug-in stored: sens $sens, buzz $buzz"
python3 -c "import sys; sys.exit(0 if abs($sens - 0.7) < 1e-6 and abs($buzz - 0.4) < 1e-6 else 1)" ||
    fail "the CLAP plug-in's stored record disagrees with the values Qtractor saved"

# Five more Left on buzz (the slider still has the keyboard) with the transport
# standing: the form's label keeps 0.400000 until the transport runs again.
xdotool windowfocus --sync "$form" key --delay 30 --repeat 5 Left
sleep 0.7
import -window "$form" "$out/qtractor-clap-form-standing.png"
play_a_second
import -window "$form" "$out/qtractor-clap-form-after-play.png"
# The editor follows what the form did (sens 0.7, buzz 0.35).
[ -n "$no_editor" ] || import -window "$clap_window" "$out/qtractor-clap-editor-end.png"
expect_saved CLAP "5 x Left on buzz with the transport standing, then a second of play" \
    "abs(sens - 0.7) < 1e-6 and abs(buzz - 0.35) < 1e-6" "the change made while the transport stood did not reach the plug-in"

# --- the sound ---------------------------------------------------------------------
# Track > Export Tracks > Audio..., the session's range of the output bus in ROW
# of the dialog's list (Master, CLAP, Dry), as 32-bit float WAV
# (Audio\ExportFormat in qtractor.conf.in).
export_bus() {  # export_bus ROW FILE
    local dialog
    xdotool windowfocus --sync "$main"
    xdotool mousemove --window "$main" 98 8 click 1
    sleep 0.6
    xdotool mousemove --window "$main" 150 349
    sleep 0.6
    xdotool mousemove --window "$main" 400 349 click 1
    dialog=$(window_named '^Export Audio Tracks') || return 1
    sleep 0.5
    xdotool mousemove --window "$dialog" 190 37 click 1 key ctrl+a
    xdotool type --delay 5 "$2"
    xdotool mousemove --window "$dialog" 265 $((147 + 18 * $1)) click 1
    sleep 0.3
    import -window "$dialog" "$out/qtractor-export-$1.png"
    xdotool mousemove --window "$dialog" 298 345 click 1
    for _ in $(seq 100); do
        grep -qF "\"$2\" complete" "$out/messages.log" && return 0
        sleep 0.2
    done
    return 1
}
for bus in 0:Master 1:CLAP 2:Dry; do
    export_bus "${bus%%:*}" "$out/export-${bus#*:}.wav" ||
        fail "Qtractor did not export its ${bus#*:} bus (out/qtractor/qtractor-export-${bus%%:*}.png)"
done
log "Qtractor exported the Master (LV2), CLAP and Dry buses"

# lv2apply (lilv) runs the LV2 plug-in on the dry export with the values TYPE's
# plug-in had, and the track's export must be that. Qtractor runs its plug-ins
# whenever the transport runs, so at the export's start they still hold what
# the last play left: the comparison begins a tenth of a second in, where the
# filters have forgotten it.
settle=4800
check_sound() {  # check_sound TYPE BUS SENS BUZZ
    log "$1 track: Qtractor's export of the $2 bus against lv2apply at sens $3, buzz $4 on the Dry bus's"
    lv2apply -i "$out/export-Dry.wav" -o "$out/lv2apply-$1.wav" -c sens "$3" -c buzz "$4" "$uri" \
        >"$out/lv2apply-$1.log" 2>&1 || { cat "$out/lv2apply-$1.log" >&2; fail "lv2apply failed"; }
    "${check[@]}" match "$out/lv2apply-$1.wav" "$out/export-$2.wav" "$out/export-Dry.wav" "$settle" ||
        fail "Qtractor's $1 track does not sound as the LV2 plug-in does"
}
read -r sens buzz < <("${check[@]}" state "$session")
check_sound CLAP CLAP "$sens" "$buzz"
read -r sens buzz < <("${check[@]}" params "$session" LV2)
check_sound LV2 Master "$sens" "$buzz"
editor_works="; its editor shows the face, and a drag and a preset there work"
[ -z "$no_editor" ] || editor_works=""
log "Qtractor hosts the CLAP module: found on CLAP_PATH, its form sets both values, the session keeps them," \
    "and it sounds as the LV2 plug-in$editor_works"
[ -z "$no_editor" ] || fail "Qtractor found no editor in the CLAP plug-in (no GUI among its modes in" \
    "out/qtractor/qtractor-clap-plugins.png): its probe's is_api_supported for X11 said no"
