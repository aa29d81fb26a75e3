// SPDX-License-Identifier: MIT
#include "apps/hatkit/settings_edit.h"

#include <cstring>

#include "apps/common/files/settings_table.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The key a line sets, or "" for a comment, a blank line or a line that is
// no pair; *keyStart is where the key starts and *valueEnd where the value
// ends (before the blanks and the comment after it).
std::string keyOf(const std::string& line, std::size_t* keyStart, std::size_t* valueEnd)
{
    std::size_t at = 0;
    while (at < line.size() && isBlank(line[at])) ++at;
    if (at == line.size() || line[at] == '#') return "";
    const std::size_t equals = line.find('=', at);
    const std::size_t hash = line.find('#', at);
    if (equals == std::string::npos || (hash != std::string::npos && hash < equals)) return "";
    std::size_t end = equals;
    while (end > at && isBlank(line[end - 1])) --end;
    *keyStart = at;
    std::size_t stop = hash == std::string::npos ? line.size() : hash;
    while (stop > equals + 1 && isBlank(line[stop - 1])) --stop;
    *valueEnd = stop;
    return line.substr(at, end - at);
}

}  // namespace

std::string settingsWith(const std::string& text, const std::string& key, const std::string* value, int* changedLines)
{
    std::string out;
    bool set = false;
    *changedLines = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        const bool lastLine = end == std::string::npos;
        if (lastLine) end = text.size();
        const std::string line = text.substr(at, end - at);
        std::size_t keyStart = 0;
        std::size_t valueEnd = 0;
        if (keyOf(line, &keyStart, &valueEnd) != key) {
            out += line;
            if (!lastLine) out += '\n';
        } else {
            ++*changedLines;
            if (value != nullptr && !set) {
                // The indentation and a comment after the value stay.
                out += line.substr(0, keyStart) + key + " = " + *value + line.substr(valueEnd);
                if (!lastLine) out += '\n';
                set = true;
            }
        }
        at = end + 1;
    }
    if (value != nullptr && !set) {
        if (!out.empty() && out.back() != '\n') out += '\n';
        out += key + " = " + *value + "\n";
        ++*changedLines;
    }
    return out;
}

std::vector<std::string> unitsReading(const std::string& key)
{
    std::vector<std::string> units;
    const SettingRow* row = findSetting(key);
    if (row == nullptr) return units;
    for (int i = 0; i < kReaderCount; ++i) {
        // lampshow runs once and is done: its next run reads the file.
        if ((row->readers & (1u << i)) != 0 && (1u << i) != kReadByLampshow) units.emplace_back(kReaderNames[i]);
    }
    return units;
}
