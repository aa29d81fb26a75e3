# shellcheck shell=bash
# SPDX-License-Identifier: MIT
# Sourced by the root checks: ARM programs run through binfmt_misc and
# qemu-user-static (fixed-binary, so they run inside roots too). What the
# checks mount or register is listed in a file beside a lock that each
# running check holds shared: the last one out takes it all away again, so
# checks that run side by side never pull it from under each other.
binfmt_lock=/run/lock/hatkit-binfmt.lock
binfmt_owned=/run/lock/hatkit-binfmt.owned
binfmt_fd=""

binfmt_up() {  # prints why and returns 1 when it cannot
    exec {binfmt_fd}>>"$binfmt_lock"
    flock -s "$binfmt_fd"
    # One check at a time registers.
    local registering
    exec {registering}>>"$binfmt_lock.register"
    flock -x "$registering"
    binfmt_register
    local status=$?
    exec {registering}>&-
    return $status
}

binfmt_register() {
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || { echo "cannot mount binfmt_misc"; return 1; }
        echo mount >>"$binfmt_owned"
    fi
    local name
    for name in arm aarch64; do
        [ -e "/proc/sys/fs/binfmt_misc/qemu-$name" ] && continue
        [ -f "/usr/lib/binfmt.d/qemu-$name.conf" ] ||
            { echo "missing /usr/lib/binfmt.d/qemu-$name.conf (qemu-user-static)"; return 1; }
        cat "/usr/lib/binfmt.d/qemu-$name.conf" >/proc/sys/fs/binfmt_misc/register ||
            { echo "cannot register qemu-$name with binfmt_misc"; return 1; }
        echo "qemu-$name" >>"$binfmt_owned"
    done
}

binfmt_undo() {
    [ -n "$binfmt_fd" ] || return 0
    if flock -n -x "$binfmt_fd"; then
        local entry mounted=no
        for entry in $(cat "$binfmt_owned" 2>/dev/null); do
            if [ "$entry" = mount ]; then
                mounted=yes
            elif [ -e "/proc/sys/fs/binfmt_misc/$entry" ]; then
                echo -1 >"/proc/sys/fs/binfmt_misc/$entry"
            fi
        done
        [ "$mounted" = yes ] && umount /proc/sys/fs/binfmt_misc
        rm -f "$binfmt_owned"
    fi
    exec {binfmt_fd}>&-
    binfmt_fd=""
    return 0
}
