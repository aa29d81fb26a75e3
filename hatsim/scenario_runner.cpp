// SPDX-License-Identifier: MIT
#include "hatsim/scenario_runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "hatsim/bus.h"
#include "hatsim/scenario.h"
#include "hatsim/scripted_counters.h"
#include "hatsim/trace.h"
#include "hatsim/virtual_root.h"

namespace hatsim {

namespace {

struct Pending {
    std::vector<Action> actions;
    std::vector<bool> done;
    std::size_t remaining = 0;
};

Pending pendingActions;

void runAction(const Action& action)
{
    bool ok = true;
    const char* path = action.path.c_str();
    switch (action.kind) {
    case ActionKind::writeFile: {
        std::string content = action.text;
        if (action.hasText) content += '\n';
        ok = writeRootFile(path, content.data(), content.size());
        break;
    }
    case ActionKind::removePath: ok = removeRootPath(path); break;
    case ActionKind::makeDir: ok = makeRootDir(path); break;
    case ActionKind::busDown: setBusUp(false); break;
    case ActionKind::busUp: setBusUp(true); break;
    case ActionKind::deviceAbsent: setDevicePresent(action.address, false); break;
    case ActionKind::devicePresent: setDevicePresent(action.address, true); break;
    case ActionKind::deviceReset: resetDevice(action.address); break;
    // Delivered at once, so the program sees it before it goes on after the pause.
    case ActionKind::signalHangup: std::raise(SIGHUP); break;
    default: applyCounterAction(action); break;
    }
    if (!ok) {
        traceWarning("hatsim: scenario line %d: cannot change %s%s: %s", action.line, rootFolder(), path,
                     std::strerror(errno));
    }
}

// The whole file; a folder, or anything else that cannot be read through,
// fails with errno set (a folder opens, but it is not a scenario).
bool readScenarioFile(const char* path, std::string* content)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = fstat(fd, &info) == 0;
    if (ok && S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        ok = false;
    }
    char chunk[4096];
    while (ok) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0) break;
        content->append(chunk, static_cast<std::size_t>(got));
    }
    const int saved = errno;
    close(fd);
    errno = saved;
    return ok;
}

}  // namespace

bool loadScenario(const char* path, std::string* message)
{
    std::string content;
    if (!readScenarioFile(path, &content)) {
        *message = std::string("cannot read scenario ") + path + ": " + std::strerror(errno);
        return false;
    }
    Pending& state = pendingActions;
    ScenarioError error;
    if (!parseScenario(content, &state.actions, &error)) {
        *message = std::string(path) + " line " + std::to_string(error.line) + ": " + error.message;
        state.actions.clear();
        return false;
    }
    state.done.assign(state.actions.size(), false);
    state.remaining = state.actions.size();
    return true;
}

void runDueActions(int64_t nowMs)
{
    Pending& state = pendingActions;
    if (state.remaining == 0) return;
    for (std::size_t i = 0; i < state.actions.size(); ++i) {
        if (state.done[i] || state.actions[i].ms > nowMs) continue;
        state.done[i] = true;
        --state.remaining;
        runAction(state.actions[i]);
    }
}

void clearScenario()
{
    Pending& state = pendingActions;
    state.actions.clear();
    state.done.clear();
    state.remaining = 0;
}

}  // namespace hatsim
