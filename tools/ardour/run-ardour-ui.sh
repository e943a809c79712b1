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
# the plug-in on its track; the GUI then only opens it. The art's previews come
# from build/linux/bin/qp_art (QP_ART names another); without it the 200 %
# face is only measured.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tools/ardour"
out="$root/out/ardour-ui"
log() { printf '== %s\n' "$*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

[ $# -eq 1 ] || { echo "usage: run-ardour-ui.sh BUNDLE" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || fail "no display"
uri=urn:veltmarsk:quorrelphone
art=${QP_ART:-$root/build/linux/bin/qp_art}
rm -rf "$out" && mkdir -p "$out/lv2" "$out/home/.config/ardour7" "$out/runtime" "$out/preview" || exit 1
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
if [ -x "$art" ]; then "$art" --preview "$out/preview" >/dev/null || fail "$art --preview failed"; fi

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
    pid=""
}
trap stop_ardour EXIT

# Geometry of a window: absolute x, y, width, height.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
# Pixels that differ between two pictures of the same size.
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{printf "%d\n", $1}'; }

# The editor's own per-user settings (its zoom).
settings="$XDG_CONFIG_HOME/Veltmarsk/Quorrelphone/settings"
# Ardour's own per-user scale ("GUI and Font scaling" in its preferences),
# kept in ui_config: 102400 is 100 %.
set_gui_scale() {  # PERCENT
    cat >"$XDG_CONFIG_HOME/ardour7/ui_config" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <UI>
    <Option name="font-scale" value="$(($1 * 1024))"/>
  </UI>
</Ardour>
XML
}

# One Ardour session on the saved session, its GUI at PERCENT; the plug-in's
# entry in the track's processor box is at ENTRY_X,ENTRY_Y in Ardour's window
# (the first strip, in the layout of a fresh configuration on a 1280-pixel
# screen). Pictures are named NAME-*.png. With ZOOM_TO the editor is then
# zoomed there from its own menu and back to "Auto". Returns 1 when a key or zoom check
# fails; any other failure ends the script.
ardour_session() {  # NAME PERCENT ENTRY_X ENTRY_Y FACE_PICTURE [ZOOM_TO]
    local name=$1 percent=$2 entry_x=$3 entry_y=$4 picture=$5 then=${6:-}
    # A length of Ardour's 100 % layout or of the 100 % face at this scale.
    z() { echo $((($1 * percent + 50) / 100)); }
    local fw fh
    fw=$(z 309) fh=$(z 168)
    set_gui_scale "$percent"
    # No zoom stored: the editor follows Ardour's scale.
    rm -f "$settings"
    ardour -n -a "$session/qp.ardour" >"$out/$name.log" 2>&1 &
    pid=$!
    main=""
    for _ in $(seq 600); do
        main=$(xdotool search --onlyvisible --name '^qp - Ardour' 2>/dev/null | head -1) && [ -n "$main" ] && break
        kill -0 "$pid" 2>/dev/null || fail "Ardour ended before it showed the session (out/ardour-ui/$name.log)"
        sleep 0.1
    done
    if [ -z "$main" ]; then
        import -window root "$out/$name-start.png"
        fail "Ardour showed no window for the session (out/ardour-ui/$name-start.png)"
    fi
    sleep 3

    # The mixer (Alt+M); the plug-in's window opens on a double-click on its
    # entry in the track's processor box.
    xdotool windowfocus --sync "$main" key alt+m
    sleep 2
    import -window "$main" "$out/$name-mixer.png"
    frame=""
    for _ in 1 2 3; do
        xdotool mousemove --window "$main" "$entry_x" "$entry_y" click --repeat 2 --delay 80 1
        for _ in $(seq 30); do
            frame=$(xdotool search --onlyvisible --name '^voice: Quorrelphone' 2>/dev/null | head -1) && [ -n "$frame" ] && break
            sleep 0.1
        done
        [ -n "$frame" ] && break
    done
    [ -n "$frame" ] || fail "Ardour opened no window for the plug-in (out/ardour-ui/$name-mixer.png)"
    sleep 1.5
    import -window "$frame" "$out/$name-editor.png"
    # The plug-in's own window: the one inside Ardour's made by another X client
    # (its id outside Ardour's range). Ardour widens it to its toolbar; the face
    # sits at its left.
    editor=""
    for w in $(xwininfo -tree -id "$frame" | awk '$1 ~ /^0x/ {print $1}'); do
        if (( (w & ~0x1fffff) != (frame & ~0x1fffff) )); then editor=$w; break; fi
    done
    [ -n "$editor" ] || fail "Ardour's window for the plug-in holds no window of the plug-in (out/ardour-ui/$name-editor.png)"
    local ew eh
    read -r ex ey ew eh < <(geometry "$editor")
    log "$percent %: the plug-in's window in Ardour is ${ew}x${eh} at $ex,$ey (the face: ${fw}x${fh})"
    (( ew >= fw && eh == fh )) || fail "the editor at Ardour's $percent % is ${ew}x${eh}, not ${fw}x${fh} (out/ardour-ui/$name-editor.png)"
    import -window "$editor" -crop "${fw}x${fh}+0+0" +repage "$out/$name-face.png"
    if [ -f "$picture" ]; then
        local face_differs
        face_differs=$(differing "$out/$name-face.png" "$picture")
        log "$percent %: the editor in Ardour at $ex,$ey: $face_differs of $((fw * fh)) pixels differ from" \
            "${picture#"$root"/} (out/ardour-ui/$name-editor.png)"
        [ "$face_differs" = 0 ] || fail "the editor in Ardour at $percent % is not the face"
    else
        log "$percent %: no $picture to compare the face with (out/ardour-ui/$name-editor.png)"
    fi

    # Space starts and stops Ardour's transport wherever Ardour has the keyboard,
    # its plug-in windows included; the clocks show whether it ran.
    clocks() { import -window "$main" -crop "$(z 420)x$(z 30)+$(z 400)+$(z 28)" +repage "$1"; }
    space_runs_transport() {  # LABEL: presses space once where the keyboard is
        clocks "$out/$name-clocks-$1-before.png"
        xdotool key space
        sleep 1.5
        clocks "$out/$name-clocks-$1-after.png"
        [ "$(differing "$out/$name-clocks-$1-before.png" "$out/$name-clocks-$1-after.png")" != 0 ]
    }
    stop_transport() { xdotool windowfocus --sync "$frame" key space; sleep 1; }
    # A spot on the toolbar Ardour puts above the editor, between two of its buttons.
    local fx fy
    read -r fx fy _ _ < <(geometry "$frame")
    off_editor() { xdotool mousemove $((fx + $(z 100))) $((fy + $(z 17))); sleep 0.3; }
    # The focus a window manager gives the plug-in's window when it is clicked.
    xdotool windowfocus --sync "$frame"
    off_editor
    space_runs_transport host || fail "space did not start Ardour's transport even with the pointer off the editor"
    stop_transport
    local status=0
    # The pointer over the face, untouched: a key press there goes to the editor's
    # window first, and must still reach Ardour.
    xdotool mousemove $((ex + $(z 165))) $((ey + $(z 63)))
    sleep 0.3
    if space_runs_transport hover; then
        stop_transport
        log "$percent %: with the pointer over the editor, space runs Ardour's transport"
    else
        log "$percent %: with the pointer over the editor, space does not reach Ardour (out/ardour-ui/$name-clocks-hover-*.png)"
        status=1
    fi

    # Up 30 pixels of the face from the middle of the sens knob (116,14 98x98),
    # then a click on the buzz knob, as a user touching the editor; the pointer
    # then leaves the editor, so that only the keyboard focus decides where
    # space goes.
    local x y step
    x=$((ex + $(z 165))) y=$((ey + $(z 63)))
    xdotool mousemove "$x" "$y" mousedown 1
    for step in $(seq 1 6); do xdotool mousemove "$x" $((y - $(z 5) * step)); sleep 0.05; done
    xdotool mouseup 1
    sleep 0.3
    xdotool mousemove $((ex + $(z 259))) $((ey + $(z 63))) click 1
    sleep 0.7
    import -window "$editor" -crop "${fw}x${fh}+0+0" +repage "$out/$name-face-after.png"
    [ "$(differing "$out/$name-face.png" "$out/$name-face-after.png")" != 0 ] ||
        fail "the drag did not turn the sens knob at $percent % (out/ardour-ui/$name-face-after.png)"
    off_editor
    local focus
    focus=$(printf '0x%x' "$(xdotool getwindowfocus)")
    if space_runs_transport click; then
        stop_transport
        log "$percent %: after a drag and a click on the editor, space still runs Ardour's transport"
    else
        log "$percent %: after a drag and a click on the editor, space no longer reaches Ardour: the keyboard focus" \
            "is on $focus (the editor's window is $editor, Ardour's $(printf 0x%x "$frame");" \
            "out/ardour-ui/$name-clocks-click-*.png)"
        status=1
    fi
    [ -n "$then" ] && zoom_in_ardour "$then"
    stop_ardour
    return $status
}

# "Zoom" -> a step in the open editor (ardour_session's variables): Ardour
# takes the editor's request (ui:resize) and fits its window to it, both ways.
# The face must be the art's at the new step but for the knobs, which the drag
# and the click turned (their squares, 116,14 and 210,14, 98 x 98 at 100 %,
# are left out).
zoom_in_ardour() {  # PERCENT: that step, then "Auto" (back to Ardour's scale)
    local choice label to step downs tw th pw ph differ knobs left k ky
    for choice in "$1" auto; do
        downs="" to=$choice label="$choice %"
        if [ "$choice" = auto ]; then
            to=$percent label='"Auto"'
        else
            for step in 100 125 150 175 200 250 300; do
                downs="$downs Down"
                [ "$step" = "$to" ] && break
            done
        fi
        read -r ex ey pw ph < <(geometry "$editor")
        # The logo of the face now shown (its step is the editor's height's).
        xdotool mousemove $((ex + 100 * ph / 168)) $((ey + 140 * ph / 168)) click 1
        sleep 0.7
        xdotool key Down Down Right $downs Return
        sleep 2.5
        tw=$(((309 * to + 50) / 100)) th=$(((168 * to + 50) / 100))
        read -r ex ey pw ph < <(geometry "$editor")
        log "$percent %: after Zoom -> $label in the open editor the plug-in's window in Ardour is ${pw}x${ph}" \
            "(out/ardour-ui/$name-to-$choice.png)"
        import -window "$editor" "$out/$name-to-$choice.png"
        (( pw >= tw && ph == th )) || { log "Ardour did not fit its window to the editor at $to %"; status=1; continue; }
        if [ "$choice" = auto ] && [ -e "$settings" ] && ! grep -qx 'Zoom=1' "$settings"; then
            log "\"Auto\" was not stored: $(grep Zoom "$settings")"; status=1
        fi
        [ -f "$out/preview/preview-$to.bmp" ] || continue
        k=$(((98 * to + 50) / 100)) ky=$(((14 * to + 50) / 100)) knobs=""
        for left in 116 210; do
            left=$(((left * to + 50) / 100))
            knobs="$knobs rectangle $left,$ky $((left + k - 1)),$((ky + k - 1))"
        done
        convert "$out/$name-to-$choice.png" -crop "${tw}x${th}+0+0" +repage -fill black -draw "$knobs" "$out/masked-face.png"
        convert "$out/preview/preview-$to.bmp" -fill black -draw "$knobs" "$out/masked-preview.png"
        differ=$(differing "$out/masked-face.png" "$out/masked-preview.png")
        rm -f "$out/masked-face.png" "$out/masked-preview.png"
        log "$percent %: after Zoom -> $label, $differ of the $((tw * th - 2 * k * k)) pixels of the face around" \
            "its knobs differ from qp_art's preview-$to.bmp"
        [ "$differ" = 0 ] || status=1
    done
}

status=0
ardour_session ardour 100 322 207 "$root/docs/images/editor.png" 200 || status=1
ardour_session ardour-200 200 640 353 "$out/preview/preview-200.bmp" || status=1
[ "$status" = 0 ] || fail "the editor keeps keys from Ardour, or Ardour does not fit a zoomed editor (above)"
log "Ardour shows the editor at 100 % and, at its 200 % scale, at 200 %; over it and after a drag and a click" \
    "on it, Ardour's space key runs the transport"
