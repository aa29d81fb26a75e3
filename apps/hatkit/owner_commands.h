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
// One key of `hatkit set` or `hatkit unset`, with its value's words joined.
struct SettingChange {
    std::string key;
    std::string value;
    bool hasValue;
};
// Every change checked, then the file written once; unset: remove the keys.
int setKeys(const std::vector<SettingChange>& changes, bool unset = false);
int listKeys(const std::vector<std::string>& args);
// The usage on standard error: the refusal's status.
int refuseUsage();
int usePrograms(const std::vector<std::string>& programs);
