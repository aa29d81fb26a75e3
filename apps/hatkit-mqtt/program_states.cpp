// SPDX-License-Identifier: MIT
#include "apps/hatkit-mqtt/program_states.h"

#include <cjson/cJSON.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "apps/common/files/key_value_text.h"
#include "apps/common/files/commands.h"
#include "apps/common/board_program/state_file.h"

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
    return key == "temperature" || key == "load" || key == "cpu_used_percent" || key == "ram_used_mb" ||
           key == "disk_used_mb" || key == "panel_peak_pixel_hours";
}

bool isFlagField(const std::string& key)
{
    return key == "quiet_hours" || key == "board_answering" || key == "panel_answering";
}

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
    statePath(program, path, sizeof path);
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

void stateFolder(int program, char* out, std::size_t size)
{
    std::snprintf(out, size, "%s/%s", kStateFolder, kProgramNames[program]);
}

void statePath(int program, char* out, std::size_t size)
{
    std::snprintf(out, size, "%s/%s/%s", kStateFolder, kProgramNames[program], kStateName);
}

bool lookAtStates(ProgramState states[kPrograms])
{
    bool changed = false;
    for (int i = 0; i < kPrograms; ++i) {
        char path[64];
        statePath(i, path, sizeof path);
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

int64_t staleAtNs(const ProgramState& state) { return state.stamp.modifiedNs + kFreshSeconds * kNsPerSecond; }

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
        for (const auto& [key, value] : states[i].fields) {
            if (key != "pid") addField(json.get(), key, value);  // this machine's own business
        }
    }
    return any ? printed(json) : "";
}

std::string lightStateMessage(const std::string& light, const std::string& colour, const std::string& brightness)
{
    LightMode mode;
    Json json(cJSON_CreateObject(), cJSON_Delete);
    // The program's own colours with nothing lit (heatglow in its gap after
    // the LEDs were switched off) are off as an owner sees them.
    if (!parseLightMode(light, &mode) || mode.kind == LightKind::off || (mode.kind == LightKind::automatic && colour == "000000")) {
        cJSON_AddStringToObject(json.get(), "state", "OFF");
        return printed(json);
    }
    cJSON_AddStringToObject(json.get(), "state", "ON");
    cJSON_AddStringToObject(json.get(), "color_mode", "rgb");
    // The colour as chosen and the brightness it shows at, apart, as Home
    // Assistant keeps them; a program that does not say shows it whole.
    const int level = std::atoi(brightness.c_str());
    cJSON_AddNumberToObject(json.get(), "brightness", level >= 1 && level <= 255 ? level : 255);
    // An effect has no one colour: the one the program last painted when it
    // says so (heatglow's heat colour), else white.
    LightMode shown;
    if (mode.kind != LightKind::colour && (!parseLightMode(colour, &shown) || shown.kind != LightKind::colour)) {
        shown.red = shown.green = shown.blue = 255;
    }
    const LightMode& painted = mode.kind == LightKind::colour ? mode : shown;
    cJSON* rgb = cJSON_AddObjectToObject(json.get(), "color");
    cJSON_AddNumberToObject(rgb, "r", painted.red);
    cJSON_AddNumberToObject(rgb, "g", painted.green);
    cJSON_AddNumberToObject(rgb, "b", painted.blue);
    if (mode.kind == LightKind::colour) {
        cJSON_AddNullToObject(json.get(), "effect");
    } else {
        cJSON_AddStringToObject(json.get(), "effect", light.c_str());
    }
    return printed(json);
}
