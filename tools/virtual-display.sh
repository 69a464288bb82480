# shellcheck shell=bash
# Sourced by tools/run and tools/screenshot, not run. Starts what a program needs to show a window
# where no desktop runs (a virtual X display, a session bus), runs the program, and stops all of it
# however the sourcing script ends: Ctrl+C, a closed terminal, kill, or the program's own exit.
# It takes over the script's EXIT trap.

helpers_folder="$(mktemp -d)"
started_pids=()
# A server's description, or "" for the program: only a server's early end is worth a report.
started_names=()

report_server() {
    local index="$1" what="$2"
    echo "tools/$(basename "$0"): ${started_names[index]} $what. What it said:" >&2
    if [ -s "$helpers_folder/$index.log" ]; then
        sed 's/^/    /' "$helpers_folder/$index.log" >&2
    else
        echo "    (nothing)" >&2
    fi
}

# Gone, or a zombie that bash has not reaped yet (which kill -0 would still find).
has_ended() {
    local state
    state="$(sed -n 's/^State:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null || true)"
    [ -z "$state" ] || [ "${state:0:1}" = Z ]
}

stop_everything() {
    local index
    # A server gone before its time explains why the program on it failed.
    for index in "${!started_pids[@]}"; do
        if [ -n "${started_names[index]}" ] && has_ended "${started_pids[index]}"; then
            report_server "$index" "stopped by itself"
        fi
    done
    # Newest first: the program leaves its display and bus before they go.
    for ((index = ${#started_pids[@]} - 1; index >= 0; index--)); do
        kill "${started_pids[index]}" 2>/dev/null || true
        wait "${started_pids[index]}" 2>/dev/null || true
    done
    rm -rf "$helpers_folder"
}
# Bash runs it on a deadly signal too (Ctrl+C, a closed terminal, kill), not only on exit.
trap stop_everything EXIT

# start_server DESCRIPTION COMMAND...: starts a server that writes one line on descriptor 3 once
# it serves (its address) and puts that line in server_line. Exits the script, with what the server
# said, when no line comes.
start_server() {
    local description="$1" index="${#started_pids[@]}"
    shift
    mkfifo "$helpers_folder/$index.ready"
    # In a session of its own, so that Ctrl+C and a closed terminal reach only this script, which
    # then stops the program before its servers.
    setsid "$@" 3>"$helpers_folder/$index.ready" 2>"$helpers_folder/$index.log" &
    started_pids+=("$!")
    started_names+=("$description")
    server_line=""
    read -r -t 30 server_line <"$helpers_folder/$index.ready" || true
    if [ -z "$server_line" ]; then
        report_server "$index" "did not start"
        started_names[index]=""
        exit 1
    fi
}

# Exports DISPLAY for an Xvfb of this script's own: start_virtual_display [WIDTHxHEIGHT]
start_virtual_display() {
    # With -displayfd, Xvfb itself takes the first number no other server holds, so runs side by
    # side never race for one. 96 dpi is what an X server reports unless told otherwise (Xvfb's
    # own default is 100), so point sizes come out in the pixels a user sees. -noreset keeps the
    # root window's properties when the last program leaves, the accessibility bus's address
    # among them (tools/screen-reader-session).
    start_server "the virtual display (Xvfb)" \
        Xvfb -displayfd 3 -screen 0 "${1:-1400x1200}x24" -dpi 96 -nolisten tcp -noreset
    export DISPLAY=":$server_line"
    # What a desktop session provides; without it the toolkit warns and makes a folder in /tmp.
    if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
        export XDG_RUNTIME_DIR="$helpers_folder/runtime"
        mkdir -m 700 "$XDG_RUNTIME_DIR"
    fi
}

# The toolkit asks for a session bus. Where there is none, the bus library would autolaunch a bus
# daemon that outlives the program; this starts one that ends with the script instead.
start_session_bus() {
    if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
        return
    fi
    start_server "the session bus (dbus-daemon)" \
        dbus-daemon --session --nofork --nopidfile --print-address=3
    export DBUS_SESSION_BUS_ADDRESS="$server_line"
}

# Starts a program beside the one that run_to_the_end waits for; it is stopped with the rest.
run_beside() {
    "$@" &
    started_pids+=("$!")
    started_names+=("")
}

# Runs the program and waits for it. In the background, so that its process id is known and the
# EXIT trap stops it too when a signal ends this script.
run_to_the_end() {
    "$@" &
    started_pids+=("$!")
    started_names+=("")
    wait "$!"
}
