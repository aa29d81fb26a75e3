// SPDX-License-Identifier: MIT
#include "apps/hatkit-mqtt/program_states.h"

#include <cjson/cJSON.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "apps/key_value_text.h"
#include "apps/commands.h"

const char* const kProgramNames[kPrograms] = {"sysglance", "airguard", "heatglow"};

namespace {

constexpr std::size_t kStateLimit = 4096;
constexpr int64_t kNsPerSecond = 1000000000;

using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

std::string printed(const Json& json)
{
    char* text = cJSON_PrintUnformatted(json.get());
    if (text == nullptr) return "";
    std::string out = text;
    cJSON_free(text);
    return out;
}

bool isNumberField(const std::string& key)
{
    return key == "temperature" || key == "cpu_percent" || key == "ram_used_mb" || key == "disk_used_mb";
}

bool isFlagField(const std::string& key) { return key == "quiet_hours" || key == "board_answering"; }

void addField(cJSON* object, const std::string& key, const std::string& value)
{
    if (cJSON_GetObjectItemCaseSensitive(object, key.c_str()) != nullptr) return;
    if (isNumberField(key)) {
        char* end = nullptr;
        const double number = std::strtod(value.c_str(), &end);
        if (end != value.c_str() && *end == '\0') cJSON_AddNumberToObject(object, key.c_str(), number);
    } else if (isFlagField(key)) {
        cJSON_AddBoolToObject(object, key.c_str(), value == "yes");
    } else {
        cJSON_AddStringToObject(object, key.c_str(), value.c_str());
    }
}

void readState(int program, ProgramState* state)
{
    char path[64];
    std::snprintf(path, sizeof path, "/run/hatkit/%s.state", kProgramNames[program]);
    std::string text;
    std::string message;
    state->fields.clear();
    state->present = false;
    if (readSmallFile(path, "state", kStateLimit, &text, &message) != FileRead::ok) return;
    std::vector<std::pair<std::string, std::string>> fields;
    if (!forEachPair(text.data(), text.size(), "state",
                     [&](int, const std::string& key, const std::string& value, std::string*) {
                         fields.emplace_back(key, value);
                         return true;
                     },
                     &message)) {
        return;
    }
    state->fields = std::move(fields);
    state->present = true;
}

}  // namespace

bool lookAtStates(ProgramState states[kPrograms])
{
    bool changed = false;
    for (int i = 0; i < kPrograms; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "/run/hatkit/%s.state", kProgramNames[i]);
        FileStamp stamp;
        const bool there = stampSystemFile(path, &stamp);
        if (!there) {
            changed = changed || states[i].present;
            states[i] = ProgramState{};
            continue;
        }
        if (states[i].present && stamp == states[i].stamp) continue;
        states[i].stamp = stamp;
        readState(i, &states[i]);
        changed = true;
    }
    return changed;
}

bool isFresh(const ProgramState& state, int64_t nowNs)
{
    return state.present && nowNs - state.stamp.modifiedNs <= kFreshSeconds * kNsPerSecond;
}

std::string fieldOf(const ProgramState& state, const char* key)
{
    for (const auto& [name, value] : state.fields) {
        if (name == key) return value;
    }
    return "";
}

std::string stateMessage(const ProgramState states[kPrograms], const bool fresh[kPrograms])
{
    Json json(cJSON_CreateObject(), cJSON_Delete);
    bool any = false;
    for (int i = 0; i < kPrograms; ++i) {
        if (!fresh[i]) continue;
        any = true;
        for (const auto& [key, value] : states[i].fields) addField(json.get(), key, value);
    }
    return any ? printed(json) : "";
}

std::string lightStateMessage(const std::string& light)
{
    LightMode mode;
    Json json(cJSON_CreateObject(), cJSON_Delete);
    if (!parseLightMode(light, &mode) || mode.kind == LightKind::off) {
        cJSON_AddStringToObject(json.get(), "state", "OFF");
        return printed(json);
    }
    cJSON_AddStringToObject(json.get(), "state", "ON");
    cJSON_AddStringToObject(json.get(), "color_mode", "rgb");
    if (mode.kind == LightKind::colour) {
        cJSON* colour = cJSON_AddObjectToObject(json.get(), "color");
        cJSON_AddNumberToObject(colour, "r", mode.red);
        cJSON_AddNumberToObject(colour, "g", mode.green);
        cJSON_AddNumberToObject(colour, "b", mode.blue);
    } else {
        cJSON_AddStringToObject(json.get(), "effect", light.c_str());
    }
    return printed(json);
}
