// SPDX-License-Identifier: MIT
// What one status frame costs: clearing the buffer, drawing the five texts
// and pushing the 518 writes to a bus that only counts them; and the probe.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/counting_platform.h"
#include "bench/status_frame.h"
#include "board/cpu_temperature.h"

namespace {

void BM_StatusFrame(benchmark::State& state)
{
    startFrames();
    const long before = countedWrites();
    for (auto _ : state) drawAndPushFrame();
    state.counters["writes/frame"] =
        benchmark::Counter(static_cast<double>(countedWrites() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StatusFrame);

const char* const kThermalFolders[] = {"/sys", "/sys/class", "/sys/class/thermal", "/sys/class/thermal/thermal_zone0"};
char probeRoot[] = "/tmp/hatkit-bench-XXXXXX";

void removeProbeRoot()
{
    const std::string base = probeRoot;
    std::remove((base + kThermalZonePath).c_str());
    for (int i = 3; i >= 0; --i) rmdir((base + kThermalFolders[i]).c_str());
    rmdir(probeRoot);
}

// A thermal file of its own, made once and removed when the bench ends.
bool makeProbeRoot()
{
    static const bool made = [] {
        if (mkdtemp(probeRoot) == nullptr) return false;
        const std::string base = probeRoot;
        for (const char* folder : kThermalFolders) mkdir((base + folder).c_str(), 0755);
        std::ofstream(base + kThermalZonePath) << "47236\n";
        std::atexit(removeProbeRoot);
        setBenchRoot(probeRoot);
        return true;
    }();
    return made;
}

void BM_TemperatureProbe(benchmark::State& state)
{
    if (!makeProbeRoot()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(readCpuTemperature(32));
}
BENCHMARK(BM_TemperatureProbe);

}  // namespace

BENCHMARK_MAIN();
