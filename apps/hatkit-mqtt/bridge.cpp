// SPDX-License-Identifier: MIT
#include "apps/hatkit-mqtt/bridge.h"

#include <mosquitto.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "apps/hatkit-mqtt/bridge_settings.h"
#include "apps/hatkit-mqtt/command_payload.h"
#include "apps/hatkit-mqtt/discovery.h"
#include "apps/hatkit-mqtt/program_states.h"
#include "apps/common/files/program_settings.h"
#include "apps/common/files/commands.h"
#include "apps/common/board_program/state_file.h"
#include "platform/stop_request.h"
#include "platform/system_files.h"

#ifndef HATKIT_VERSION
#define HATKIT_VERSION "unknown"
#endif

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kMaxBackoffSeconds = 60;
constexpr int64_t kComplainEveryNs = 60LL * 1000000000;
constexpr int64_t kAnswerWithinNs = 30LL * 1000000000;
constexpr int64_t kNsPerMs = 1000000;
constexpr int64_t kRemoveGraceNs = 3LL * 1000000000;  // a pair's second program writes its state by then
constexpr int64_t kLookEveryNs = 1000000000;  // without a watch on the state folders
// Idle, the bridge wakes only for libmosquitto's keepalive: a third of it,
// so that a ping is never late for the broker (who waits 1.5 of it).
constexpr int64_t kIdleWakeNs = kKeepAliveSeconds * 1000000000LL / 3;
// What tells the bridge a state file changed, or a program's folder came or
// went. The programs replace their state by a rename: one event a write.
constexpr uint32_t kStateEvents = IN_MOVED_TO | IN_DELETE | IN_DELETE_SELF;
constexpr uint32_t kFolderEvents = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr int64_t kGoodbyeWithinNs = 2LL * 1000000000;
constexpr int kQos = 1;

int64_t nowNs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int64_t monotonicNs() { return nowNs(CLOCK_MONOTONIC); }

struct Bridge {
    HatkitSettings settings;
    std::string password;
    Device device;
    std::string base;  // hatkit/NODE
    mosquitto* client = nullptr;
    bool connected = false;
    bool connecting = false;
    bool everConnected = false;  // mosquitto_connect has been called once
    int64_t connectStartedNs = 0;
    int64_t nextAttemptNs = 0;
    int backoffSeconds = 1;
    int64_t lastLookNs = 0;
    int watcher = -1;      // inotify on the state folders; -1: a look every second
    int runWatch = -1;     // on /run, while /run/hatkit is missing
    bool watching = false;  // a change of state wakes the bridge
    ProgramState states[kPrograms];
    bool fresh[kPrograms] = {false, false, false};
    int owner[kEntities];           // the program behind each entity offered; -1 none
    // When an entity that no running program offers goes (monotonic ns; 0:
    // not going). Programs of a pair start a moment apart: the entity the
    // second offers is not removed and announced again meanwhile.
    int64_t removeAtNs[kEntities] = {};
    bool configsPublished = false;  // since the last connect
    std::string stateSent;
    std::string lightSent;
    Commands commands;
    std::string lastComplaint;
    int64_t lastComplaintNs = 0;
    int pendingGoodbye = -1;  // the message id of "offline" on a clean stop
};

Bridge b;

// One line on standard error; the same line again at most once a minute.
void complain(const std::string& text)
{
    const int64_t now = monotonicNs();
    if (text == b.lastComplaint && now - b.lastComplaintNs < kComplainEveryNs) return;
    std::fprintf(stderr, "hatkit-mqtt: %s\n", text.c_str());
    b.lastComplaint = text;
    b.lastComplaintNs = now;
}

void publish(const std::string& topic, const std::string& payload, bool retain, int* id = nullptr)
{
    if (!b.connected) return;
    const int rc = mosquitto_publish(b.client, id, topic.c_str(), static_cast<int>(payload.size()), payload.data(), kQos,
                                     retain);
    if (rc != MOSQ_ERR_SUCCESS) complain(std::string("cannot publish ") + topic + ": " + mosquitto_strerror(rc));
}

int brokerPort()
{
    if (b.settings.mqtt.port != 0) return b.settings.mqtt.port;
    return b.settings.mqtt.caFile[0] != '\0' ? 8883 : 1883;
}

std::string brokerName()
{
    return std::string(b.settings.mqtt.host) + ":" + std::to_string(brokerPort());
}

// --- the control file the board programs read --------------------------------

void writeControl()
{
    const std::string text = renderCommands(b.commands);
    const int folder = openOutputFolder(kControlFolder);
    if (folder < 0 || !replaceOutputFile(folder, kControlName, text.data(), text.size())) {
        complain(std::string("cannot write ") + kControlPath + ": " + std::strerror(errno));
    }
    if (folder >= 0) close(folder);
}

// Commands last until the bridge stops: none are left behind, nor the
// bridge's own state.
void removeControl()
{
    const int folder = openOutputFolder(kControlFolder);
    if (folder < 0) return;
    removeOutputFile(folder, kControlName);
    removeOutputFile(folder, kBridgeStateName);
    close(folder);
}

// Whether the broker is connected, for the owner's `hatkit status`.
void writeBridgeState(bool connected)
{
    const std::string text =
        std::string("connected = ") + (connected ? "yes" : "no") + "\nbroker = " + brokerName() + "\n";
    const int folder = openOutputFolder(kControlFolder);
    if (folder < 0) return;
    replaceOutputFile(folder, kBridgeStateName, text.data(), text.size());
    close(folder);
}

// --- what Home Assistant sees --------------------------------------------------

void publishAvailability(int program)
{
    publish(b.base + "/" + kProgramNames[program] + "/availability", b.fresh[program] ? "online" : "offline", true);
}

void publishConfig(Entity entity)
{
    const int program = b.owner[static_cast<int>(entity)];
    publish(configTopic(b.device, entity), program < 0 ? "" : configMessage(b.device, entity, kProgramNames[program]),
            true);
}

void publishStates()
{
    const std::string state = stateMessage(b.states, b.fresh);
    if (!state.empty() && state != b.stateSent) {
        publish(b.base + "/state", state, true);
        b.stateSent = state;
    }
    const int lights = b.owner[static_cast<int>(Entity::light)];
    if (lights >= 0 && b.fresh[lights]) {
        const std::string light =
            lightStateMessage(fieldOf(b.states[lights], "light"), fieldOf(b.states[lights], "light_colour"),
                              fieldOf(b.states[lights], "light_brightness"));
        if (light != b.lightSent) {
            publish(b.base + "/light/state", light, true);
            b.lightSent = light;
        }
    }
}

// The entities of the programs that run; when none does, those of the last
// ones stay offered (and unavailable). A program that takes the board from
// another replaces its entities, and the old configs are removed.
void followPrograms(bool everything)
{
    const int64_t wallNow = nowNs(CLOCK_REALTIME);
    bool anyFresh = false;
    for (int i = 0; i < kPrograms; ++i) {
        const bool fresh = isFresh(b.states[i], wallNow);
        anyFresh = anyFresh || fresh;
        if (fresh != b.fresh[i] || everything) {
            b.fresh[i] = fresh;
            publishAvailability(i);
        }
    }
    if (anyFresh) {
        for (int e = 0; e < kEntities; ++e) {
            int owner = -1;
            for (int i = 0; i < kPrograms && owner < 0; ++i) {
                if (b.fresh[i] && offers(i, static_cast<Entity>(e))) owner = i;
            }
            if (owner < 0 && b.owner[e] >= 0) {
                const int64_t now = monotonicNs();
                if (b.removeAtNs[e] == 0) b.removeAtNs[e] = now + kRemoveGraceNs;
                if (now < b.removeAtNs[e]) continue;
            }
            b.removeAtNs[e] = 0;
            if (owner != b.owner[e] || (everything && owner >= 0)) {
                const bool wasOffered = b.owner[e] >= 0;
                b.owner[e] = owner;
                if (owner >= 0 || wasOffered) publishConfig(static_cast<Entity>(e));
            }
        }
    } else {
        // None runs: the last ones' entities stay, and nothing is going.
        for (int e = 0; e < kEntities; ++e) {
            b.removeAtNs[e] = 0;
            if (everything && b.owner[e] >= 0) publishConfig(static_cast<Entity>(e));
        }
    }
    if (everything) {
        b.stateSent.clear();
        b.lightSent.clear();
    }
    publishStates();
}

// /run/hatkit and each program's folder in it, as far as they exist (a
// folder watched already keeps its watch); /run while /run/hatkit is missing.
void arrangeWatches()
{
    if (b.watcher < 0) return;
    const bool folder = watchFolder(b.watcher, kStateFolder, kFolderEvents) >= 0;
    if (folder && b.runWatch >= 0) {
        inotify_rm_watch(b.watcher, b.runWatch);
        b.runWatch = -1;
    } else if (!folder && b.runWatch < 0) {
        b.runWatch = watchFolder(b.watcher, "/run", IN_CREATE | IN_MOVED_TO);
    }
    for (int i = 0; i < kPrograms && folder; ++i) {
        char path[64];
        stateFolder(i, path, sizeof path);
        watchFolder(b.watcher, path, kStateEvents);
    }
    b.watching = folder || b.runWatch >= 0;
}

void lookAtPrograms()
{
    b.lastLookNs = monotonicNs();
    arrangeWatches();
    lookAtStates(b.states);
    followPrograms(false);
}

// --- the broker -------------------------------------------------------------------

void scheduleRetry()
{
    if (b.connected) writeBridgeState(false);
    b.connected = false;
    b.connecting = false;
    b.nextAttemptNs = monotonicNs() + static_cast<int64_t>(b.backoffSeconds) * 1000000000;
    b.backoffSeconds = b.backoffSeconds * 2 > kMaxBackoffSeconds ? kMaxBackoffSeconds : b.backoffSeconds * 2;
}

void onConnect(mosquitto*, void*, int rc)
{
    if (rc != 0) {
        complain("the broker at " + brokerName() + " refused the connection: " + mosquitto_connack_string(rc));
        mosquitto_disconnect(b.client);
        scheduleRetry();
        return;
    }
    b.connected = true;
    b.connecting = false;
    b.backoffSeconds = 1;
    b.lastComplaint.clear();
    std::printf("connected to %s\n", brokerName().c_str());
    writeBridgeState(true);
    for (const char* topic : {"/fan/set", "/fan/preset/set", "/light/set", "/screen/set"}) {
        mosquitto_subscribe(b.client, nullptr, (b.base + topic).c_str(), kQos);
    }
    mosquitto_subscribe(b.client, nullptr, (b.device.prefix + "/status").c_str(), kQos);
    publish(b.base + "/availability", "online", true);
    lookAtStates(b.states);
    followPrograms(true);
}

void onDisconnect(mosquitto*, void*, int rc)
{
    if (!b.connected && !b.connecting) return;
    if (rc != 0) complain("lost the broker at " + brokerName() + ": " + mosquitto_strerror(rc));
    scheduleRetry();
}

void onPublish(mosquitto*, void*, int id)
{
    if (id == b.pendingGoodbye) b.pendingGoodbye = -1;
}

void onMessage(mosquitto*, void*, const mosquitto_message* message)
{
    const std::string topic = message->topic;
    const char* payload = static_cast<const char*>(message->payload);
    const std::size_t length = message->payloadlen > 0 ? static_cast<std::size_t>(message->payloadlen) : 0;
    if (topic == b.device.prefix + "/status") {
        // Home Assistant started again: it learns the entities anew.
        if (std::string(payload != nullptr ? payload : "", length) == "online") followPrograms(true);
        return;
    }
    static const struct {
        const char* suffix;
        CommandTopic topic;
    } kCommandTopics[] = {{"/fan/set", CommandTopic::fan},
                          {"/fan/preset/set", CommandTopic::fanPreset},
                          {"/light/set", CommandTopic::light},
                          {"/screen/set", CommandTopic::screen}};
    for (const auto& command : kCommandTopics) {
        if (topic != b.base + command.suffix) continue;
        Commands commands = b.commands;
        std::string why;
        if (!applyCommandPayload(command.topic, payload != nullptr ? payload : "", length, &commands, &why)) {
            complain("refused a command: " + why);
            return;
        }
        if (commands == b.commands) return;
        b.commands = commands;
        writeControl();
        return;
    }
}

bool makeClient()
{
    const std::string id = "hatkit-" + b.device.node;
    b.client = mosquitto_new(id.c_str(), true, nullptr);
    if (b.client == nullptr) {
        complain(std::string("cannot make an MQTT client: ") + std::strerror(errno));
        return false;
    }
    mosquitto_connect_callback_set(b.client, onConnect);
    mosquitto_disconnect_callback_set(b.client, onDisconnect);
    mosquitto_message_callback_set(b.client, onMessage);
    mosquitto_publish_callback_set(b.client, onPublish);
    const std::string will = b.base + "/availability";
    mosquitto_will_set(b.client, will.c_str(), 7, "offline", kQos, true);
    const MqttSettings& mqtt = b.settings.mqtt;
    if (mqtt.user[0] != '\0') {
        mosquitto_username_pw_set(b.client, mqtt.user, b.password.empty() ? nullptr : b.password.c_str());
    }
    if (mqtt.caFile[0] != '\0') {
        const int rc = mosquitto_tls_set(b.client, mqtt.caFile, nullptr, mqtt.certFile[0] != '\0' ? mqtt.certFile : nullptr,
                                         mqtt.keyFile[0] != '\0' ? mqtt.keyFile : nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            complain(std::string("TLS files: ") + mosquitto_strerror(rc));
            return false;
        }
        // The server's certificate and its name are checked.
        mosquitto_tls_opts_set(b.client, 1, nullptr, nullptr);
        mosquitto_tls_insecure_set(b.client, false);
    }
    return true;
}

void connectNow()
{
    b.connecting = true;
    b.connectStartedNs = monotonicNs();
    const int rc = b.everConnected ? mosquitto_reconnect(b.client)
                                   : mosquitto_connect(b.client, b.settings.mqtt.host, brokerPort(), kKeepAliveSeconds);
    b.everConnected = true;
    if (rc == MOSQ_ERR_SUCCESS) return;
    const char* why = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
    complain("cannot reach the broker at " + brokerName() + ": " + why);
    scheduleRetry();
}

// A clean stop: "offline" from us rather than from the will.
void sayGoodbye()
{
    if (b.connected) {
        int id = -1;
        publish(b.base + "/availability", "offline", true, &id);
        b.pendingGoodbye = id;
        const int64_t until = monotonicNs() + kGoodbyeWithinNs;
        while (b.pendingGoodbye >= 0 && monotonicNs() < until) {
            if (mosquitto_loop(b.client, 100, 1) != MOSQ_ERR_SUCCESS) break;
        }
        b.connected = false;
        mosquitto_disconnect(b.client);
        mosquitto_loop(b.client, 100, 1);
    }
}

void setUp(const HatkitSettings& settings, const std::string& password)
{
    b.settings = settings;
    b.password = password;
    b.device.node = nodeName(settings);
    b.device.prefix = settings.mqtt.discoveryPrefix;
    b.device.version = HATKIT_VERSION;
    b.base = baseTopic(b.device);
    for (int& owner : b.owner) owner = -1;
    b.backoffSeconds = 1;
    b.nextAttemptNs = 0;
    b.everConnected = false;
    b.connected = b.connecting = false;
}

void readModel()
{
    std::string model;
    std::string message;
    const int fd = openSystemFile("/proc/device-tree/model");
    if (fd < 0) return;
    char text[128];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0) return;
    text[got] = '\0';  // the device tree's text ends in a NUL of its own
    b.device.model = text;
}

bool sameConnection(const MqttSettings& a, const MqttSettings& c)
{
    return std::strcmp(a.host, c.host) == 0 && a.port == c.port && std::strcmp(a.user, c.user) == 0 &&
           std::strcmp(a.passwordFile, c.passwordFile) == 0 && std::strcmp(a.caFile, c.caFile) == 0 &&
           std::strcmp(a.certFile, c.certFile) == 0 && std::strcmp(a.keyFile, c.keyFile) == 0 &&
           std::strcmp(a.node, c.node) == 0 && std::strcmp(a.discoveryPrefix, c.discoveryPrefix) == 0;
}

// SIGHUP: another broker, login or node starts the client afresh.
void reloadIfAsked()
{
    HatkitSettings fresh = b.settings;
    if (reloadSettingsIfAsked(&fresh, kReadByBridge) != ReloadResult::applied) return;
    std::string password;
    if (sameConnection(fresh.mqtt, b.settings.mqtt) || !checkBridgeSettings(fresh, &password)) return;
    sayGoodbye();
    mosquitto_destroy(b.client);
    const Commands commands = b.commands;
    setUp(fresh, password);
    b.commands = commands;
    writeBridgeState(false);
    if (!makeClient()) b.client = nullptr;
}

// --- waiting ----------------------------------------------------------------------

// Reads what the watch saw (its details do not matter: the look that
// follows reads every state that changed).
void drainWatch()
{
    alignas(inotify_event) char events[4096];
    while (read(b.watcher, events, sizeof events) > 0) {
    }
}

// The next moment the bridge has something to do without being woken:
// a connection attempt, a broker that does not answer, a program whose
// state turns stale, the keepalive, a look at the states without a watch.
int64_t nextDutyNs(int64_t now)
{
    int64_t next = now + kIdleWakeNs;
    if (!b.connected && !b.connecting) next = std::min(next, b.nextAttemptNs);
    if (b.connecting) next = std::min(next, b.connectStartedNs + kAnswerWithinNs + 1);
    if (!b.watching) next = std::min(next, b.lastLookNs + kLookEveryNs);
    const int64_t wallNow = nowNs(CLOCK_REALTIME);
    for (int i = 0; i < kPrograms; ++i) {
        if (b.fresh[i]) next = std::min(next, now + staleAtNs(b.states[i]) - wallNow + kNsPerMs);
    }
    for (int e = 0; e < kEntities; ++e) {
        if (b.removeAtNs[e] != 0) next = std::min(next, b.removeAtNs[e]);
    }
    return std::max(next, now);
}

// Waits for the broker, the state folders or the next duty; then does
// what came.
void waitAndServe()
{
    pollfd fds[2] = {};
    int count = 0;
    const int socket = b.connected || b.connecting ? mosquitto_socket(b.client) : -1;
    if (socket >= 0) fds[count++] = {socket, static_cast<short>(POLLIN | (mosquitto_want_write(b.client) ? POLLOUT : 0)), 0};
    const int watchAt = count;
    if (b.watcher >= 0) fds[count++] = {b.watcher, POLLIN, 0};
    const int64_t now = monotonicNs();
    const int64_t waitMs = (nextDutyNs(now) - now + kNsPerMs - 1) / kNsPerMs;
    if (waitUnlessStopped(fds, count, static_cast<int>(waitMs)) < 0) return;
    if (socket >= 0) {
        int rc = MOSQ_ERR_SUCCESS;
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) rc = mosquitto_loop_read(b.client, 1);
        if (rc == MOSQ_ERR_SUCCESS && (fds[0].revents & POLLOUT) != 0) rc = mosquitto_loop_write(b.client, 1);
        if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_misc(b.client);
        if (rc != MOSQ_ERR_SUCCESS && (b.connected || b.connecting)) {
            const char* why = rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
            complain((b.connected ? "lost the broker at " : "cannot reach the broker at ") + brokerName() + ": " + why);
            scheduleRetry();
        }
    }
    const bool changed = b.watcher >= 0 && (fds[watchAt].revents & POLLIN) != 0;
    if (changed) drainWatch();
    if (changed || (!b.watching && monotonicNs() - b.lastLookNs >= kLookEveryNs)) {
        lookAtPrograms();
    } else {
        followPrograms(false);  // a state may have turned stale
    }
}

}  // namespace

int runBridge(const HatkitSettings& settings, const std::string& password)
{
    holdSignalsForWaits();
    mosquitto_lib_init();
    b.watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (b.watcher < 0) complain(std::string("cannot watch the state folders (a look every second instead): ") +
                                std::strerror(errno));
    setUp(settings, password);
    readModel();
    removeControl();  // a stale one from a bridge that was killed
    int status = 0;
    if (!makeClient()) {
        status = kExitBridgeSettings;
    } else {
        std::printf("hatkit-mqtt %s: node %s, broker %s\n", HATKIT_VERSION, b.device.node.c_str(), brokerName().c_str());
        writeBridgeState(false);
        lookAtPrograms();
        while (!stopRequested()) {
            reloadIfAsked();
            if (b.client == nullptr) break;
            const int64_t now = monotonicNs();
            if (!b.connected && !b.connecting && now >= b.nextAttemptNs) connectNow();
            if (b.connecting && now - b.connectStartedNs > kAnswerWithinNs) {
                complain("no answer from the broker at " + brokerName());
                mosquitto_disconnect(b.client);
                scheduleRetry();
            }
            waitAndServe();
        }
        sayGoodbye();
    }
    removeControl();
    if (b.client != nullptr) mosquitto_destroy(b.client);
    if (b.watcher >= 0) close(b.watcher);
    mosquitto_lib_cleanup();
    return status;
}
