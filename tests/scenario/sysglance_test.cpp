// SPDX-License-Identifier: MIT
// sysglance run for real on hatsim; the screen is read back from the
// emulated panel's picture.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <sstream>
#include <string>
#include <vector>

#include "hatsim/ssd1306_panel.h"
#include "tests/scenario/hatsim_run.h"
#include "tests/support/screen_reader.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kThermal = "/sys/class/thermal/thermal_zone0/temp";
const std::string kModel = "/proc/device-tree/model";

// Pass k (from 1) starts at this virtual time when start-up needs no retry.
int passStart(int k) { return (k - 1) * 1010; }
std::string endAfterPasses(int passes) { return "HATSIM_END_MS=" + std::to_string(passes * 1010); }

std::string at(int ms, const std::string& action) { return std::to_string(ms) + " " + action + "\n"; }
std::string thermal(int ms, const std::string& text) { return at(ms, "file " + kThermal + " " + text); }

std::string baseScript(const std::string& model = "Raspberry Pi 4 Model B Rev 1.4", const std::string& temp = "47236")
{
    return at(0, "sysinfo 65536 1000000 500000 4096") + at(0, "statfs 15000000 7500000 4096") +
           at(0, "ifaddrs lo=127.0.0.1 eth0=192.168.1.20") + at(0, "file " + kModel + " " + model) +
           thermal(0, temp);
}

// The panel's initialisation with its own charge pump, as the board needs.
std::vector<int> panelInit(bool flip = false, int contrast = 0x8f)
{
    return {0xae, 0xd5, 0x80, 0xa8, 0x1f, 0xd3, 0x00, 0x40, 0x8d, 0x14, 0x20,     0x00, flip ? 0xa0 : 0xa1,
            flip ? 0xc0 : 0xc8, 0xda, 0x02, 0x81, contrast, 0xd9, 0xf1, 0xdb, 0x40, 0xa4, 0xa6, 0x2e, 0xaf};
}
const std::vector<int> kPushWindow = {0x21, 0x00, 0x7f, 0x22, 0x00, 0x03};

Lines panelCommands(int ms, const std::vector<int>& bytes)
{
    Lines lines;
    for (int byte : bytes) {
        char line[40];
        std::snprintf(line, sizeof line, "%d write 0x3c 0x00 0x%02x", ms, byte);
        lines.push_back(line);
    }
    return lines;
}

struct ScreenTexts {
    std::string cpu, temp, ram, disk, address;
    bool operator==(const ScreenTexts& o) const
    {
        return cpu == o.cpu && temp == o.temp && ram == o.ram && disk == o.disk && address == o.address;
    }
};

void PrintTo(const ScreenTexts& t, std::ostream* out)
{
    *out << "{" << t.cpu << " | " << t.temp << " | " << t.ram << " | " << t.disk << " | " << t.address << "}";
}

ScreenTexts readScreen(const HatsimScenario& scenario)
{
    const Screen screen = loadScreen(scenario.snapshotPath());
    EXPECT_TRUE(screen.loaded);
    return {readText(screen, 0, 0, 56), readText(screen, 56, 0), readText(screen, 0, 8), readText(screen, 0, 16),
            readText(screen, 0, 24)};
}

// The pictures the panel showed at the end of each pass (at the pass's
// first pause, which follows its push): the run's panel transactions fed
// again to hatsim's panel model.
std::vector<std::string> picturesAfterEachPass(const HatsimRun& run)
{
    std::vector<std::string> pictures;
    hatsim::resetPanel();
    for (const std::string& line : traceLines(run.trace)) {
        std::istringstream fields(line);
        std::string ms, event, address;
        fields >> ms >> event >> address;
        if (event == "pause" && address == "10") {
            std::string picture;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 128; ++x) picture += hatsim::panelPixel(x, y) ? '#' : '.';
            }
            pictures.push_back(picture);
        }
        if ((event != "write" && event != "send") || address != "0x3c" || line.find("lost") != std::string::npos) continue;
        std::vector<uint8_t> bytes;
        for (std::string byte; fields >> byte;) bytes.push_back(static_cast<uint8_t>(std::stoi(byte, nullptr, 16)));
        hatsim::panelTransfer(bytes.data(), static_cast<int>(bytes.size()));
    }
    return pictures;
}

TEST(Sysglance, ChangesModeShowsWhatFullModeShowsAfterEveryPass)
{
    // Load and temperature change every pass, memory every seventh, the
    // address at pass 40; sysinfo fails in pass 20; a reload in pass 100;
    // quiet hours from 00:02 (pass 120) to 00:03 (pass 180); 185 passes.
    constexpr int kPasses = 185;
    std::string script = baseScript();
    for (int k = 2; k <= kPasses; ++k) {
        const int freeRam = k % 7 == 0 ? 100000 + k * 1000 : 500000;
        script += at(passStart(k), "sysinfo " + std::to_string(k * 9973 % 200000) + " 1000000 " +
                                       std::to_string(freeRam) + " 4096") +
                  thermal(passStart(k), std::to_string(40000 + k * 731 % 25000));
    }
    script += at(passStart(20), "sysinfo fail") + at(passStart(40), "ifaddrs eth0=10.0.0.1") +
              at(passStart(100), "signal HUP");
    std::vector<std::string> pictures[2];
    for (int i = 0; i < 2; ++i) {
        HatsimScenario scenario;
        scenario.folder().write("root/etc/hatkit.conf", std::string("quiet_hours = 00:02-00:03\ndisplay_updates = ") +
                                                            (i == 0 ? "full" : "changes") + "\n");
        const HatsimRun run =
            scenario.run("sysglance", script, {endAfterPasses(kPasses), "HATSIM_CLOCK=2026-12-31T00:00:00"});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_TRUE(eventsWith(run, "warn").empty());
        pictures[i] = picturesAfterEachPass(run);
        if (i == 1) {
            // Whole frames: at start, 60 passes on, after the reload and at the end of the quiet hours.
            EXPECT_EQ(eventsWith(run, "send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03"),
                      (Lines{"0 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03", "60600 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03",
                             "99990 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03",
                             "180790 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03"}));
        }
    }
    ASSERT_EQ(pictures[0].size(), static_cast<std::size_t>(kPasses));
    ASSERT_EQ(pictures[1].size(), static_cast<std::size_t>(kPasses));
    for (std::size_t pass = 0; pass < pictures[0].size(); ++pass) {
        EXPECT_EQ(pictures[1][pass], pictures[0][pass]) << "pass " << pass + 1;
    }
}

TEST(Sysglance, ShowsTheFiveTextsAtTheirPlacesAndFollowsThePi)
{
    HatsimScenario scenario;
    // Load, memory, disk and temperature change at pass 3; the address
    // changes at 15 s (pass 16) and goes at 40 s (pass 41). Once found, the
    // address is checked every ten passes: passes 11, 21, 31, 41.
    const std::string script = baseScript() + at(passStart(3), "sysinfo 131072 2000000 100000 4096") +
                               at(passStart(3), "statfs 1000000 250000 4096") + thermal(passStart(3), "61500") +
                               at(15000, "ifaddrs lo=127.0.0.1 eth0=192.168.1.77") + at(40000, "ifaddrs lo=127.0.0.1");
    const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(2)});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "init ok!\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readScreen(scenario),
              (ScreenTexts{"CPU:100%", "Temp:47.2C", "RAM:1953/3906 MB", "Disk:29296/58593MB", "eth0:192.168.1.20"}));
    scenario.run("sysglance", script, {endAfterPasses(20)});
    EXPECT_EQ(readScreen(scenario),
              (ScreenTexts{"CPU:200%", "Temp:61.5C", "RAM:390/7812 MB", "Disk:976/3906MB", "eth0:192.168.1.20"}));
    for (auto [passes, address] : {std::pair{21, "eth0:192.168.1.77"}, {40, "eth0:192.168.1.77"}, {41, ""}}) {
        scenario.run("sysglance", script, {endAfterPasses(passes)});
        EXPECT_EQ(readScreen(scenario).address, address) << passes << " passes";
    }
}

TEST(Sysglance, StartsUpInOrderAndPushesWholeFrames)
{
    HatsimScenario scenario;
    const HatsimRun run = scenario.run("sysglance", baseScript(), {endAfterPasses(2)});
    const Lines lines = traceLines(run.trace);
    ASSERT_GT(lines.size(), 30u);
    EXPECT_EQ(lines[0], "0 open 0x3c 3");
    EXPECT_EQ(Lines(lines.begin() + 1, lines.begin() + 27), panelCommands(0, panelInit()));
    EXPECT_EQ(lines[27], "0 setup");
    EXPECT_EQ(lines[28], "0 open 0x0d 4");
    EXPECT_EQ(lines[29], "0 write 0x0d 0x04 0x03");
    EXPECT_EQ(eventsWith(run, "write 0x3c 0x40").size(), 2u * 512);
    EXPECT_EQ(eventsWith(run, "pause"), (Lines{"0 pause 10", "10 pause 500", "510 pause 500", "1010 pause 10",
                                               "1020 pause 500", "1520 pause 500"}));
    EXPECT_TRUE(eventsWith(run, "warn").empty());
}

TEST(Sysglance, LoadTextsAtHalfAndZero)
{
    for (auto [load, text] : {std::pair{"32768", "CPU:50%"}, {"0", "CPU:0%"}, {"98304", "CPU:150%"}}) {
        HatsimScenario scenario;
        scenario.run("sysglance", baseScript() + at(0, std::string("sysinfo ") + load + " 1000000 500000 4096"),
                     {endAfterPasses(1)});
        EXPECT_EQ(readScreen(scenario).cpu, text);
    }
}

TEST(Sysglance, FanOnAPi4FollowsItsThresholdsWithMemory)
{
    HatsimScenario scenario;
    const std::string script = baseScript("Raspberry Pi 4 Model B Rev 1.4", "50000") + thermal(passStart(2), "56000") +
                               thermal(passStart(4), "48100") + thermal(passStart(5), "48000") +
                               thermal(passStart(6), "30000");
    const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(7)});
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x08"), (Lines{"1020 write 0x0d 0x08 0x01", "4050 write 0x0d 0x08 0x00"}));
}

TEST(Sysglance, FanOnAPi3SwitchesAt46And40)
{
    HatsimScenario scenario;
    const std::string script = baseScript("Raspberry Pi 3 Model B Plus Rev 1.3", "45000") +
                               thermal(passStart(2), "46000") + thermal(passStart(3), "40100") +
                               thermal(passStart(4), "40000");
    const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(4)});
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x08"), (Lines{"1020 write 0x0d 0x08 0x01", "3040 write 0x0d 0x08 0x00"}));
}

TEST(Sysglance, UnrecognisedModelUsesPi4ThresholdsAndIsReadAgainEachPass)
{
    HatsimScenario scenario;
    // A Pi 3 Model A: not recognised, so 50 °C is in the Pi 4 dead band; once
    // the model file names a Pi 3 Model B, the next pass switches the fan on.
    // The model and thermal files are read 80 times under a limit of 64 open
    // descriptors: a file left open would make the later opens fail.
    const std::string script = baseScript("Raspberry Pi 3 Model A Plus Rev 1.0", "50000") +
                               at(passStart(80), "file " + kModel + " Raspberry Pi 3 Model B Rev 1.2");
    rlimit saved {};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit low = saved;
    low.rlim_cur = 64;
    setrlimit(RLIMIT_NOFILE, &low);
    const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(81)});
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(run.out, "init ok!\n");
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x08"), (Lines{"79800 write 0x0d 0x08 0x01"}));
}

TEST(Sysglance, RecognisedModelIsNotReadAgain)
{
    HatsimScenario scenario;
    const std::string script = baseScript("Raspberry Pi 4 Model B Rev 1.1", "50000") +
                               at(passStart(2), "file " + kModel + " Raspberry Pi 3 Model B Rev 1.2");
    const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(3)});
    EXPECT_TRUE(eventsWith(run, "write 0x0d 0x08").empty());
}

TEST(Sysglance, StartingCoolWritesFanOffOnTheFirstPass)
{
    HatsimScenario scenario;
    const HatsimRun run = scenario.run("sysglance", baseScript("Raspberry Pi 4 Model B", "30000"), {endAfterPasses(3)});
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x08"), (Lines{"10 write 0x0d 0x08 0x00"}));
}

TEST(Sysglance, FailedTemperatureReadingsKeepTheTextAndTheFan)
{
    HatsimScenario scenario;
    const std::string script = baseScript("Raspberry Pi 4 Model B", "56000") + at(passStart(2), "remove " + kThermal) +
                               at(passStart(3), "dir " + kThermal) + at(passStart(4), "file " + kThermal) +
                               thermal(passStart(5), "abc");
    const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(5)});
    EXPECT_EQ(run.out,
              "init ok!\nfailed to open thermal_zone0/temp\nfail to read temp\nfail to read temp\nfail to read temp\n");
    // On at the first pass; the failed readings are not taken for 0 °C.
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x08"), (Lines{"10 write 0x0d 0x08 0x01"}));
    EXPECT_EQ(readScreen(scenario).temp, "Temp:56.0C");
}

TEST(Sysglance, EffectRotatesOnPasses11To51)
{
    HatsimScenario scenario;
    const HatsimRun run = scenario.run("sysglance", baseScript(), {endAfterPasses(52)});
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x04"),
              (Lines{"0 write 0x0d 0x04 0x03", "10610 write 0x0d 0x04 0x04", "20710 write 0x0d 0x04 0x02",
                     "30810 write 0x0d 0x04 0x01", "40910 write 0x0d 0x04 0x03", "51010 write 0x0d 0x04 0x04"}));
}

TEST(Sysglance, RetriesTheBoardLinkWhileTheBusIsDown)
{
    HatsimScenario scenario;
    const HatsimRun run = scenario.run("sysglance", at(0, "bus down") + at(1200, "bus up") + baseScript(),
                                       {"HATSIM_END_MS=4000"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.err,
              "ssd1306_i2c : Unable to initialise I2C:\n"
              "fail to init I2C\nfail to init I2C\nfail to init I2C\nfail to init I2C\n");
    EXPECT_EQ(run.out, "init ok!\n");
    const Lines opens = eventsWith(run, "open");
    EXPECT_EQ(opens, (Lines{"0 open 0x3c -1", "0 open 0x0d -1", "0 open 0x0d -1", "500 open 0x0d -1",
                            "1000 open 0x0d -1", "1500 open 0x0d 3"}));
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x04"), (Lines{"2000 write 0x0d 0x04 0x03"}));
    // Without a panel link the pushes go nowhere, and the program carries on.
    EXPECT_FALSE(eventsWith(run, "write - 0x40 0x00 lost").empty());
    EXPECT_FALSE(eventsWith(run, "write 0x0d 0x08").empty());
}

// Both devices go missing for passes 2 to 4 and come back reset, as after a
// power cut; the fan's switch-on in pass 3 is lost. In either display mode
// the panel is initialised again and shows the Pi as it is now, and the
// board gets its fan state and effect back (tried again each pass).
TEST(Sysglance, SetsUpAPanelAndABoardThatComeBackAfterGoingMissing)
{
    for (const std::string mode : {"full", "changes"}) {
        HatsimScenario scenario;
        scenario.folder().write("root/etc/hatkit.conf", "display_updates = " + mode + "\n");
        const std::string script = baseScript("Raspberry Pi 4 Model B", "40000") +
                                   at(passStart(2), "device 0x3c absent") + at(passStart(2), "device 0x0d absent") +
                                   thermal(passStart(3), "56000") + at(passStart(5), "device 0x3c reset") +
                                   at(passStart(5), "device 0x0d reset") + at(passStart(5), "device 0x3c present") +
                                   at(passStart(5), "device 0x0d present");
        const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(6)});
        EXPECT_EQ(run.exitStatus, 0) << mode;
        EXPECT_FALSE(eventsWith(run, "lost").empty()) << mode;
        for (const std::string& line : eventsWith(run, "lost")) EXPECT_LT(std::stoi(line), passStart(5)) << line;
        const Lines panelAgain = eventsWith(run, "4040 write 0x3c 0x00");
        ASSERT_GE(panelAgain.size(), 26u) << mode;
        EXPECT_EQ(Lines(panelAgain.begin(), panelAgain.begin() + 26), panelCommands(4040, panelInit())) << mode;
        // Set up again from the pass after the first loss (changes: nothing
        // changed in pass 2, so nothing was lost until pass 3) until it answers.
        Lines initialisations = {"0 write 0x3c 0x00 0xae", "3030 write 0x3c 0x00 0xae lost", "4040 write 0x3c 0x00 0xae"};
        if (mode == "full") initialisations.insert(initialisations.begin() + 1, "2020 write 0x3c 0x00 0xae lost");
        EXPECT_EQ(eventsWith(run, "0x3c 0x00 0xae"), initialisations) << mode;
        EXPECT_EQ(readScreen(scenario).temp, "Temp:56.0C") << mode;
        EXPECT_EQ(eventsWith(run, "write 0x0d 0x08"),
                  (Lines{"10 write 0x0d 0x08 0x00", "2030 write 0x0d 0x08 0x01 lost", "3030 write 0x0d 0x08 0x01 lost",
                         "4040 write 0x0d 0x08 0x01"}))
            << mode;
        EXPECT_EQ(eventsWith(run, "write 0x0d 0x04"),
                  (Lines{"0 write 0x0d 0x04 0x03", "3030 write 0x0d 0x04 0x03 lost", "4040 write 0x0d 0x04 0x03"}))
            << mode;
    }
}

TEST(Sysglance, SysinfoFailureShowsTheErrorScreenAtAPassesPace)
{
    HatsimScenario scenario;
    const std::string script = baseScript("Raspberry Pi 4 Model B", "56000") + at(0, "sysinfo fail") +
                               at(passStart(3), "sysinfo 65536 1000000 500000 4096");
    {
        const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(2)});
        EXPECT_EQ(run.out, "init ok!\nsysinfo-Error\nsysinfo-Error\n");
        const Screen screen = loadScreen(scenario.snapshotPath());
        EXPECT_EQ(readText(screen, 0, 0), "sysinfo-Error");
        for (int row : {8, 16, 24}) EXPECT_EQ(readText(screen, 0, row), "") << row;
        EXPECT_EQ(eventsWith(run, "pause"), (Lines{"0 pause 10", "10 pause 500", "510 pause 500", "1010 pause 10",
                                                   "1020 pause 500", "1520 pause 500"}));
        EXPECT_TRUE(eventsWith(run, "write 0x0d 0x08").empty());
    }
    const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(13)});
    EXPECT_EQ(readScreen(scenario).cpu, "CPU:100%");
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x08"), (Lines{"2030 write 0x0d 0x08 0x01"}));
    // The rotation counter did not move during the failed passes.
    EXPECT_EQ(eventsWith(run, "write 0x0d 0x04"), (Lines{"0 write 0x0d 0x04 0x03", "12630 write 0x0d 0x04 0x04"}));
}

TEST(Sysglance, AddressWaitsForEth0OrWlan0AndTheFirstListedWins)
{
    {
        HatsimScenario scenario;
        const std::string script = baseScript() + at(0, "ifaddrs lo=127.0.0.1 eth0=fe80::1 wlan0=-") +
                                   at(passStart(3), "ifaddrs lo=127.0.0.1 wlan0=10.0.0.7 eth0=10.0.0.8");
        scenario.run("sysglance", script, {endAfterPasses(2)});
        EXPECT_EQ(readScreen(scenario).address, "");
        scenario.run("sysglance", script, {endAfterPasses(3)});
        EXPECT_EQ(readScreen(scenario).address, "");  // the list walked in pass 3 was fetched in pass 2
        scenario.run("sysglance", script, {endAfterPasses(4)});
        EXPECT_EQ(readScreen(scenario).address, "wlan0:10.0.0.7");
    }
    {
        HatsimScenario scenario;
        // Found in pass 3; the checks of passes 13 and 23 fail to fetch a
        // list, which keeps the address; the empty list of pass 33 clears it.
        const std::string script = baseScript() + at(0, "ifaddrs fail") + at(passStart(2), "ifaddrs eth0=1.2.3.4") +
                                   at(passStart(4), "ifaddrs fail") + at(passStart(30), "ifaddrs");
        scenario.run("sysglance", script, {endAfterPasses(32)});
        EXPECT_EQ(readScreen(scenario).address, "eth0:1.2.3.4");
        scenario.run("sysglance", script, {endAfterPasses(33)});
        EXPECT_EQ(readScreen(scenario).address, "");
    }
}

TEST(Sysglance, ModelFileProblemsAreReportedEachPass)
{
    HatsimScenario scenario;
    const std::string script = baseScript() + at(0, "remove " + kModel) + at(passStart(3), "dir " + kModel);
    const HatsimRun run = scenario.run("sysglance", script, {endAfterPasses(4)});
    EXPECT_EQ(run.out,
              "init ok!\nfailed to open /proc/device-tree/model\nfailed to open /proc/device-tree/model\n"
              "fail to read hardware version\nfail to read hardware version\n");
}

TEST(Sysglance, DiskTextSurvivesAFailedStatfs)
{
    HatsimScenario scenario;
    const std::string script = baseScript() + at(passStart(2), "statfs fail");
    scenario.run("sysglance", script, {endAfterPasses(3)});
    EXPECT_EQ(readScreen(scenario).disk, "Disk:29296/58593MB");
    HatsimScenario fromStart;
    fromStart.run("sysglance", baseScript() + at(0, "statfs fail"), {endAfterPasses(1)});
    EXPECT_EQ(readScreen(fromStart).disk, "");
}

TEST(Sysglance, TemperatureTextFitsBesideTheLoad)
{
    HatsimScenario scenario;
    scenario.run("sysglance", baseScript("Raspberry Pi 4 Model B", "-12345"), {endAfterPasses(1)});
    EXPECT_EQ(readScreen(scenario).temp, "Temp:-12.3C");
    EXPECT_EQ(readScreen(scenario).ram, "RAM:1953/3906 MB");
}

}  // namespace

namespace {

// The settings file replaced by one line in pass K, and SIGHUP.
std::string reload(int k, const std::string& line)
{
    return at(passStart(k), "file /etc/hatkit.conf " + line) + at(passStart(k), "signal HUP");
}

TEST(Sysglance, SettingsShapeWhatReachesTheBus)
{
    const std::string fan = "write 0x0d 0x08";
    const struct {
        std::string conf, script, clock;
        int passes;
        std::vector<std::pair<std::string, Lines>> events;  // trace lines holding the text, exactly
        std::string address;                                // the address row, when given
        int frames;                                         // frames pushed, when not -1
        int dx = 0;                                         // where the address row stands (the orbit)
        std::string err = "";
    } cases[] = {
        {"display_flip = yes\ndisplay_contrast = 32\n", "", "", 1,
         {{"0 write 0x3c 0x00", panelCommands(0, panelInit(true, 0x20)) + panelCommands(0, kPushWindow)}}, "", -1},
        // Own thresholds at their edges, on a Pi 4 (55/48 otherwise).
        {"fan_on = 52.5\nfan_off = 50\n",
         thermal(0, "52400") + thermal(passStart(2), "52500") + thermal(passStart(3), "50100") +
             thermal(passStart(4), "50000"),
         "", 4, {{fan, {"1020 write 0x0d 0x08 0x01", "3040 write 0x0d 0x08 0x00"}}}, "", -1},
        {"address_interfaces = end0\n", at(0, "ifaddrs lo=127.0.0.1 eth0=192.168.1.20 end0=10.0.0.9"), "", 1, {},
         "end0:10.0.0.9", -1},
        {"address_interfaces = *\n", at(0, "ifaddrs lo=127.0.0.1 usb0=- eth1=fe80::1 wlan1=10.1.1.1"), "", 1, {},
         "wlan1:10.1.1.1", -1},
        // The loopback interface by its flag, whatever its address.
        {"address_interfaces = *\n", at(0, "ifaddrs lo=10.9.9.9 eth1=192.168.5.5"), "", 1, {}, "eth1:192.168.5.5", -1},
        // Quiet from 23:59 to 00:01: passes 31 to 149. The fan still
        // follows the temperature; the effect rotation goes on unseen and is
        // put back when the panel comes on again.
        {"quiet_hours = 23:59-00:01\n", thermal(0, "30000") + thermal(60000, "56000"), "2026-12-31T23:58:30", 152,
         {{"0x3c 0x00 0xae", {"0 write 0x3c 0x00 0xae", "30300 write 0x3c 0x00 0xae"}},
          {"0x3c 0x00 0xaf", {"0 write 0x3c 0x00 0xaf", "150490 write 0x3c 0x00 0xaf"}},
          {"write 0x0d 0x07", {"30300 write 0x0d 0x07 0x00"}},
          {"write 0x0d 0x04",
           {"0 write 0x0d 0x04 0x03", "10610 write 0x0d 0x04 0x04", "20710 write 0x0d 0x04 0x02",
            "151000 write 0x0d 0x04 0x02", "152010 write 0x0d 0x04 0x01"}},
          {fan, {"10 write 0x0d 0x08 0x00", "60610 write 0x0d 0x08 0x01"}}},
         "", (152 - 119) * 512},
        // Reloaded on SIGHUP, each setting takes effect in that pass: the
        // orientation and the contrast go to the panel at once, ...
        {"", reload(2, "display_flip = yes"), "", 2,
         {{"1010 write 0x3c 0x00", panelCommands(1010, {0xa0, 0xc0, 0x81, 0x8f}) + panelCommands(1010, kPushWindow)}},
         "", -1},
        {"", reload(2, "display_contrast = 32"), "", 2,
         {{"1010 write 0x3c 0x00", panelCommands(1010, {0xa1, 0xc8, 0x81, 0x20}) + panelCommands(1010, kPushWindow)}},
         "", -1},
        // ... the address row looks at the new interfaces, ...
        {"", at(0, "ifaddrs lo=127.0.0.1 eth0=192.168.1.20 end0=10.0.0.9") + reload(2, "address_interfaces = end0"), "",
         2, {}, "end0:10.0.0.9", -1},
        // ... the thresholds go back to the model's (55/48) without the file, ...
        {"fan_on = 60\nfan_off = 59\n", thermal(0, "57000") + at(passStart(2), "remove /etc/hatkit.conf") +
                                             at(passStart(2), "signal HUP"),
         "", 2, {{fan, {"10 write 0x0d 0x08 0x00", "1020 write 0x0d 0x08 0x01"}}}, "", -1},
        // ... the quiet hours begin, ...
        {"", reload(2, "quiet_hours = 00:00-23:59"), "2026-12-31T12:00:00", 2,
         {{"0x3c 0x00 0xae", {"0 write 0x3c 0x00 0xae", "1010 write 0x3c 0x00 0xae"}},
          {"write 0x0d 0x07", {"1010 write 0x0d 0x07 0x00"}}},
         "", 512},
        // A panel that comes back in the quiet hours is set up again and
        // switched off at once (each set-up begins with display off too).
        {"quiet_hours = 00:00-23:59\n", at(0, "device 0x3c absent") + at(passStart(3), "device 0x3c present"),
         "2026-12-31T12:00:00", 3,
         {{"0x3c 0x00 0xaf", {"0 write 0x3c 0x00 0xaf lost", "0 write 0x3c 0x00 0xaf lost", "1010 write 0x3c 0x00 0xaf lost",
                              "2020 write 0x3c 0x00 0xaf"}},
          {"2020 write 0x3c 0x00 0xae", {"2020 write 0x3c 0x00 0xae", "2020 write 0x3c 0x00 0xae"}}},
         "", 0},
        // The owner's commands hold over the quiet hours for what they name:
        // the screen stays on while the LEDs go dark, ...
        {"quiet_hours = 00:00-23:59\n", at(0, "file /run/hatkit-mqtt/control screen = on"), "2026-12-31T12:00:00", 2,
         {{"0x3c 0x00 0xae", {"0 write 0x3c 0x00 0xae"}}, {"write 0x0d 0x07", {"0 write 0x0d 0x07 0x00"}}}, "", 2 * 512},
        // ... or the LEDs show effect 1 on a dark screen.
        {"quiet_hours = 00:00-23:59\n", at(0, "file /run/hatkit-mqtt/control light = effect 1"), "2026-12-31T12:00:00", 2,
         {{"0x3c 0x00 0xae", {"0 write 0x3c 0x00 0xae", "0 write 0x3c 0x00 0xae"}},
          {"write 0x0d 0x04", {"0 write 0x0d 0x04 0x03", "0 write 0x0d 0x04 0x01"}}, {"write 0x0d 0x07", {}}},
         "", 0},
        // ... and the frame goes as blocks, whole after the reload.
        {"", reload(2, "display_updates = changes"), "", 2,
         {{"send 0x3c 0x00", {"1010 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03"}}}, "", 512},
        // The panel's care. A minute without anything worth a look dims it
        // (0x81 and the level, after the push); the temperature crossing a
        // fan threshold brings the contrast back in that pass.
        {"display_dim_after = 1\ndisplay_dim_contrast = 16\n", thermal(passStart(63), "56000"), "", 63,
         {{"0x3c 0x00 0x81", panelCommands(0, {0x81}) + panelCommands(60600, {0x81}) + panelCommands(62620, {0x81})},
          {"0x3c 0x00 0x10", panelCommands(60600, {0x10})},
          {"0x3c 0x00 0x8f", panelCommands(0, {0x8f}) + panelCommands(62620, {0x8f})}},
         "", -1},
        // A minute on, the panel sleeps; a command wakes it with the current
        // picture, then switches it on.
        {"screen_timeout = 1\n", at(passStart(63), "file /run/hatkit-mqtt/control light = effect 2"), "", 63,
         {{"0x3c 0x00 0xae", panelCommands(0, {0xae}) + panelCommands(60600, {0xae})},
          {"0x3c 0x00 0xaf", panelCommands(0, {0xaf}) + panelCommands(62620, {0xaf})}},
         "", 62 * 512},
        // A command to show the screen holds over the timeout; ...
        {"screen_timeout = 1\n", at(0, "file /run/hatkit-mqtt/control screen = on"), "", 63,
         {{"0x3c 0x00 0xae", panelCommands(0, {0xae})}}, "", 63 * 512},
        // ... the quiet hours' end wakes a sleeping panel; ...
        {"screen_timeout = 1\nquiet_hours = 23:59-00:01\n", "", "2026-12-31T23:57:00", 239,
         {{"0x3c 0x00 0xae", panelCommands(0, {0xae}) + panelCommands(60600, {0xae})},
          {"0x3c 0x00 0xaf", panelCommands(0, {0xaf}) + panelCommands(240380, {0xaf})}},
         "", 62 * 512},
        // ... a reload turns the dimming on, and another back off.
        {"", reload(2, "display_dim_after = 1") + reload(63, "display_contrast = 143"), "", 63,
         {{"0x3c 0x00 0x81", panelCommands(0, {0x81}) + panelCommands(61610, {0x81}) + panelCommands(62620, {0x81})},
          {"0x3c 0x00 0x10", panelCommands(61610, {0x10})}},
         "", -1},
        // Between the thresholds nothing is new: it dims. The fan switched
        // by the 75 C rule (no threshold crossed) brings the contrast back
        // right after the switch.
        {"display_dim_after = 1\n", thermal(0, "50000"), "", 62,
         {{"0x3c 0x00 0x81", panelCommands(0, {0x81}) + panelCommands(60600, {0x81})}}, "", -1},
        {"display_dim_after = 1\n",
         at(0, "file /run/hatkit-mqtt/control fan = off") + thermal(0, "60000") + thermal(passStart(63), "80000"), "", 63,
         {{"0x3c 0x00 0x81", panelCommands(0, {0x81}) + panelCommands(60600, {0x81}) + panelCommands(62630, {0x81})}}, "",
         -1, 0, "fan: kept off by command, but the CPU is at 80.0C: running it\n"},
        // Home Assistant's screen ON keeps the panel bright; cooling below
        // fan_off is worth a look as heating above fan_on is.
        {"display_dim_after = 1\n", at(0, "file /run/hatkit-mqtt/control screen = on"), "", 63,
         {{"0x3c 0x00 0x81", panelCommands(0, {0x81})}}, "", -1},
        {"display_dim_after = 1\n", thermal(0, "60000") + thermal(passStart(63), "40000"), "", 63,
         {{"0x3c 0x00 0x81", panelCommands(0, {0x81}) + panelCommands(60600, {0x81}) + panelCommands(62620, {0x81})},
          {"0x3c 0x00 0x8f", panelCommands(0, {0x8f}) + panelCommands(62620, {0x8f})}},
         "", -1},
        // A panel set up again while dimmed gets the dim contrast again.
        {"display_dim_after = 1\n", at(passStart(63), "device 0x3c absent") + at(passStart(64), "device 0x3c present"),
         "", 65, {{"0x3c 0x00 0x10", {"60600 write 0x3c 0x00 0x10", "63630 write 0x3c 0x00 0x10"}}}, "", -1},
        // New effects by a reload: the first of them goes out in that pass.
        {"", reload(3, "light_effects = 1 0"), "", 3,
         {{"write 0x0d 0x04", {"0 write 0x0d 0x04 0x03", "2530 write 0x0d 0x04 0x01"}}}, "", -1},
        // A new address and a board that stops answering are worth a look too.
        {"display_dim_after = 1\n", at(passStart(63), "ifaddrs lo=127.0.0.1 eth0=192.168.1.99"), "", 75,
         {{"0x3c 0x00 0x81", panelCommands(0, {0x81}) + panelCommands(60600, {0x81}) + panelCommands(70700, {0x81})}},
         "eth0:192.168.1.99", -1},  // seen at the check every ten passes
        {"display_dim_after = 1\n", at(passStart(65), "device 0x0d absent"), "", 73,
         {{"0x3c 0x00 0x81", panelCommands(0, {0x81}) + panelCommands(60600, {0x81}) + panelCommands(71710, {0x81})}},
         "", -1},  // the rotation's write in pass 71 is lost
        // A reload ends the timeout's sleep, and turns the timeout off.
        {"screen_timeout = 1\n", reload(62, "display_flip = no"), "", 63,
         {{"0x3c 0x00 0xaf", panelCommands(0, {0xaf}) + panelCommands(61610, {0xaf})}}, "", 63 * 512},
        // The orbit's first step, three minutes on: the picture a column
        // right; a reload that turns it off brings it home.
        {"display_orbit = yes\n", "", "", 180, {}, "eth0:192.168.1.20", -1, 1},
        {"display_orbit = yes\n", reload(181, "display_orbit = no"), "", 182, {}, "eth0:192.168.1.20", -1, 0},
        // Between steps display_updates = changes sends what changed; each
        // step (and every 60 passes) the whole frame.
        {"display_orbit = yes\ndisplay_updates = changes\n", "", "", 181,
         {{"0x21 0x00 0x7f 0x22 0x00 0x03",
           {"0 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03", "60600 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03",
            "121200 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03", "180790 send 0x3c 0x00 0x21 0x00 0x7f 0x22 0x00 0x03"}}},
         "", -1},
    };
    for (const auto& c : cases) {
        HatsimScenario scenario;
        if (!c.conf.empty()) scenario.folder().write("root/etc/hatkit.conf", c.conf);
        Lines env = {endAfterPasses(c.passes)};
        if (!c.clock.empty()) env.push_back("HATSIM_CLOCK=" + c.clock);
        const HatsimRun run = scenario.run("sysglance", baseScript() + c.script, env);
        EXPECT_EQ(run.exitStatus, 0) << c.conf << run.err;
        EXPECT_EQ(run.err, c.err) << c.conf;
        for (const auto& [needle, lines] : c.events) EXPECT_EQ(eventsWith(run, needle), lines) << c.conf << needle;
        if (!c.address.empty()) {
            EXPECT_EQ(readText(loadScreen(scenario.snapshotPath()), c.dx, 24), c.address) << c.conf;
        }
        if (c.frames >= 0) {
            EXPECT_EQ(eventsWith(run, "write 0x3c 0x40").size(), static_cast<std::size_t>(c.frames)) << c.conf;
        }
    }
}

}  // namespace
