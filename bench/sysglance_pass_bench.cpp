// SPDX-License-Identifier: MIT
// One whole sysglance pass on hatsim at speed 0: sampling, drawing, the
// 518-write push through the emulated bus and panel, fan and effect, and
// the heap allocations a pass makes once the address is known.
//   sysglance_pass_bench [benchmark flags]      Google Benchmark
//   sysglance_pass_bench --passes N             N passes, for callgrind
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "apps/sysglance/status_loop.h"
#include "bench/allocation_counter.h"

namespace {

// hatsim starts at the first call through the platform seam, so the bench
// sets its variables first: hatsim's demo Pi 4 with fixed counters and an
// address, and no real pauses. The scenario file is read at that first call.
std::string useScenario()
{
    char folder[] = "/tmp/hatkit-pass-XXXXXX";
    if (mkdtemp(folder) == nullptr) return "";
    const std::string script = std::string(folder) + "/script";
    FILE* file = std::fopen(script.c_str(), "w");
    if (file == nullptr) return "";
    std::fputs(
        "0 sysinfo 65536 1000000 500000 4096\n0 statfs 15000000 7500000 4096\n"
        "0 ifaddrs lo=127.0.0.1 eth0=192.168.1.20\n"
        "0 file /proc/device-tree/model Raspberry Pi 4 Model B Rev 1.4\n"
        "0 file /sys/class/thermal/thermal_zone0/temp 47236\n",
        file);
    std::fclose(file);
    setenv("HATSIM_SCRIPT", script.c_str(), 1);
    unsetenv("HATSIM_ROOT");
    setenv("HATSIM_SPEED", "0", 1);
    setenv("HATSIM_VIEW", "0", 1);
    unsetenv("HATSIM_TRACE");
    unsetenv("HATSIM_SNAPSHOT");
    return script;
}

ProgramLoop loop;

void BM_SysglancePass(benchmark::State& state)
{
    // The first passes find the address and the model; after them a pass
    // is in its steady state.
    for (int i = 0; i < 3; ++i) runOnePass(loop, kSysglance);
    const long before = heapAllocations();
    for (auto _ : state) runOnePass(loop, kSysglance);
    state.counters["allocations/pass"] = benchmark::Counter(static_cast<double>(heapAllocations() - before),
                                                            benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SysglancePass);

}  // namespace

int main(int argc, char** argv)
{
    const std::string script = useScenario();
    startSysglance(loop);
    // hatsim has read the scenario by now: its file is not needed any more.
    std::remove(script.c_str());
    rmdir(script.substr(0, script.rfind('/')).c_str());
    if (argc == 3 && std::strcmp(argv[1], "--passes") == 0) {
        const long passes = std::atol(argv[2]);
        for (long i = 0; i < passes; ++i) runOnePass(loop, kSysglance);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
