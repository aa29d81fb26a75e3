// SPDX-License-Identifier: MIT
// /etc/hatkit.conf: what a good file sets, and the line and reason a bad
// file is refused with.
#include "apps/common/files/hatkit_conf.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

// The file the package installs: understood, and with the panel's care on.
TEST(HatkitConf, TheInstalledFileTurnsOnThePanelsCare)
{
    std::ifstream file(HATKIT_SOURCE_DIR "/packaging/hatkit.conf");
    std::stringstream text;
    text << file.rdbuf();
    HatkitSettings settings;
    std::string message;
    ASSERT_TRUE(parseSettings(text.str().data(), text.str().size(), &settings, &message)) << message;
    EXPECT_TRUE(settings.displayOrbit);
    EXPECT_EQ(settings.dimAfterMinutes, 10);
    EXPECT_EQ(settings.dimContrast, 0x10);
    EXPECT_EQ(settings.screenTimeoutMinutes, 0);
}

TEST(HatkitConf, EveryKeyWithCommentsAndBlankLines)
{
    const std::string text =
        "# hatkit\n\n  fan_on = 52.5  # warm\nfan_off=50\r\ndisplay_flip = yes\ndisplay_contrast = 0x20\n"
        "display_updates = changes\nquiet_hours = 23:00-07:00\n\taddress_interfaces =  end0   wlan0 \n";
    HatkitSettings settings;
    std::string message;
    ASSERT_TRUE(parseSettings(text.data(), text.size(), &settings, &message)) << message;
    EXPECT_TRUE(settings.fanThresholdsSet);
    EXPECT_EQ(settings.fanThresholds.onAt, 52.5);
    EXPECT_EQ(settings.fanThresholds.offAt, 50.0);
    EXPECT_TRUE(settings.displayFlip);
    EXPECT_EQ(settings.displayContrast, 0x20);
    EXPECT_EQ(settings.displayUpdates, DisplayUpdates::changes);
    EXPECT_TRUE(wantsAddressOf(settings, "end0", false));
    EXPECT_FALSE(wantsAddressOf(settings, "eth0", false));
    // 23:00-07:00 crosses midnight; the end minute is outside.
    for (auto [seconds, quiet] : {std::pair{22 * 3600 + 3599, false}, {23 * 3600, true}, {0, true}, {7 * 3600 - 1, true},
                                  {7 * 3600, false}}) {
        EXPECT_EQ(inQuietHours(settings, seconds), quiet) << seconds;
    }
    HatkitSettings defaults;
    ASSERT_TRUE(parseSettings("", 0, &defaults, &message));
    EXPECT_FALSE(defaults.fanThresholdsSet || defaults.quietHoursSet || defaults.displayFlip);
    EXPECT_EQ(defaults.displayContrast, 0x8F);
    EXPECT_EQ(defaults.displayUpdates, DisplayUpdates::full);
    EXPECT_TRUE(wantsAddressOf(defaults, "eth0", false) && wantsAddressOf(defaults, "wlan0", false));
    EXPECT_FALSE(wantsAddressOf(defaults, "eth1", false));
    ASSERT_TRUE(parseSettings("address_interfaces = *", 22, &defaults, &message));
    EXPECT_TRUE(wantsAddressOf(defaults, "usb0", false));
    EXPECT_FALSE(wantsAddressOf(defaults, "lo", true));
}

// Each value at the edges of what is accepted.
TEST(HatkitConf, ValuesAtTheirEdges)
{
    const struct {
        const char* text;
        bool (*holds)(const HatkitSettings&);
    } cases[] = {
        {"fan_on = 100\nfan_off = 0", [](const HatkitSettings& s) { return s.fanThresholds.onAt == 100.0 && s.fanThresholds.offAt == 0.0; }},
        {"fan_on = 0.2\nfan_off = 0.1", [](const HatkitSettings& s) { return s.fanThresholds.onAt == 0.2 && s.fanThresholds.offAt == 0.1; }},
        {"display_contrast = 0", [](const HatkitSettings& s) { return s.displayContrast == 0; }},
        {"display_contrast = 100", [](const HatkitSettings& s) { return s.displayContrast == 100; }},
        {"display_contrast = 255", [](const HatkitSettings& s) { return s.displayContrast == 255; }},
        {"display_contrast = 0xff", [](const HatkitSettings& s) { return s.displayContrast == 255; }},
        {"display_contrast = 0X0", [](const HatkitSettings& s) { return s.displayContrast == 0; }},
        {"display_flip = no", [](const HatkitSettings& s) { return !s.displayFlip; }},
        {"display_updates = full", [](const HatkitSettings& s) { return s.displayUpdates == DisplayUpdates::full; }},
        {"display_orbit = yes\ndisplay_dim_after = 1\ndisplay_dim_contrast = 0\nscreen_timeout = 1440",
         [](const HatkitSettings& s) {
             return s.displayOrbit && s.dimAfterMinutes == 1 && s.dimContrast == 0 && s.screenTimeoutMinutes == 1440;
         }},
        {"light = effect 4\nlight_effects = 0 4  2\nlight_speed = 3\nlight_effect_colour = 6",
         [](const HatkitSettings& s) {
             return s.light.kind == LightKind::effect && s.light.effect == 4 && s.lightEffectCount == 3 &&
                    s.lightEffects[1] == 4 && s.lightEffects[2] == 2 && s.lightSpeed == 3 && s.lightEffectColour == 6;
         }},
        {"light = 0A00ff\nlight_effects = 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1\nlight_speed = 1\nlight_effect_colour = 0",
         [](const HatkitSettings& s) {
             return s.light.kind == LightKind::colour && s.light.red == 10 && s.light.blue == 255 &&
                    s.lightEffectCount == 16 && s.lightEffects[15] == 1 && s.lightSpeed == 1 && s.lightEffectColour == 0;
         }},
        {"light = auto", [](const HatkitSettings& s) {
             return s.light.kind == LightKind::automatic && s.lightEffectCount == 0 && s.lightSpeed == 0 &&
                    s.lightEffectColour == -1;
         }},
        {"display_orbit = no", [](const HatkitSettings& s) {
             return !s.displayOrbit && s.dimAfterMinutes == 0 && s.dimContrast == 0x10 && s.screenTimeoutMinutes == 0;
         }},
        {"quiet_hours = 00:00-23:59", [](const HatkitSettings& s) { return s.quietStartMinute == 0 && s.quietEndMinute == 1439; }},
        {"address_interfaces = abcdefghijklmno a b c d e f g",
         [](const HatkitSettings& s) { return s.interfaceCount == 8 && wantsAddressOf(s, "abcdefghijklmno", false); }},
        {"metrics_dir = /var/lib/prometheus/node-exporter/",
         [](const HatkitSettings& s) { return std::string(s.metricsDir) == "/var/lib/prometheus/node-exporter"; }},
        {"metrics_dir = /", [](const HatkitSettings& s) { return std::string(s.metricsDir) == "/"; }},
        {"mqtt_broker = ha.local", [](const HatkitSettings& s) { return std::string(s.mqtt.host) == "ha.local" && s.mqtt.port == 0; }},
        {"mqtt_broker = 10.0.0.2:65535", [](const HatkitSettings& s) { return s.mqtt.port == 65535; }},
        {"mqtt_broker = [::1]", [](const HatkitSettings& s) { return std::string(s.mqtt.host) == "::1" && s.mqtt.port == 0; }},
        {"mqtt_broker = [fd00::1]:1",
         [](const HatkitSettings& s) { return std::string(s.mqtt.host) == "fd00::1" && s.mqtt.port == 1; }},
        {"mqtt_ca_file = /c\nmqtt_cert_file = /d\nmqtt_key_file = /e\nmqtt_user = ha-user@x\nmqtt_node = pi_4-b\n"
         "mqtt_discovery_prefix = ha/disc",
         [](const HatkitSettings& s) {
             return std::string(s.mqtt.keyFile) == "/e" && std::string(s.mqtt.user) == "ha-user@x" &&
                    std::string(s.mqtt.discoveryPrefix) == "ha/disc" && std::string(s.mqtt.node) == "pi_4-b";
         }},
        {"metrics_dir = /aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
         [](const HatkitSettings& s) { return std::string(s.metricsDir).size() == 255; }},
    };
    for (const auto& c : cases) {
        HatkitSettings settings;
        std::string message;
        EXPECT_TRUE(parseSettings(c.text, std::string(c.text).size(), &settings, &message)) << c.text << ": " << message;
        EXPECT_TRUE(c.holds(settings)) << c.text;
    }
}

TEST(HatkitConf, BadFilesNameTheLineAndTheReason)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"fan_speed = 3\n", "hatkit.conf line 1: unknown key 'fan_speed'"},
        {"# x\nfan_on 55\n", "hatkit.conf line 2: expected 'key = value', got 'fan_on 55'"},
        {"display_flip = yes\ndisplay_flip = no\n", "hatkit.conf line 2: display_flip is already set on line 1"},
        {"fan_on = hot\nfan_off = 45\n",
         "hatkit.conf line 1: fan_on must be degrees from 0 to 100, like 55 or 52.5, not 'hot'"},
        {"fan_on = -5\n", "hatkit.conf line 1: fan_on must be degrees from 0 to 100, like 55 or 52.5, not '-5'"},
        {"fan_on = 55\n", "hatkit.conf line 1: fan_on needs fan_off too"},
        {"\nfan_off = 45\n", "hatkit.conf line 2: fan_off needs fan_on too"},
        {"fan_on = 50\nfan_off = 50\n", "hatkit.conf line 2: fan_off (50) must be below fan_on (50)"},
        {"fan_off = 60\ndisplay_flip = no\nfan_on = 55\n", "hatkit.conf line 3: fan_off (60) must be below fan_on (55)"},
        {"display_flip = true\n", "hatkit.conf line 1: display_flip must be yes or no, not 'true'"},
        {"display_contrast = 256\n", "hatkit.conf line 1: display_contrast must be a whole number from 0 to 255, not '256'"},
        {"display_contrast = 0x100\n", "hatkit.conf line 1: display_contrast must be a whole number from 0 to 255, not '0x100'"},
        {"display_contrast = -1\n", "hatkit.conf line 1: display_contrast must be a whole number from 0 to 255, not '-1'"},
        {"fan_on = 100.01\nfan_off = 45\n",
         "hatkit.conf line 1: fan_on must be degrees from 0 to 100, like 55 or 52.5, not '100.01'"},
        {"quiet_hours = 23:60-07:00\n",
         "hatkit.conf line 1: quiet_hours must be HH:MM-HH:MM in local time, like 23:00-07:00, not '23:60-07:00'"},
        {"metrics_dir = var/lib\n",
         "hatkit.conf line 1: metrics_dir must be an absolute folder, like /var/lib/prometheus/node-exporter, not 'var/lib'"},
        {"metrics_dir = /aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n",
         "hatkit.conf line 1: metrics_dir is longer than 255 characters"},
        {"metrics_dir =\n",
         "hatkit.conf line 1: metrics_dir must be an absolute folder, like /var/lib/prometheus/node-exporter, not ''"},
        {"display_contrast =\n", "hatkit.conf line 1: display_contrast must be a whole number from 0 to 255, not ''"},
        {"display_updates = Changes\n", "hatkit.conf line 1: display_updates must be full or changes, not 'Changes'"},
        {"display_orbit = on\n", "hatkit.conf line 1: display_orbit must be yes or no, not 'on'"},
        {"light = effect 5\n", "hatkit.conf line 1: light must be auto, off, RRGGBB or effect 0 to 4, not 'effect 5'"},
        {"light = blue\n", "hatkit.conf line 1: light must be auto, off, RRGGBB or effect 0 to 4, not 'blue'"},
        {"light_effects = 1 5\n",
         "hatkit.conf line 1: light_effects must be 1 to 16 effect numbers from 0 to 4, separated by spaces, not '1 5'"},
        {"light_effects = 12\n",
         "hatkit.conf line 1: light_effects must be 1 to 16 effect numbers from 0 to 4, separated by spaces, not '12'"},
        {"light_effects =\n",
         "hatkit.conf line 1: light_effects must be 1 to 16 effect numbers from 0 to 4, separated by spaces, not ''"},
        {"light_effects = 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n",
         "hatkit.conf line 1: light_effects must be 1 to 16 effect numbers from 0 to 4, separated by spaces, not "
         "'0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0'"},
        {"light_speed = 0\n", "hatkit.conf line 1: light_speed must be 1, 2 or 3, not '0'"},
        {"light_speed = 4\n", "hatkit.conf line 1: light_speed must be 1, 2 or 3, not '4'"},
        {"light_effect_colour = 7\n", "hatkit.conf line 1: light_effect_colour must be a number from 0 to 6, not '7'"},
        {"light_effect_colour = -1\n", "hatkit.conf line 1: light_effect_colour must be a number from 0 to 6, not '-1'"},
        {"display_dim_after = 0\n", "hatkit.conf line 1: display_dim_after must be whole minutes from 1 to 1440, not '0'"},
        {"screen_timeout = 1441\n", "hatkit.conf line 1: screen_timeout must be whole minutes from 1 to 1440, not '1441'"},
        {"screen_timeout = 2.5\n", "hatkit.conf line 1: screen_timeout must be whole minutes from 1 to 1440, not '2.5'"},
        {"display_dim_contrast = 300\n",
         "hatkit.conf line 1: display_dim_contrast must be a whole number from 0 to 255, not '300'"},
        {"quiet_hours = 23:00-24:00\n",
         "hatkit.conf line 1: quiet_hours must be HH:MM-HH:MM in local time, like 23:00-07:00, not '23:00-24:00'"},
        {"quiet_hours = 7:00-8:00\n",
         "hatkit.conf line 1: quiet_hours must be HH:MM-HH:MM in local time, like 23:00-07:00, not '7:00-8:00'"},
        {"quiet_hours = 22:00-22:00\n", "hatkit.conf line 1: quiet_hours must not start and end at the same time"},
        {"address_interfaces = eth0 *\n",
         "hatkit.conf line 1: address_interfaces must be interface names separated by spaces, or * alone, not 'eth0 *'"},
        {"address_interfaces = abcdefghijklmnop\n",
         "hatkit.conf line 1: interface name 'abcdefghijklmnop' is longer than 15 characters"},
        {"address_interfaces = a b c d e f g h i\n", "hatkit.conf line 1: address_interfaces takes at most 8 names"},
        {"address_interfaces =\n", "hatkit.conf line 1: address_interfaces needs at least one interface name, or *"},
        {"mqtt_broker = ha.local:0\n", "hatkit.conf line 1: mqtt_broker must be HOST or HOST:PORT, like 192.168.1.5:1883, not 'ha.local:0'"},
        {"mqtt_broker = ha.local:65536\n",
         "hatkit.conf line 1: mqtt_broker must be HOST or HOST:PORT, like 192.168.1.5:1883, not 'ha.local:65536'"},
        {"mqtt_broker = [::1\n", "hatkit.conf line 1: mqtt_broker must be HOST or HOST:PORT, like 192.168.1.5:1883, not '[::1'"},
        {"mqtt_broker = [::1]x\n", "hatkit.conf line 1: mqtt_broker must be HOST or HOST:PORT, like 192.168.1.5:1883, not '[::1]x'"},
        {"mqtt_node = aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n",  // 64: one too many
         "hatkit.conf line 1: mqtt_node must be 1 to 63 of a-z, 0-9, _ and -, not "
         "'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa'"},
        {"mqtt_broker = ha local\n",
         "hatkit.conf line 1: mqtt_broker must be HOST or HOST:PORT, like 192.168.1.5:1883, not 'ha local'"},
        {"mqtt_password_file = secret\n", "hatkit.conf line 1: mqtt_password_file must be an absolute path to a file, not 'secret'"},
        {"mqtt_node = Pi4\n", "hatkit.conf line 1: mqtt_node must be 1 to 63 of a-z, 0-9, _ and -, not 'Pi4'"},
        {"mqtt_discovery_prefix = /ha\n", "hatkit.conf line 1: mqtt_discovery_prefix must be a topic like homeassistant, not '/ha'"},
        {"mqtt_ca_file = /ca\nmqtt_key_file = /k\n", "hatkit.conf line 2: mqtt_key_file needs mqtt_cert_file too"},
        {"mqtt_cert_file = /c\nmqtt_key_file = /k\n", "hatkit.conf line 1: a client certificate needs mqtt_ca_file (TLS) too"},
    };
    for (const auto& c : cases) {
        HatkitSettings settings;
        settings.displayContrast = 7;
        std::string message;
        EXPECT_FALSE(parseSettings(c.text, std::string(c.text).size(), &settings, &message)) << c.text;
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(settings.displayContrast, 7) << "a bad file changes nothing";
    }
    HatkitSettings settings;
    std::string message;
    EXPECT_FALSE(parseSettings("display_flip = no\nfan\0on = 1\n", 29, &settings, &message));
    EXPECT_EQ(message, "hatkit.conf line 2: holds a NUL byte");
}

}  // namespace

namespace {

std::string sourceFile(const char* name)
{
    std::ifstream file(std::string(HATKIT_SOURCE_DIR "/") + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every row of the table of settings: its default parses, a bad value is
// refused in the table's words, its completion words are values it takes,
// and the manual and the shipped file know it, the latter with the true
// default on every commented line. A program gets only the keys it reads.
TEST(HatkitConf, EveryKeyOfTheTableIsDescribedAlike)
{
    const std::string manual = sourceFile("packaging/man/hatkit.conf.5");
    const std::string shipped = sourceFile("packaging/hatkit.conf");
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingRow& row = kSettingRows[i];
        const std::string name = row.name;
        HatkitSettings settings;
        std::string message;
        if (row.defaultValue[0] != '\0') {
            const std::string text = name + " = " + row.defaultValue;
            EXPECT_TRUE(parseSettings(text.data(), text.size(), &settings, &message)) << message;
        }
        const std::string bad = name + " = =";
        EXPECT_FALSE(parseSettings(bad.data(), bad.size(), &settings, &message)) << name;
        EXPECT_EQ(message, "hatkit.conf line 1: " + name + " must be " + row.expects + ", not '='");
        std::stringstream words(row.words);
        for (std::string word; words >> word;) {
            if (word == "effect" || word == "FILE" || word == "FOLDER") continue;
            std::string why;
            EXPECT_TRUE(row.parse(word, &settings, &why)) << name << " offers " << word;
        }
        EXPECT_TRUE(manual.find(".BR " + name + " ") != std::string::npos ||
                    manual.find("\", \" " + name + " ") != std::string::npos)
            << name << " is not in hatkit.conf(5)";
        EXPECT_NE(shipped.find(name), std::string::npos) << name << " is not in the shipped file";
        const std::string commented = "\n#" + name + " = ";
        const std::size_t at = shipped.find(commented);
        if (at != std::string::npos) {
            const std::size_t start = at + commented.size();
            EXPECT_EQ(shipped.substr(start, shipped.find('\n', start) - start), row.defaultValue)
                << name << ": a commented line shows the default";
        }
        EXPECT_NE(findSetting(name), nullptr);
    }
    EXPECT_EQ(nearestSetting("ligth"), "light");
    EXPECT_EQ(nearestSetting("fan_offf"), "fan_off");
    EXPECT_EQ(nearestSetting("colour"), "");
    // Each program is given the keys it reads, and the others stay at their
    // defaults (though they are checked all the same).
    const std::string text = "fan_on = 60\nfan_off = 50\ndisplay_flip = yes\nlight = 00ff00\nmqtt_broker = ha\n"
                             "quiet_hours = 23:00-07:00\nmetrics_dir = /m\n";
    const struct {
        unsigned reader;
        bool fan, flip, light, broker, quiet, metrics;
    } readers[] = {
        {kReadBySysglance, true, true, true, false, true, true},
        {kReadByAirguard, true, false, false, false, false, true},
        {kReadByHeatglow, false, false, true, false, true, true},
        {kReadByLampshow, false, false, true, false, false, false},
        {kReadByBridge, false, false, false, true, false, false},
    };
    for (const auto& r : readers) {
        HatkitSettings settings;
        std::string message;
        ASSERT_TRUE(parseSettings(text.data(), text.size(), &settings, &message, r.reader)) << message;
        EXPECT_EQ(settings.fanThresholdsSet && settings.fanThresholds.onAt == 60.0, r.fan) << r.reader;
        EXPECT_EQ(settings.displayFlip, r.flip) << r.reader;
        EXPECT_EQ(settings.light.kind == LightKind::colour, r.light) << r.reader;
        EXPECT_EQ(settings.mqtt.host[0] != '\0', r.broker) << r.reader;
        EXPECT_EQ(settings.quietHoursSet, r.quiet) << r.reader;
        EXPECT_EQ(settings.metricsDir[0] != '\0', r.metrics) << r.reader;
    }
    HatkitSettings settings;
    std::string message;
    EXPECT_FALSE(parseSettings("fan_on = 60\n", 12, &settings, &message, kReadByBridge)) << "checked all the same";
}

}  // namespace
