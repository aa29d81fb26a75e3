// SPDX-License-Identifier: MIT
// The panel's wear over a day: sysglance runs on hatsim for 24 hours of
// virtual time (a Pi 4 at its desk: the load and the temperature wander,
// three warm spells switch the fan on and off, the address changes once),
// and every transaction that reached the panel is played again into
// hatsim's panel model. Each pixel's lit time is summed, plain and weighted
// by contrast / 255, for the programs as they come (no settings), the installed
// /etc/hatkit.conf, and that with screen_timeout = 10. For each it prints
// the most-lit pixel's share of the day (plain and weighted), the pixels lit
// more than 50 % and 90 % of it, and the panel transactions a pass, and
// writes the day's weighted wear map as OUTPUT/panel-wear-CASE.png, four
// times the panel's size (white: lit all day at full contrast).
//   panel_wear SOURCE_DIR [OUTPUT]
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hatsim/png_image.h"
#include "hatsim/ssd1306_panel.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr long kDayMs = 24L * 3600 * 1000;
constexpr int kWidth = 128;
constexpr int kHeight = 32;
constexpr int kPassMs = 1010;
constexpr int kMapScale = 4;  // each pixel of the map a 4 x 4 block

// A fixed pseudo-random walk: every run is the same.
int wander(unsigned* seed, int span)
{
    *seed = *seed * 1103515245u + 12345u;
    return static_cast<int>((*seed >> 16) % static_cast<unsigned>(2 * span + 1)) - span;
}

std::string dayScript()
{
    std::string s =
        "0 statfs 15000000 7500000 4096\n0 ifaddrs lo=127.0.0.1 eth0=192.168.1.20\n"
        "0 file /proc/device-tree/model Raspberry Pi 4 Model B Rev 1.4\n";
    unsigned seed = 7;
    int load = 20000;
    int millidegrees = 46000;
    for (long minute = 0; minute < 24 * 60; ++minute) {
        const std::string at = std::to_string(minute * 60000) + " ";
        load += wander(&seed, 3000);
        if (load < 0) load = -load;
        millidegrees += wander(&seed, 300);
        if (millidegrees < 44000) millidegrees = 44000;
        if (millidegrees > 47500) millidegrees = 47500;
        // Warm spells at 09:00, 13:00 and 18:00: a quarter of an hour at 57 C.
        const long hour = minute / 60;
        const bool warm = (hour == 9 || hour == 13 || hour == 18) && minute % 60 < 15;
        s += at + "sysinfo " + std::to_string(load) + " 1000000 " + std::to_string(500000 + wander(&seed, 20000)) +
             " 4096\n";
        s += at + "file /sys/class/thermal/thermal_zone0/temp " + std::to_string(warm ? 57000 : millidegrees) + "\n";
    }
    s += std::to_string(12L * 3600 * 1000) + " ifaddrs lo=127.0.0.1 eth0=192.168.1.143\n";
    return s;
}

struct Wear {
    std::vector<long> plain = std::vector<long>(kWidth * kHeight);     // ms
    std::vector<double> weighted = std::vector<double>(kWidth * kHeight);  // ms x contrast / 255
    long transactions = 0;
    long dayMs = 0;
};

// The lit pixels as the model shows them now, and its contrast.
struct Lit {
    std::vector<int> pixels;
    int contrast = 0;
};

Lit litNow()
{
    Lit lit;
    lit.contrast = hatsim::panelState().contrast;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (hatsim::panelPixel(x, y)) lit.pixels.push_back(y * kWidth + x);
        }
    }
    return lit;
}

// Plays the trace (read from a pipe as sysglance writes it) into the model.
void playTrace(std::FILE* trace, Wear* wear)
{
    hatsim::resetPanel();
    Lit lit;
    bool changed = true;
    char line[1024];
    while (std::fgets(line, sizeof line, trace) != nullptr) {
        long ms = 0;
        char event[16] = "";
        char address[16] = "";
        int used = 0;
        if (std::sscanf(line, "%ld %15s %15s %n", &ms, event, address, &used) < 3) continue;
        if (std::strcmp(event, "pause") == 0) {
            const long pause = std::atol(address);
            if (changed) {
                lit = litNow();
                changed = false;
            }
            for (int pixel : lit.pixels) {
                wear->plain[pixel] += pause;
                wear->weighted[pixel] += static_cast<double>(pause) * lit.contrast / 255.0;
            }
            wear->dayMs += pause;
            continue;
        }
        if ((std::strcmp(event, "write") != 0 && std::strcmp(event, "send") != 0) || std::strcmp(address, "0x3c") != 0 ||
            std::strstr(line, "lost") != nullptr) {
            continue;
        }
        uint8_t bytes[300];
        int count = 0;
        for (char* at = line + used; count < static_cast<int>(sizeof bytes);) {
            char* end = nullptr;
            const long value = std::strtol(at, &end, 16);
            if (end == at) break;
            bytes[count++] = static_cast<uint8_t>(value);
            at = end;
        }
        hatsim::panelTransfer(bytes, count);
        ++wear->transactions;
        changed = true;
    }
}

bool runDay(const std::string& conf, Wear* wear)
{
    TempFolder folder;
    folder.write("root/etc/hatkit.conf", conf);
    folder.write("script", dayScript());
    const std::string fifo = folder.file("trace");
    if (mkfifo(fifo.c_str(), 0600) != 0) return false;
    std::vector<std::string> env = {"HATSIM_ROOT=" + folder.file("root"), "HATSIM_SCRIPT=" + folder.file("script"),
                                    "HATSIM_SPEED=0", "HATSIM_VIEW=0", "HATSIM_END_MS=" + std::to_string(kDayMs),
                                    "HATSIM_CLOCK=2026-12-09T00:00:00", "HATSIM_TRACE=" + fifo};
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> envp;
        for (std::string& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);
        char program[] = HATKIT_SIM_DIR "/sysglance";
        char* argv[] = {program, nullptr};
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execve(program, argv, envp.data());
        _exit(127);
    }
    std::FILE* trace = child > 0 ? std::fopen(fifo.c_str(), "r") : nullptr;
    if (trace != nullptr) {
        playTrace(trace, wear);
        std::fclose(trace);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           trace != nullptr;
}

struct MapContext {
    const Wear* wear;
};

void paintRow(int y, uint8_t* row, void* context)
{
    const Wear& wear = *static_cast<MapContext*>(context)->wear;
    for (int x = 0; x < kWidth * kMapScale; ++x) {
        const double share = wear.weighted[y / kMapScale * kWidth + x / kMapScale] / static_cast<double>(wear.dayMs);
        row[x] = static_cast<uint8_t>(share >= 1.0 ? 255 : share * 255.0 + 0.5);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string source = argc > 1 ? argv[1] : ".";
    const std::string output = argc > 2 ? argv[2] : ".";
    const std::string installed = readWholeFile(source + "/packaging/hatkit.conf");
    const struct {
        const char* name;
        std::string conf;
    } cases[] = {
        {"none", ""},
        {"installed", installed},
        {"timeout", installed + "screen_timeout = 10\n"},
    };
    std::printf("%-10s %13s %16s %11s %11s %18s\n", "settings", "most-lit (%)", "weighted (%)", "over 50 %",
                "over 90 %", "transactions/pass");
    for (const auto& c : cases) {
        Wear wear;
        if (!runDay(c.conf, &wear) || wear.dayMs <= 0) {
            std::fprintf(stderr, "panel_wear: sysglance on hatsim failed (%s)\n", c.name);
            return 1;
        }
        long most = 0;
        double mostWeighted = 0.0;
        int over50 = 0, over90 = 0;
        for (int pixel = 0; pixel < kWidth * kHeight; ++pixel) {
            if (wear.plain[pixel] > most) most = wear.plain[pixel];
            if (wear.weighted[pixel] > mostWeighted) mostWeighted = wear.weighted[pixel];
            over50 += wear.plain[pixel] * 2 > wear.dayMs;
            over90 += wear.plain[pixel] * 10 > wear.dayMs * 9;
        }
        std::printf("%-10s %13.1f %16.1f %11d %11d %18.1f\n", c.name, 100.0 * most / wear.dayMs,
                    100.0 * mostWeighted / wear.dayMs, over50, over90,
                    static_cast<double>(wear.transactions) * kPassMs / wear.dayMs);
        MapContext context{&wear};
        const std::string map = output + "/panel-wear-" + c.name + ".png";
        if (!hatsim::writeGreyPng(map.c_str(), kWidth * kMapScale, kHeight * kMapScale, paintRow, &context)) {
            std::fprintf(stderr, "panel_wear: cannot write %s\n", map.c_str());
            return 1;
        }
    }
    return 0;
}
