#!/usr/bin/env bash
# Shows the LV2 bundle's X11 UI in a real host, jalv.gtk3 (GTK 3, which embeds
# an X11 UI through its suil wrapper), on JACK's dummy driver, and checks what a
# user sees and does there, twice: at the desktop's own resolution (100 %), and
# with the desktop at 192 dpi (Xft.dpi in the X resources) and no zoom stored,
# where the editor takes the 200 % step by itself. Each time:
#   - jalv picks the bundle's X11 UI (not its own generic controls) and the
#     editor shows inside jalv's window at the step's size, pixel for pixel
#     the art's own preview of the face at that step;
#   - "Nasal Reed" from the logo's Presets menu (keys through xdotool) sets
#     both controls to the preset's values (sens 0.75, buzz 0.45);
#   - a drag on the sens knob with the pointer then moves sens up;
#   jalv's own saved state (File > Save) holds what both did;
#   - "Zoom" in the open editor then changes its size (100 to 200 %, 200 to
#     100 %): the face follows, and what jalv keeps of a larger window no
#     longer shows the old face.
#
#   run-jalv-ui.sh BUNDLE
#
# Called by `./run jalv-ui` with build/linux/Quorrelphone.lv2 and a display
# ($DISPLAY). Screenshots and logs go to out/jalv-ui/. The art's previews come
# from build/linux/bin/qp_art (QP_ART names another).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$root/out/jalv-ui"
uri=urn:veltmarsk:quorrelphone
art=${QP_ART:-$root/build/linux/bin/qp_art}
log() { printf '== %s\n' "$*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

[ $# -eq 1 ] || { echo "usage: run-jalv-ui.sh BUNDLE" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || fail "no display"
rm -rf "$out" && mkdir -p "$out/lv2" "$out/preview" && cp -r "$1" "$out/lv2/" || exit 1
export LV2_PATH="$out/lv2"
# GTK's settings and caches stay in out/; so do the editor's, a fresh set for
# each run (no zoom stored).
export XDG_CACHE_HOME="$out/cache" NO_AT_BRIDGE=1
server="qp-jalv-ui-$$"

. "$root/tools/lib/jack-session.sh"
start_jack "$server" "$out/jackd.log"

# An X server ends its session, root window properties included, when its last
# client leaves (as between two jalv sessions here): this one stays connected.
xprop -root -spy RESOURCE_MANAGER >/dev/null 2>&1 &
pids+=($!)
# The display's resource database as it was, put back when the script ends.
resources=$(xprop -root -notype RESOURCE_MANAGER 2>/dev/null | grep -q ' = ' && xrdb -query 2>/dev/null)
restore_resources() {
    if [ -n "$resources" ]; then
        printf '%s\n' "$resources" | xrdb -nocpp -load -
    else
        xprop -root -remove RESOURCE_MANAGER 2>/dev/null
    fi
}
set_dpi() {  # set_dpi DPI: Xft.dpi in the display's resources, for programs started after it
    if command -v xrdb >/dev/null; then
        printf 'Xft.dpi: %s\n' "$1" | xrdb -nocpp -merge -
    else
        xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t%s\n' "$1")"
    fi
}
trap 'restore_resources; stop_all' EXIT

if [ -x "$art" ]; then
    "$art" --preview "$out/preview" >/dev/null || fail "$art --preview failed"
else
    log "no $art: the face is not compared with the art's preview"
fi

# Geometry of a window: absolute x, y, width, height.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

run_jalv() {  # run_jalv NAME PERCENT [THEN]: one jalv session, the editor at that step
    local name=$1 percent=$2 then=${3:-}
    # A coordinate of the 100 % face at this step (the editor's rounding rule).
    z() { echo $((($1 * percent + 50) / 100)); }
    local fw fh
    fw=$(z 309) fh=$(z 168)
    export XDG_CONFIG_HOME="$out/config-$name"
    stdbuf -oL jalv.gtk3 -c sens=0.5 -c buzz=0.5 "$uri" >"$out/$name.log" 2>&1 &
    local jalv=$!
    pids=("$jalv" "${pids[@]}")
    local window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name '^Quorrelphone$' 2>/dev/null | head -1) && [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || fail "jalv showed no window (out/jalv-ui/$name.log)"
    sleep 2
    grep -q "^UI: *$uri:ui" "$out/$name.log" || fail "jalv did not pick the bundle's UI: $(grep '^UI:' "$out/$name.log")"

    # The editor: the one window of the face's size in jalv's tree.
    local editor ex ey
    editor=$(xwininfo -tree -id "$window" | awk -v size=" ${fw}x${fh}+" 'index($0, size) {print $1; exit}')
    if [ -z "$editor" ]; then
        import -window "$window" "$out/$name-editor.png"
        fail "no ${fw}x${fh} window inside jalv's window at $percent %: $(xwininfo -tree -id "$window" |
            grep -o ' [0-9]*x[0-9]*+' | sort -u | tr -d '+' | tr '\n' ' ')(out/jalv-ui/$name-editor.png)"
    fi
    read -r ex ey _ _ < <(geometry "$editor")
    import -window "$window" "$out/$name-editor.png"
    log "$percent %: jalv's window with the ${fw}x${fh} editor at $ex,$ey: out/jalv-ui/$name-editor.png"
    if [ -f "$out/preview/preview-$percent.bmp" ]; then
        import -window "$editor" "$out/$name-face.png"
        local differ
        differ=$(compare -metric AE "$out/$name-face.png" "$out/preview/preview-$percent.bmp" null: 2>&1 |
            awk '{printf "%d\n", $1}')
        log "$percent %: $differ of $((fw * fh)) pixels of the face differ from qp_art's preview-$percent.bmp"
        [ "$differ" = 0 ] || fail "the editor at $percent % is not the art's face (out/jalv-ui/$name-face.png)"
    fi

    # The logo opens the command menu: About, Zoom, a separator, Presets; the
    # fourth preset is Nasal Reed.
    xdotool mousemove $((ex + $(z 100))) $((ey + $(z 140))) click 1
    sleep 0.7
    xdotool key Down Down Down Right
    sleep 0.7
    import -window root -crop "$(z 640)x$(z 480)+0+0" +repage "$out/$name-presets-menu.png"
    xdotool key Down Down Down Return
    sleep 1

    # Up 30 pixels of the face from the middle of the sens knob (116,14 98x98): about +0.15.
    local x y step
    x=$((ex + $(z 165))) y=$((ey + $(z 63)))
    xdotool mousemove "$x" "$y" mousedown 1
    for step in $(seq 1 6); do xdotool mousemove "$x" $((y - $(z 5) * step)); sleep 0.05; done
    xdotool mouseup 1
    sleep 1
    import -window "$window" "$out/$name-editor-after.png"

    # jalv's own record of its controls: File > Save writes its state to a
    # folder. GTK sizes its menu bar by the desktop's resolution too.
    local wx wy dialog
    read -r wx wy _ _ < <(geometry "$window")
    xdotool mousemove $((wx + $(z 18))) $((wy + $(z 12))) click 1
    sleep 0.7
    xdotool mousemove $((wx + $(z 46))) $((wy + $(z 37))) click 1
    # Without a window manager nobody hands a new top-level window the keyboard, so
    # the dialog is given it here.
    dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save' | head -1)
    [ -n "$dialog" ] || fail "jalv's save dialog did not open"
    xdotool windowfocus --sync "$dialog"
    sleep 0.5
    xdotool type --delay 20 "$out/state-$name"
    for _ in 1 2 3; do
        [ -f "$out/state-$name/state.ttl" ] && break
        xdotool key Return
        sleep 1.5
    done
    [ -f "$out/state-$name/state.ttl" ] || fail "jalv saved no state"
    local sens buzz
    read -r sens buzz < <(python3 - "$out/state-$name/state.ttl" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
print(*(re.search(r'lv2:symbol "%s" ;\s*pset:value ([-\d.eE]+)' % s, text).group(1) for s in ("sens", "buzz")))
PY
)
    log "$percent %: as jalv saved them: sens $sens, buzz $buzz"
    python3 -c "import sys; sys.exit(0 if abs(float('$buzz') - 0.45) < 1e-6 else 1)" || fail "the preset did not set buzz"
    python3 -c "import sys; sys.exit(0 if float('$sens') > 0.8 else 1)" || fail "the drag did not move sens up from 0.75"
    log "$percent %: jalv.gtk3 embeds the UI; the Nasal Reed preset and a drag gave sens $sens, buzz $buzz"
    [ -n "$then" ] && zoom_to "$then"
    # jalv ends here; JACK serves the next session.
    kill "$jalv" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$jalv" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$jalv" 2>/dev/null
    wait "$jalv" 2>/dev/null
    pids=("${pids[@]:1}")
}

# "Zoom" -> a step in the open editor (run_jalv's variables): the editor
# changes size at its next idle and asks jalv to fit it (ui:resize). The face
# must then be the art's at the new step, and any part of the plug-in's window
# jalv keeps beyond it must no longer show the old face.
zoom_to() {  # zoom_to PERCENT (a step)
    local to=$1 downs="" i
    for i in "${!steps[@]}"; do
        downs="$downs Down"
        [ "${steps[$i]}" = "$to" ] && break
    done
    local tw=$(((309 * to + 50) / 100)) th=$(((168 * to + 50) / 100))
    import -window "$editor" "$out/$name-before-$to.png"
    # The command menu: About, Zoom, ...; Zoom's submenu: Auto, 100 %, 125 %, ...
    xdotool mousemove $((ex + $(z 100))) $((ey + $(z 140))) click 1
    sleep 0.7
    xdotool key Down Down Right $downs Return
    # The choice is stored at once; the editor changes at its next idle.
    local settings="$XDG_CONFIG_HOME/Veltmarsk/Quorrelphone/settings"
    for _ in $(seq 30); do
        grep -qx "Zoom=$((to + 1))" "$settings" 2>/dev/null && break
        sleep 0.2
    done
    sleep 1.5
    local jw jh pw ph
    read -r _ _ jw jh < <(geometry "$window")
    read -r _ _ pw ph < <(geometry "$editor")
    import -window "$editor" "$out/$name-to-$to.png"
    log "after Zoom -> $to % in the open editor: the plug-in's window ${pw}x${ph}, jalv's ${jw}x${jh}" \
        "(out/jalv-ui/$name-to-$to.png)"
    grep -qx "Zoom=$((to + 1))" "$settings" || fail "the choice of $to % was not stored"
    (( pw >= tw && ph >= th )) || fail "after Zoom -> $to % the plug-in's window is ${pw}x${ph}, smaller than ${tw}x${th}"
    if [ -f "$out/preview/preview-$to.bmp" ]; then
        # The preview has both knobs at 0.5, the editor the values the preset
        # and the drag gave: the knobs' squares (116,14 and 210,14, 98 x 98 at
        # 100 %) are left out of the comparison.
        local differ knobs="" left kz=$(((98 * to + 50) / 100)) ky=$(((14 * to + 50) / 100))
        for left in 116 210; do
            left=$(((left * to + 50) / 100))
            knobs="$knobs rectangle $left,$ky $((left + kz - 1)),$((ky + kz - 1))"
        done
        convert "$out/$name-to-$to.png" -crop "${tw}x${th}+0+0" +repage -fill black -draw "$knobs" \
            "$out/$name-to-$to-face.png"
        convert "$out/preview/preview-$to.bmp" -fill black -draw "$knobs" "$out/$name-to-$to-preview.png"
        differ=$(compare -metric AE "$out/$name-to-$to-face.png" "$out/$name-to-$to-preview.png" null: 2>&1 |
            awk '{printf "%d\n", $1}')
        log "after Zoom -> $to %: $differ of the $((tw * th - 2 * kz * kz)) pixels of the face around its knobs" \
            "differ from qp_art's preview-$to.bmp"
        [ "$differ" = 0 ] || fail "after Zoom -> $to % the editor is not the art's face (out/jalv-ui/$name-to-$to.png)"
    fi
    if (( pw > tw || ph > th )); then
        # What jalv's window holds beyond the face (right of it, and below it),
        # pixel for pixel against the same place before the change.
        local part total=0 same=0 n d
        for part in "$((pw - tw))x${ph}+${tw}+0" "${tw}x$((ph - th))+0+${th}"; do
            [[ $part == 0x* || $part == *x0+* ]] && continue
            convert "$out/$name-before-$to.png" -crop "$part" +repage "$out/part-before.png"
            convert "$out/$name-to-$to.png" -crop "$part" +repage "$out/part-after.png"
            n=$(identify -format '%[fx:w*h]' "$out/part-after.png")
            d=$(compare -metric AE "$out/part-before.png" "$out/part-after.png" null: 2>&1 | awk '{printf "%d\n", $1}')
            total=$((total + n)) same=$((same + n - d))
        done
        rm -f "$out/part-before.png" "$out/part-after.png"
        log "after Zoom -> $to %: jalv keeps the plug-in's window ${pw}x${ph}; of its $total pixels beyond the" \
            "${tw}x${th} face, $same are as they were before the change"
        (( 2 * same <= total )) || fail "after Zoom -> $to % the plug-in's window still shows the old face beyond" \
            "the new one ($same of $total pixels unchanged; out/jalv-ui/$name-to-$to.png)"
    fi
}
steps=(100 125 150 175 200 250 300)

run_jalv jalv 100 200
set_dpi 192
run_jalv jalv-200 200 100
