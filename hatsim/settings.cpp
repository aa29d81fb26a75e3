// SPDX-License-Identifier: MIT
#include "hatsim/settings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace hatsim {

namespace {

const char* nonEmpty(EnvLookup lookup, const char* name)
{
    const char* value = lookup(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

int digitsAt(const char* text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "YYYY-MM-DDTHH:MM:SS" into seconds after midnight.
bool parseClock(const char* text, int64_t* secondsOfDay)
{
    if (std::strlen(text) != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':') {
        return false;
    }
    const int year = digitsAt(text, 4), month = digitsAt(text + 5, 2), day = digitsAt(text + 8, 2);
    const int hour = digitsAt(text + 11, 2), minute = digitsAt(text + 14, 2), second = digitsAt(text + 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59) {
        return false;
    }
    *secondsOfDay = hour * 3600 + minute * 60 + second;
    return true;
}

}  // namespace

bool readSettings(EnvLookup lookup, bool stderrIsTerminal, Settings* settings, std::string* message)
{
    *settings = Settings{};
    if (const char* speed = nonEmpty(lookup, "HATSIM_SPEED")) {
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(speed, &end);
        if (*end != '\0' || errno != 0 || !std::isfinite(value) || value < 0) {
            *message = std::string("HATSIM_SPEED must be 0 or a positive number, not '") + speed + "'";
            return false;
        }
        settings->speed = value;
    }
    if (const char* end = nonEmpty(lookup, "HATSIM_END_MS")) {
        char* stop = nullptr;
        errno = 0;
        const long long value = std::strtoll(end, &stop, 10);
        if (*stop != '\0' || errno != 0 || value < 0 || end[0] == '-' || end[0] == '+' || end[0] == ' ') {
            *message = std::string("HATSIM_END_MS must be a whole number of milliseconds, not '") + end + "'";
            return false;
        }
        settings->hasEnd = true;
        settings->endMs = value;
    }
    if (const char* clock = nonEmpty(lookup, "HATSIM_CLOCK")) {
        if (!parseClock(clock, &settings->clockSecondsOfDay)) {
            *message = std::string("HATSIM_CLOCK must be YYYY-MM-DDTHH:MM:SS, not '") + clock + "'";
            return false;
        }
    }
    settings->root = nonEmpty(lookup, "HATSIM_ROOT");
    settings->script = nonEmpty(lookup, "HATSIM_SCRIPT");
    settings->tracePath = nonEmpty(lookup, "HATSIM_TRACE");
    settings->snapshotPath = nonEmpty(lookup, "HATSIM_SNAPSHOT");
    settings->view = stderrIsTerminal && settings->speed != 0;
    if (const char* view = nonEmpty(lookup, "HATSIM_VIEW")) {
        if (view[0] != '0' && view[0] != '1') {
            *message = std::string("HATSIM_VIEW must be 0 or 1, not '") + view + "'";
            return false;
        }
        if (view[1] != '\0') {
            *message = std::string("HATSIM_VIEW must be 0 or 1, not '") + view + "'";
            return false;
        }
        settings->view = view[0] == '1';
    }
    return true;
}

}  // namespace hatsim
