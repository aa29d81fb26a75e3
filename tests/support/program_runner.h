// SPDX-License-Identifier: MIT
// Runs a built program in a clean environment and collects what it did.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ProgramRun {
    int exitStatus = -1;  // 0-255, or -1 when it did not exit by itself
    bool killed = false;  // stopped by the timeout
    std::string out;
    std::string err;
};

// `environment` holds NAME=VALUE entries; nothing else of the test's own
// environment reaches the program but PATH. A program of the system's own
// (in /usr/bin, /usr/sbin, /bin or /sbin: setpriv) runs as it is; one of ours runs
// under the emulator the tests run under, if any.
// `whileRunning`, when given, is called once the program started, with its
// process id (to signal it), and the timeout counts on after it.
ProgramRun runProgram(const std::string& path, const std::vector<std::string>& environment, int timeoutMs = 20000,
                      const std::vector<std::string>& arguments = {},
                      const std::function<void(int pid)>& whileRunning = {});

// The emulator the tests run under, as words; none on the host's own
// architecture. For a system program that starts one of ours.
std::vector<std::string> emulatorWords();

// Path of a program in the hatsim build (build/sim), or the hardware build (build/bin).
std::string simProgram(const std::string& name);
std::string hardwareProgram(const std::string& name);
