// SPDX-License-Identifier: MIT
// hatkit status: the programs and their units, what the board shows, the
// bridge and the settings; exit status 1 when something needs the owner.
#include <cjson/cJSON.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "apps/hatkit/facts.h"
#include "apps/hatkit/owner_commands.h"

namespace {

using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

std::string orUnknown(const std::string& value) { return value.empty() ? "unknown" : value; }

void addText(cJSON* json, const char* key, const std::string& value)
{
    if (value.empty()) {
        cJSON_AddNullToObject(json, key);
    } else {
        cJSON_AddStringToObject(json, key, value.c_str());
    }
}

void addFlag(cJSON* json, const char* key, const std::string& value)
{
    if (value.empty()) {
        cJSON_AddNullToObject(json, key);
    } else {
        cJSON_AddBoolToObject(json, key, value == "yes");
    }
}

void printJson(const Facts& facts, const std::vector<std::string>& problems)
{
    Json json(cJSON_CreateObject(), cJSON_Delete);
    cJSON* root = json.get();
    cJSON* programs = cJSON_AddArrayToObject(root, "programs");
    for (const UnitFacts& unit : facts.units) {
        cJSON* item = cJSON_CreateObject();
        cJSON_AddStringToObject(item, "name", unit.name.c_str());
        addText(item, "active", unit.active);
        addText(item, "since", unit.since);
        addText(item, "enabled", unit.enabled);
        cJSON_AddNumberToObject(item, "restarts", unit.restarts);
        bool fresh = false;
        for (int i = 0; i < kPrograms; ++i) fresh = fresh || (facts.fresh[i] && unit.name == kProgramNames[i]);
        cJSON_AddBoolToObject(item, "state_fresh", fresh);
        cJSON_AddItemToArray(programs, item);
    }
    const std::string temperature = freshField(facts, "temperature");
    if (temperature.empty()) {
        cJSON_AddNullToObject(root, "temperature");
    } else {
        cJSON_AddNumberToObject(root, "temperature", std::strtod(temperature.c_str(), nullptr));
    }
    for (const char* key : {"fan", "fan_mode", "light", "screen"}) addText(root, key, freshField(facts, key));
    addFlag(root, "quiet_hours", freshField(facts, "quiet_hours"));
    addFlag(root, "board_answering", freshField(facts, "board_answering"));
    cJSON* bridge = cJSON_AddObjectToObject(root, "bridge");
    cJSON_AddBoolToObject(bridge, "running", facts.bridgeStateThere);
    cJSON_AddBoolToObject(bridge, "connected", facts.bridgeConnected);
    addText(bridge, "broker", facts.broker);
    cJSON* settings = cJSON_AddObjectToObject(root, "settings");
    cJSON_AddBoolToObject(settings, "ok", facts.settingsOk);
    addText(settings, "message", facts.settingsMessage);
    cJSON* list = cJSON_AddArrayToObject(root, "problems");
    for (const std::string& problem : problems) cJSON_AddItemToArray(list, cJSON_CreateString(problem.c_str()));
    char* text = cJSON_Print(root);
    if (text != nullptr) std::printf("%s\n", text);
    cJSON_free(text);
}

// "on (auto), off at 48.0 C"; before the first switch, where it switches.
std::string fanLine(const Facts& facts)
{
    const std::string fan = freshField(facts, "fan");
    const std::string mode = freshField(facts, "fan_mode");
    const std::string onAt = freshField(facts, "fan_on_at");
    const std::string offAt = freshField(facts, "fan_off_at");
    if (mode.empty()) return "unknown";
    if (mode != "auto") return (fan.empty() ? "unknown" : fan) + " (kept " + mode + " by Home Assistant)";
    if (fan.empty()) {
        return onAt.empty() ? "not switched yet (auto)"
                            : "not switched yet (auto): on at " + onAt + " C, off at " + offAt + " C";
    }
    if (onAt.empty()) return fan + " (auto)";
    return fan + " (auto), " + (fan == "on" ? "off at " + offAt : "on at " + onAt) + " C";
}

// What the LEDs show, in words: the program's own ("auto") said as what it is.
std::string lightLine(const Facts& facts)
{
    for (int i = 0; i < kPrograms; ++i) {
        if (!facts.fresh[i]) continue;
        const std::string light = fieldOf(facts.states[i], "light");
        if (light.empty()) continue;
        if (light == "off") return "off";
        if (light.compare(0, 7, "effect ") == 0) return light;
        if (light != "auto") return "colour " + light;
        if (std::string(kProgramNames[i]) == "heatglow") {
            const std::string colour = fieldOf(facts.states[i], "light_colour");
            return "heat colours (auto)" + (colour.empty() ? "" : ", now " + colour);
        }
        return "the effect rotation (auto)";
    }
    return "unknown";
}

void printText(const Facts& facts, const std::vector<std::string>& problems)
{
    bool first = true;
    const bool systemd = systemdRuns();
    if (!systemd) std::printf("%-13s%s\n", "programs:", "systemd does not run here: no units to show");
    for (const UnitFacts& unit : facts.units) {
        if (!systemd) break;
        std::string line = unit.name + " " + orUnknown(unit.active);
        if (unit.active == "active" && !unit.since.empty()) line += " since " + unit.since;
        if (!unit.enabled.empty()) line += " (" + unit.enabled + ")";
        for (int i = 0; i < kPrograms; ++i) {
            if (facts.fresh[i] && unit.name == kProgramNames[i]) line += ", state fresh";
        }
        std::printf("%-13s%s\n", first ? "programs:" : "", line.c_str());
        first = false;
    }
    const std::string temperature = freshField(facts, "temperature");
    std::printf("%-13s%s\n", "temperature:", temperature.empty() ? "unknown" : (temperature + " C").c_str());
    std::printf("%-13s%s\n", "fan:", fanLine(facts).c_str());
    std::printf("%-13s%s\n", "LEDs:", lightLine(facts).c_str());
    std::printf("%-13s%s\n", "screen:", orUnknown(freshField(facts, "screen")).c_str());
    std::printf("%-13s%s\n", "quiet hours:", orUnknown(freshField(facts, "quiet_hours")).c_str());
    const std::string answering = freshField(facts, "board_answering");
    std::printf("%-13s%s\n", "board:",
                answering.empty() ? "unknown" : answering == "yes" ? "answering" : "not answering");
    std::printf("%-13s%s\n", "bridge:",
                !facts.bridgeStateThere ? "not running"
                : facts.bridgeConnected ? ("connected to " + facts.broker).c_str()
                                        : ("not connected to " + facts.broker).c_str());
    std::printf("%-13s%s\n", "settings:", facts.settingsOk ? "understood" : facts.settingsMessage.c_str());
    if (problems.empty()) {
        std::printf("%-13s%s\n", "all is well:", "yes");
        return;
    }
    first = true;
    for (const std::string& problem : problems) {
        std::printf("%-13s%s\n", first ? "needs you:" : "", problem.c_str());
        first = false;
    }
}

}  // namespace

int showStatus(bool json)
{
    const Facts facts = gatherFacts();
    const std::vector<std::string> problems = problemsOf(facts);
    if (json) {
        printJson(facts, problems);
    } else {
        printText(facts, problems);
    }
    return problems.empty() ? 0 : kExitNeedsOwner;
}
