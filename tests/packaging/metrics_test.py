#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The metrics files (metrics_dir) of sysglance, airguard and heatglow on
hatsim, read with Prometheus' own text parser (python3-prometheus-client),
checked by promtool, and scraped from a real prometheus-node-exporter on
127.0.0.1.

    metrics_test.py BUILD_SIM_DIR VERSION
"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

from prometheus_client.parser import text_string_to_metric_families

SIM, VERSION = sys.argv[1], sys.argv[2]
EMULATOR = os.environ.get("HATKIT_TEST_EMULATOR", "").split()
THERMAL = "/sys/class/thermal/thermal_zone0/temp"
failures = []


def check(what, got, expected):
    if got != expected:
        failures.append("%s: got %r, expected %r" % (what, got, expected))


def run(program, root, script, env=None, conf="metrics_dir = /metrics\n", trace=None):
    """Runs PROGRAM on hatsim with ROOT/etc/hatkit.conf = CONF; its result."""
    os.makedirs(os.path.join(root, "etc"), exist_ok=True)
    os.makedirs(os.path.join(root, "metrics"), exist_ok=True)
    with open(os.path.join(root, "etc/hatkit.conf"), "w") as f:
        f.write(conf)
    with open(os.path.join(root, "script"), "w") as f:
        f.write(script)
    environment = {"PATH": os.environ["PATH"], "HATSIM_ROOT": root, "HATSIM_SPEED": "0", "HATSIM_VIEW": "0",
                   "HATSIM_SCRIPT": os.path.join(root, "script")}
    if trace:
        environment["HATSIM_TRACE"] = trace
    environment.update(env or {})
    return subprocess.run(EMULATOR + [os.path.join(SIM, program)], env=environment, capture_output=True,
                          text=True, timeout=120)


def samples(path):
    """{(name, sorted labels without program): value} of a metrics file."""
    with open(path) as f:
        text = f.read()
    found = {}
    for family in text_string_to_metric_families(text):
        for sample in family.samples:
            labels = tuple(sorted((k, v) for k, v in sample.labels.items() if k != "program"))
            found[(sample.name, labels)] = sample.value
    return found


def pass_start(k, ms=1010):
    return (k - 1) * ms


def board_scenario():
    return ("0 sysinfo 65536 1000000 500000 4096\n0 statfs 15000000 7500000 4096\n"
            "0 ifaddrs lo=127.0.0.1 eth0=192.168.1.20\n"
            "0 file /proc/device-tree/model Raspberry Pi 4 Model B Rev 1.4\n")


work = tempfile.mkdtemp(prefix="hatkit-metrics-")
exporter = None
try:
    # sysglance: the fan switches on (pass 5) and off (pass 15, lost: the
    # board is away for passes 15 and 16); one reading fails (pass 26); a
    # reload is applied (pass 20), another rejected (pass 25); the quiet
    # hours begin in pass 31, whose end the file shows.
    root = os.path.join(work, "sysglance")
    script = (board_scenario() + "0 file %s 40000\n" % THERMAL +
              "%d file %s 60000\n" % (pass_start(5), THERMAL) + "%d file %s 40000\n" % (pass_start(15), THERMAL) +
              "%d device 0x0d absent\n%d device 0x0d present\n" % (pass_start(15), pass_start(17)) +
              "%d signal HUP\n" % pass_start(20) +
              "%d dir /etc/hatkit.conf\n%d signal HUP\n" % (pass_start(25), pass_start(25)) +
              "%d remove %s\n%d file %s 40000\n" % (pass_start(26), THERMAL, pass_start(27), THERMAL))
    result = run("sysglance", root, script, {"HATSIM_END_MS": str(32 * 1010), "HATSIM_CLOCK": "2026-12-31T00:00:30"},
                 conf="metrics_dir = /metrics\nquiet_hours = 00:01-00:02\n")
    check("sysglance exit", result.returncode, 0)
    got = samples(os.path.join(root, "metrics/hatkit-sysglance.prom"))
    for name, labels, value in [
            ("hatkit_info", (("model", "Raspberry Pi 4 Model B Rev 1.4"), ("version", VERSION)), 1),
            ("hatkit_passes_total", (), 31), ("hatkit_temperature_celsius", (), 40.0),
            ("hatkit_temperature_read_failures_total", (), 1), ("hatkit_fan_on", (), 0),
            ("hatkit_fan_on_threshold_celsius", (), 55), ("hatkit_fan_off_threshold_celsius", (), 48),
            ("hatkit_fan_switches_total", (), 2), ("hatkit_bus_writes_lost_total", (("device", "board"),), 3),
            ("hatkit_bus_writes_lost_total", (("device", "panel"),), 0), ("hatkit_quiet_hours_active", (), 1),
            ("hatkit_light_effect", (), 2),
            ("hatkit_settings_reloads_total", (("result", "applied"),), 1),
            ("hatkit_settings_reloads_total", (("result", "rejected"),), 1)]:
        check("sysglance " + name + str(labels), got.get((name, labels)), value)
    # Lit about 30 s before the quiet hours, at contrast 0x8F of 255: seconds, not hours.
    check("sysglance panel's most-lit pixel in seconds",
          10 < got.get(("hatkit_panel_peak_pixel_seconds", ()), 0) < 31, True)
    check("sysglance board writes counted", got.get(("hatkit_bus_writes_total", (("device", "board"),)), 0) > 3, True)
    check("sysglance panel writes counted", got.get(("hatkit_bus_writes_total", (("device", "panel"),))),
          30 * 518.0 + 26 + 1)  # the frames before the quiet hours, the initialisation, display off
    check("sysglance file mode", oct(os.stat(os.path.join(root, "metrics/hatkit-sysglance.prom")).st_mode & 0o777),
          "0o644")

    # airguard: off, on at 3 s, off at 6 s; the board is away at 4 and 5 s
    # (the fan's state is written again at the start of the next pass, and
    # once more when it is back); a reload applied at 7 s, two rejected at 8
    # and 9 s. The file of pass 11.
    root = os.path.join(work, "airguard")
    script = ("0 file %s 40000\n3000 file %s 55000\n6000 file %s 40000\n" % (THERMAL, THERMAL, THERMAL) +
              "4000 device 0x0d absent\n6000 device 0x0d present\n7000 signal HUP\n"
              "8000 dir /etc/hatkit.conf\n8000 signal HUP\n9000 signal HUP\n")
    result = run("airguard", root, script, {"HATSIM_END_MS": "12000"})
    check("airguard exit", result.returncode, 0)
    got = samples(os.path.join(root, "metrics/hatkit-airguard.prom"))
    for name, labels, value in [
            ("hatkit_info", (("model", ""), ("version", VERSION)), 1),
            ("hatkit_passes_total", (), 11), ("hatkit_temperature_celsius", (), 40.0), ("hatkit_fan_on", (), 0),
            ("hatkit_fan_on_threshold_celsius", (), 50), ("hatkit_fan_off_threshold_celsius", (), 45),
            ("hatkit_fan_switches_total", (), 2), ("hatkit_bus_writes_total", (("device", "board"),), 13),
            ("hatkit_bus_writes_lost_total", (("device", "board"),), 3),
            ("hatkit_settings_reloads_total", (("result", "applied"),), 1),
            ("hatkit_settings_reloads_total", (("result", "rejected"),), 2)]:
        check("airguard " + name + str(labels), got.get((name, labels)), value)
    check("airguard has no panel or quiet hours", [k for k in got if "panel" in str(k) or "quiet" in k[0]], [])

    # A reload applies a new metrics_dir (pass 3) and moves the file (pass 5).
    root = os.path.join(work, "moved")
    script = ("0 file %s 40000\n0 dir /m2\n0 dir /m3\n2000 file /etc/hatkit.conf metrics_dir = /m2\n2000 signal HUP\n"
              "4000 file /etc/hatkit.conf metrics_dir = /m3\n4000 signal HUP\n" % THERMAL)
    run("airguard", root, script, {"HATSIM_END_MS": "3000"}, conf="")
    check("reload: a new folder takes the file", os.listdir(os.path.join(root, "m2")), ["hatkit-airguard.prom"])
    run("airguard", root, script, {"HATSIM_END_MS": "5000"}, conf="")
    check("reload: the file leaves the old folder", (os.listdir(os.path.join(root, "m2")),
                                                     os.listdir(os.path.join(root, "m3"))), ([], ["hatkit-airguard.prom"]))

    # heatglow: band 0 painted; quiet from 12:00 (2 s in), whose LEDs-off
    # write is lost (the board is away from 1.5 to 2.6 s) and written again
    # each pass until it is acknowledged (2.5 s lost, 3 s); reloads at 5 and
    # 6 s. The file of pass 21.
    root = os.path.join(work, "heatglow")
    script = ("0 file %s 44500\n1500 device 0x0d absent\n2600 device 0x0d present\n5000 signal HUP\n"
              "6000 dir /etc/hatkit.conf\n6000 signal HUP\n" % THERMAL)
    result = run("heatglow", root, script, {"HATSIM_END_MS": "10600", "HATSIM_CLOCK": "2026-06-01T11:59:58"},
                 conf="metrics_dir = /metrics\nquiet_hours = 12:00-12:01\n")
    check("heatglow exit", result.returncode, 0)
    got = samples(os.path.join(root, "metrics/hatkit-heatglow.prom"))
    for name, labels, value in [
            ("hatkit_passes_total", (), 21), ("hatkit_temperature_celsius", (), 44.5), ("hatkit_heat_band", (), 0),
            ("hatkit_quiet_hours_active", (), 1), ("hatkit_bus_writes_total", (("device", "board"),), 8),
            ("hatkit_bus_writes_lost_total", (("device", "board"),), 2),
            ("hatkit_settings_reloads_total", (("result", "applied"),), 1),
            ("hatkit_settings_reloads_total", (("result", "rejected"),), 1)]:
        check("heatglow " + name + str(labels), got.get((name, labels)), value)
    check("heatglow has no fan", [k for k in got if "fan" in k[0]], [])

    # promtool's own checks on every file. Its lint takes the "hours" in
    # hatkit_quiet_hours_active for a unit; the name is fixed (dashboards and
    # alerts use it) and it is no duration, so that one finding is expected.
    textfiles = os.path.join(work, "textfiles")
    os.makedirs(textfiles)
    for program in ("sysglance", "airguard", "heatglow"):
        path = os.path.join(work, program, "metrics/hatkit-%s.prom" % program)
        shutil.copy(path, textfiles)
        with open(path) as f:
            lint = subprocess.run(["promtool", "check", "metrics"], stdin=f, capture_output=True, text=True)
        # A name that only looks like a unit: the quiet hours.
        findings = [line for line in (lint.stdout + lint.stderr).splitlines()
                    if line != 'hatkit_quiet_hours_active use base unit "seconds" instead of "hours"']
        check("promtool check metrics " + program, (lint.returncode in (0, 3), findings), (True, []))

    # A missing folder: one line on standard error, again a minute later;
    # the bus as without metrics.
    root = os.path.join(work, "missing")
    traces = []
    for conf in ("metrics_dir = /nothere\n", ""):
        trace = os.path.join(work, "trace%d" % len(traces))
        result = run("sysglance", root, board_scenario() + "0 file %s 50000\n" % THERMAL,
                     {"HATSIM_END_MS": str(125 * 1010)}, conf=conf, trace=trace)
        with open(trace) as f:
            traces.append(f.read())
        if conf:
            check("missing folder: a line a minute", result.stderr,
                  "metrics_dir: cannot write /nothere/hatkit-sysglance.prom: No such file or directory\n" * 3)
    check("missing folder: the same bus traffic", traces[0] == traces[1], True)

    # Stopped (SIGTERM, as systemctl stops it), airguard leaves no file.
    root = os.path.join(work, "stopped")
    run("airguard", root, "", {"HATSIM_END_MS": "1"})  # writes the settings and the folder
    environment = {"PATH": os.environ["PATH"], "HATSIM_ROOT": root, "HATSIM_SPEED": "0", "HATSIM_VIEW": "0",
                   "HATSIM_SCRIPT": os.path.join(root, "script")}
    with open(os.path.join(root, "script"), "w") as f:
        f.write("0 file %s 55000\n" % THERMAL)
    program = subprocess.Popen(EMULATOR + [os.path.join(SIM, "airguard")], env=environment, start_new_session=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    path = os.path.join(root, "metrics/hatkit-airguard.prom")
    for _ in range(200):
        if os.path.exists(path):
            break
        time.sleep(0.05)
    check("running airguard keeps its file", os.path.exists(path), True)
    program.send_signal(signal.SIGTERM)
    check("airguard ends on SIGTERM with status 0", program.wait(timeout=30), 0)
    check("stopped airguard leaves no file", os.listdir(os.path.join(root, "metrics")), [])

    # node_exporter's textfile collector serves the files.
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    exporter = subprocess.Popen(["prometheus-node-exporter", "--web.listen-address=127.0.0.1:%d" % port,
                                 "--collector.disable-defaults", "--collector.textfile",
                                 "--collector.textfile.directory=" + textfiles],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    scrape = ""
    for _ in range(100):
        try:
            scrape = urllib.request.urlopen("http://127.0.0.1:%d/metrics" % port, timeout=5).read().decode()
            break
        except OSError:
            time.sleep(0.1)
    served = {}
    for family in text_string_to_metric_families(scrape):
        for sample in family.samples:
            served[(sample.name, sample.labels.get("program", ""))] = sample.value
    check("node_textfile_scrape_error", served.get(("node_textfile_scrape_error", "")), 0.0)
    for program in ("sysglance", "airguard", "heatglow"):
        check("served " + program, ("hatkit_passes_total", program) in served, True)
finally:
    if exporter is not None:
        exporter.terminate()
        exporter.wait()
    shutil.rmtree(work, ignore_errors=True)

for failure in failures:
    print("FAIL: " + failure)
print("metrics: %s" % ("all checks passed" if not failures else "%d checks failed" % len(failures)))
sys.exit(1 if failures else 0)
