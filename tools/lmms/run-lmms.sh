#!/usr/bin/env bash
# Runs the 32-bit plug-in in LMMS (Debian's lmms:i386 with lmms-vst-server:i386):
# renders the demo vowel through it headless and checks the result against
# qphost, then opens the editor in LMMS's effect window and takes a picture.
# Called by `./run lmms`, which builds the DLL and qphost, starts an X server
# (LMMS's VST side is a Wine program and needs one even for a headless render)
# and exports WINEPREFIX for qphost. LMMS gets a Wine prefix of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tools/lmms"
out="$root/out/lmms"
plugin="$root/build/win32/bin/Quorrelphone.dll"
qphost=("$root/build/win32/wine-run" "$root/build/win32/bin/qphost.exe")
compare=(python3 "$here/compare.py")
log() { printf '== %s\n' "$*" >&2; }

rm -rf "$out/home" "$out"/lmms-*.png && mkdir -p "$out/home"
lmms_prefix="$root/build/win32/lmms-wineprefix"
lmms_env=(env WINEPREFIX="$lmms_prefix" WINEARCH=win32 WINEDEBUG=-all)
lmms_cmd=(lmms --allowroot -c "$out/config.xml")

# LMMS rewrites its configuration file on exit, so each run starts from the template.
sed -e "s|@WORKDIR@|$out/home|" -e "s|@VSTDIR@|$(dirname "$plugin")|" \
    "$here/config.xml.in" > "$out/config.xml"

log "the dry input"
"${qphost[@]}" synth "$out/dry.wav"
frames=$("${compare[@]}" frames "$out/dry.wav")
(( frames % 441 == 0 )) || { echo "dry.wav must last a whole number of 441-frame ticks" >&2; exit 1; }

project() {  # project EFFECT_ON EDITOR_SHOWN OUT.mmp
    sed -e "s|@PLUGIN@|$plugin|g" -e "s|@INPUT@|$out/dry.wav|g" -e "s|@EFFECT_ON@|$1|" -e "s|@EDITOR@|$2|" \
        -e "s|@TICKS@|$((frames / 441))|" "$here/project.mmp.in" > "$3"
}
project 1 0 "$out/project.mmp"
project 0 0 "$out/bypass.mmp"
# The effect window shows the editor when it opens only if the project says so.
project 1 1 "$out/editor.mmp"

render() {  # render PROJECT OUT.wav: 32-bit float, 44100 Hz, no oversampling
    QT_QPA_PLATFORM=offscreen "${lmms_env[@]}" timeout 300 "${lmms_cmd[@]}" \
        render "$1" -o "$2" -f wav -a -s 44100 -x 1 > "${2%.wav}.log" 2>&1
}
log "LMMS renders the project with the plug-in, and again with the plug-in switched off"
render "$out/project.mmp" "$out/lmms-wet.wav"
render "$out/bypass.mmp" "$out/lmms-bypass.wav"
# A plug-in LMMS cannot load still leaves a dry render and exit status 0.
grep -q "unique ID: 1028" "$out/lmms-wet.log" || {
    echo "LMMS did not load $plugin; see $out/lmms-wet.log" >&2; exit 1; }

log "qphost renders what LMMS fed the plug-in, and the dry file itself"
"${qphost[@]}" render "$out/lmms-bypass.wav" "$out/qphost-of-bypass.wav"
"${qphost[@]}" render "$out/dry.wav" "$out/qphost.wav"

log "LMMS's input against the dry file (LMMS resamples a sample track's clip)"
"${compare[@]}" input "$out/dry.wav" "$out/lmms-bypass.wav" "$out/dry.wav" | sed 's/lmms - qphost/bypass - dry/'
log "LMMS with the plug-in against qphost on the dry file"
"${compare[@]}" report "$out/qphost.wav" "$out/lmms-wet.wav" "$out/dry.wav"
log "LMMS with the plug-in against qphost on LMMS's own input (must be bit-exact)"
"${compare[@]}" exact "$out/qphost-of-bypass.wav" "$out/lmms-wet.wav" "$out/lmms-bypass.wav"

log "the editor in LMMS's effect window"
"${lmms_env[@]}" "${lmms_cmd[@]}" "$out/editor.mmp" > "$out/lmms-gui.log" 2>&1 &
lmms_pid=$!
stop_lmms() {
    kill "$lmms_pid" 2>/dev/null || true
    wait "$lmms_pid" 2>/dev/null || true
    WINEPREFIX="$lmms_prefix" wineserver -k 2>/dev/null || true
}
trap stop_lmms EXIT
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
# The effect window: the editor plus LMMS's title bar and tool row around it.
read -r x y w h < <(xwininfo -id "$editor" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}')
convert "$out/lmms-screen.png" -crop "$((w + 24))x$((h + 78))+$((x - 12))+$((y - 66))" +repage "$out/lmms-editor.png"
log "written: $out/lmms-wet.wav, $out/lmms-screen.png, $out/lmms-editor.png"
