// SPDX-License-Identifier: MIT
// hatkit: the owner's one command for the board programs.
//   hatkit status [--json] | set KEY VALUE | unset KEY | use PROGRAM... | doctor
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "apps/hatkit/owner_commands.h"

namespace {

int usage()
{
    std::fputs("usage: hatkit status [--json]\n"
               "       hatkit set KEY VALUE\n"
               "       hatkit unset KEY\n"
               "       hatkit use sysglance | airguard | heatglow | airguard heatglow | none\n"
               "       hatkit doctor\n",
               stderr);
    return kExitRefused;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 2) return usage();
    const std::string command = argv[1];
    if (command == "status" && (argc == 2 || (argc == 3 && std::strcmp(argv[2], "--json") == 0))) {
        return showStatus(argc == 3);
    }
    if (command == "set" && argc >= 4) {
        // The value as given, its words joined again: light_effects = 2 0.
        std::string value = argv[3];
        for (int i = 4; i < argc; ++i) value += std::string(" ") + argv[i];
        return setKey(argv[2], &value);
    }
    if (command == "unset" && argc == 3) return setKey(argv[2], nullptr);
    if (command == "use" && argc >= 3) return usePrograms(std::vector<std::string>(argv + 2, argv + argc));
    if (command == "doctor" && argc == 2) return diagnose();
    return usage();
}
