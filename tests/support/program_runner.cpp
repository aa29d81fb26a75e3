// SPDX-License-Identifier: MIT
#include "tests/support/program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "tests/support/temp_folder.h"

std::string simProgram(const std::string& name) { return std::string(HATKIT_SIM_DIR) + "/" + name; }
std::string hardwareProgram(const std::string& name) { return std::string(HATKIT_BIN_DIR) + "/" + name; }

std::vector<std::string> emulatorWords()
{
    std::vector<std::string> words;
    if (const char* emulator = std::getenv("HATKIT_TEST_EMULATOR")) {
        std::istringstream text(emulator);
        for (std::string word; text >> word;) words.push_back(word);
    }
    return words;
}

ProgramRun runProgram(const std::string& path, const std::vector<std::string>& environment, int timeoutMs,
                      const std::vector<std::string>& arguments, const std::function<void(int pid)>& whileRunning)
{
    TempFolder folder;
    const std::string outPath = folder.file("out");
    const std::string errPath = folder.file("err");

    std::vector<std::string> env = environment;
    if (const char* searchPath = std::getenv("PATH")) env.push_back(std::string("PATH=") + searchPath);
    std::vector<char*> envp;
    for (auto& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    // Where the tests run under an emulator (armhf on an x86 host), the
    // programs they start run under it too; the system's own are native.
    bool systemProgram = false;
    for (const char* systemFolder : {"/usr/bin/", "/usr/sbin/", "/bin/", "/sbin/"}) {
        systemProgram = systemProgram || path.rfind(systemFolder, 0) == 0;
    }
    std::vector<std::string> args = systemProgram ? std::vector<std::string>{} : emulatorWords();
    args.push_back(path);
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::string program = args.front();
    std::vector<char*> argv;
    for (auto& argument : args) argv.push_back(argument.data());
    argv.push_back(nullptr);

    ProgramRun run;
    // posix_spawn rather than fork: a forked child crashes under qemu-user.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // Nothing else of the test's (or ctest's) descriptors: valgrind counts
    // what the program holds at exit, inherited ones too.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    // A session of its own, as under the service manager: no controlling
    // terminal, even when the suite runs in one.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const int spawned = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    if (whileRunning) whileRunning(pid);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            run.killed = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!run.killed && WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    run.out = readWholeFile(outPath);
    run.err = readWholeFile(errPath);
    return run;
}
