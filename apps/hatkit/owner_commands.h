// SPDX-License-Identifier: MIT
// The subcommands of `hatkit`, each returning the exit status.
#pragma once

#include <string>
#include <vector>

constexpr int kExitNeedsOwner = 1;  // status and doctor: something to mend
constexpr int kExitRefused = 2;     // a value or a combination refused
constexpr int kExitCannotWrite = 4; // /etc/hatkit.conf could not be changed

int showStatus(bool json);
int diagnose();
int setKey(const std::string& key, const std::string* value);
int usePrograms(const std::vector<std::string>& programs);
