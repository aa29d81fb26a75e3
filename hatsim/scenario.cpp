// SPDX-License-Identifier: MIT
#include "hatsim/scenario.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/statfs.h>
#include <sys/sysinfo.h>

#include <climits>
#include <limits>
#include <type_traits>

namespace hatsim {

namespace {

constexpr uint64_t kMaxMs = uint64_t{1} << 53;  // far beyond any run, keeps sums exact

template <typename T>
constexpr uint64_t maxOf()
{
    return static_cast<uint64_t>(std::numeric_limits<T>::max());
}

// Splits on single spaces; an empty field (two spaces in a row, or a
// trailing space) makes the line malformed.
bool splitFields(const std::string& text, std::vector<std::string>* fields)
{
    fields->clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t space = text.find(' ', start);
        const std::string field = text.substr(start, space == std::string::npos ? std::string::npos : space - start);
        if (field.empty()) return false;
        fields->push_back(field);
        if (space == std::string::npos) return true;
        start = space + 1;
    }
}

bool parseUnsigned(const std::string& text, uint64_t max, uint64_t* value)
{
    if (text.empty() || text.size() > 20) return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (result > (max - digit) / 10) return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

bool parseAddress(const std::string& text, int* address)
{
    uint64_t value = 0;
    bool ok = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (text.size() > 4) return false;
        value = 0;
        ok = true;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char c = text[i];
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else return false;
            value = value * 16 + static_cast<uint64_t>(digit);
        }
    } else {
        ok = parseUnsigned(text, 0x7F, &value);
    }
    if (!ok || value > 0x7F) return false;
    *address = static_cast<int>(value);
    return true;
}

// A path names something strictly below the root: absolute, every component
// non-empty and neither "." nor "..", so no trailing slash and never "/".
bool validPath(const std::string& path)
{
    if (path.size() < 2 || path[0] != '/' || path.size() >= PATH_MAX / 2) return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string component = path.substr(start, slash - start);
        if (component.empty() || component == "." || component == "..") return false;
        start = slash + 1;
    }
    return true;
}

bool parseInterface(const std::string& pair, InterfaceEntry* entry, std::string* why)
{
    const std::size_t equals = pair.find('=');
    if (equals == std::string::npos || equals == 0) {
        *why = "expected NAME=ADDRESS, got '" + pair + "'";
        return false;
    }
    entry->name = pair.substr(0, equals);
    if (entry->name.size() >= IFNAMSIZ) {
        *why = "interface name too long: '" + entry->name + "'";
        return false;
    }
    const std::string address = pair.substr(equals + 1);
    if (address == "-") {
        entry->family = AF_UNSPEC;
    } else if (inet_pton(AF_INET, address.c_str(), entry->address) == 1) {
        entry->family = AF_INET;
    } else if (inet_pton(AF_INET6, address.c_str(), entry->address) == 1) {
        entry->family = AF_INET6;
    } else {
        *why = "not an IPv4 or IPv6 address, nor '-': '" + address + "'";
        return false;
    }
    return true;
}

bool parseNumbers(const std::vector<std::string>& fields, const uint64_t* limits, std::size_t count, Action* action,
                  std::string* why)
{
    if (fields.size() != 2 + count) {
        *why = "expected " + std::to_string(count) + " numbers after '" + fields[1] + "'";
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!parseUnsigned(fields[2 + i], limits[i], &action->numbers[i])) {
            *why = "not a number in range: '" + fields[2 + i] + "'";
            return false;
        }
    }
    return true;
}

bool parseAction(const std::string& line, Action* action, std::string* why)
{
    // "MS ACTION" first; the arguments are split per action, since the text
    // of a file action is kept exactly as written.
    if (line.back() == ' ') {
        *why = "trailing space";
        return false;
    }
    const std::size_t firstSpace = line.find(' ');
    if (firstSpace == std::string::npos) {
        *why = "missing action";
        return false;
    }
    uint64_t ms = 0;
    if (!parseUnsigned(line.substr(0, firstSpace), kMaxMs, &ms)) {
        *why = "time must be a whole number of milliseconds: '" + line.substr(0, firstSpace) + "'";
        return false;
    }
    action->ms = static_cast<int64_t>(ms);
    const std::size_t nameEnd = line.find(' ', firstSpace + 1);
    const std::string name =
        line.substr(firstSpace + 1, nameEnd == std::string::npos ? std::string::npos : nameEnd - firstSpace - 1);
    if (name.empty()) {
        *why = "fields must be separated by single spaces";
        return false;
    }
    const std::string rest = nameEnd == std::string::npos ? std::string() : line.substr(nameEnd + 1);

    std::vector<std::string> fields{line.substr(0, firstSpace), name};
    if (name != "file" && nameEnd != std::string::npos) {
        std::vector<std::string> args;
        if (!splitFields(rest, &args)) {
            *why = "fields must be separated by single spaces";
            return false;
        }
        fields.insert(fields.end(), args.begin(), args.end());
    }
    const std::size_t argCount = fields.size() - 2;

    if (name == "file") {
        const std::size_t pathEnd = rest.find(' ');
        action->kind = ActionKind::writeFile;
        action->path = rest.substr(0, pathEnd);
        if (pathEnd != std::string::npos) {
            action->text = rest.substr(pathEnd + 1);
            action->hasText = true;
        }
    } else if (name == "remove" || name == "dir") {
        if (argCount != 1) {
            *why = name + " needs exactly one PATH";
            return false;
        }
        action->kind = name == "remove" ? ActionKind::removePath : ActionKind::makeDir;
        action->path = fields[2];
    } else if (name == "bus") {
        if (argCount != 1 || (fields[2] != "down" && fields[2] != "up")) {
            *why = "expected 'bus down' or 'bus up'";
            return false;
        }
        action->kind = fields[2] == "down" ? ActionKind::busDown : ActionKind::busUp;
    } else if (name == "device") {
        if (argCount != 2 || (fields[3] != "absent" && fields[3] != "present" && fields[3] != "reset")) {
            *why = "expected 'device ADDR absent', 'device ADDR present' or 'device ADDR reset'";
            return false;
        }
        if (!parseAddress(fields[2], &action->address)) {
            *why = "not a 7-bit bus address: '" + fields[2] + "'";
            return false;
        }
        action->kind = fields[3] == "absent"    ? ActionKind::deviceAbsent
                       : fields[3] == "present" ? ActionKind::devicePresent
                                                : ActionKind::deviceReset;
    } else if (name == "sysinfo") {
        if (argCount == 1 && fields[2] == "fail") {
            action->kind = ActionKind::sysinfoFail;
        } else {
            struct sysinfo probe {};
            const uint64_t limits[4] = {maxOf<std::decay_t<decltype(probe.loads[0])>>(), maxOf<std::decay_t<decltype(probe.totalram)>>(),
                                        maxOf<std::decay_t<decltype(probe.freeram)>>(), maxOf<std::decay_t<decltype(probe.mem_unit)>>()};
            if (!parseNumbers(fields, limits, 4, action, why)) return false;
            action->kind = ActionKind::sysinfoSet;
        }
    } else if (name == "statfs") {
        if (argCount == 1 && fields[2] == "fail") {
            action->kind = ActionKind::statfsFail;
        } else {
            struct statfs probe {};
            const uint64_t limits[3] = {maxOf<std::decay_t<decltype(probe.f_blocks)>>(), maxOf<std::decay_t<decltype(probe.f_bfree)>>(),
                                        maxOf<std::decay_t<decltype(probe.f_bsize)>>()};
            if (!parseNumbers(fields, limits, 3, action, why)) return false;
            action->kind = ActionKind::statfsSet;
        }
    } else if (name == "ifaddrs") {
        if (argCount == 1 && fields[2] == "fail") {
            action->kind = ActionKind::ifaddrsFail;
        } else {
            action->kind = ActionKind::ifaddrsSet;
            for (std::size_t i = 2; i < fields.size(); ++i) {
                InterfaceEntry entry;
                if (!parseInterface(fields[i], &entry, why)) return false;
                action->interfaces.push_back(entry);
            }
        }
    } else if (name == "signal") {
        if (argCount != 1 || fields[2] != "HUP") {
            *why = "expected 'signal HUP'";
            return false;
        }
        action->kind = ActionKind::signalHangup;
    } else {
        *why = "unknown action '" + name + "'";
        return false;
    }

    if ((action->kind == ActionKind::writeFile || action->kind == ActionKind::removePath ||
         action->kind == ActionKind::makeDir) &&
        !validPath(action->path)) {
        *why = "PATH must be absolute, below the root, with no empty, '.' or '..' part: '" + action->path + "'";
        return false;
    }
    return true;
}

}  // namespace

bool parseScenario(const std::string& content, std::vector<Action>* actions, ScenarioError* error)
{
    actions->clear();
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 1;
        ++lineNumber;

        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        line.erase(0, first);
        if (line.find('\0') != std::string::npos) {
            *error = {lineNumber, "line holds a NUL byte"};
            return false;
        }

        Action action;
        action.line = lineNumber;
        std::string why;
        if (!parseAction(line, &action, &why)) {
            *error = {lineNumber, why};
            return false;
        }
        actions->push_back(std::move(action));
    }
    return true;
}

}  // namespace hatsim
