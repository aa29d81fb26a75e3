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

std::vector<std::string> problemsOf(const Facts& facts)
{
    std::vector<std::string> problems;
    if (!facts.settingsOk) problems.push_back(facts.settingsMessage + ": mend /etc/hatkit.conf (man 5 hatkit.conf)");
    if (!facts.busThere) problems.push_back("no /dev/i2c-1: enable I2C (sudo raspi-config nonint do_i2c 0), then reboot");
    const std::vector<std::string> running = runningPrograms(facts);
    if (running.empty()) {
        problems.push_back("no board program runs: sudo hatkit use sysglance (or airguard, heatglow)");
    }
    const bool sysglance = facts.fresh[0];
    if (sysglance && running.size() > 1) {
        problems.push_back("sysglance runs beside " + running[1] + " and both drive the board: sudo hatkit use sysglance");
    }
    for (int i = 0; i < kPrograms; ++i) {
        if (facts.fresh[i] && fieldOf(facts.states[i], "board_answering") == "no") {
            problems.push_back(std::string(kProgramNames[i]) +
                               " says the board does not answer at 0x0d: check it sits on all 40 pins, then hatkit doctor");
            break;
        }
    }
    for (const UnitFacts& unit : facts.units) {
        if (unit.active == "failed") {
            problems.push_back(unit.name + " failed: journalctl -u " + unit.name + ", then sudo systemctl restart " +
                               unit.name);
        } else if (unit.restarts >= 3) {
            problems.push_back(unit.name + " keeps restarting (" + std::to_string(unit.restarts) +
                               " restarts): journalctl -u " + unit.name);
        }
    }
    if (facts.bridgeStateThere && !facts.bridgeConnected) {
        problems.push_back("hatkit-mqtt cannot reach the broker " + facts.broker + ": journalctl -u hatkit-mqtt");
    }
    return problems;
}
