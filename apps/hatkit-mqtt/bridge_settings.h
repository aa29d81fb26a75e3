// SPDX-License-Identifier: MIT
// What the bridge needs of /etc/hatkit.conf beyond what every program
// checks: a broker, and the password, read where systemd's credentials put
// it (so that the file itself can stay root's alone) or from
// mqtt_password_file.
#pragma once

#include <string>

#include "apps/common/files/hatkit_conf.h"

// The credential's name in the unit (LoadCredential=mqtt-password:...).
constexpr const char* kPasswordCredential = "mqtt-password";

// False, with one line on standard error, without a broker or when the
// password cannot be read. The password is never printed.
bool checkBridgeSettings(const HatkitSettings& settings, std::string* password);

// mqtt_node, or the host name cut to [a-z0-9_-].
std::string nodeName(const HatkitSettings& settings);
