// SPDX-License-Identifier: MIT
// hatsim's scenario parser on any text: it accepts or names a line, and
// never crashes; accepted paths stay inside the root.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hatsim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<hatsim::Action> actions;
    hatsim::ScenarioError error;
    if (hatsim::parseScenario(text, &actions, &error)) {
        for (const hatsim::Action& action : actions) {
            if (!action.path.empty() && (action.path[0] != '/' || action.path.find("/../") != std::string::npos)) {
                std::abort();
            }
        }
    } else if (error.line < 1 || error.message.empty()) {
        std::abort();
    }
    return 0;
}
