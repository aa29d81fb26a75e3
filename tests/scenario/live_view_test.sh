#!/bin/bash
# SPDX-License-Identifier: MIT
# The live view in a real terminal (tmux): the picture stays at the top,
# the program's lines scroll below it, and a Ctrl-C (SIGINT) gives the
# terminal back as it was.
#   live_view_test.sh BUILD_SIM_DIR
set -u
export LC_ALL=C.UTF-8
sim=$1
if ! command -v tmux >/dev/null 2>&1; then
    echo "SKIP: tmux is not installed"
    exit 0
fi
work=$(mktemp -d)
# A server of its own for each terminal: a new server on the socket of one
# just killed may fail to start ("server exited unexpectedly").
socket=""
kill_servers() {
    for s in "$1"/tmux-*.sock; do
        [ -S "$s" ] && tmux -S "$s" kill-server 2>/dev/null
    done
}
# Nothing is left behind however the test ends: the tmux server, the program
# in it and the folder go on exit and on a signal; should the test be killed
# outright (a ctest timeout), a watcher of its own session does the same.
cleanup() {
    [ -s "$work/pid" ] && kill -KILL "$(cat "$work/pid")" 2>/dev/null
    kill_servers "$work"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT HUP
trap 'exit 143' TERM
setsid sh -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done
    [ -s "$2/pid" ] && kill -KILL "$(cat "$2/pid")" 2>/dev/null
    for s in "$2"/tmux-*.sock; do [ -S "$s" ] && tmux -S "$s" kill-server 2>/dev/null; done
    rm -rf "$2"' watcher $$ "$work" </dev/null >/dev/null 2>&1 &
failures=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}

run_in_terminal() {  # run_in_terminal PROGRAM COLUMNS ROWS
    # Job control on, so that the program in the background takes SIGINT as
    # it would from Ctrl-C in the foreground (without it bash ignores SIGINT
    # for background jobs).
    cat > "$work/run.sh" <<END
set -m
export HATSIM_SPEED=20 TMPDIR=$work COLORTERM=truecolor
${HATKIT_TEST_EMULATOR:-} "$sim/$1" &
echo \$! > "$work/pid"
wait \$!
echo "exit=\$?"
sleep 30
END
    socket="$work/tmux-$1.sock"
    # A terminal that does not start fails the test at once, rather than
    # every check waiting on a dead socket.
    if ! tmux -S "$socket" new-session -d -x "$2" -y "$3" "bash $work/run.sh"; then
        echo "FAIL: a terminal for $1 did not start"
        exit 1
    fi
}
screen() { tmux -S "$socket" capture-pane -p; }
pane() { tmux -S "$socket" display -p "$1"; }
# Waits for what a check looks at, not for a time: until COMMAND holds (at
# most 60 s, for a loaded machine or an emulator), then the checks run on
# the screen as it is.
wait_for() {  # wait_for COMMAND...
    for _ in $(seq 600); do
        screen > "$work/screen" || return 1  # the terminal is gone: no use waiting
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
line_is() { sed -n "$1p" "$work/screen" | grep -q "$2"; }
rows() { sed -n "$1,$2p" "$work/screen"; }
count_is() { test "$1" -eq "$2"; }
# A check looks at the screen until what it checks holds: the picture is
# redrawn at every push, and a capture may catch it half drawn.
check_screen() {  # check_screen DESCRIPTION COMMAND...
    check "$1" wait_for "${@:2}"
}
braille_rows() { count_is "$(rows 2 9 | grep -cP '^│[\x{2800}-\x{28FF}]{64}│$')" 8; }
status_text() { rows 2 9 | grep -qP '[\x{2801}-\x{28FF}]'; }
pane_is() { test "$(pane "$1")" = "$2"; }

# A narrow terminal: braille, 2 x 4 pixels a cell.
run_in_terminal sysglance 80 24
check_screen "title line on top" line_is 1 "^┌ sysglance"
check_screen "eight braille rows of panel" braille_rows
check_screen "panel shows the status text" status_text
check_screen "frame closed" line_is 10 "^└─"
check_screen "fan and LED line" line_is 11 "^ fan .* LED0 .* LED1 .* LED2"
check_screen "effect line" line_is 12 "light effect [0-9]"
check_screen "program lines below the picture" line_is 13 "^init ok!"
check_screen "scroll region below the picture" pane_is '#{scroll_region_upper}' 12
kill -INT "$(cat "$work/pid")"
check_screen "program stopped with status 0" grep -q "^exit=0" "$work/screen"
check_screen "scroll region restored" pane_is '#{scroll_region_upper},#{scroll_region_lower}' "0,23"
check_screen "cursor visible again" pane_is '#{cursor_flag}' 1
check "demo root removed" test -z "$(ls "$work" | grep hatsim-demo)"
tmux -S "$socket" kill-server
rm -f "$work/pid"

# A wide terminal, a chatty program: half blocks, and many lines scrolling.
run_in_terminal airguard 140 40
half_block_rows() { count_is "$(rows 2 17 | grep -c '^│.*│$')" 16; }
nothing_inside() { count_is "$(rows 1 20 | grep -c 'temp:')" 0; }
enough_lines() { test "$(tail -n +21 "$work/screen" | grep -c '^temp: [0-9.]*C$')" -ge 10; }
check_screen "sixteen half-block rows" half_block_rows
check_screen "fan line after the frame" line_is 19 "^ fan "
check_screen "program lines scroll below" enough_lines
check_screen "no program line inside the picture" nothing_inside
# Started from a terminal, a hang-up ends it (under systemd it reloads).
kill -HUP "$(cat "$work/pid")"
check_screen "a hang-up ends a program run from a terminal, status 0" grep -q "^exit=0" "$work/screen"
check_screen "wide terminal restored" pane_is '#{scroll_region_upper},#{scroll_region_lower} #{cursor_flag}' "0,39 1"

if [ "$failures" -ne 0 ]; then
    echo "live view: $failures checks failed"
    exit 1
fi
echo "live view: all checks passed"
