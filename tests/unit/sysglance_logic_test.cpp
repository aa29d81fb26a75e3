// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "apps/sysglance/cpu_ticks.h"
#include "apps/sysglance/effect_rotation.h"
#include "apps/sysglance/fan_policy.h"
#include "apps/sysglance/panel_care.h"
#include "apps/sysglance/status_screen.h"
#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"
#include "tests/support/screen_reader.h"
#include "apps/sysglance/status_format.h"

namespace {

std::string cpu(uint64_t load)
{
    char text[kTextSize];
    formatCpuText(text, load);
    return text;
}

TEST(StatusFormat, CpuIsTheOneMinuteLoadAsAPercentageOfOneCpu)
{
    EXPECT_EQ(cpu(0), "CPU:0%");
    EXPECT_EQ(cpu(32768), "CPU:50%");
    EXPECT_EQ(cpu(65536), "CPU:100%");
    EXPECT_EQ(cpu(65535), "CPU:99%");
    EXPECT_EQ(cpu(4 * 65536 + 655), "CPU:400%");
    EXPECT_EQ(cpu(UINT32_MAX), "CPU:6553599%");
    EXPECT_EQ(cpu(UINT64_MAX), "CPU:28147497671065599%");  // no overflow on a 64-bit kernel
}

// The share of CPU time in use between two readings of /proc/stat's first
// line: idle and iowait are idle, the rest busy; -1 when it cannot be told.
TEST(StatusFormat, CpuUsedIsTheShareOfTicksNotIdle)
{
    const std::string first = "cpu  100 0 100 700 100 0 0 0 0 0\ncpu0 1";
    const struct {
        std::string second;
        int percent;
    } cases[] = {
        {"cpu  150 0 150 750 150 0 0 0 0 0\n", 50},
        {"cpu  100 0 100 800 100 0 0 0\n", 0},
        {"cpu  100 10 100 700 100 20 30 40 99 99\n", 100},  // guest time is counted in user already
        {"cpu  150 0 150 750 150 0 0 0 50 0\n", 50},
        {"cpu  133 0 100 766 101\n", 33},                    // an old kernel: five fields, rounded
        {"cpu  100 0 100 700 100 0 0 0 0 0\n", -1},          // no time passed
        {"cpu  90 0 100 800 100 0 0 0\n", -1},               // counters went back
        {"cpu  100 0 100\n", -2},                            // too short: not read
        {"cpu0 150 0 150 750 150 0 0 0\n", -2},
        {"cpu  99999999999999999999 0 0 0 0\n", -2},
        {"", -2},
    };
    CpuTicks before;
    ASSERT_TRUE(parseCpuTicks(first.data(), first.size(), &before));
    // Only `length` bytes are read: a digit just past them is not.
    const std::string cut = "cpu  150 0 150 750 150 0 0 09";
    CpuTicks ticks;
    ASSERT_TRUE(parseCpuTicks(cut.data(), cut.size() - 1, &ticks));
    EXPECT_EQ(ticks.all, 1200u);
    for (const auto& c : cases) {
        CpuTicks now;
        const bool read = parseCpuTicks(c.second.data(), c.second.size(), &now);
        EXPECT_EQ(read ? cpuUsedPercent(before, now) : -2, c.percent) << c.second;
    }
}

Screen screenOfBuffer()
{
    Screen screen;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 128; ++x) screen.pixel[y][x] = (ssd1306::buffer[x + y / 8 * 128] >> (y % 8) & 1) != 0;
    }
    screen.loaded = true;
    return screen;
}

// Every position of the orbit: the picture drawn at (0, 0), moved as far as
// it fits, reads back whole at its new place, every text apart from the
// others; texts that leave no room keep the picture where it is.
TEST(PanelCare, EveryOrbitPositionKeepsEveryTextWholeAndApart)
{
    const struct {
        const char *cpu, *temp, *ram, *disk, *address;
        int maxDx, maxDy;  // how far the picture may move
    } cases[] = {
        {"CPU:52%", "Temp:47.2C", "RAM:1974/3794 MB", "Disk:17479/30000MB", "eth0:192.168.1.20", 9, 1},
        {"CPU:400%", "Temp:85.0C", "RAM:7000/7800 MB", "Disk:900000/953000MB", "wlan0:192.168.100.200", 2, 1},
        {"CPU:1%", "Temp:4.0C", "RAM:1/2 MB", "Disk:1/2MB", "enp1s0:10.0.0.1", 9, 0},  // a descender at the bottom
    };
    for (const auto& c : cases) {
        StatusTexts texts;
        std::snprintf(texts.cpuText, kTextSize, "%s", c.cpu);
        std::snprintf(texts.tempText, kTextSize, "%s", c.temp);
        std::snprintf(texts.ramText, kTextSize, "%s", c.ram);
        std::snprintf(texts.diskText, kTextSize, "%s", c.disk);
        std::snprintf(texts.addressText, kTextSize, "%s", c.address);
        ssd1306_clearDisplay();
        drawStatusTexts(texts);
        const Screen home = screenOfBuffer();
        int mostDx = 0, mostDy = 0;
        for (int step = 0; step < kOrbitSteps; ++step) {
            const OrbitOffset wanted = orbitOffset(step);
            const OrbitOffset at = fitOffset(wanted, roomToTheRight(texts), roomBelow(texts));
            ssd1306_clearDisplay();
            drawStatusTexts(texts, at.dx, at.dy);
            const Screen moved = screenOfBuffer();
            EXPECT_EQ(moved.litPixels(), home.litPixels()) << c.address << " step " << step;  // nothing clipped
            EXPECT_EQ(readText(moved, at.dx, at.dy, 56 + at.dx), c.cpu) << step;
            EXPECT_EQ(readText(moved, 56 + at.dx, at.dy), c.temp) << step;
            EXPECT_EQ(readText(moved, at.dx, 8 + at.dy), c.ram) << step;
            EXPECT_EQ(readText(moved, at.dx, 16 + at.dy), c.disk) << step;
            EXPECT_EQ(readText(moved, at.dx, 24 + at.dy), c.address) << step;
            mostDx = std::max(mostDx, at.dx);
            mostDy = std::max(mostDy, at.dy);
            if (step > 0) {  // one pixel from the step before
                const OrbitOffset before = orbitOffset(step - 1);
                EXPECT_EQ(std::abs(wanted.dx - before.dx) + std::abs(wanted.dy - before.dy), 1) << step;
            }
        }
        EXPECT_EQ(mostDx, c.maxDx) << c.address;
        EXPECT_EQ(mostDy, c.maxDy) << c.address;
    }
    EXPECT_EQ(orbitOffset(kOrbitSteps).dx, 0);  // and round again
}

// How bright the panel should be by the time since the last look, and the
// lit time it counts: hours at full contrast.
TEST(PanelCare, LevelByTheTimeSinceALookAndWearByContrast)
{
    HatkitSettings settings;
    settings.dimAfterMinutes = 1;
    settings.screenTimeoutMinutes = 2;
    const struct {
        uint32_t since;
        PanelLevel level;
    } cases[] = {{0, PanelLevel::bright}, {59999, PanelLevel::bright}, {60000, PanelLevel::dim},
                 {119999, PanelLevel::dim}, {120000, PanelLevel::asleep}, {UINT32_MAX, PanelLevel::asleep}};
    for (const auto& c : cases) {
        PanelCare care;
        care.msSinceLook = c.since;
        EXPECT_EQ(levelFor(care, settings), c.level) << c.since;
        EXPECT_EQ(levelFor(care, HatkitSettings{}), PanelLevel::bright) << c.since;
    }
    PanelCare care;
    care.msSinceLook = UINT32_MAX - 5;
    noteLook(&care, false, 1010);
    EXPECT_EQ(care.msSinceLook, UINT32_MAX - 5);  // no wrap to bright
    noteLook(&care, true, 1010);
    EXPECT_EQ(care.msSinceLook, 0u);

    static PanelWear wear;
    int32_t cells[512] = {};
    cells[127 + 3 * 128] = 0x80;  // pixel (127, 31)
    addWear(&wear, cells, 255, 3600000);
    EXPECT_DOUBLE_EQ(peakPixelHours(wear), 1.0);
    addWear(&wear, cells, 0x133, 3600000);  // only the contrast's low 8 bits reach the panel
    EXPECT_DOUBLE_EQ(peakPixelHours(wear), 1.0 + 0x33 / 255.0);
    EXPECT_EQ(wear.weighted[31 * 128 + 127], wear.peak);
    EXPECT_EQ(wear.weighted[31 * 128 + 126] + wear.weighted[30 * 128 + 127], 0u);
}

TEST(StatusFormat, RamAppliesTheMemoryUnitIn64Bits)
{
    char text[kTextSize];
    formatRamText(text, 500000, 1000000, 4096);
    EXPECT_STREQ(text, "RAM:1953/3906 MB");
    formatRamText(text, 3500000, 4000000, 4096);  // 32-bit kernel with 16 GB
    EXPECT_STREQ(text, "RAM:13671/15625 MB");
    formatRamText(text, 1024u * 1024 * 1024, 4096u * 1024 * 1024 - 1, 1);
    EXPECT_STREQ(text, "RAM:1024/4095 MB");
    formatRamText(text, UINT64_MAX, UINT64_MAX, UINT64_MAX);
    EXPECT_LE(std::string(text).size(), 31u);
}

TEST(StatusFormat, DiskIsFreeFirstInMiB)
{
    char text[kTextSize];
    formatDiskText(text, 7500000, 15000000, 4096);
    EXPECT_STREQ(text, "Disk:29296/58593MB");
    formatDiskText(text, 0, 0, 4096);
    EXPECT_STREQ(text, "Disk:0/0MB");
    formatDiskText(text, 1ull << 40, 1ull << 41, 4096);  // 4 and 8 EiB: stored as 32-bit values
    EXPECT_LE(std::string(text).size(), 31u);
}

TEST(StatusFormat, TemperatureHasOneDecimal)
{
    char text[kTextSize];
    formatTempText(text, 47.236);
    EXPECT_STREQ(text, "Temp:47.2C");
    formatTempText(text, -2147483.648);
    EXPECT_STREQ(text, "Temp:-2147483.6C");
}

TEST(StatusFormat, BoardModelComparesTheFirst22Characters)
{
    auto model = [](const std::string& text) { return boardModelFromText(text.data(), text.size()); };
    EXPECT_EQ(model(std::string("Raspberry Pi 4 Model B Rev 1.4") + '\0'), 4);
    EXPECT_EQ(model("Raspberry Pi 3 Model B Plus Rev 1.3"), 3);
    EXPECT_EQ(model("Raspberry Pi 3 Model B"), 3);
    EXPECT_EQ(model("Raspberry Pi 3 Model A Plus Rev 1.0"), 0);
    EXPECT_EQ(model("Raspberry Pi 4 Model"), 0);
    EXPECT_EQ(model(std::string("Raspberry Pi 4\0 Model B", 24)), 0);
    EXPECT_EQ(model("Raspberry Pi 5 Model B Rev 1.0"), 0);
    EXPECT_EQ(model(""), 0);
}

TEST(FanPolicy, ThresholdsByModel)
{
    EXPECT_EQ(fanThresholdsFor(4).onAt, 55.0);
    EXPECT_EQ(fanThresholdsFor(4).offAt, 48.0);
    EXPECT_EQ(fanThresholdsFor(3).onAt, 46.0);
    EXPECT_EQ(fanThresholdsFor(3).offAt, 40.0);
    EXPECT_EQ(fanThresholdsFor(0).onAt, 55.0);
    EXPECT_EQ(fanThresholdsFor(0).offAt, 48.0);
}

// The rotation (3, then 4, 2, 1, 3 every ten passes from the 11th) and the
// owner's effects in turn; one effect alone never changes.
TEST(EffectRotation, ChangesOnPasses11213141AndThenEveryTen)
{
    const struct {
        std::vector<int> effects;  // none: the rotation
        int passes;
        std::vector<std::pair<int, int>> changes;
    } cases[] = {
        {{}, 91, {{11, 4}, {21, 2}, {31, 1}, {41, 3}, {51, 4}, {61, 2}, {71, 1}, {81, 3}, {91, 4}}},
        {{2, 0}, 45, {{11, 0}, {21, 2}, {31, 0}, {41, 2}}},
        {{1, 4, 4}, 45, {{11, 4}, {21, 4}, {31, 1}, {41, 4}}},
        {{3}, 45, {}},
    };
    for (const auto& c : cases) {
        int counter = 0;
        std::vector<std::pair<int, int>> changes;
        for (int pass = 1; pass <= c.passes; ++pass) {
            const int effect = c.effects.empty() ? rotateEffect(&counter)
                                                 : rotateEffectThrough(&counter, c.effects.data(),
                                                                       static_cast<int>(c.effects.size()));
            if (effect != kNoEffectChange) changes.emplace_back(pass, effect);
        }
        EXPECT_EQ(changes, c.changes) << c.effects.size();
    }
}

}  // namespace
