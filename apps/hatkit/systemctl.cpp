// SPDX-License-Identifier: MIT
#include "apps/hatkit/systemctl.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/system_files.h"

const char* const kBoardUnitNames[kBoardUnits] = {"sysglance", "airguard", "heatglow"};

int runSystemctl(const std::vector<std::string>& args, std::string* out)
{
    const char* command = std::getenv("HATKIT_SYSTEMCTL");
    if (command == nullptr || command[0] == '\0') command = "systemctl";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(command));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2] = {-1, -1};
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    // posix_spawn rather than fork, which qemu-user's ARM builds cannot
    // follow; the child's standard output is the pipe.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    // Its complaints are not the owner's lines: hatkit says what failed.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, command, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return -1;
    }
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (out != nullptr) *out = text;
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return -1;
    return WEXITSTATUS(status);
}

bool systemdRuns()
{
    FileStamp stamp;
    return stampSystemFile("/run/systemd/system", &stamp);  // as sd_booted(3) tells
}

std::vector<UnitFacts> unitFacts()
{
    std::vector<UnitFacts> units;
    std::vector<std::string> args = {"show", "--property=Id,ActiveState,ActiveEnterTimestamp,UnitFileState,NRestarts"};
    for (const char* name : {"sysglance", "airguard", "heatglow", "hatkit-mqtt"}) {
        UnitFacts facts;
        facts.name = name;
        units.push_back(facts);
        args.push_back(std::string(name) + ".service");
    }
    std::string out;
    if (!systemdRuns() || runSystemctl(args, &out) != 0) return units;
    // Blocks of KEY=VALUE lines, one a unit, in the order asked.
    std::size_t unit = 0;
    std::size_t at = 0;
    bool inBlock = false;
    while (at <= out.size() && unit < units.size()) {
        std::size_t end = out.find('\n', at);
        if (end == std::string::npos) end = out.size();
        const std::string line = out.substr(at, end - at);
        at = end + 1;
        if (line.empty()) {
            if (inBlock) ++unit;
            inBlock = false;
            continue;
        }
        inBlock = true;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        UnitFacts& facts = units[unit];
        facts.known = true;
        if (key == "ActiveState") facts.active = value;
        if (key == "ActiveEnterTimestamp") facts.since = value;
        if (key == "UnitFileState") facts.enabled = value;
        if (key == "NRestarts") facts.restarts = std::atoi(value.c_str());
    }
    return units;
}
