# shellcheck shell=bash
# SPDX-License-Identifier: MIT
# Sourced by the root checks: ARM programs run through binfmt_misc and
# qemu-user-static (fixed-binary, so they run inside roots too). Whatever
# binfmt_up mounts or registers, binfmt_undo takes away again.
binfmt_mounted=no
binfmt_registered=""

binfmt_up() {  # prints why and returns 1 when it cannot
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || { echo "cannot mount binfmt_misc"; return 1; }
        binfmt_mounted=yes
    fi
    local name
    for name in arm aarch64; do
        [ -e "/proc/sys/fs/binfmt_misc/qemu-$name" ] && continue
        [ -f "/usr/lib/binfmt.d/qemu-$name.conf" ] ||
            { echo "missing /usr/lib/binfmt.d/qemu-$name.conf (qemu-user-static)"; return 1; }
        cat "/usr/lib/binfmt.d/qemu-$name.conf" >/proc/sys/fs/binfmt_misc/register ||
            { echo "cannot register qemu-$name with binfmt_misc"; return 1; }
        binfmt_registered="$binfmt_registered qemu-$name"
    done
}

binfmt_undo() {
    local entry
    for entry in $binfmt_registered; do
        [ -e "/proc/sys/fs/binfmt_misc/$entry" ] && echo -1 >"/proc/sys/fs/binfmt_misc/$entry"
    done
    binfmt_registered=""
    [ "$binfmt_mounted" = yes ] && umount /proc/sys/fs/binfmt_misc
    binfmt_mounted=no
    return 0
}
