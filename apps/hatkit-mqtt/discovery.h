// SPDX-License-Identifier: MIT
// Home Assistant's MQTT discovery: one retained config per entity at
// PREFIX/COMPONENT/NODE/OBJECT/config, all of one device (the node, its Pi
// model, hatkit's version), each available while both the bridge and the
// program behind it are.
#pragma once

#include <string>

enum class Entity { fan, light, screen, temperature, cpu, load, ram, disk, address, quietHours, boardProblem, count };
constexpr int kEntities = static_cast<int>(Entity::count);

// Whether the program (an index of kProgramNames) offers the entity.
bool offers(int program, Entity entity);

struct Device {
    std::string node;    // [a-z0-9_-]
    std::string prefix;  // homeassistant
    std::string model;   // the Pi model
    std::string version;
};

// hatkit/NODE
std::string baseTopic(const Device& device);

std::string configTopic(const Device& device, Entity entity);

// The config of an entity that `program` drives.
std::string configMessage(const Device& device, Entity entity, const char* program);
