// SPDX-License-Identifier: MIT
#include "apps/hatkit/facts.h"

#include <ctime>

#include "apps/common/files/commands.h"
#include "apps/common/files/key_value_text.h"
#include "platform/system_files.h"

namespace {

int64_t wallNowNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void readBridgeState(Facts* facts)
{
    std::string text;
    std::string message;
    if (readSmallFile(kBridgeStatePath, "bridge state", 1024, &text, &message) != FileRead::ok) return;
    facts->bridgeStateThere = true;
    forEachPair(
        text.data(), text.size(), "bridge state",
        [&](int, const std::string& key, const std::string& value, std::string*) {
            if (key == "connected") facts->bridgeConnected = value == "yes";
            if (key == "broker") facts->broker = value;
            return true;
        },
        &message);
}

}  // namespace

Facts gatherFacts()
{
    Facts facts;
    facts.units = unitFacts();
    lookAtStates(facts.states);
    const int64_t now = wallNowNs();
    for (int i = 0; i < kPrograms; ++i) facts.fresh[i] = isFresh(facts.states[i], now);
    facts.settingsOk = loadSettings(&facts.settings, &facts.settingsMessage);
    readBridgeState(&facts);
    FileStamp stamp;
    facts.busThere = stampSystemFile("/dev/i2c-1", &stamp);
    return facts;
}

std::string freshField(const Facts& facts, const char* key)
{
    for (int i = 0; i < kPrograms; ++i) {
        if (!facts.fresh[i]) continue;
        for (const auto& [name, value] : facts.states[i].fields) {
            if (name == key) return value;
        }
    }
    return "";
}

std::vector<std::string> runningPrograms(const Facts& facts)
{
    std::vector<std::string> names;
    for (int i = 0; i < kPrograms; ++i) {
        if (facts.fresh[i]) names.emplace_back(kProgramNames[i]);
    }
    return names;
}

const UnitFacts* unitOf(const Facts& facts, const std::string& name)
{
    for (const UnitFacts& unit : facts.units) {
        if (unit.name == name) return &unit;
    }
    return nullptr;
}

namespace {

void add(std::vector<Finding>* findings, bool ok, const std::string& okText, const std::string& problem)
{
    findings->push_back({ok, okText, problem});
}

bool isBoardUnit(const std::string& name)
{
    for (int i = 0; i < kPrograms; ++i) {
        if (name == kProgramNames[i]) return true;
    }
    return false;
}

// The unit's own words: failed, restarting, enabled and stopped, running;
// nothing for a unit that is neither enabled nor running.
void judgeUnit(const Facts& facts, const UnitFacts& unit, bool nothingRuns, std::vector<Finding>* findings)
{
    const std::string& name = unit.name;
    if (unit.active == "failed") {
        add(findings, false, "", name + " failed: journalctl -u " + name + ", then sudo systemctl restart " + name);
    } else if (unit.restarts >= 3) {
        add(findings, false, "",
            name + " keeps restarting (" + std::to_string(unit.restarts) + " restarts): journalctl -u " + name);
    } else if (unit.active == "active") {
        bool fresh = !isBoardUnit(name) || facts.bridgeStateThere;
        for (int i = 0; i < kPrograms; ++i) fresh = fresh || (facts.fresh[i] && name == kProgramNames[i]);
        add(findings, true, name + (fresh ? " runs steadily" : " has started; its first state is not written yet"), "");
    } else if (unit.enabled == "enabled" && !(nothingRuns && isBoardUnit(name))) {  // else said once, below
        add(findings, false, "",
            name + " is enabled but does not run: sudo systemctl start " + name + " (journalctl -u " + name +
                " says why it stopped)");
    }
}

}  // namespace

std::vector<Finding> judge(const Facts& facts)
{
    std::vector<Finding> findings;
    add(&findings, facts.settingsOk, "/etc/hatkit.conf is understood",
        facts.settingsMessage + ": mend /etc/hatkit.conf (man 5 hatkit.conf)");
    add(&findings, facts.busThere, "I2C is enabled (/dev/i2c-1)",
        "no /dev/i2c-1: enable I2C (sudo raspi-config nonint do_i2c 0), then reboot");
    const std::vector<std::string> running = runningPrograms(facts);
    std::string starting;  // an active board unit with no state yet
    std::string enabled;   // an enabled board unit
    for (const UnitFacts& unit : facts.units) {
        if (!isBoardUnit(unit.name)) continue;
        if (unit.active == "active" || unit.active == "activating" || unit.active == "reloading") starting = unit.name;
        if (unit.enabled == "enabled" && enabled.empty()) enabled = unit.name;
    }
    if (!running.empty()) {
        std::string names;
        for (const std::string& name : running) names += (names.empty() ? "" : " and ") + name;
        add(&findings, true, "a board program runs (" + names + ")", "");
    } else if (starting.empty()) {
        add(&findings, false, "",
            "no board program runs: " +
                (!systemdRuns()  ? std::string("without systemd, start sysglance (or airguard, heatglow) by hand")
                 : enabled.empty() ? std::string("sudo hatkit use sysglance (or airguard, heatglow)")
                                 : enabled + " is enabled but stopped: sudo systemctl start " + enabled));
    }
    if (facts.fresh[0] && running.size() > 1) {
        add(&findings, false, "",
            "sysglance runs beside " + running[1] + " and both drive the board: sudo hatkit use sysglance (or hatkit use airguard heatglow)");
    }
    // A fresh state from a program whose unit is not running: started by hand.
    for (int i = 0; i < kPrograms; ++i) {
        const UnitFacts* unit = unitOf(facts, kProgramNames[i]);
        if (!facts.fresh[i] || unit == nullptr || !unit->known || unit->active == "active" ||
            unit->active == "reloading") {
            continue;
        }
        const std::string pid = fieldOf(facts.states[i], "pid");
        add(&findings, false, "",
            std::string(kProgramNames[i]) + " runs outside its unit" + (pid.empty() ? "" : " (pid " + pid + ")") +
                ", started by hand: stop it" + (pid.empty() ? "" : " (kill " + pid + ")") +
                ", then sudo hatkit use " + kProgramNames[i]);
    }
    for (int i = 0; i < kPrograms; ++i) {
        if (facts.fresh[i] && fieldOf(facts.states[i], "board_answering") == "no") {
            add(&findings, false, "",
                std::string(kProgramNames[i]) +
                    " says the board does not answer at 0x0d: check it sits on all 40 pins, then hatkit doctor");
            break;
        }
    }
    for (const UnitFacts& unit : facts.units) {
        if (unit.known) judgeUnit(facts, unit, running.empty() && starting.empty(), &findings);
    }
    if (facts.bridgeStateThere) {
        add(&findings, facts.bridgeConnected, "hatkit-mqtt reaches the broker " + facts.broker,
            "hatkit-mqtt cannot reach the broker " + facts.broker +
                ": journalctl -u hatkit-mqtt; check mqtt_broker in /etc/hatkit.conf");
    }
    return findings;
}

std::vector<std::string> problemsOf(const Facts& facts)
{
    std::vector<std::string> problems;
    for (const Finding& finding : judge(facts)) {
        if (!finding.ok) problems.push_back(finding.problem);
    }
    return problems;
}
