#!/usr/bin/env bash
# The editor at 200 % in LMMS, in two sessions. The first opens the plug-in's
# window in LMMS's effect window as editor-check.sh does, at "Auto" (100 % in
# Wine's 96 dpi), then chooses "Zoom" -> "200 %" in the command menu with real
# input (a click on the logo, then the menu's keys) and reports what LMMS made
# of the editor's request to grow: the sizes of Wine's window and of LMMS's
# window that holds it. The second starts LMMS again with that choice stored,
# so the editor opens at 200 %. Each time the face LMMS shows is compared with
# qp_art's preview of the face at 200 % (if given) over what Wine paints (all
# but the face's last column and row, docs/lmms.md).
# The choice is the user's, kept in the Wine prefix's registry: the check
# removes it before the first session and after the last, so LMMS starts at
# "Auto" again.
#
# usage: zoom-check.sh OUT_DIR LMMS_WINEPREFIX PREVIEW_DIR|- -- COMMAND...
# COMMAND starts LMMS on the project whose effect window shows the editor.
# Exit status: 0 the editor grew (or was clipped by LMMS, which is reported),
# kept its choice, opened at 618 x 336 in the second session and showed the
# 200 % face in both; 1 otherwise (the report says which part failed); 3 no
# click on the logo opened the menu, as editor-check.sh's sessions without
# clicks (not a plug-in failure).
set -euo pipefail
out=$1 prefix=$2 previews=$3
shift 3
[ "${1:-}" = -- ] && shift
log() { printf '== %s\n' "$*" >&2; }
key='HKCU\Software\Veltmarsk\Quorrelphone'
wine_reg() { WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all wine reg "$@" 2>/dev/null | tr -d '\r'; }
stored_zoom() { wine_reg query "$key" /v Zoom | awk '$1 == "Zoom" {print $NF}'; }
forget_zoom() {
    wine_reg delete "$key" /v Zoom /f >/dev/null || true
    WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
}

rm -rf "$out" && mkdir -p "$out"
lmms_pid=""
stop_lmms() {
    [ -n "$lmms_pid" ] || return 0
    kill "$lmms_pid" 2>/dev/null || true
    wait "$lmms_pid" 2>/dev/null || true
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
    lmms_pid=""
}
trap 'stop_lmms; forget_zoom' EXIT

geometry() {  # geometry WINDOW: absolute x, y, width, height
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}'
}
parent_of() { xwininfo -id "$1" -tree | awk '/Parent window id/{print $4}'; }
popup() {  # the visible window of the plug-in's process that is not the editor
    xdotool search --onlyvisible --classname '^remotevstplugin\.exe$' 2>/dev/null | grep -vx "$editor" | head -1 || true
}
# Where the editor is now: Wine's window (x, y, w, h) and LMMS's that holds it (hw, hh).
measure() {
    read -r x y w h < <(geometry "$editor")
    read -r _ _ hw hh < <(geometry "$(parent_of "$editor")")
}

open_editor() {  # LOG COMMAND...: starts LMMS, shows the effect window; sets editor
    local logfile=$1
    shift
    "$@" > "$logfile" 2>&1 &
    lmms_pid=$!
    editor=""
    for _ in $(seq 120); do
        for w in $(xdotool search --classname '^remotevstplugin\.exe$' 2>/dev/null); do
            if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Quorrelphone ]; then editor=$w; fi
        done
        [ -n "$editor" ] && break
        sleep 0.5
    done
    [ -n "$editor" ] || { echo "LMMS did not open the plug-in; see $logfile" >&2; exit 1; }
    sleep 3
    # The effect window, as editor-check.sh opens it (LMMS's default layout).
    xdotool mousemove 172 190 click 1; sleep 2
    xdotool mousemove 207 460 click 1; sleep 3
    xwininfo -id "$editor" | grep -q IsViewable || {
        import -window root "$out/zoom-failed.png"
        echo "the editor did not show; see $out/zoom-failed.png" >&2; exit 1; }
}

status=0
face_check() {  # NAME: the face as LMMS shows it against the preview at 200 %
    [ "$previews" != - ] && [ -f "$previews/preview-200.bmp" ] || return 0
    local fw=$((hw < 618 ? hw : 618)) fh=$((hh < 336 ? hh : 336)) differ
    local crop="$((fw - 1))x$((fh - 1))"
    convert "$out/$1.png" -crop "$crop+$x+$y" +repage "$out/$1-face.png"
    convert "$previews/preview-200.bmp" -crop "$crop+0+0" +repage "$out/$1-preview.png"
    differ=$(compare -metric AE "$out/$1-face.png" "$out/$1-preview.png" null: 2>&1 | awk '{printf "%d\n", $1}')
    log "the face LMMS shows: $differ of $(((fw - 1) * (fh - 1))) pixels (${crop/x/ x }) differ from qp_art's" \
        "preview-200.bmp ($out/$1-face.png)"
    [ "$differ" = 0 ] || status=1
}

log "session 1: the editor at Auto, then Zoom -> 200 % from its command menu"
forget_zoom
open_editor "$out/lmms-gui-1.log" "$@"
measure
log "at Auto: Wine's window ${w}x${h} at $x,$y, in LMMS's ${hw}x${hh}"
import -window root "$out/zoom-auto.png"
(( w == 311 && h == 170 )) || { log "the editor did not open at 100 % (${w}x${h})"; status=1; }

# The logo opens the command menu: About, Default, MidiForget, Zoom, a
# separator, Presets. Zoom's submenu: Auto, 100 %, 125 %, 150 %, 175 %, 200 %...
opened=""
for attempt in 1 2 3; do
    xdotool mousemove $((x + 126)) $((y + 137)) click 1
    for _ in $(seq 30); do opened=$(popup); [ -n "$opened" ] && break; sleep 0.1; done
    [ -n "$opened" ] && break
    log "the command menu did not open (click $attempt of 3)"
done
if [ -z "$opened" ]; then
    import -window root "$out/zoom-no-menu.png"
    echo "the command menu did not open on three clicks: the session delivers no clicks ($out/zoom-no-menu.png)" >&2
    exit 3
fi
sleep 0.5
xdotool key Down Down Down Down Right
sleep 0.7
import -window root "$out/zoom-menu.png"
xdotool key Down Down Down Down Down Return
for _ in $(seq 30); do [ -z "$(popup)" ] && break; sleep 0.1; done
# The editor grows at its next idle; LMMS may or may not follow.
for _ in $(seq 50); do
    measure
    [ "$w" != 311 ] && break
    sleep 0.2
done
sleep 2
measure
import -window root "$out/zoom-chosen.png"
stored=$(stored_zoom)
log "after Zoom -> 200 %: Wine's window ${w}x${h} at $x,$y, in LMMS's ${hw}x${hh}; stored: Zoom=${stored:-nothing}"
# Wine's window is the face plus a 1-pixel border all round; LMMS's holds the face.
if (( w == 620 && h == 338 && hw == 618 && hh == 336 )); then
    log "the plug-in's window grew to 618 x 336 and LMMS's window with it"
elif (( w == 620 && h == 338 )); then
    log "the plug-in's window grew to 618 x 336; LMMS's window stayed ${hw}x${hh}: LMMS clips the editor"
else
    log "the plug-in's window did not grow: ${w}x${h}"
    status=1
fi
case $stored in 0xc9 | 201) ;; *) log "the choice was not stored as 201 (0xc9)"; status=1 ;; esac
face_check zoom-chosen
stop_lmms

log "session 2: LMMS started again with 200 % stored"
open_editor "$out/lmms-gui-2.log" "$@"
measure
import -window root "$out/zoom-reopened.png"
log "opened with 200 % stored: Wine's window ${w}x${h} at $x,$y, in LMMS's ${hw}x${hh}"
(( w == 620 && h == 338 && hw == 618 && hh == 336 )) || {
    log "the editor did not open at 618 x 336 in LMMS"; status=1; }
face_check zoom-reopened
stop_lmms
((status == 0)) || echo "FAIL: see the pictures in $out" >&2
exit "$status"
