#!/bin/bash
# SPDX-License-Identifier: MIT
# The systemd units as installed: hardened (systemd-analyze's exposure at
# most 2.0 each), restarted on failure, and in conflict where two of them
# drive the same part of the board; and how debian/rules has them installed.
#   units_test.sh UNIT_FOLDER SOURCE_FOLDER
set -u
units=$1
source=$2
failures=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1"; failures=$((failures + 1)); fi
}
has() { grep -qx "$2" "$units/$1.service"; }

for unit in sysglance airguard heatglow lampshow; do
    check "$unit: runs its own program, and only that" \
        test "$(grep '^ExecStart=' "$units/$unit.service")" = "ExecStart=$(sed -n 's|^ExecStart=\(.*/\)[^/]*$|\1|p' "$units/$unit.service" | head -n 1)$unit"
    check "$unit: started at boot once enabled" has $unit "WantedBy=multi-user.target"
    check "$unit: runs as a dynamic user in group i2c" has $unit "DynamicUser=yes"
    check "$unit: only /dev/i2c-1" has $unit "DeviceAllow=/dev/i2c-1 rw"
    check "$unit: no capabilities" has $unit "CapabilityBoundingSet="
    check "$unit: skipped, not failed, until I2C is enabled" has $unit "ConditionPathExists=/dev/i2c-1"
done
for unit in sysglance airguard heatglow; do
    check "$unit: a service restarted on failure" has $unit "Restart=on-failure"
    check "$unit: not restarted for a bad settings file" has $unit "RestartPreventExitStatus=2"
    check "$unit: reloads its settings on SIGHUP" has $unit "ExecReload=/bin/sh -c 'kill -HUP \"\$\$MAINPID\"'"
    check "$unit: may write node_exporter's textfile folder" has $unit "ReadWritePaths=-/var/lib/prometheus/node-exporter"
    check "$unit: keeps its state in a folder of its own under /run/hatkit, readable by the bridge" \
        test "$(grep '^RuntimeDirectory' "$units/$unit.service" | tr '\n' ' ')" = "RuntimeDirectory=hatkit/$unit RuntimeDirectoryMode=0755 "
    check "$unit: no IP at all" has $unit "IPAddressDeny=any"
done
check "hatkit-mqtt: runs its own program" grep -q '^ExecStart=.*/hatkit-mqtt$' "$units/hatkit-mqtt.service"
check "hatkit-mqtt: no device at all" test "$(grep -c '^DeviceAllow=\|^BindPaths=\|^SupplementaryGroups=' "$units/hatkit-mqtt.service")" -eq 0
check "hatkit-mqtt: a private /dev" has hatkit-mqtt "PrivateDevices=yes"
check "hatkit-mqtt: the password as a credential, none without the file" \
    test "$(grep '^LoadCredential=\|^SetCredential=' "$units/hatkit-mqtt.service" | tr '\n' ' ')" = \
        "LoadCredential=mqtt-password:/etc/hatkit/mqtt-password SetCredential=mqtt-password: "
check "hatkit-mqtt: its control file, readable by the board programs" has hatkit-mqtt "RuntimeDirectory=hatkit-mqtt"
check "hatkit-mqtt: the network, and only that" has hatkit-mqtt "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX"
check "hatkit-mqtt: not restarted without a broker in the settings" has hatkit-mqtt "RestartPreventExitStatus=2"
check "lampshow: a oneshot" has lampshow "Type=oneshot"
check "sysglance conflicts with the fan and LED programs" \
    has sysglance "Conflicts=airguard.service heatglow.service lampshow.service"
check "airguard conflicts with sysglance (the fan)" has airguard "Conflicts=sysglance.service"
check "heatglow conflicts with the other LED programs" has heatglow "Conflicts=sysglance.service lampshow.service"
check "lampshow conflicts with the other LED programs" has lampshow "Conflicts=sysglance.service heatglow.service"
check "only sysglance uses a socket (netlink, for addresses)" has sysglance "RestrictAddressFamilies=AF_NETLINK"

# The package: sysglance enabled and started; the others neither, but
# stopped on removal like it (no --no-start, which would leave them running).
rules="$source/debian/rules"
check "package: sysglance enabled and started" grep -qx "$(printf '\t')dh_installsystemd sysglance.service" "$rules"
check "package: the others installed disabled, stopped on removal" \
    grep -qx "$(printf '\t')dh_installsystemd --no-enable airguard.service heatglow.service lampshow.service" "$rules"
check "package: the bridge installed disabled" grep -qx "$(printf '\t')dh_installsystemd --no-enable hatkit-mqtt.service" "$rules"

if command -v systemd-analyze >/dev/null 2>&1 && systemd-analyze security --help 2>/dev/null | grep -q -- --offline; then
    for unit in sysglance:2.0 airguard:2.0 heatglow:2.0 lampshow:2.0 hatkit-mqtt:2.5; do
        limit=${unit#*:}
        unit=${unit%:*}
        exposure=$(systemd-analyze security --offline=true --no-pager "$units/$unit.service" 2>&1 |
                   sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
        check "$unit: exposure $exposure is at most $limit" awk -v e="$exposure" -v l="$limit" 'BEGIN { exit !(e != "" && e <= l) }'
    done
else
    echo "SKIP: systemd-analyze security --offline is not available"
fi

if [ "$failures" -ne 0 ]; then
    echo "units: $failures checks failed"
    exit 1
fi
echo "units: all checks passed"
