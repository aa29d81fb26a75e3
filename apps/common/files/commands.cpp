// SPDX-License-Identifier: MIT
#include "apps/common/files/commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "apps/common/files/key_value_text.h"

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseMode(const std::string& text, int* mode)
{
    if (text == "auto") *mode = 0;
    else if (text == "on") *mode = 1;
    else if (text == "off") *mode = 2;
    else return false;
    return true;
}

}  // namespace

bool LightMode::operator==(const LightMode& other) const
{
    if (kind != other.kind) return false;
    if (kind == LightKind::colour) {
        return red == other.red && green == other.green && blue == other.blue && brightness == other.brightness;
    }
    if (kind == LightKind::automatic) return brightness == other.brightness;
    if (kind == LightKind::effect) return effect == other.effect;
    return true;
}

bool parseLightMode(const std::string& text, LightMode* light)
{
    LightMode parsed;
    if (text == "auto" || text == "off") {
        parsed.kind = text == "auto" ? LightKind::automatic : LightKind::off;
    } else if (text.size() == 8 && text.compare(0, 7, "effect ") == 0 && text[7] >= '0' && text[7] <= '0' + kLastEffect) {
        parsed.kind = LightKind::effect;
        parsed.effect = text[7] - '0';
    } else if (text.size() == 6) {
        int digits[6];
        for (int i = 0; i < 6; ++i) {
            digits[i] = hexDigit(text[static_cast<std::size_t>(i)]);
            if (digits[i] < 0) return false;
        }
        parsed.kind = LightKind::colour;
        parsed.red = static_cast<uint8_t>(digits[0] * 16 + digits[1]);
        parsed.green = static_cast<uint8_t>(digits[2] * 16 + digits[3]);
        parsed.blue = static_cast<uint8_t>(digits[4] * 16 + digits[5]);
    } else {
        return false;
    }
    *light = parsed;
    return true;
}

void describeLightMode(const LightMode& light, char* out, std::size_t size)
{
    switch (light.kind) {
    case LightKind::automatic: std::snprintf(out, size, "auto"); break;
    case LightKind::off: std::snprintf(out, size, "off"); break;
    case LightKind::colour: std::snprintf(out, size, "%02x%02x%02x", light.red, light.green, light.blue); break;
    case LightKind::effect: std::snprintf(out, size, "effect %d", light.effect); break;
    }
}

LightMode scaledColour(const LightMode& colour, int brightness)
{
    LightMode scaled = colour;
    const auto scale = [&](uint8_t level) { return static_cast<uint8_t>((level * brightness + 127) / 255); };
    scaled.red = scale(colour.red);
    scaled.green = scale(colour.green);
    scaled.blue = scale(colour.blue);
    return scaled;
}

const char* fanModeName(FanMode mode)
{
    return mode == FanMode::automatic ? "auto" : mode == FanMode::on ? "on" : "off";
}

const char* screenModeName(ScreenMode mode)
{
    return mode == ScreenMode::automatic ? "auto" : mode == ScreenMode::on ? "on" : "off";
}

bool parseCommands(const char* text, std::size_t length, Commands* commands, std::string* message)
{
    Commands parsed;
    bool seen[4] = {false, false, false, false};
    const bool ok = forEachPair(
        text, length, kControlName,
        [&](int, const std::string& key, const std::string& value, std::string* why) {
            const int index = key == "fan" ? 0 : key == "light" ? 1 : key == "screen" ? 2 : key == "brightness" ? 3 : -1;
            if (index < 0) {
                *why = "unknown key '" + key + "'";
                return false;
            }
            if (seen[index]) {
                *why = key + " is given twice";
                return false;
            }
            seen[index] = true;
            int mode = 0;
            if (index == 3) {
                const int level = value.size() <= 3 && value.find_first_not_of("0123456789") == std::string::npos
                                      ? std::atoi(value.c_str())
                                      : 0;
                if (level >= 1 && level <= 255) {
                    parsed.brightness = level;
                    return true;
                }
                *why = "brightness must be a whole number from 1 to 255, not '" + value + "'";
                return false;
            }
            if (index == 1) {
                if (parseLightMode(value, &parsed.light)) return true;
                *why = "light must be auto, off, RRGGBB or effect 0 to 4, not '" + value + "'";
                return false;
            }
            if (!parseMode(value, &mode)) {
                *why = key + " must be auto, on or off, not '" + value + "'";
                return false;
            }
            if (index == 0) parsed.fan = static_cast<FanMode>(mode);
            if (index == 2) parsed.screen = static_cast<ScreenMode>(mode);
            return true;
        },
        message);
    if (ok) *commands = parsed;
    return ok;
}

std::string renderCommands(const Commands& commands)
{
    std::string text;
    if (commands.fan != FanMode::automatic) text += std::string("fan = ") + fanModeName(commands.fan) + "\n";
    if (commands.light.kind != LightKind::automatic) {
        char light[16];
        describeLightMode(commands.light, light, sizeof light);
        text += std::string("light = ") + light + "\n";
    }
    if (commands.screen != ScreenMode::automatic) text += std::string("screen = ") + screenModeName(commands.screen) + "\n";
    if (commands.brightness > 0) text += "brightness = " + std::to_string(commands.brightness) + "\n";
    return text;
}
