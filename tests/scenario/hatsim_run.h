// SPDX-License-Identifier: MIT
// Runs a program of the hatsim build with a scenario, a root and a trace of
// its own, at speed 0 (pauses take no real time).
#pragma once

#include <string>
#include <vector>

#include "tests/support/program_runner.h"
#include "tests/support/temp_folder.h"

struct HatsimRun : ProgramRun {
    std::string trace;
    // The trace without pauses and the setup line: only what reached the bus.
    std::vector<std::string> busEvents() const;
};

class HatsimScenario {
public:
    // Extra NAME=VALUE entries for the environment (HATSIM_END_MS and so on).
    // `whileRunning` as runProgram takes it.
    HatsimRun run(const std::string& program, const std::string& script, std::vector<std::string> extra = {},
                  int timeoutMs = 20000, const std::function<void(int pid)>& whileRunning = {});
    const TempFolder& folder() const { return folder_; }
    std::string root() const { return folder_.file("root"); }
    // What the emulated panel showed after the last push.
    std::string snapshotPath() const { return folder_.file("snapshot.png"); }

private:
    TempFolder folder_;
};

std::vector<std::string> traceLines(const std::string& trace);
// Trace lines one after the other.
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b);
// The trace lines that contain `needle`.
std::vector<std::string> eventsWith(const HatsimRun& run, const std::string& needle);
