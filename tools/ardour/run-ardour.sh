#!/usr/bin/env bash
# Runs an LV2 plug-in in Ardour 7 headless (Debian's ardour7-lua on the dummy
# audio backend) and checks what a user of Ardour relies on:
#   - the plug-in loads by URI from a copy of the bundle given and changes the sound;
#   - the session file lists it as an LV2 processor with its control values;
#   - control values set before saving come back when the session is reopened;
#   - Ardour's export equals lv2apply (lilv) running the plug-in on Ardour's
#     own export of the track without it.
# With --vst, the Linux VST 2 plug-in PLUGIN.so goes through the same steps,
# found through LXVST_PATH (Ardour 7.3's Linux VST path when set) in a folder
# holding it alone, after Ardour's own scanner has indexed it as Ardour's
# plug-in manager would; its export must equal `qphost render` of the Windows
# DLL on the export without it. QP_QPHOST is the path of qphost built for Linux (it reads
# the parameters' indices), QP_DLL_QPHOST the command that runs qphost.exe
# with the DLL beside it, both from the repository's root.
# The same steps run with no plug-in and with Ardour's own ACE Reverb, so that
# a fault of Ardour's (it crashes now and then while closing an exported WAV)
# shows up there as well and is not taken for one of the plug-in's.
#
#   run-ardour.sh [--vst PLUGIN.so] BUNDLE URI SYMBOL=VALUE...
#
# Called by `./run ardour` with build/linux/vst/Quorrelphone.so,
# build/linux/Quorrelphone.lv2, Quorrelphone's URI and its controls. Results
# and logs go to out/ardour/.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here="$root/tools/ardour"
out="$root/out/ardour"
log() { printf '== %s\n' "$*" >&2; }

vst=""
if [ "${1:-}" = --vst ] && [ $# -ge 2 ]; then vst=$(realpath "$2") && shift 2 || exit 2; fi
if [ $# -lt 3 ]; then
    echo "usage: run-ardour.sh [--vst PLUGIN.so] BUNDLE URI SYMBOL=VALUE..." >&2; exit 2
fi
bundle=$1 uri=$2
shift 2
subject_settings=("$@")
control_uri="urn:ardour:a-reverb"
control_dir=/usr/lib/lv2
control_settings=(blend=0.6 roomsz=0.8)
# The dummy backend's test signal: 1 kHz on the left input, a third of an octave
# higher on the right, each at -18 dBFS. Three seconds of it are recorded once;
# every export plays that take, so all of them hear the same samples.
input="Sine Wave 1K, 1/3 Oct"
seconds=3
# Ardour fades some exports in, after the track's plug-ins, over four of its
# 1024-frame blocks, and others not at all (check.py tells which from the
# export without a plug-in; each export is a run of its own). It also runs the
# plug-ins while it stands before the export. The comparisons begin this far
# after the longest fade seen, or after a longer one.
longest_fade=4096
settle=2048
attempts=4

# The bundle is installed as a user would, by copying its folder into a folder
# of its own that LV2_PATH names (a build tree holds much else lilv would try).
lv2_dir="$out/lv2"
export LV2_PATH="$lv2_dir:$control_dir"
# Ardour's per-user files (configuration, the export preset, plug-in cache) stay in out/.
export XDG_CONFIG_HOME="$out/config" XDG_CACHE_HOME="$out/cache"
rm -rf "$out" && mkdir -p "$XDG_CONFIG_HOME/ardour7/export" "$lv2_dir"
cp -r "$bundle" "$lv2_dir/" || exit 1
cp "$here/float-wav.preset" "$XDG_CONFIG_HOME/ardour7/export/"
check=(python3 "$here/check.py")
python3 "$here/test_check.py" 2>"$out/check-tests.log" || { cat "$out/check-tests.log" >&2; log "check.py's own tests failed"; exit 1; }
# Ardour lists a Linux VST 2 plug-in only once its scanner has written an index
# of it to the cache (the GUI runs it when asked to look for new plug-ins);
# the headless interpreter reads that index alone.
vst_name=Quorrelphone
if [ -n "$vst" ]; then
    export LXVST_PATH="$out/vst-path"
    # The copy keeps the build's time: Ardour takes an index only when it is newer
    # than the plug-in, by whole seconds, and a scan may end within the second of a fresh copy.
    mkdir -p "$LXVST_PATH" && cp -p "$vst" "$LXVST_PATH/" || exit 1
    vst="$LXVST_PATH/$(basename "$vst")"
    LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst-scanner -f -v "$vst" >"$out/vst-scan.log" 2>&1 ||
        { cat "$out/vst-scan.log" >&2; log "Ardour's scanner could not index $vst"; exit 1; }
    log "Ardour's scanner: $(grep -o "Found Plugin: .*" "$out/vst-scan.log")"
fi

declare -A crashes=()
total_crashes=0
# ardour_step LABEL LOG SETUP SESSION.lua-ARGS...: runs one step of session.lua,
# again after a crash; before each attempt the command SETUP (split into words)
# restores what the step starts from. A refusal (exit status 1) is final.
ardour_step() {
    local label=$1 steplog=$2 setup=$3 try status reached
    shift 3
    for try in $(seq "$attempts"); do
        $setup
        timeout 300 ardour7-lua "$here/session.lua" "$@" >"$steplog" 2>&1
        status=$?
        reached=$(sed -n 's/^qp step //p' "$steplog" | tail -n 1)
        if [ "$status" -eq 0 ] && [ "$reached" = done ]; then
            return 0
        fi
        if [ "$status" -eq 1 ]; then
            grep '^qp error' "$steplog" >&2 || tail -n 5 "$steplog" >&2
            log "$label: Ardour refused (see $steplog)"; return 1
        fi
        crashes[$label]=$(( ${crashes[$label]:-0} + 1 ))
        total_crashes=$((total_crashes + 1))
        cp "$steplog" "${steplog%.log}.crash$try.log"
        if [ "$status" -eq 124 ]; then
            log "$label: Ardour hung in step '${reached:-start}' (attempt $try of $attempts)"
        elif [ "$status" -gt 128 ]; then
            log "$label: Ardour crashed with signal $((status - 128)) ($(kill -l $((status - 128)) 2>/dev/null))" \
                "in step '${reached:-start}' (attempt $try of $attempts)"
        else
            log "$label: Ardour exited with status $status in step '${reached:-start}' (attempt $try of $attempts)"
        fi
    done
    log "$label: gave up after $attempts attempts"; return 1
}

copy_base() { rm -rf "${out:?}/$1" && mkdir -p "$out/$1" && cp -a "$out/base/qp" "$out/$1/qp"; }
log "Ardour $(dpkg-query -W -f='${Version}' ardour 2>/dev/null), dummy backend; recording $seconds s of \"$input\""
ardour_step record "$out/record.log" "rm -rf $out/base" record "$out/base/qp" qp "$input" "$seconds" || exit 1
grep '^qp take' "$out/record.log" | sed 's/^qp take/   take: first frame, frames:/' >&2

status=0
# variant NAME [URI DIR SYMBOL=VALUE...]: a copy of the recorded session with
# the plug-in (from a bundle in DIR) added, or none, checked, saved, reopened
# and exported to NAME.wav.
variant() {
    local name=$1 v_uri=${2:-} v_dir=${3:-} found ports=()
    shift $(( $# < 3 ? $# : 3 ))
    local session="$out/$name/qp"
    if [[ $v_uri == lxvst:* ]]; then
        found=$("${check[@]}" vstports "$root/$QP_QPHOST" "$v_dir" "$@") || return 1
    elif [ -n "$v_uri" ]; then
        found=$("${check[@]}" ports "$v_uri" "$v_dir" "$@") || return 1
    fi
    if [ -n "$v_uri" ]; then
        mapfile -t ports <<<"$found"
        log "$name: $v_uri with $*"
        ardour_step "$name" "$out/$name-plugin.log" "copy_base $name" plugin "$session" qp "$v_uri" "${ports[@]}" ||
            return 1
        "${check[@]}" session "$session/qp.ardour" "$v_uri" "$@" || return 1
    else
        log "$name: no plug-in"
        copy_base "$name"
    fi
    ardour_step "$name" "$out/$name-export.log" "rm -f $out/$name.wav" export "$session" qp "$out/$name.wav" || return 1
    if [ -n "$v_uri" ]; then
        "${check[@]}" controls "$out/$name-plugin.log" "$out/$name-export.log" "${ports[@]}" || return 1
    fi
}
expected() {  # expected NAME URI SYMBOL=VALUE...: lv2apply on Ardour's dry export
    local name=$1 e_uri=$2 args=() s
    shift 2
    for s in "$@"; do args+=(-c "${s%%=*}" "${s#*=}"); done
    lv2apply -i "$out/dry.wav" -o "$out/$name-lv2apply.wav" "${args[@]}" "$e_uri" >"$out/$name-lv2apply.log" 2>&1 || {
        cat "$out/$name-lv2apply.log" >&2; log "$name: lv2apply failed"; return 1; }
}

variant dry || status=1
variant subject "$uri" "$lv2_dir" "${subject_settings[@]}" || status=1
variant control "$control_uri" "$control_dir" "${control_settings[@]}" || status=1
[ -z "$vst" ] || variant lxvst "lxvst:$vst_name" "$vst" "${subject_settings[@]}" || status=1

takes=("$out"/base/qp/interchange/qp/audiofiles/*%[LR].wav)
if [ -f "$out/dry.wav" ] && fade=$("${check[@]}" fade "$out/dry.wav" "${takes[@]}"); then
    skip=$(( (fade > longest_fade ? fade : longest_fade) + settle ))
    log "the export without a plug-in departs from the take for its first $fade frames;" \
        "comparisons start at frame $skip"
    log "the exports"
    for f in dry subject control lxvst; do
        [ -f "$out/$f.wav" ] && { "${check[@]}" levels "$out/$f.wav" || status=1; }
    done
    for f in subject control lxvst; do
        [ -f "$out/$f.wav" ] || continue
        log "$f: Ardour's export with the plug-in against the same session without it"
        "${check[@]}" differ "$out/dry.wav" "$out/$f.wav" "$skip" || status=1
    done
    log "subject: Ardour's export against lv2apply on the export without the plug-in"
    if expected subject "$uri" "${subject_settings[@]}" && [ -f "$out/subject.wav" ]; then
        "${check[@]}" match "$out/subject-lv2apply.wav" "$out/subject.wav" "$skip" || status=1
    else
        status=1
    fi
    if [ -n "$vst" ]; then
        log "lxvst: Ardour's export with the Linux VST 2 plug-in against qphost render of the DLL on the export without it"
        args=()
        for setting in "${subject_settings[@]}"; do args+=(--param "$setting"); done
        if (cd "$root" && $QP_DLL_QPHOST render "${args[@]}" "${out#"$root"/}/dry.wav" "${out#"$root"/}/lxvst-dll.wav") \
            >"$out/lxvst-dll.log" 2>&1 && [ -f "$out/lxvst.wav" ]; then
            "${check[@]}" match "$out/lxvst-dll.wav" "$out/lxvst.wav" "$skip" || status=1
        else
            cat "$out/lxvst-dll.log" >&2; log "lxvst: qphost render of the DLL failed, or Ardour exported nothing"
            status=1
        fi
    fi
    log "control: the same for Ardour's ACE Reverb (figures only: its tail carries the fade-in's difference on for seconds)"
    if expected control "$control_uri" "${control_settings[@]}" && [ -f "$out/control.wav" ]; then
        "${check[@]}" match "$out/control-lv2apply.wav" "$out/control.wav" "$skip" figures
    fi
else
    status=1
fi

summary=""
for step in record dry subject control ${vst:+lxvst}; do summary+=" $step ${crashes[$step]:-0},"; done
log "Ardour crashes (each retried):${summary%,}; in all $total_crashes"
if [ "$status" -eq 0 ]; then log "passed; exports and logs in $out"; else log "FAILED; logs in $out"; fi
exit "$status"
