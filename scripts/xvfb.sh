# Sourced by the scripts that play the real game on a virtual display.
#
# start_xvfb GEOMETRY LOG: starts Xvfb on a display it picks itself (so it can
# never take one another server uses), sets xvfb_pid and exports DISPLAY once
# the server accepts clients; -noreset keeps it accepting them between one
# program and the next. Prints the server's log and returns 1 when it does not
# come up within 10 s.
start_xvfb() {
    xvfb_display_file=$2.display
    rm -f "$xvfb_display_file"
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$xvfb_display_file" >"$2" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$xvfb_display_file" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$xvfb_display_file" ]; then
        cat "$2" >&2
        echo "Xvfb did not start" >&2
        return 1
    fi
    DISPLAY=":$(head -n 1 "$xvfb_display_file")"
    export DISPLAY
}

# wait_until SECONDS COMMAND...: runs COMMAND every tenth of a second until it
# succeeds (true) or SECONDS have passed (false), so that no verdict rests on
# a fixed sleep.
wait_until() {
    wait_deadline=$(($(date +%s) + $1))
    shift
    until "$@"; do
        [ "$(date +%s)" -lt "$wait_deadline" ] || return 1
        sleep 0.1
    done
}
