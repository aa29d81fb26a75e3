// SPDX-License-Identifier: MIT
// hatkit: the owner's one command for the board programs.
//   hatkit status [--json] | set KEY VALUE... | unset KEY... | use PROGRAM... | doctor | keys
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "apps/common/files/settings_table.h"
#include "apps/hatkit/owner_commands.h"

namespace {

constexpr const char* kUsage =
    "usage: hatkit status [--json]\n"
    "       hatkit set KEY VALUE [KEY VALUE...]\n"
    "       hatkit unset KEY [KEY...]\n"
    "       hatkit use sysglance | airguard | heatglow | airguard heatglow | none\n"
    "       hatkit doctor\n"
    "       hatkit keys\n"
    "       hatkit --help | --version\n";

constexpr const char* kCommands[] = {"status", "set", "unset", "use", "doctor", "keys", "help"};

// KEY VALUE... pairs: a value runs to the next word that is a key, so
// "light effect 2" and "light_effects 2 0" keep their words.
std::vector<SettingChange> pairsOf(int argc, char** argv)
{
    std::vector<SettingChange> changes;
    for (int i = 2; i < argc; ++i) {
        if (changes.empty() || (findSetting(argv[i]) != nullptr && changes.back().hasValue)) {
            changes.push_back({argv[i], "", false});
            continue;
        }
        SettingChange& last = changes.back();
        last.value += std::string(last.hasValue ? " " : "") + argv[i];
        last.hasValue = true;
    }
    return changes;
}

}  // namespace

int refuseUsage()
{
    std::fputs(kUsage, stderr);
    return kExitRefused;
}

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 2) return refuseUsage();
    const std::string command = argv[1];
    const std::vector<std::string> rest(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("hatkit %s\n", HATKIT_VERSION);
        return 0;
    }
    if (command == "status" && (rest.empty() || (rest.size() == 1 && rest[0] == "--json"))) {
        return showStatus(!rest.empty());
    }
    if (command == "set" && argc >= 4) return setKeys(pairsOf(argc, argv));
    if (command == "unset" && argc >= 3) {
        std::vector<SettingChange> changes;
        for (const std::string& key : rest) changes.push_back({key, "", false});
        return setKeys(changes, true);
    }
    if (command == "use" && argc >= 3) return usePrograms(rest);
    if (command == "doctor" && argc == 2) return diagnose();
    if (command == "keys") return listKeys(rest);
    const bool known = std::find(std::begin(kCommands), std::end(kCommands), command) != std::end(kCommands);
    if (!known) {
        const std::string nearest = nearestName(command, kCommands, sizeof kCommands / sizeof kCommands[0]);
        std::fprintf(stderr, "hatkit: unknown command '%s'%s%s%s\n", command.c_str(), nearest.empty() ? "" : ": did you mean ",
                     nearest.c_str(), nearest.empty() ? "" : "?");
    }
    return refuseUsage();
}
