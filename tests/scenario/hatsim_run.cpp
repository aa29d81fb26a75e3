// SPDX-License-Identifier: MIT
#include "tests/scenario/hatsim_run.h"

#include <sys/stat.h>

std::vector<std::string> traceLines(const std::string& trace)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < trace.size()) {
        std::size_t end = trace.find('\n', start);
        if (end == std::string::npos) end = trace.size();
        lines.push_back(trace.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> eventsWith(const HatsimRun& run, const std::string& needle)
{
    std::vector<std::string> found;
    for (const std::string& line : traceLines(run.trace)) {
        if (line.find(needle) != std::string::npos) found.push_back(line);
    }
    return found;
}

std::vector<std::string> HatsimRun::busEvents() const
{
    std::vector<std::string> events;
    for (const std::string& line : traceLines(trace)) {
        if (line.find(" write ") != std::string::npos || line.find(" send ") != std::string::npos ||
            line.find(" open ") != std::string::npos) {
            events.push_back(line);
        }
    }
    return events;
}

HatsimRun HatsimScenario::run(const std::string& program, const std::string& script, std::vector<std::string> extra,
                              int timeoutMs, const std::function<void(int pid)>& whileRunning)
{
    mkdir(root().c_str(), 0755);
    folder_.write("script", script);
    std::vector<std::string> env = {
        "HATSIM_ROOT=" + root(),
        "HATSIM_SCRIPT=" + folder_.file("script"),
        "HATSIM_TRACE=" + folder_.file("trace"),
        "HATSIM_SPEED=0",
        "HATSIM_VIEW=0",
        "HATSIM_SNAPSHOT=" + snapshotPath(),
    };
    // An extra entry replaces the default of the same name.
    for (const std::string& entry : extra) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        for (auto it = env.begin(); it != env.end();) {
            it = it->compare(0, name.size(), name) == 0 ? env.erase(it) : it + 1;
        }
        env.push_back(entry);
    }
    HatsimRun result;
    static_cast<ProgramRun&>(result) = runProgram(simProgram(program), env, timeoutMs, {}, whileRunning);
    result.trace = folder_.read("trace");
    return result;
}
