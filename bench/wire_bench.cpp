// SPDX-License-Identifier: MIT
// What sysglance costs on the wire in each display mode: a 120-pass run on
// hatsim in which load and temperature change every pass, as a Pi's do
// (the load by 0.01 to 0.05, the temperature by 0.1 to 0.5 degrees, up or
// down), memory every tenth pass and the address once, with the effect
// rotation. Per pass: transactions, bytes, bit times at 100 kHz, the system
// calls the hardware build makes for that traffic and its pauses (the run's
// transfers sent again through the i2c-dev backend, over the test kernel
// stand-in), and the CPU on hatsim without a trace: time (the least of
// five runs) and instructions (callgrind, when valgrind is installed), each
// of a run of 120 passes less one of 20, so that start-up cancels out.
//   wire_bench
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/bus_transfer.h"
#include "platform/wiring.h"
#include "tests/platform/kernel_shim.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kPasses = 120;
constexpr int kPassMs = 1010;
constexpr int kShortRunPasses = 20;
constexpr int kCpuRuns = 5;

// START, the address byte and its ACK, nine bits a byte, STOP.
long bitTimes(long bytes) { return 1 + 9 + 9 * bytes + 1; }

// Steps of a fixed pseudo-random walk: every run is the same.
int step(unsigned* seed, int least, int most)
{
    *seed = *seed * 1103515245u + 12345u;
    const int size = least + static_cast<int>((*seed >> 16) % static_cast<unsigned>(most - least + 1));
    return (*seed >> 8) % 2 == 0 ? size : -size;
}

std::string scenario()
{
    std::string s =
        "0 statfs 15000000 7500000 4096\n0 ifaddrs lo=127.0.0.1 eth0=192.168.1.20\n"
        "0 file /proc/device-tree/model Raspberry Pi 4 Model B Rev 1.4\n";
    unsigned seed = 1;
    int load = 30000;          // 65536 = 1.0
    int millidegrees = 48000;
    for (int k = 1; k <= kPasses; ++k) {
        const int ms = (k - 1) * kPassMs;
        load += step(&seed, 655, 3277);
        if (load < 0) load = -load;
        millidegrees += step(&seed, 100, 500);
        const int freeRam = 500000 - (k / 10) * 3000;
        s += std::to_string(ms) + " sysinfo " + std::to_string(load) + " 1000000 " + std::to_string(freeRam) + " 4096\n";
        s += std::to_string(ms) + " file /sys/class/thermal/thermal_zone0/temp " + std::to_string(millidegrees) + "\n";
    }
    s += std::to_string(60 * kPassMs) + " ifaddrs lo=127.0.0.1 eth0=192.168.1.143\n";
    return s;
}

enum class Run { traced, timed, counted };

// Instructions callgrind counted, from its output file; -1 when none.
long countedInstructions(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return -1;
    long instructions = -1;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::sscanf(line, "summary: %ld", &instructions) == 1) break;
    }
    std::fclose(file);
    std::remove(path.c_str());
    return instructions;
}

// Runs sysglance on hatsim for that many passes: the CPU it used in µs, or
// the instructions callgrind counted.
long runSysglance(const TempFolder& folder, Run how, int passes)
{
    std::vector<std::string> env = {"HATSIM_ROOT=" + folder.file("root"), "HATSIM_SCRIPT=" + folder.file("script"),
                                    "HATSIM_SPEED=0", "HATSIM_VIEW=0",
                                    "HATSIM_END_MS=" + std::to_string(passes * kPassMs)};
    if (how == Run::traced) env.push_back("HATSIM_TRACE=" + folder.file("trace"));
    const std::string counts = folder.file("callgrind.out");
    std::vector<std::string> command = {HATKIT_SIM_DIR "/sysglance"};
    if (how == Run::counted) {
        command.insert(command.begin(), {"valgrind", "--tool=callgrind", "--callgrind-out-file=" + counts});
        if (const char* path = std::getenv("PATH")) env.push_back(std::string("PATH=") + path);
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> envp;
        for (std::string& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::vector<char*> argv;
        for (std::string& word : command) argv.push_back(word.data());
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        environ = envp.data();
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (how == Run::counted) return -1;  // no valgrind
        std::fprintf(stderr, "wire_bench: sysglance on hatsim failed\n");
        std::exit(1);
    }
    if (how == Run::counted) return countedInstructions(counts);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000L + usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

struct Wire {
    long transactions = 0, bytes = 0, bits = 0, systemCalls = 0;
};

// Counts the traced transactions and sends them again through the
// hardware build's calls: two bytes as a register write, others as a block.
Wire measureTrace(const std::string& trace)
{
    Wire wire;
    kernel_shim::reset();
    const int fd = wiringPiI2CSetup(0x3C);
    kernel_shim::reset();
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string ms, event, address;
        fields >> ms >> event >> address;
        if (event == "pause") {
            delay(static_cast<unsigned>(std::stoul(address)));
            continue;
        }
        if (event != "write" && event != "send") continue;
        std::vector<uint8_t> bytes;
        for (std::string byte; fields >> byte && byte != "lost";) bytes.push_back(static_cast<uint8_t>(std::stoi(byte, nullptr, 16)));
        const long n = static_cast<long>(bytes.size());
        ++wire.transactions;
        wire.bytes += n;
        wire.bits += bitTimes(n);
        if (n == 2) {
            (void)wiringPiI2CWriteReg8(fd, bytes[0], bytes[1]);
        } else {
            (void)i2cWriteBlock(fd, bytes.data(), static_cast<int>(n));
        }
    }
    wire.systemCalls = static_cast<long>(kernel_shim::calls().size());
    return wire;
}

}  // namespace

int main()
{
    std::printf("sysglance on hatsim, %d passes; figures per pass\n\n", kPasses);
    std::printf(
        "| display_updates | transactions | bytes | bit times at 100 kHz | system calls (bus and pauses) | CPU µs | "
        "instructions |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    double bits[2] = {}, transactions[2] = {}, cpuPerPass[2] = {};
    int index = 0;
    for (const char* mode : {"full", "changes"}) {
        TempFolder folder;
        folder.write("root/etc/hatkit.conf", std::string("display_updates = ") + mode + "\n");
        folder.write("script", scenario());
        runSysglance(folder, Run::traced, kPasses);
        const Wire wire = measureTrace(folder.read("trace"));
        long cpu[2] = {-1, -1};
        for (int i = 0; i < kCpuRuns; ++i) {
            for (int run = 0; run < 2; ++run) {
                const long used = runSysglance(folder, Run::timed, run == 0 ? kShortRunPasses : kPasses);
                if (cpu[run] < 0 || used < cpu[run]) cpu[run] = used;
            }
        }
        const long shortRun = runSysglance(folder, Run::counted, kShortRunPasses);
        const long longRun = shortRun < 0 ? -1 : runSysglance(folder, Run::counted, kPasses);
        const double passes = kPasses;
        const int difference = kPasses - kShortRunPasses;
        std::printf("| %s | %.1f | %.0f | %.0f | %.1f | %.0f | ", mode, wire.transactions / passes, wire.bytes / passes,
                    wire.bits / passes, wire.systemCalls / passes, static_cast<double>(cpu[1] - cpu[0]) / difference);
        if (longRun < 0) {
            std::printf("(no valgrind) |\n");
        } else {
            std::printf("%ld |\n", (longRun - shortRun) / difference);
        }
        bits[index] = wire.bits / passes;
        transactions[index] = wire.transactions / passes;
        // Instructions are repeatable; time is the fallback.
        cpuPerPass[index] = longRun >= 0 ? static_cast<double>(longRun - shortRun) : static_cast<double>(cpu[1] - cpu[0]);
        ++index;
    }
    std::printf("| luma.oled, one frame | 2 | 520 | 4702 | | | |\n\n");
    const bool met = bits[1] <= 470 && transactions[1] <= 10 && cpuPerPass[1] <= cpuPerPass[0];
    std::printf("changes: at most 470 bit times and 10 transactions a pass, no more CPU than full: %s\n",
                met ? "met" : "NOT MET");
    return met ? 0 : 1;
}
