// SPDX-License-Identifier: MIT
// The thermal file's parser on any bytes: never reads past the length it is
// given, and a number is reported only when digits were there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "board/cpu_temperature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly `size` bytes, so any read past it is caught.
    std::vector<char> text(data, data + size);
    int32_t value = 0;
    const bool parsed = parseMillidegrees(text.data(), text.size(), &value);
    bool digit = false;
    for (char c : text) digit |= c >= '0' && c <= '9';
    if (parsed && !digit) std::abort();
    return 0;
}
