// SPDX-License-Identifier: MIT
// What Home Assistant may ask of the board, as the bridge (hatkit-mqtt)
// hands it to the board programs: /run/hatkit-mqtt/control, in hatkit.conf's
// "key = value" form. A key left out, or no file at all, means auto.
//   fan = auto | on | off
//   light = auto | off | RRGGBB | effect N      (N = 0 to 4)
//   screen = auto | on | off
//   brightness = 1..255                         (what a colour shows at; left out: the setting's)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr const char* kControlFolder = "/run/hatkit-mqtt";
constexpr const char* kControlName = "control";
constexpr const char* kControlPath = "/run/hatkit-mqtt/control";
// The bridge's own state beside it, for `hatkit status`: "connected = yes"
// or "no", and "broker = HOST:PORT".
constexpr const char* kBridgeStateName = "state";
constexpr const char* kBridgeStatePath = "/run/hatkit-mqtt/state";
constexpr int kLastEffect = 4;

enum class FanMode { automatic, on, off };
enum class ScreenMode { automatic, on, off };
enum class LightKind { automatic, off, colour, effect };

struct LightMode {
    LightKind kind = LightKind::automatic;
    uint8_t red = 0, green = 0, blue = 0;  // colour
    int effect = 0;                        // effect
    // What a colour shows at, 1 to 255: the colour above stays as chosen and
    // is scaled on its way to the board (also the program's own colours).
    int brightness = 255;
    bool operator==(const LightMode& other) const;
    bool operator!=(const LightMode& other) const { return !(*this == other); }
};

struct Commands {
    FanMode fan = FanMode::automatic;
    LightMode light;
    ScreenMode screen = ScreenMode::automatic;
    int brightness = 0;  // 1 to 255; 0: none commanded
    bool operator==(const Commands& other) const
    {
        return fan == other.fan && light == other.light && screen == other.screen && brightness == other.brightness;
    }
    bool operator!=(const Commands& other) const { return !(*this == other); }
};

// "auto", "off", "RRGGBB" (lower-case hex) or "effect N".
bool parseLightMode(const std::string& text, LightMode* light);
void describeLightMode(const LightMode& light, char* out, std::size_t size);

const char* fanModeName(FanMode mode);        // "auto", "on", "off"
const char* screenModeName(ScreenMode mode);  // "auto", "on", "off"

// A colour at a brightness (1 to 255) on the board's levels, rounded.
LightMode scaledColour(const LightMode& colour, int brightness);

// The whole file; on the first problem false with "control line N: why",
// and *commands left alone.
bool parseCommands(const char* text, std::size_t length, Commands* commands, std::string* message);

// The file's text: only what is not auto, so no commands is an empty file.
std::string renderCommands(const Commands& commands);
