#!/usr/bin/env bash
# Shows the LV2 bundle's X11 UI in a real host, jalv.gtk3 (GTK 3, which embeds
# an X11 UI through its suil wrapper), on JACK's dummy driver, and checks what a
# user sees and does there:
#   - jalv picks the bundle's X11 UI (not its own generic controls) and the
#     editor shows inside jalv's window at its size;
#   - "Nasal Reed" from the logo's Presets menu (keys through xdotool) sets
#     both controls to the preset's values (sens 0.75, buzz 0.45);
#   - a drag on the sens knob with the pointer then moves sens up;
#   jalv's own saved state (File > Save) holds what both did.
#
#   run-jalv-ui.sh BUNDLE
#
# Called by `./run jalv-ui` with build/linux/Quorrelphone.lv2 and a display
# ($DISPLAY). Screenshots and logs go to out/jalv-ui/.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$root/out/jalv-ui"
uri=urn:veltmarsk:quorrelphone
log() { printf '== %s\n' "$*" >&2; }
fail() { log "FAILED: $*"; exit 1; }

[ $# -eq 1 ] || { echo "usage: run-jalv-ui.sh BUNDLE" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || fail "no display"
rm -rf "$out" && mkdir -p "$out/lv2" && cp -r "$1" "$out/lv2/" || exit 1
export LV2_PATH="$out/lv2"
# GTK's settings and caches stay in out/.
export XDG_CONFIG_HOME="$out/config" XDG_CACHE_HOME="$out/cache" NO_AT_BRIDGE=1
server="qp-jalv-ui-$$"

. "$root/tools/lib/jack-session.sh"
start_jack "$server" "$out/jackd.log"

stdbuf -oL jalv.gtk3 -c sens=0.5 -c buzz=0.5 "$uri" >"$out/jalv.log" 2>&1 &
jalv=$!
pids=("$jalv" "${pids[@]}")
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Quorrelphone$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "jalv showed no window (out/jalv-ui/jalv.log)"
sleep 2
grep -q "^UI: *$uri:ui" "$out/jalv.log" || fail "jalv did not pick the bundle's UI: $(grep '^UI:' "$out/jalv.log")"

# The editor: the one window of the face's size in jalv's tree.
editor=$(xwininfo -tree -id "$window" | awk '$0 ~ / 309x168\+/ {print $1; exit}')
[ -n "$editor" ] || fail "no 309x168 window inside jalv's window"
read -r ex ey < <(xwininfo -id "$editor" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
import -window "$window" "$out/jalv-editor.png"
log "jalv's window with the editor at $ex,$ey: out/jalv-ui/jalv-editor.png"

# The logo opens the command menu: About, a separator, Presets; the fourth
# preset is Nasal Reed.
xdotool mousemove $((ex + 100)) $((ey + 140)) click 1
sleep 0.7
xdotool key Down Down Right
sleep 0.7
import -window root -crop 640x480+0+0 +repage "$out/jalv-presets-menu.png"
xdotool key Down Down Down Return
sleep 1

# Up 30 pixels from the middle of the sens knob (116,14 98x98): about +0.15.
x=$((ex + 165)) y=$((ey + 63))
xdotool mousemove "$x" "$y" mousedown 1
for step in $(seq 1 6); do xdotool mousemove "$x" $((y - 5 * step)); sleep 0.05; done
xdotool mouseup 1
sleep 1
import -window "$window" "$out/jalv-editor-after.png"

# jalv's own record of its controls: File > Save writes its state to a folder.
read -r wx wy < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
xdotool mousemove $((wx + 18)) $((wy + 12)) click 1
sleep 0.7
xdotool mousemove $((wx + 46)) $((wy + 37)) click 1
# Without a window manager nobody hands a new top-level window the keyboard, so
# the dialog is given it here.
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save' | head -1)
[ -n "$dialog" ] || fail "jalv's save dialog did not open"
xdotool windowfocus --sync "$dialog"
sleep 0.5
xdotool type --delay 20 "$out/state"
for _ in 1 2 3; do
    [ -f "$out/state/state.ttl" ] && break
    xdotool key Return
    sleep 1.5
done
[ -f "$out/state/state.ttl" ] || fail "jalv saved no state"
read -r sens buzz < <(python3 - "$out/state/state.ttl" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
print(*(re.search(r'lv2:symbol "%s" ;\s*pset:value ([-\d.eE]+)' % s, text).group(1) for s in ("sens", "buzz")))
PY
)
log "as jalv saved them: sens $sens, buzz $buzz"
python3 -c "import sys; sys.exit(0 if abs(float('$buzz') - 0.45) < 1e-6 else 1)" || fail "the preset did not set buzz"
python3 -c "import sys; sys.exit(0 if float('$sens') > 0.8 else 1)" || fail "the drag did not move sens up from 0.75"
log "jalv.gtk3 embeds the UI; the Nasal Reed preset and a 30-pixel drag gave sens $sens, buzz $buzz"
