// SPDX-License-Identifier: MIT
#include "apps/hatkit_conf.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "apps/key_value_text.h"

namespace {

constexpr std::size_t kMaxFileBytes = 64 * 1024;
constexpr double kMinDegrees = 0.0;
constexpr double kMaxDegrees = 100.0;

enum Key {
    fanOn,
    fanOff,
    displayFlip,
    displayContrast,
    displayUpdates,
    displayOrbit,
    displayDimAfter,
    displayDimContrast,
    screenTimeout,
    light,
    lightEffects,
    lightSpeed,
    lightEffectColour,
    quietHours,
    addressInterfaces,
    metricsDir,
    mqttBroker,
    mqttUser,
    mqttPasswordFile,
    mqttCaFile,
    mqttCertFile,
    mqttKeyFile,
    mqttNode,
    mqttDiscoveryPrefix,
    keyCount
};
constexpr const char* kKeyNames[keyCount] = {
    "fan_on",      "fan_off",       "display_flip",       "display_contrast", "display_updates",
    "display_orbit", "display_dim_after", "display_dim_contrast", "screen_timeout",
    "light", "light_effects", "light_speed", "light_effect_colour",
    "quiet_hours", "address_interfaces", "metrics_dir",   "mqtt_broker",      "mqtt_user",
    "mqtt_password_file", "mqtt_ca_file", "mqtt_cert_file", "mqtt_key_file",  "mqtt_node",
    "mqtt_discovery_prefix"};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool parseDegrees(const std::string& value, double* degrees)
{
    if (value.empty() || value.find_first_not_of("0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    const double parsed = std::strtod(value.c_str(), &end);
    if (*end != '\0' || !std::isfinite(parsed) || parsed < kMinDegrees || parsed > kMaxDegrees) return false;
    *degrees = parsed;
    return true;
}

bool parseContrast(const std::string& value, int* contrast)
{
    const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    const std::string digits = hex ? value.substr(2) : value;
    if (digits.empty() || digits.size() > 3 ||
        digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos) {
        return false;
    }
    const long parsed = std::strtol(digits.c_str(), nullptr, hex ? 16 : 10);
    if (parsed > 255) return false;
    *contrast = static_cast<int>(parsed);
    return true;
}

// Whole minutes, 1 to a day.
bool parseMinutes(const std::string& value, int* minutes)
{
    if (value.empty() || value.size() > 4 || value.find_first_not_of("0123456789") != std::string::npos) return false;
    const int parsed = std::atoi(value.c_str());
    if (parsed < 1 || parsed > kMaxCareMinutes) return false;
    *minutes = parsed;
    return true;
}

// Effect numbers 0 to 4 separated by spaces, at most 16.
bool parseEffects(const std::string& value, HatkitSettings* settings)
{
    int count = 0;
    std::size_t at = 0;
    while (at < value.size()) {
        if (isBlank(value[at])) {
            ++at;
            continue;
        }
        if (value[at] < '0' || value[at] > '0' + kLastEffect || (at + 1 < value.size() && !isBlank(value[at + 1])) ||
            count == kMaxLightEffects) {
            return false;
        }
        settings->lightEffects[count++] = value[at] - '0';
        ++at;
    }
    settings->lightEffectCount = count;
    return count > 0;
}

// One digit from least to most.
bool parseDigit(const std::string& value, int least, int most, int* out)
{
    if (value.size() != 1 || value[0] < '0' + least || value[0] > '0' + most) return false;
    *out = value[0] - '0';
    return true;
}

// "HH:MM" at text[0..4] into minutes after midnight.
bool parseClock(const char* text, int* minutes)
{
    for (int i : {0, 1, 3, 4}) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    if (text[2] != ':') return false;
    const int hours = (text[0] - '0') * 10 + (text[1] - '0');
    const int mins = (text[3] - '0') * 10 + (text[4] - '0');
    if (hours > 23 || mins > 59) return false;
    *minutes = hours * 60 + mins;
    return true;
}

bool parseQuietHours(const std::string& value, int* start, int* end)
{
    return value.size() == 11 && value[5] == '-' && parseClock(value.c_str(), start) &&
           parseClock(value.c_str() + 6, end);
}

// Interface names separated by spaces, or "*"; false with the reason.
bool parseInterfaces(const std::string& value, HatkitSettings* settings, std::string* why)
{
    if (value == "*") {
        settings->anyInterface = true;
        settings->interfaceCount = 0;
        return true;
    }
    settings->anyInterface = false;
    settings->interfaceCount = 0;
    std::size_t at = 0;
    while (at < value.size()) {
        if (isBlank(value[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < value.size() && !isBlank(value[end])) ++end;
        const std::string name = value.substr(at, end - at);
        if (name == "*" || name.find_first_of("/:=#") != std::string::npos) {
            *why = "address_interfaces must be interface names separated by spaces, or * alone, not '" + value + "'";
            return false;
        }
        if (name.size() >= kInterfaceNameSize) {
            *why = "interface name '" + name + "' is longer than 15 characters";
            return false;
        }
        if (settings->interfaceCount == kMaxAddressInterfaces) {
            *why = "address_interfaces takes at most 8 names";
            return false;
        }
        std::strcpy(settings->interfaces[settings->interfaceCount++], name.c_str());
        at = end;
    }
    if (settings->interfaceCount == 0) {
        *why = "address_interfaces needs at least one interface name, or *";
        return false;
    }
    return true;
}

// An absolute folder, kept without trailing slashes (but for "/" itself).
bool parseFolder(const std::string& value, char* folder, std::string* why)
{
    std::string path = value;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || path[0] != '/') {
        *why = "metrics_dir must be an absolute folder, like /var/lib/prometheus/node-exporter, not '" + value + "'";
        return false;
    }
    if (path.size() >= static_cast<std::size_t>(kMetricsDirSize)) {
        *why = "metrics_dir is longer than 255 characters";
        return false;
    }
    std::strcpy(folder, path.c_str());
    return true;
}

// Text of the given characters, 1 to size-1 long, into out.
bool parseWord(const std::string& value, const char* allowed, char* out, std::size_t size)
{
    if (value.empty() || value.size() >= size || value.find_first_not_of(allowed) != std::string::npos) return false;
    std::strcpy(out, value.c_str());
    return true;
}

constexpr const char* kHostCharacters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-";

// HOST, HOST:PORT, or [IPV6] with an optional :PORT.
bool parseBroker(const std::string& value, MqttSettings* mqtt)
{
    std::string host = value;
    std::string port;
    if (!value.empty() && value[0] == '[') {
        const std::size_t close = value.find(']');
        if (close == std::string::npos || close == 1) return false;
        host = value.substr(1, close - 1);
        if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos) return false;
        if (close + 1 < value.size()) {
            if (value[close + 1] != ':') return false;
            port = value.substr(close + 2);
            if (port.empty()) return false;
        }
    } else {
        const std::size_t colon = value.find(':');
        if (colon != std::string::npos) {
            host = value.substr(0, colon);
            port = value.substr(colon + 1);
            if (port.empty()) return false;
        }
        if (host.empty() || host.find_first_not_of(kHostCharacters) != std::string::npos) return false;
    }
    int number = 0;
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
        number = std::atoi(port.c_str());
        if (number < 1 || number > 65535) return false;
    }
    if (host.size() >= sizeof mqtt->host) return false;
    std::strcpy(mqtt->host, host.c_str());
    mqtt->port = number;
    return true;
}

bool parseFile(const std::string& value, char* out)
{
    if (value.size() < 2 || value[0] != '/' || value.back() == '/' || value.size() >= kPathSize) return false;
    std::strcpy(out, value.c_str());
    return true;
}

bool parseMqttValue(Key key, const std::string& value, MqttSettings* mqtt, std::string* why)
{
    const std::string quoted = "'" + value + "'";
    switch (key) {
    case mqttBroker:
        if (parseBroker(value, mqtt)) return true;
        *why = "mqtt_broker must be HOST or HOST:PORT, like 192.168.1.5:1883, not " + quoted;
        return false;
    case mqttUser:
        if (parseWord(value, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._@+-", mqtt->user,
                      sizeof mqtt->user)) {
            return true;
        }
        *why = "mqtt_user must be a user name of letters, digits and ._@+-, not " + quoted;
        return false;
    case mqttNode:
        if (parseWord(value, "abcdefghijklmnopqrstuvwxyz0123456789_-", mqtt->node, sizeof mqtt->node)) return true;
        *why = "mqtt_node must be 1 to 63 of a-z, 0-9, _ and -, not " + quoted;
        return false;
    case mqttDiscoveryPrefix:
        if (parseWord(value, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-/", mqtt->discoveryPrefix,
                      sizeof mqtt->discoveryPrefix) &&
            value.front() != '/' && value.back() != '/') {
            return true;
        }
        *why = "mqtt_discovery_prefix must be a topic like homeassistant, not " + quoted;
        return false;
    default: break;
    }
    char* const files[] = {mqtt->passwordFile, mqtt->caFile, mqtt->certFile, mqtt->keyFile};
    if (parseFile(value, files[key - mqttPasswordFile])) return true;
    *why = std::string(kKeyNames[key]) + " must be an absolute path to a file, not " + quoted;
    return false;
}

bool parseValue(Key key, const std::string& value, HatkitSettings* settings, std::string* why)
{
    const std::string quoted = "'" + value + "'";
    switch (key) {
    case fanOn:
    case fanOff:
        if (!parseDegrees(value, key == fanOn ? &settings->fanThresholds.onAt : &settings->fanThresholds.offAt)) {
            *why = std::string(kKeyNames[key]) + " must be degrees from 0 to 100, like 55 or 52.5, not " + quoted;
            return false;
        }
        return true;
    case displayFlip:
        if (value != "yes" && value != "no") {
            *why = "display_flip must be yes or no, not " + quoted;
            return false;
        }
        settings->displayFlip = value == "yes";
        return true;
    case displayContrast:
        if (!parseContrast(value, &settings->displayContrast)) {
            *why = "display_contrast must be a whole number from 0 to 255, not " + quoted;
            return false;
        }
        return true;
    case displayOrbit:
        if (value != "yes" && value != "no") {
            *why = "display_orbit must be yes or no, not " + quoted;
            return false;
        }
        settings->displayOrbit = value == "yes";
        return true;
    case displayDimAfter:
    case screenTimeout:
        if (!parseMinutes(value, key == displayDimAfter ? &settings->dimAfterMinutes : &settings->screenTimeoutMinutes)) {
            *why = std::string(kKeyNames[key]) + " must be whole minutes from 1 to 1440, not " + quoted;
            return false;
        }
        return true;
    case displayDimContrast:
        if (!parseContrast(value, &settings->dimContrast)) {
            *why = "display_dim_contrast must be a whole number from 0 to 255, not " + quoted;
            return false;
        }
        return true;
    case light:
        if (!parseLightMode(value, &settings->light)) {
            *why = "light must be auto, off, RRGGBB or effect 0 to 4, not " + quoted;
            return false;
        }
        return true;
    case lightEffects:
        if (!parseEffects(value, settings)) {
            *why = "light_effects must be 1 to 16 effect numbers from 0 to 4, separated by spaces, not " + quoted;
            return false;
        }
        return true;
    case lightSpeed:
        if (!parseDigit(value, 1, 3, &settings->lightSpeed)) {
            *why = "light_speed must be 1, 2 or 3, not " + quoted;
            return false;
        }
        return true;
    case lightEffectColour:
        if (!parseDigit(value, 0, 6, &settings->lightEffectColour)) {
            *why = "light_effect_colour must be a number from 0 to 6, not " + quoted;
            return false;
        }
        return true;
    case displayUpdates:
        if (value != "full" && value != "changes") {
            *why = "display_updates must be full or changes, not " + quoted;
            return false;
        }
        settings->displayUpdates = value == "full" ? DisplayUpdates::full : DisplayUpdates::changes;
        return true;
    case quietHours:
        if (!parseQuietHours(value, &settings->quietStartMinute, &settings->quietEndMinute)) {
            *why = "quiet_hours must be HH:MM-HH:MM in local time, like 23:00-07:00, not " + quoted;
            return false;
        }
        if (settings->quietStartMinute == settings->quietEndMinute) {
            *why = "quiet_hours must not start and end at the same time";
            return false;
        }
        settings->quietHoursSet = true;
        return true;
    case addressInterfaces: return parseInterfaces(value, settings, why);
    case metricsDir: return parseFolder(value, settings->metricsDir, why);
    case keyCount: break;
    default: return parseMqttValue(key, value, &settings->mqtt, why);
    }
    return false;
}

std::string lineMessage(int line, const std::string& why) { return ::lineMessage("hatkit.conf", line, why); }

std::string degreesText(double degrees)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", degrees);
    return text;
}

}  // namespace

bool parseSettings(const char* text, std::size_t length, HatkitSettings* settings, std::string* message)
{
    HatkitSettings parsed;
    int keyLine[keyCount] = {};
    const bool ok = forEachPair(
        text, length, "hatkit.conf",
        [&](int line, const std::string& name, const std::string& value, std::string* why) {
            int key = 0;
            while (key < keyCount && name != kKeyNames[key]) ++key;
            if (key == keyCount) {
                *why = "unknown key '" + name + "'";
                return false;
            }
            if (keyLine[key] != 0) {
                *why = name + " is already set on line " + std::to_string(keyLine[key]);
                return false;
            }
            keyLine[key] = line;
            return parseValue(static_cast<Key>(key), value, &parsed, why);
        },
        message);
    if (!ok) return false;

    // The thresholds come as a pair; the pair's later line is named.
    if ((keyLine[fanOn] != 0) != (keyLine[fanOff] != 0)) {
        const bool onGiven = keyLine[fanOn] != 0;
        *message = lineMessage(onGiven ? keyLine[fanOn] : keyLine[fanOff],
                               onGiven ? "fan_on needs fan_off too" : "fan_off needs fan_on too");
        return false;
    }
    if (keyLine[fanOn] != 0) {
        if (parsed.fanThresholds.offAt >= parsed.fanThresholds.onAt) {
            *message = lineMessage(keyLine[fanOn] > keyLine[fanOff] ? keyLine[fanOn] : keyLine[fanOff],
                                   "fan_off (" + degreesText(parsed.fanThresholds.offAt) + ") must be below fan_on (" +
                                       degreesText(parsed.fanThresholds.onAt) + ")");
            return false;
        }
        parsed.fanThresholdsSet = true;
    }
    // A client certificate goes with its key, over TLS.
    if ((keyLine[mqttCertFile] != 0) != (keyLine[mqttKeyFile] != 0)) {
        const bool certGiven = keyLine[mqttCertFile] != 0;
        *message = lineMessage(certGiven ? keyLine[mqttCertFile] : keyLine[mqttKeyFile],
                               certGiven ? "mqtt_cert_file needs mqtt_key_file too" : "mqtt_key_file needs mqtt_cert_file too");
        return false;
    }
    if (keyLine[mqttCertFile] != 0 && keyLine[mqttCaFile] == 0) {
        *message = lineMessage(keyLine[mqttCertFile], "a client certificate needs mqtt_ca_file (TLS) too");
        return false;
    }
    *settings = parsed;
    return true;
}

bool loadSettings(HatkitSettings* settings, std::string* message)
{
    std::string content;
    switch (readSmallFile(kSettingsPath, "hatkit.conf", kMaxFileBytes, &content, message)) {
    case FileRead::missing: *settings = HatkitSettings{}; return true;
    case FileRead::failed: return false;
    case FileRead::ok: break;
    }
    return parseSettings(content.data(), content.size(), settings, message);
}

bool inQuietHours(const HatkitSettings& settings, int secondsOfDay)
{
    if (!settings.quietHoursSet) return false;
    const int start = settings.quietStartMinute * 60;
    const int end = settings.quietEndMinute * 60;
    if (start < end) return secondsOfDay >= start && secondsOfDay < end;
    return secondsOfDay >= start || secondsOfDay < end;  // across midnight
}

bool wantsAddressOf(const HatkitSettings& settings, const char* name, bool loopback)
{
    if (settings.anyInterface) return !loopback;
    for (int i = 0; i < settings.interfaceCount; ++i) {
        if (std::strcmp(settings.interfaces[i], name) == 0) return true;
    }
    return false;
}
