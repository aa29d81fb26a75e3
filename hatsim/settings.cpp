#include "hatsim/settings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace hatsim {

namespace {

const char* nonEmpty(EnvLookup lookup, const char* name)
{
    const char* value = lookup(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
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
