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
socket="$work/tmux.sock"
# Nothing is left behind however the test ends: the tmux server, the program
# in it and the folder go on exit and on a signal; should the test be killed
# outright (a ctest timeout), a watcher of its own session does the same.
cleanup() {
    [ -s "$work/pid" ] && kill -KILL "$(cat "$work/pid")" 2>/dev/null
    tmux -S "$socket" kill-server 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT HUP
trap 'exit 143' TERM
setsid sh -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done
    [ -s "$2/pid" ] && kill -KILL "$(cat "$2/pid")" 2>/dev/null
    tmux -S "$2/tmux.sock" kill-server 2>/dev/null
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
    tmux -S "$socket" new-session -d -x "$2" -y "$3" "bash $work/run.sh"
}
screen() { tmux -S "$socket" capture-pane -p; }
pane() { tmux -S "$socket" display -p "$1"; }
# Waits for what a check looks at, not for a time: until COMMAND holds (at
# most 60 s, for a loaded machine or an emulator), then the checks run on
# the screen as it is.
wait_for() {  # wait_for COMMAND...
    for _ in $(seq 600); do
        screen > "$work/screen"
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
line_is() { sed -n "$1p" "$work/screen" | grep -q "$2"; }

# A narrow terminal: braille, 2 x 4 pixels a cell.
run_in_terminal sysglance 80 24
# The first frame is out once the panel shows text and the effect is named.
first_frame() {
    line_is 13 "^init ok!" && line_is 12 "light effect [0-9]" && sed -n 2,9p "$work/screen" | grep -qP '[\x{2801}-\x{28FF}]'
}
wait_for first_frame
check "title line on top" grep -q "^┌ sysglance" <(head -1 "$work/screen")
check "eight braille rows of panel" test "$(sed -n 2,9p "$work/screen" | grep -cP '^│[\x{2800}-\x{28FF}]{64}│$')" -eq 8
check "panel shows the status text" grep -qP '[\x{2801}-\x{28FF}]' <(sed -n 2,9p "$work/screen")
check "frame closed" grep -q "^└─" <(sed -n 10p "$work/screen")
check "fan and LED line" grep -q "^ fan .* LED0 .* LED1 .* LED2" <(sed -n 11p "$work/screen")
check "effect line" grep -q "light effect [0-9]" <(sed -n 12p "$work/screen")
check "program lines below the picture" grep -q "^init ok!" <(sed -n 13p "$work/screen")
check "scroll region below the picture" test "$(pane '#{scroll_region_upper}')" = 12
kill -INT "$(cat "$work/pid")"
wait_for grep -q "^exit=" "$work/screen"
cp "$work/screen" "$work/after"
check "program stopped with status 0" grep -q "^exit=0" "$work/after"
check "scroll region restored" test "$(pane '#{scroll_region_upper},#{scroll_region_lower}')" = "0,23"
check "cursor visible again" test "$(pane '#{cursor_flag}')" = 1
check "demo root removed" test -z "$(ls "$work" | grep hatsim-demo)"
tmux -S "$socket" kill-server
rm -f "$work/pid"

# A wide terminal, a chatty program: half blocks, and many lines scrolling.
run_in_terminal airguard 140 40
enough_lines() { test "$(tail -n +21 "$work/screen" | grep -c '^temp: [0-9.]*C$')" -ge 10; }
wait_for enough_lines
check "sixteen half-block rows" test "$(sed -n 2,17p "$work/screen" | grep -c '^│.*│$')" -eq 16
check "fan line after the frame" grep -q "^ fan " <(sed -n 19p "$work/screen")
check "no program line inside the picture" test "$(head -20 "$work/screen" | grep -c 'temp:')" -eq 0
check "program lines scroll below" test "$(tail -n +21 "$work/screen" | grep -c '^temp: [0-9.]*C$')" -ge 10
kill -INT "$(cat "$work/pid")"
wait_for grep -q "^exit=" "$work/screen"
check "wide terminal restored" test "$(pane '#{scroll_region_upper},#{scroll_region_lower} #{cursor_flag}')" = "0,39 1"

if [ "$failures" -ne 0 ]; then
    echo "live view: $failures checks failed"
    exit 1
fi
echo "live view: all checks passed"
