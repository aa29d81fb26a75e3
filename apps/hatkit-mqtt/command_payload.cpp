// SPDX-License-Identifier: MIT
#include "apps/hatkit-mqtt/command_payload.h"

#include <cjson/cJSON.h>

#include <cmath>
#include <memory>

namespace {

using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

bool onOrOff(const std::string& text, bool* on)
{
    if (text != "ON" && text != "OFF") return false;
    *on = text == "ON";
    return true;
}

// A colour channel: a whole number from 0 to 255.
bool channel(const cJSON* colour, const char* name, uint8_t* value)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(colour, name);
    if (!cJSON_IsNumber(item)) return false;
    const double number = item->valuedouble;
    if (!(number >= 0 && number <= 255) || std::floor(number) != number) return false;
    *value = static_cast<uint8_t>(number);
    return true;
}

bool applyLight(const char* payload, std::size_t length, LightMode* light, int* commandedBrightness, std::string* why)
{
    const Json json(cJSON_ParseWithLength(payload, length), cJSON_Delete);
    if (!json || !cJSON_IsObject(json.get())) {
        *why = "light/set: not a JSON object";
        return false;
    }
    const cJSON* state = cJSON_GetObjectItemCaseSensitive(json.get(), "state");
    const cJSON* colour = cJSON_GetObjectItemCaseSensitive(json.get(), "color");
    const cJSON* effect = cJSON_GetObjectItemCaseSensitive(json.get(), "effect");
    const cJSON* brightness = cJSON_GetObjectItemCaseSensitive(json.get(), "brightness");
    bool on = true;
    if (!cJSON_IsString(state) || !onOrOff(state->valuestring, &on)) {
        *why = "light/set: state must be \"ON\" or \"OFF\"";
        return false;
    }
    // The brightness apart from the colour: the program scales what shows.
    if (brightness != nullptr && (!cJSON_IsNumber(brightness) || !(brightness->valuedouble >= 0 && brightness->valuedouble <= 255))) {
        *why = "light/set: brightness must be a number from 0 to 255";
        return false;
    }
    LightMode wanted = *light;
    int level = *commandedBrightness;
    if (brightness != nullptr) {
        level = static_cast<int>(std::lround(brightness->valuedouble));
        if (level == 0) on = false;  // Home Assistant's own word for off
    }
    if (colour != nullptr) {
        if (!cJSON_IsObject(colour) || !channel(colour, "r", &wanted.red) || !channel(colour, "g", &wanted.green) ||
            !channel(colour, "b", &wanted.blue)) {
            *why = "light/set: color must hold r, g and b from 0 to 255";
            return false;
        }
        wanted.kind = LightKind::colour;
    }
    if (effect != nullptr) {
        LightMode chosen;
        if (!cJSON_IsString(effect) || std::string(effect->valuestring) == "off" ||
            !parseLightMode(effect->valuestring, &chosen) || chosen.kind == LightKind::colour) {
            *why = "light/set: effect must be auto or effect 0 to 4";
            return false;
        }
        if (colour != nullptr) {
            *why = "light/set: a color or an effect, not both";
            return false;
        }
        wanted = chosen;
    }
    if (!on) {
        wanted = LightMode{};
        wanted.kind = LightKind::off;
    } else if (colour == nullptr && effect == nullptr && wanted.kind == LightKind::off) {
        wanted = LightMode{};  // on again: as the program would have it
    }
    *light = wanted;
    if (on) *commandedBrightness = level;
    return true;
}

}  // namespace

bool applyCommandPayload(CommandTopic topic, const char* payload, std::size_t length, Commands* commands,
                         std::string* why)
{
    static const char* const kTopics[] = {"fan/set", "fan/preset/set", "light/set", "screen/set"};
    const char* name = kTopics[static_cast<int>(topic)];
    if (length > kMaxPayloadBytes) {
        *why = std::string(name) + ": longer than 1 KiB";
        return false;
    }
    if (topic == CommandTopic::light) return applyLight(payload, length, &commands->light, &commands->brightness, why);
    const std::string text(payload, length);
    bool on = false;
    switch (topic) {
    case CommandTopic::fan:
        if (!onOrOff(text, &on)) break;
        commands->fan = on ? FanMode::on : FanMode::off;
        return true;
    case CommandTopic::fanPreset:
        if (text != "auto") {
            *why = "fan/preset/set: the only preset is auto";
            return false;
        }
        commands->fan = FanMode::automatic;
        return true;
    case CommandTopic::screen:
        if (!onOrOff(text, &on)) break;
        commands->screen = on ? ScreenMode::on : ScreenMode::off;
        return true;
    case CommandTopic::light: break;
    }
    *why = std::string(name) + ": must be ON or OFF";
    return false;
}
