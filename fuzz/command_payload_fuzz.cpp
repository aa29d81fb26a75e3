// SPDX-License-Identifier: MIT
// Home Assistant's command payloads on any bytes, on each topic: anyone
// who may publish to the broker may send them. A payload is either taken,
// leaving commands the control file can carry and read back the same, or
// refused with the commands as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "apps/hatkit-mqtt/command_payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    // The first byte picks the topic; a copy of exactly the rest, so that
    // any read past it is caught.
    const auto topic = static_cast<CommandTopic>(data[0] % 4);
    const std::vector<char> payload(data + 1, data + size);
    Commands commands;
    commands.light.kind = LightKind::effect;
    commands.light.effect = 2;
    const Commands before = commands;
    std::string why;
    if (applyCommandPayload(topic, payload.data(), payload.size(), &commands, &why)) {
        const std::string text = renderCommands(commands);
        Commands again;
        std::string message;
        if (!why.empty() || !parseCommands(text.data(), text.size(), &again, &message) || again != commands) std::abort();
        if (commands.light.kind == LightKind::effect && (commands.light.effect < 0 || commands.light.effect > kLastEffect)) {
            std::abort();
        }
    } else if (why.empty() || commands != before) {
        std::abort();
    }
    return 0;
}
