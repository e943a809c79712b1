# Sourced by the scripts that drive a real LV2 host on JACK's dummy driver
# (tools/jalv-ui, tools/qtractor): the processes they start end with them, and
# JACK runs under a server name of their own, so nothing of a user's JACK is met.
#
#   pids+=($!)               after starting a process that must not outlive the script
#   start_jack SERVER LOG    a dummy-driver JACK server, waited for; fails the script
#                            (through its fail function) when it does not come up

pids=()
stop_all() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
trap stop_all EXIT

start_jack() {  # start_jack SERVER LOG
    export JACK_DEFAULT_SERVER=$1 JACK_NO_START_SERVER=1 JACK_NO_AUDIO_RESERVATION=1
    jackd --no-realtime -n "$1" -d dummy -r 48000 -p 256 >"$2" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && return 0; sleep 0.1; done
    fail "the JACK server did not start ($2)"
}
