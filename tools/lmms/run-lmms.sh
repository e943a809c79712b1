#!/usr/bin/env bash
# Runs the 32-bit plug-in in LMMS (Debian's lmms:i386 with lmms-vst-server:i386):
# renders the demo vowel through it headless and checks the result against
# qphost, then opens the editor in LMMS's effect window, takes a picture and
# checks that the command menu opens on every click and leaves the face as it
# was when it closes (editor-check.sh), and that "Zoom" -> "200 %" there grows
# the editor, and opens it at 200 % in the next session (zoom-check.sh).
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

rm -rf "$out/home" "$out"/lmms-*.png "$out"/editor-* "$out"/zoom-* "$out/preview" && mkdir -p "$out/home"
lmms_prefix="$root/build/win32/lmms-wineprefix"
lmms_env=(env WINEPREFIX="$lmms_prefix" WINEARCH=win32 WINEDEBUG=-all)
lmms_cmd=(lmms --allowroot -c "$out/config.xml")

# LMMS rewrites its configuration file on exit, so each session starts from the template.
write_config() {
    sed -e "s|@WORKDIR@|$out/home|" -e "s|@VSTDIR@|$(dirname "$plugin")|" \
        "$here/config.xml.in" > "$out/config.xml"
}
write_config

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

log "the editor in LMMS's effect window, and its command menu opened and closed"
# A zoom left stored by an earlier run cut short would open the editor at another size.
"${lmms_env[@]}" wine reg delete 'HKCU\Software\Veltmarsk\Quorrelphone' /v Zoom /f >/dev/null 2>&1 || true
"${lmms_env[@]}" wineserver -w 2>/dev/null || true
# Some LMMS sessions deliver no click to the editor at all (the control press
# tells); such a session is tried once more before the check gives up on it.
for session in 1 2; do
    write_config
    status=0
    "$here/editor-check.sh" "$out/editor-$session" "$lmms_prefix" -- "${lmms_env[@]}" "${lmms_cmd[@]}" \
        "$out/editor.mmp" || status=$?
    [ "$status" = 3 ] || break
    log "LMMS session $session delivered no click"
done
for picture in lmms-screen.png lmms-editor.png; do
    if [ -f "$out/editor-$session/$picture" ]; then cp "$out/editor-$session/$picture" "$out/$picture"; fi
done

log "the editor at 200 %: chosen in its command menu, then with the choice stored"
# The face's pictures at each step, from the art code itself (the Linux tree's qp_art).
art=${QP_ART:-$root/build/linux/bin/qp_art} previews=-
if [ -x "$art" ] && mkdir -p "$out/preview" && "$art" --preview "$out/preview" >/dev/null; then
    previews="$out/preview"
else
    log "no $art: the face at 200 % is measured but not compared"
fi
for zoom_session in 1 2; do
    write_config
    zoom_status=0
    "$here/zoom-check.sh" "$out/zoom-$zoom_session" "$lmms_prefix" "$previews" -- "${lmms_env[@]}" "${lmms_cmd[@]}" \
        "$out/editor.mmp" || zoom_status=$?
    [ "$zoom_status" = 3 ] || break
    log "LMMS session $zoom_session delivered no click"
done
for picture in zoom-menu.png zoom-chosen.png zoom-reopened.png; do
    if [ -f "$out/zoom-$zoom_session/$picture" ]; then cp "$out/zoom-$zoom_session/$picture" "$out/lmms-$picture"; fi
done
if [ "$zoom_status" = 3 ]; then
    echo "LMMS delivered no click in two sessions: the zoom check could not run (not a plug-in failure)" >&2
    [ "$status" = 0 ] && status=3
elif [ "$zoom_status" != 0 ]; then
    status=1
fi
case $status in
    0) log "written: $out/lmms-wet.wav, $out/lmms-screen.png, $out/lmms-editor.png, $out/editor-$session/popup/," \
           "$out/lmms-zoom-chosen.png, $out/lmms-zoom-reopened.png" ;;
    3) echo "LMMS delivered no click in two sessions: a menu check could not run (not a plug-in failure)" >&2
       exit 3 ;;
    *) exit "$status" ;;
esac
