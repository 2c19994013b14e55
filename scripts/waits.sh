# Sourced by the scripts and test scripts that wait for a process, a window or a file: every
# wait has a bound, and a bound that is reached says on standard error what was awaited.

# kvq_wait_until SECONDS WHAT COMMAND [ARG...]
# Runs COMMAND every 50 ms until it succeeds; after SECONDS says "gave up waiting for WHAT
# after SECONDS s" and fails.
kvq_wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "gave up waiting for $what after $seconds s" >&2
            return 1
        fi
        sleep 0.05
    done
}

# kvq_wait_child SECONDS WHAT PID
# Waits for a child of this shell to end and returns its exit status; after SECONDS says
# "gave up waiting for WHAT to end after SECONDS s" and fails with 124 (as timeout does),
# leaving the child running.
kvq_wait_child() {
    local seconds=$1 what=$2 pid=$3
    if ! kvq_wait_until "$seconds" "$what to end" kvq_ended "$pid"; then
        return 124
    fi
    local status=0
    wait "$pid" 2>/dev/null || status=$?
    return "$status"
}

# Whether a process has ended (a child that has ended but was not waited for counts too).
kvq_ended() {
    ! kill -0 "$1" 2>/dev/null || [ "$(ps -o stat= -p "$1" 2>/dev/null | cut -c1)" = Z ]
}

# kvq_stop_child WHAT PID [SECONDS]
# Ends a child: TERM, then KILL (saying so) if it has not ended within SECONDS (default 10).
kvq_stop_child() {
    local what=$1 pid=$2 seconds=${3:-10}
    kill -TERM "$pid" 2>/dev/null || true
    if ! kvq_wait_until "$seconds" "$what to end" kvq_ended "$pid" 2>/dev/null; then
        echo "$what did not end within $seconds s of TERM; killed" >&2
        kill -KILL "$pid" 2>/dev/null || true
    fi
    wait "$pid" 2>/dev/null || true
}

# kvq_bounded SECONDS WHAT COMMAND [ARG...]
# Runs COMMAND under timeout; after SECONDS ends it with all its processes and says "gave up
# waiting for WHAT after SECONDS s". Returns COMMAND's status (124 for the bound). timeout
# puts COMMAND in a process group of its own, where Ctrl-C does not reach: an interrupt or
# TERM of this script is passed on to it. COMMAND reads this shell's standard input, unless
# that is a terminal, which a process group in the background cannot read without stopping.
kvq_bounded() {
    local seconds=$1 what=$2 pid status=0 saved
    shift 2
    saved=$(trap -p INT TERM HUP)
    if [ -t 0 ]; then
        timeout --kill-after=10 "$seconds" "$@" </dev/null &
    else
        timeout --kill-after=10 "$seconds" "$@" <&0 &
    fi
    pid=$!
    trap 'kill -TERM "$pid" 2>/dev/null' INT TERM HUP
    wait "$pid" || status=$?
    # A signal ends `wait` early: wait again until the command has ended.
    while ! kvq_ended "$pid"; do
        status=0
        wait "$pid" || status=$?
    done
    trap - INT TERM HUP
    eval "$saved"
    [ "$status" -ne 124 ] || echo "gave up waiting for $what after $seconds s" >&2
    return "$status"
}

# kvq_start_xvfb: starts a private Xvfb on a display number it finds free itself (no race with
# another caller) and waits up to 10 s until it takes connections. Sets kvq_display (":N")
# and kvq_xvfb (its process id, for kvq_stop_child); fails, saying so, if it does not start.
kvq_start_xvfb() {
    local number
    number=$(mktemp)
    Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    kvq_xvfb=$!
    # Xvfb writes the number once it takes connections.
    if ! kvq_wait_until 10 "Xvfb to start" test -s "$number"; then
        kvq_stop_child Xvfb "$kvq_xvfb"
        kvq_xvfb=""
        rm -f "$number"
        return 1
    fi
    kvq_display=":$(tr -d '\n' <"$number")"
    rm -f "$number"
}
