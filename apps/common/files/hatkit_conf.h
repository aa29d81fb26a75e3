// SPDX-License-Identifier: MIT
// The owner's settings, /etc/hatkit.conf: fan thresholds, the panel's
// orientation and contrast, quiet hours, the interfaces whose address
// sysglance shows, the metrics folder and Home Assistant's broker. The file is optional; without it (or with nothing in it)
// every program keeps its built-in behaviour.
//
// Format: "key = value" lines, "#" comments, blank lines. This module alone
// knows the syntax: the programs get one plain struct.
#pragma once

#include <cstddef>
#include <string>

#include "apps/common/files/commands.h"
#include "apps/common/files/settings_table.h"

constexpr const char* kSettingsPath = "/etc/hatkit.conf";
constexpr int kMaxAddressInterfaces = 8;
constexpr int kInterfaceNameSize = 16;  // IFNAMSIZ: 15 characters and the terminator
constexpr int kMetricsDirSize = 256;

// The fan's two thresholds, wherever they come from (the settings, the Pi
// model, airguard's own pair).
struct FanThresholds {
    double onAt;   // on at or above
    double offAt;  // off at or below; below onAt
};

// How sysglance brings the panel up to date: the whole frame a pass, or
// only what changed.
enum class DisplayUpdates { full, changes };

constexpr int kPathSize = 256;
constexpr int kDefaultDimContrast = 0x10;
constexpr int kMaxCareMinutes = 1440;
constexpr int kMaxLightEffects = 16;

// Home Assistant's broker, for the bridge (hatkit-mqtt); the board
// programs accept these keys and leave them alone.
struct MqttSettings {
    char host[kPathSize] = "";  // "" without mqtt_broker
    int port = 0;               // 0: 1883, or 8883 with TLS
    char user[128] = "";
    char passwordFile[kPathSize] = "";
    char caFile[kPathSize] = "";  // TLS when given
    char certFile[kPathSize] = "";
    char keyFile[kPathSize] = "";
    char node[64] = "";  // "": the host name, cut to [a-z0-9_-]
    char discoveryPrefix[128] = "homeassistant";
};

struct HatkitSettings {
    bool fanThresholdsSet = false;  // fan_on and fan_off, always together
    FanThresholds fanThresholds = {0.0, 0.0};
    bool displayFlip = false;       // picture turned 180 degrees
    int displayContrast = 0x8F;
    DisplayUpdates displayUpdates = DisplayUpdates::full;
    // The panel's care against burn-in, all off by default: the picture
    // moved a pixel at a time; the contrast lowered, or the panel off,
    // after that many minutes without anything worth a look (0: never).
    bool displayOrbit = false;
    int dimAfterMinutes = 0;
    int dimContrast = kDefaultDimContrast;
    int screenTimeoutMinutes = 0;
    // The LEDs as the owner has them when no command says otherwise (auto:
    // the program's own), the effects sysglance rotates through (none: its
    // own rotation), and the speed (1 to 3) and colour number (0 to 6) of
    // every effect hatkit starts (0 and -1: not written).
    LightMode light;
    int lightEffectCount = 0;
    int lightEffects[kMaxLightEffects] = {};
    int lightBrightness = 255;  // what colours show at, 1 to 255
    int lightSpeed = 0;
    int lightEffectColour = -1;
    bool quietHoursSet = false;
    int quietStartMinute = 0;  // minutes after local midnight; the window may cross midnight
    int quietEndMinute = 0;
    bool anyInterface = false;  // "*": any interface that is not loopback
    int interfaceCount = 2;
    char interfaces[kMaxAddressInterfaces][kInterfaceNameSize] = {"eth0", "wlan0"};
    char metricsDir[kMetricsDirSize] = "";  // an absolute folder; "": no metrics file
    MqttSettings mqtt;
};

// Parses a whole file. On the first problem returns false with
// "hatkit.conf line N: WHY" in *message, and leaves *settings alone. The
// whole file is checked; *settings gets only the keys `reader` (bits of
// SettingReader, settings_table.h) reads, the others stay at their defaults.
bool parseSettings(const char* text, std::size_t length, HatkitSettings* settings, std::string* message,
                   unsigned reader = kReadByAll);

// Reads /etc/hatkit.conf through the platform seam and parses it. A missing
// file gives the defaults; one that cannot be read gives "hatkit.conf: WHY".
bool loadSettings(HatkitSettings* settings, std::string* message, unsigned reader = kReadByAll);

// Whether a local time of day (seconds after midnight) lies in the quiet hours.
bool inQuietHours(const HatkitSettings& settings, int secondsOfDay);

// Whether the address row looks at an interface of this name.
bool wantsAddressOf(const HatkitSettings& settings, const char* name, bool loopback);
