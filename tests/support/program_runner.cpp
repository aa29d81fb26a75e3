#include "tests/support/program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/temp_folder.h"

std::string simProgram(const std::string& name) { return std::string(HATKIT_SIM_DIR) + "/" + name; }

ProgramRun runProgram(const std::string& path, const std::vector<std::string>& environment, int timeoutMs,
                      const std::vector<std::string>& arguments)
{
    TempFolder folder;
    const std::string outPath = folder.file("out");
    const std::string errPath = folder.file("err");

    std::vector<std::string> env = environment;
    if (const char* searchPath = std::getenv("PATH")) env.push_back(std::string("PATH=") + searchPath);
    std::vector<char*> envp;
    for (auto& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = path;
    std::vector<std::string> args = arguments;
    std::vector<char*> argv{program.data()};
    for (auto& argument : args) argv.push_back(argument.data());
    argv.push_back(nullptr);

    ProgramRun run;
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (pid < 0) return run;

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
