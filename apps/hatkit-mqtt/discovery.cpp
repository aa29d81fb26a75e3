// SPDX-License-Identifier: MIT
#include "apps/hatkit-mqtt/discovery.h"

#include <cjson/cJSON.h>

#include <memory>

namespace {

using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

struct Kind {
    const char* component;
    const char* object;
    const char* name;
    unsigned programs;  // bit 0 sysglance, 1 airguard, 2 heatglow
    // Sensors: what the state's field means to Home Assistant.
    const char* deviceClass;
    const char* stateClass;
    const char* unit;
    const char* valueTemplate;
};

constexpr unsigned kSysglance = 1, kAirguard = 2, kHeatglow = 4, kAll = 7;

// The templates read any program's state: a field the program does not
// have, or does not know yet, renders None, Home Assistant's unknown (a
// state of another program may reach an entity before Home Assistant has
// removed it).
constexpr Kind kKinds[kEntities] = {
    {"fan", "fan", "Fan", kSysglance | kAirguard, nullptr, nullptr, nullptr, nullptr},
    {"light", "leds", "LEDs", kSysglance | kHeatglow, nullptr, nullptr, nullptr, nullptr},
    {"switch", "screen", "Screen", kSysglance, nullptr, nullptr, nullptr,
     "{{ {'on': 'ON', 'dim': 'ON', 'off': 'OFF'}.get(value_json.get('screen'), 'None') }}"},
    {"sensor", "temperature", "CPU temperature", kAll, "temperature", "measurement", "\u00b0C",
     "{{ value_json.get('temperature') }}"},
    {"sensor", "cpu", "CPU used", kSysglance, nullptr, "measurement", "%", "{{ value_json.get('cpu_used_percent') }}"},
    {"sensor", "load", "Load average", kSysglance, nullptr, "measurement", nullptr, "{{ value_json.get('load') }}"},
    {"sensor", "ram", "RAM used", kSysglance, "data_size", "measurement", "MiB", "{{ value_json.get('ram_used_mb') }}"},
    {"sensor", "disk", "Disk used", kSysglance, "data_size", "measurement", "MiB", "{{ value_json.get('disk_used_mb') }}"},
    {"sensor", "address", "Address", kSysglance, nullptr, nullptr, nullptr, "{{ value_json.get('address') }}"},
    {"binary_sensor", "quiet_hours", "Quiet hours", kSysglance | kHeatglow, nullptr, nullptr, nullptr,
     "{{ {true: 'ON', false: 'OFF'}.get(value_json.get('quiet_hours'), 'None') }}"},
    {"binary_sensor", "board_problem", "Board not answering", kAll, "problem", nullptr, nullptr,
     "{{ {true: 'OFF', false: 'ON'}.get(value_json.get('board_answering'), 'None') }}"},
};

void add(cJSON* json, const char* key, const std::string& value) { cJSON_AddStringToObject(json, key, value.c_str()); }

void addStrings(cJSON* json, const char* key, std::initializer_list<const char*> values)
{
    cJSON* array = cJSON_AddArrayToObject(json, key);
    for (const char* value : values) cJSON_AddItemToArray(array, cJSON_CreateString(value));
}

}  // namespace

bool offers(int program, Entity entity) { return (kKinds[static_cast<int>(entity)].programs >> program & 1U) != 0; }

std::string baseTopic(const Device& device) { return "hatkit/" + device.node; }

std::string configTopic(const Device& device, Entity entity)
{
    const Kind& kind = kKinds[static_cast<int>(entity)];
    return device.prefix + "/" + kind.component + "/" + device.node + "/" + kind.object + "/config";
}

std::string configMessage(const Device& device, Entity entity, const char* program)
{
    const Kind& kind = kKinds[static_cast<int>(entity)];
    const std::string base = baseTopic(device);
    const std::string state = base + "/state";
    Json json(cJSON_CreateObject(), cJSON_Delete);
    cJSON* c = json.get();
    add(c, "name", kind.name);
    add(c, "unique_id", "hatkit_" + device.node + "_" + kind.object);
    // The entity's id, as Home Assistant 2025.10 and later take it (older
    // ones drop the key and name the entity after the device and its name).
    add(c, "default_entity_id", std::string(kind.component) + "." + device.node + "_" + kind.object);
    cJSON* dev = cJSON_AddObjectToObject(c, "device");
    addStrings(dev, "identifiers", {("hatkit_" + device.node).c_str()});
    add(dev, "name", device.node);
    add(dev, "model", device.model.empty() ? "Raspberry Pi" : device.model);
    add(dev, "manufacturer", "hatkit");
    add(dev, "sw_version", device.version);
    cJSON* availability = cJSON_AddArrayToObject(c, "availability");
    for (const std::string& topic : {base + "/availability", base + "/" + program + "/availability"}) {
        cJSON* item = cJSON_CreateObject();
        add(item, "topic", topic);
        cJSON_AddItemToArray(availability, item);
    }
    add(c, "availability_mode", "all");
    switch (entity) {
    case Entity::fan:
        add(c, "command_topic", base + "/fan/set");
        add(c, "state_topic", state);
        add(c, "state_value_template", "{{ {'on': 'ON', 'off': 'OFF'}.get(value_json.get('fan'), 'None') }}");
        addStrings(c, "preset_modes", {"auto"});
        add(c, "preset_mode_command_topic", base + "/fan/preset/set");
        add(c, "preset_mode_state_topic", state);
        add(c, "preset_mode_value_template", "{{ 'auto' if value_json.get('fan_mode') == 'auto' else 'None' }}");
        break;
    case Entity::light:
        add(c, "schema", "json");
        add(c, "command_topic", base + "/light/set");
        add(c, "state_topic", base + "/light/state");
        addStrings(c, "supported_color_modes", {"rgb"});
        // Home Assistant shows a brightness slider for any RGB light: the
        // brightness comes apart from the colour, and the programs scale.
        cJSON_AddTrueToObject(c, "brightness");
        cJSON_AddNumberToObject(c, "brightness_scale", 255);
        // The board neither flashes nor fades: not offered.
        cJSON_AddFalseToObject(c, "flash");
        cJSON_AddFalseToObject(c, "transition");
        cJSON_AddTrueToObject(c, "effect");
        addStrings(c, "effect_list", {"auto", "effect 0", "effect 1", "effect 2", "effect 3", "effect 4"});
        break;
    default:
        add(c, "state_topic", state);
        if (entity == Entity::screen) add(c, "command_topic", base + "/screen/set");
        if (kind.deviceClass != nullptr) add(c, "device_class", kind.deviceClass);
        if (kind.stateClass != nullptr) add(c, "state_class", kind.stateClass);
        if (kind.unit != nullptr) add(c, "unit_of_measurement", kind.unit);
        add(c, "value_template", kind.valueTemplate);
        break;
    case Entity::count: break;
    }
    char* text = cJSON_PrintUnformatted(c);
    std::string out = text != nullptr ? text : "";
    cJSON_free(text);
    return out;
}
