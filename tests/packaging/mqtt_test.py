#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""hatkit-mqtt with the real parts: Debian's mosquitto on 127.0.0.1 (a
password file, an ACL, a TLS listener with a CA made here by openssl), the
hatsim sysglance beside the bridge on one root, and a paho client in Home
Assistant's place. One rig; the cases are rows that run in turn on it.

    mqtt_test.py BUILD_SIM_DIR
"""
import json
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

import paho.mqtt.client as mqtt

SIM = sys.argv[1]
EMULATOR = os.environ.get("HATKIT_TEST_EMULATOR", "").split()
NODE = "testpi"
BASE = "hatkit/" + NODE
THERMAL = "sys/class/thermal/thermal_zone0/temp"
failures = []


def check(what, got, expected):
    print("%s: %s" % ("ok" if got == expected else "FAIL", what))
    if got != expected:
        failures.append("%s: got %r, expected %r" % (what, got, expected))


def wait_for(condition, seconds=60):
    """Waits for what a check looks at, not for a time (the limit only
    stops a test whose check never holds: under qemu a pass is slow)."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


def free_ports(count):
    """Ports free on 127.0.0.1 now, all different: held together while chosen."""
    sockets = [socket.socket() for _ in range(count)]
    for s in sockets:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in sockets]
    for s in sockets:
        s.close()
    return ports


class Rig:
    def __init__(self, work):
        self.work = work
        self.port, self.tls_port = free_ports(2)
        self.broker = None
        self.programs = []
        self.messages = {}  # topic -> (payload, retained); the latest
        self.lock = threading.Lock()
        self.make_certificates()
        self.make_broker_files()

    # --- the broker ---------------------------------------------------------
    def openssl(self, *args):
        subprocess.run(["openssl"] + list(args), cwd=self.work, check=True, capture_output=True)

    def make_certificates(self):
        for ca in ("ca", "wrong-ca"):
            self.openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=hatkit test " + ca,
                         "-keyout", ca + ".key", "-out", ca + ".pem")
        self.openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-keyout", "server.key",
                     "-out", "server.csr")
        with open(os.path.join(self.work, "san"), "w") as f:
            f.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n")
        self.openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                     "-days", "2", "-extfile", "san", "-out", "server.pem")

    def make_broker_files(self):
        w = self.work
        subprocess.run(["mosquitto_passwd", "-b", "-c", os.path.join(w, "passwords"), "hatkit", "s3cret pass"], check=True)
        subprocess.run(["mosquitto_passwd", "-b", os.path.join(w, "passwords"), "tester", "tester"], check=True)
        with open(os.path.join(w, "acl"), "w") as f:
            f.write("user hatkit\ntopic readwrite hatkit/#\ntopic readwrite homeassistant/#\n\n"
                    "user tester\ntopic readwrite #\n")
        with open(os.path.join(w, "mosquitto.conf"), "w") as f:
            # As whoever runs the test: started as root, mosquitto would
            # otherwise read its files as user mosquitto, who may not reach
            # this folder.
            f.write("user %s\n" % pwd.getpwuid(os.getuid()).pw_name)
            f.write("per_listener_settings false\nallow_anonymous false\npersistence false\n"
                    "password_file %s/passwords\nacl_file %s/acl\n"
                    "listener %d 127.0.0.1\n"
                    "listener %d 127.0.0.1\ncafile %s/ca.pem\ncertfile %s/server.pem\nkeyfile %s/server.key\n"
                    % (w, w, self.port, self.tls_port, w, w, w))

    def start_broker(self):
        log = open(os.path.join(self.work, "mosquitto.log"), "a")
        self.broker = subprocess.Popen(["mosquitto", "-c", os.path.join(self.work, "mosquitto.conf")],
                                       stdout=log, stderr=log)

        def answers():
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return True
            except OSError:
                return False
        if not wait_for(answers):
            with open(os.path.join(self.work, "mosquitto.log")) as f:
                sys.exit("mosquitto did not start:\n" + f.read()[-2000:])

    def stop_broker(self):
        self.broker.terminate()
        self.broker.wait(timeout=10)

    # --- the Pi: a root, sysglance and bridges on it --------------------------
    def root(self, name, conf):
        root = os.path.join(self.work, name)
        for folder in ("etc", "run/hatkit/sysglance", "run/hatkit/airguard", "run/hatkit/heatglow", "run/hatkit-mqtt", "sys/class/thermal/thermal_zone0", "proc/device-tree"):
            os.makedirs(os.path.join(root, folder), exist_ok=True)
        with open(os.path.join(root, "etc/hatkit.conf"), "w") as f:
            f.write(conf)
        with open(os.path.join(root, "etc/hatkit-mqtt.password"), "w") as f:
            f.write("s3cret pass\n")
        with open(os.path.join(root, "proc/device-tree/model"), "wb") as f:
            f.write(b"Raspberry Pi 4 Model B Rev 1.4\0")
        self.set_temperature(root, 60000)
        return root

    def set_temperature(self, root, millidegrees):
        path = os.path.join(root, THERMAL)
        with open(path + ".new", "w") as f:
            f.write("%d\n" % millidegrees)
        os.rename(path + ".new", path)

    def start(self, program, root, extra=None):
        env = {"PATH": os.environ["PATH"], "HATSIM_ROOT": root, "HATSIM_VIEW": "0"}
        env.update(extra or {})
        err = open(os.path.join(root, program + ".err"), "w")
        process = subprocess.Popen(EMULATOR + [os.path.join(SIM, program)], env=env, stdout=subprocess.DEVNULL,
                                   stderr=err)
        self.programs.append(process)
        return process

    # --- Home Assistant's side ------------------------------------------------
    def connect_client(self):
        if getattr(self, "client", None):  # one client of this name at a time
            self.client.loop_stop()
            self.client.disconnect()
        self.client = mqtt.Client(client_id="tester")
        self.client.username_pw_set("tester", "tester")
        self.client.on_message = self.on_message
        self.client.on_connect = lambda client, userdata, flags, rc: client.subscribe("#", qos=1)
        self.client.connect("127.0.0.1", self.port)
        self.client.loop_start()

    def on_message(self, client, userdata, message):
        with self.lock:
            self.messages[message.topic] = (message.payload.decode(errors="replace"), message.retain)

    def latest(self, topic):
        with self.lock:
            return self.messages.get(topic, (None, False))[0]

    def forget(self, topic):
        with self.lock:
            self.messages.pop(topic, None)

    def publish(self, topic, payload):
        self.client.publish(topic, payload, qos=1).wait_for_publish()

    def retained(self, topic, seconds=5):
        """The retained message a new subscriber gets, or None."""
        got = []
        client = mqtt.Client(client_id="retained-check")
        client.username_pw_set("tester", "tester")
        client.on_connect = lambda c, u, f, rc: c.subscribe(topic, qos=1)
        client.on_message = lambda c, u, m: got.append(m.payload.decode()) if m.retain else None
        client.connect("127.0.0.1", self.port)
        client.loop_start()
        wait_for(lambda: got, seconds)
        client.loop_stop()
        client.disconnect()
        return got[0] if got else None

    def close(self):
        for process in self.programs:
            if process.poll() is None:
                process.kill()
                process.wait()
        if getattr(self, "client", None):
            self.client.loop_stop()
        if self.broker and self.broker.poll() is None:
            self.broker.kill()
            self.broker.wait()


def trace_time(path):
    """The virtual time of the trace's last line."""
    with open(path) as f:
        lines = f.read().splitlines()
    return int(lines[-1].split()[0]) if lines else 0


def trace_lines(path):
    with open(path) as f:
        return f.read().splitlines()


def trace_events_after(path, line, text):
    """The trace lines holding TEXT after its first LINE lines."""
    return [l for l in trace_lines(path)[line:] if text in l]


def read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return None


REQUIRED = {  # Home Assistant's required keys, and ours: every entity has these
    "fan": ["command_topic", "state_topic"], "light": ["command_topic", "state_topic", "schema"],
    "switch": ["command_topic", "state_topic"], "sensor": ["state_topic"], "binary_sensor": ["state_topic"],
}
ENTITIES = [("fan", "fan"), ("light", "leds"), ("switch", "screen"), ("sensor", "temperature"), ("sensor", "cpu"),
            ("sensor", "ram"), ("sensor", "disk"), ("sensor", "address"), ("binary_sensor", "quiet_hours"),
            ("binary_sensor", "board_problem")]


def main():
    work = tempfile.mkdtemp(prefix="hatkit-mqtt-test-")
    rig = Rig(work)
    try:
        run_cases(rig)
        if failures:  # what the programs said, for the failures above
            for name in ("pi/hatkit-mqtt.err", "pi/sysglance.err", "mosquitto.log"):
                print("--- %s:\n%s" % (name, (read(os.path.join(work, name)) or "")[-3000:]))
    finally:
        rig.close()
        shutil.rmtree(work, ignore_errors=True)
    print("mqtt: %s" % ("all checks passed" if not failures else "%d checks failed" % len(failures)))
    sys.exit(1 if failures else 0)


def run_cases(rig):
    conf = ("mqtt_broker = 127.0.0.1:%d\nmqtt_user = hatkit\nmqtt_password_file = /etc/hatkit-mqtt.password\n"
            "mqtt_node = %s\n" % (rig.port, NODE))
    root = rig.root("pi", conf)
    trace = os.path.join(root, "trace")
    control = os.path.join(root, "run/hatkit-mqtt/control")

    # The broker is down when both start: one line, and the bridge waits.
    bridge = rig.start("hatkit-mqtt", root)
    sysglance = rig.start("sysglance", root, {"HATSIM_SPEED": "10", "HATSIM_TRACE": trace})
    check("broker down: said once", wait_for(lambda: "cannot reach the broker" in (read(root + "/hatkit-mqtt.err") or "")),
          True)
    check("broker down: the bridge waits", bridge.poll(), None)
    rig.start_broker()
    rig.connect_client()
    check("broker up: the bridge comes online", wait_for(lambda: rig.latest(BASE + "/availability") == "online"), True)
    check("said only once while it was down", read(root + "/hatkit-mqtt.err").count("cannot reach"), 1)

    # Discovery: one retained config per entity, with the keys Home Assistant needs.
    for component, obj in ENTITIES:
        topic = "homeassistant/%s/%s/%s/config" % (component, NODE, obj)
        wait_for(lambda: rig.latest(topic))
        config = json.loads(rig.latest(topic) or "{}")
        missing = [k for k in REQUIRED[component] + ["name", "unique_id", "device", "availability"] if k not in config]
        check(obj + " config keys", missing, [])
        check(obj + " unique id", config.get("unique_id"), "hatkit_%s_%s" % (NODE, obj))
        check(obj + " availability", ([a["topic"] for a in config.get("availability", [])],
                                      config.get("availability_mode")),
              ([BASE + "/availability", BASE + "/sysglance/availability"], "all"))
        check(obj + " device", config.get("device", {}).get("model"), "Raspberry Pi 4 Model B Rev 1.4")
    check("configs retained", rig.retained("homeassistant/fan/%s/fan/config" % NODE) is not None, True)
    check("program availability", [rig.latest(BASE + "/%s/availability" % p) for p in ("sysglance", "airguard", "heatglow")],
          ["online", "offline", "offline"])
    wait_for(lambda: json.loads(rig.latest(BASE + "/state") or "{}").get("fan") == "on")
    state = json.loads(rig.latest(BASE + "/state") or "{}")
    check("state: the scenario's temperature", state.get("temperature"), 60.0)
    check("state: what the board shows", [state.get(k) for k in ("fan", "fan_mode", "light", "screen", "quiet_hours")],
          ["on", "auto", "auto", "on", False])
    check("state: sysglance's fields", sorted(state), sorted(
        ["program", "temperature", "fan", "fan_mode", "light", "screen", "quiet_hours", "board_answering",
         "cpu_percent", "ram_used_mb", "disk_used_mb", "address"]))

    # Commands: each reaches the bus within two passes (1010 ms of virtual time each).
    commands = [
        ("fan/set OFF", "fan/set", "OFF", "write 0x0d 0x08 0x00"),
        ("light/set colour", "light/set", '{"state":"ON","color":{"r":255,"g":0,"b":16}}', "write 0x0d 0x03 0x10"),
        ("screen/set OFF", "screen/set", "OFF", "write 0x3c 0x00 0xae"),
        ("fan/preset/set auto brings the thermostat back", "fan/preset/set", "auto", "write 0x0d 0x08 0x01"),
    ]
    for name, topic, payload, event in commands:
        before = read(control)
        lines = len(trace_lines(trace))
        rig.publish(BASE + "/" + topic, payload)
        wait_for(lambda: read(control) != before)
        # The virtual time the program could first see the command by; it
        # may have taken it already.
        start = trace_time(trace)
        seen = wait_for(lambda: trace_events_after(trace, lines, event))
        check(name + ": on the bus", seen, True)
        if seen:
            check(name + ": within two passes", int(trace_events_after(trace, lines, event)[0].split()[0]) - start <= 2020,
                  True)

    # The 75 degree rule: a command cannot keep the fan off on a hot CPU.
    rig.publish(BASE + "/fan/set", "OFF")
    check("fan/set OFF at 60 C: off", wait_for(lambda: json.loads(rig.latest(BASE + "/state") or "{}").get("fan") == "off"),
          True)
    rig.set_temperature(root, 80000)
    check("75 C: the fan runs", wait_for(lambda: json.loads(rig.latest(BASE + "/state") or "{}").get("fan") == "on"), True)
    check("75 C: the command stays", json.loads(rig.latest(BASE + "/state"))["fan_mode"], "off")
    rig.set_temperature(root, 81000)  # the line comes once, however long it lasts
    wait_for(lambda: json.loads(rig.latest(BASE + "/state") or "{}").get("temperature") == 81.0)
    check("75 C: said once", (read(root + "/sysglance.err") or "").count("kept off by command"), 1)
    rig.set_temperature(root, 60000)
    rig.publish(BASE + "/fan/preset/set", "auto")

    # A burst of bad payloads: one line each at most, nothing reaches the board.
    wait_for(lambda: "fan =" not in (read(control) or "fan ="))
    before = read(control)
    for payload in ["{", '{"state":"ON","color":{"r":256,"g":0,"b":0}}', '{"state":"ON","effect":"effect 9"}',
                    '{"state":1}', "x" * 2000, '{"state":"ON","color":"red"}'] * 5:
        rig.publish(BASE + "/light/set", payload)
    rig.publish(BASE + "/fan/set", "SIDEWAYS")
    rig.publish(BASE + "/screen/set", "ON")  # a good one after them
    check("bad payloads: the good one after them applies", wait_for(lambda: "screen = on" in (read(control) or "")), True)
    check("bad payloads: nothing else changed", (read(control) or "").replace("screen = on\n", ""),
          (before or "").replace("screen = off\n", ""))
    check("bad payloads: the bridge goes on", bridge.poll(), None)
    check("bad payloads: said", "refused a command" in read(root + "/hatkit-mqtt.err"), True)

    # The broker restarted, with nothing retained: the bridge sets it all up again.
    rig.stop_broker()
    rig.start_broker()
    rig.connect_client()
    check("broker restarted: configs again",
          wait_for(lambda: rig.retained("homeassistant/light/%s/leds/config" % NODE, 1) is not None), True)
    check("broker restarted: online again", rig.retained(BASE + "/availability"), "online")

    # Wrong password; TLS with the right CA and a wrong one: separate bridges.
    tls = ("mqtt_broker = localhost:%d\nmqtt_user = hatkit\nmqtt_password_file = /etc/hatkit-mqtt.password\n"
           "mqtt_ca_file = %s/%%s\nmqtt_node = %%s\n" % (rig.tls_port, rig.work))
    cases = [
        ("wrong password", "mqtt_broker = 127.0.0.1:%d\nmqtt_user = hatkit\nmqtt_node = wrongpw\n"
         "mqtt_password_file = /etc/wrong\n" % rig.port, "wrongpw", "not authorised", "waits"),
        ("TLS with the test's CA", tls % ("ca.pem", "tlspi"), "tlspi", None, "online"),
        ("TLS with a wrong CA", tls % ("wrong-ca.pem", "badca"), "badca", "TLS", "waits"),
        ("TLS with no CA file", tls % ("missing.pem", "noca"), "noca", "TLS files", "exits"),
    ]
    for name, conf_text, node, complaint, outcome in cases:
        other = rig.root(node, conf_text)
        with open(os.path.join(other, "etc/wrong"), "w") as f:
            f.write("not the password\n")
        process = rig.start("hatkit-mqtt", other)
        if outcome == "exits":  # a setting that cannot work: no restart helps
            check(name + ": exit status 2", process.wait(timeout=20), 2)
            check(name + ": said", complaint in (read(other + "/hatkit-mqtt.err") or ""), True)
        elif outcome == "online":
            check(name + ": online", wait_for(lambda: rig.latest("hatkit/%s/availability" % node) == "online"), True)
            process.send_signal(signal.SIGTERM)
            check(name + ": a clean stop", process.wait(timeout=20), 0)
            check(name + ": offline on a clean stop", wait_for(lambda: rig.latest("hatkit/%s/availability" % node) == "offline"),
                  True)
        else:
            check(name + ": said", wait_for(lambda: complaint in (read(other + "/hatkit-mqtt.err") or "")), True)
            check(name + ": never online", rig.latest("hatkit/%s/availability" % node), None)
            check(name + ": the bridge goes on", process.poll(), None)
            process.kill()
            process.wait()
    check("the password is in no log line", any("s3cret" in (read(os.path.join(rig.work, n, "hatkit-mqtt.err")) or "")
                                                 for n in ("pi", "wrongpw", "tlspi", "badca", "noca")), False)

    # sysglance stops: its entities go unavailable.
    sysglance.send_signal(signal.SIGTERM)
    check("sysglance stops with status 0", sysglance.wait(timeout=20), 0)
    check("sysglance stopped: offline", wait_for(lambda: rig.latest(BASE + "/sysglance/availability") == "offline"), True)

    # Home Assistant starts again: it gets the configs anew; with no program
    # running, the last one's entities stay (unavailable) rather than vanish.
    fan_config = "homeassistant/fan/%s/fan/config" % NODE
    rig.forget(fan_config)
    rig.publish("homeassistant/status", "online")
    check("Home Assistant online again: the configs again", wait_for(lambda: rig.latest(fan_config) is not None), True)
    check("no program running: sysglance's entities stay", json.loads(rig.latest(fan_config) or "{}").get("unique_id"),
          "hatkit_%s_fan" % NODE)

    # The bridge killed outright: the broker says offline for it, from the will.
    rig.forget(BASE + "/availability")
    bridge.kill()
    killed = time.monotonic()
    wait_for(lambda: rig.latest(BASE + "/availability") == "offline", 10)
    check("killed: offline from the will within 2 s", rig.latest(BASE + "/availability") == "offline" and
          time.monotonic() - killed <= 2.0, True)


if __name__ == "__main__":
    main()
