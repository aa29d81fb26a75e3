// SPDX-License-Identifier: MIT
// airguard, heatglow and lampshow, run for real on hatsim.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include "tests/scenario/hatsim_run.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kThermal = "/sys/class/thermal/thermal_zone0/temp";

std::string thermalAt(int ms, const std::string& text) { return std::to_string(ms) + " file " + kThermal + " " + text + "\n"; }

// heatglow's four writes of a colour on all LEDs.
Lines colour(int ms, int r, int g, int b)
{
    char text[4][40];
    snprintf(text[0], sizeof text[0], "%d write 0x0d 0x00 0xff", ms);
    snprintf(text[1], sizeof text[1], "%d write 0x0d 0x01 0x%02x", ms, r);
    snprintf(text[2], sizeof text[2], "%d write 0x0d 0x02 0x%02x", ms, g);
    snprintf(text[3], sizeof text[3], "%d write 0x0d 0x03 0x%02x", ms, b);
    return Lines{text[0], text[1], text[2], text[3]};
}

// Effect 1, speed 3, colour 4; or the settings' effect, speed and colour
// number, each on its own; a light that is no effect changes nothing.
TEST(Lampshow, StartsTheEffectWithFourWritesAndExits)
{
    const struct {
        std::string conf;
        const char *effect, *speed, *colour;
    } cases[] = {
        {"", "0x01", "0x03", "0x04"},
        {"", "0x01", "0x03", "0x04"},  // again: the same
        {"light = effect 4\nlight_speed = 1\nlight_effect_colour = 0\n", "0x04", "0x01", "0x00"},
        {"light = effect 0\n", "0x00", "0x03", "0x04"},
        {"light_speed = 2\n", "0x01", "0x02", "0x04"},
        {"light = 00ff00\nlight_effect_colour = 6\n", "0x01", "0x03", "0x06"},
    };
    for (const auto& c : cases) {
        HatsimScenario scenario;
        scenario.folder().write("root/etc/hatkit.conf", c.conf);
        const HatsimRun run = scenario.run("lampshow", "");
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.trace, std::string("0 setup\n0 open 0x0d 3\n0 write 0x0d 0x07 0x00\n0 pause 1\n") +
                                 "1 write 0x0d 0x04 " + c.effect + "\n1 write 0x0d 0x05 " + c.speed +
                                 "\n1 write 0x0d 0x06 " + c.colour + "\n")
            << c.conf;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
    }
}

TEST(Lampshow, AbsentControllerIsNotNoticed)
{
    HatsimScenario scenario;
    const HatsimRun run = scenario.run("lampshow", "0 device 0x0d absent\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.busEvents(), (Lines{"0 open 0x0d 3", "0 write 0x0d 0x07 0x00 lost", "1 write 0x0d 0x04 0x01 lost",
                                       "1 write 0x0d 0x05 0x03 lost", "1 write 0x0d 0x06 0x04 lost"}));
}

TEST(BoardPrograms, NoBusMeansFailToInitAndNothingWritten)
{
    // The hardware build too, where this machine has no I2C bus.
    const bool noBus = access("/dev/i2c-1", F_OK) != 0;
    for (const char* program : {"lampshow", "airguard", "heatglow"}) {
        HatsimScenario scenario;
        const HatsimRun run = scenario.run(program, "0 bus down\n" + thermalAt(0, "40000"));
        EXPECT_EQ(run.exitStatus, 255) << program;
        EXPECT_EQ(run.err, "fail to init I2C\n") << program;
        EXPECT_EQ(run.out, "") << program;
        EXPECT_EQ(run.trace, "0 setup\n0 open 0x0d -1\n") << program;
        if (!noBus) continue;
        const ProgramRun hardware = runProgram(hardwareProgram(program), {});
        EXPECT_EQ(hardware.exitStatus, 255) << program;
        EXPECT_EQ(hardware.err, "fail to init I2C\n") << program;
    }
    if (!noBus) return;
    // sysglance waits for the board, retrying every 500 ms.
    const ProgramRun sysglance = runProgram(hardwareProgram("sysglance"), {}, 1800);
    EXPECT_TRUE(sysglance.killed);
    EXPECT_EQ(sysglance.err.rfind("ssd1306_i2c : Unable to initialise I2C:\nfail to init I2C\nfail to init I2C\n", 0), 0u)
        << sysglance.err;
    EXPECT_EQ(sysglance.out, "");
}

TEST(BoardPrograms, ThermalFailuresEndTheLoopWithTheirMessage)
{
    const struct {
        std::string script;
        std::string message;
    } cases[] = {
        {"", "fail to open thermal_zone0/temp\n"},
        {"0 dir " + kThermal + "\n", "fail to read temp\n"},
        {"0 file " + kThermal + "\n", "fail to read temp\n"},  // empty: no number to read
        {thermalAt(0, "abc"), "fail to read temp\n"},
        {thermalAt(0, "-"), "fail to read temp\n"},
    };
    for (const char* program : {"airguard", "heatglow"}) {
        for (const auto& c : cases) {
            HatsimScenario scenario;
            const HatsimRun run = scenario.run(program, c.script);
            EXPECT_EQ(run.exitStatus, 255) << program << " with " << c.script;
            EXPECT_EQ(run.err, c.message) << program << " with " << c.script;
            EXPECT_EQ(run.out, "") << program;
        }
    }
}

// Whether the program's metrics file, or its temporary, is in the root's /m.
bool metricsFileIn(const HatsimScenario& scenario, const std::string& program)
{
    const std::string folder = scenario.root() + "/m/";
    return access((folder + "hatkit-" + program + ".prom").c_str(), F_OK) == 0 ||
           access((folder + ".hatkit-" + program + ".prom.tmp").c_str(), F_OK) == 0;
}

// The program drives the board no more: its metrics file goes too.
TEST(BoardPrograms, FailureAfterGoodReadingsKeepsTheEchoedLinesAndRemovesTheMetrics)
{
    for (const auto& [program, out] : {std::pair<std::string, std::string>{"airguard", "temp: 40.0C\ntemp: 40.0C\n"},
                                       {"heatglow", "temp: 40.0C\ntemp: 40.0C\ntemp: 40.0C\ntemp: 40.0C\n"}}) {
        HatsimScenario scenario;
        scenario.folder().write("root/etc/hatkit.conf", "metrics_dir = /m\n");
        const HatsimRun run = scenario.run(program, "0 dir /m\n" + thermalAt(0, "40000") + thermalAt(2000, "x"));
        EXPECT_EQ(run.exitStatus, 255) << program;
        EXPECT_EQ(run.out, out) << program;
        EXPECT_EQ(run.err, "fail to read temp\n") << program;
        EXPECT_FALSE(metricsFileIn(scenario, program)) << program;
    }
}

// SIGTERM (systemctl stop) or SIGINT (Ctrl-C) in the middle of a pause: the
// pause ends at once, nothing of the pass follows it, the metrics file goes
// and the status is 0; the board keeps what was written, but for
// sysglance's panel, switched off so that no stale reading stays lit. The
// pauses are slow enough (minutes of real time) that the rest of one, or
// another step of the pass, would outlast the runner's timeout; the test
// waits for the pause itself, however long a loaded machine takes.
TEST(Programs, AStopEndsThePauseAndTheLoopAtOnce)
{
    const struct {
        const char* program;
        int signal;
        std::string script;
        std::string lastLine;  // the pause the stop comes in
        bool metricsBefore;    // whether the file was there by then
        std::string err;
        const char* speed = "0.002";  // slow enough for the stop to land in that pause
        bool panelOff = false;        // sysglance's last word: the panel off
    } cases[] = {
        {"airguard", SIGTERM, "", "0 pause 1000", true, ""},
        {"heatglow", SIGINT, "", "10 pause 500", true, ""},
        {"sysglance", SIGTERM, "", "10 pause 500", false, "", "0.001", true},
        // Each of sysglance's pauses: after the push, after the fan, after the pass.
        {"sysglance", SIGINT, "", "0 pause 10", false, "", "0.0001", true},
        {"sysglance", SIGTERM, "", "510 pause 500", true, "", "0.1", true},
        // Still waiting for the board: start-up goes no further.
        {"sysglance", SIGTERM, "0 bus down\n", "0 pause 500", false,
         "ssd1306_i2c : Unable to initialise I2C:\nfail to init I2C\n"},
    };
    for (const auto& c : cases) {
        HatsimScenario scenario;
        scenario.folder().write("root/etc/hatkit.conf", "metrics_dir = /m\n");
        bool before = false;
        const HatsimRun run = scenario.run(
            c.program, "0 dir /m\n" + thermalAt(0, "60000") + c.script, {std::string("HATSIM_SPEED=") + c.speed}, 20000,
            [&](int pid) {
                while (scenario.folder().read("trace").find(c.lastLine + "\n") == std::string::npos && kill(pid, 0) == 0) {
                    usleep(2000);
                }
                before = metricsFileIn(scenario, c.program);
                kill(pid, c.signal);
            });
        EXPECT_EQ(run.exitStatus, 0) << c.program;
        Lines lines = traceLines(run.trace);
        ASSERT_GE(lines.size(), 2u) << c.program;
        if (c.panelOff) {
            EXPECT_NE(lines.back().find(" write 0x3c 0x00 0xae"), std::string::npos) << c.program << ": " << lines.back();
            lines.pop_back();
        }
        EXPECT_EQ(lines.back(), c.lastLine) << c.program;
        EXPECT_EQ(before, c.metricsBefore) << c.program;
        EXPECT_FALSE(metricsFileIn(scenario, c.program)) << c.program;
        EXPECT_EQ(run.err, c.err) << c.program;
    }
    // A SIGINT that whoever started the program ignores (a background job
    // of a script) stays ignored: airguard runs on to the scenario's end.
    struct sigaction ignore {};
    struct sigaction before {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &before);
    HatsimScenario scenario;
    const HatsimRun run =
        scenario.run("airguard", thermalAt(0, "60000"), {"HATSIM_SPEED=2", "HATSIM_END_MS=5000"}, 20000, [&](int pid) {
            for (int i = 0; i < 5000 && scenario.folder().read("trace").find("0 pause 1000\n") == std::string::npos; ++i) {
                usleep(2000);
            }
            kill(pid, SIGINT);
        });
    sigaction(SIGINT, &before, nullptr);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(eventsWith(run, "pause 1000").size(), 5u);
}

TEST(Airguard, SwitchesAtTheThresholdsAndWritesEveryPassOutsideTheDeadBand)
{
    HatsimScenario scenario;
    const std::string script = thermalAt(0, "47500") + thermalAt(1000, "50000") + thermalAt(2000, "55123") +
                               thermalAt(3000, "45001") + thermalAt(4000, "45000") + thermalAt(5000, "3000");
    const HatsimRun run = scenario.run("airguard", script, {"HATSIM_END_MS=6000"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "temp: 47.5C\ntemp: 50.0C\ntemp: 55.1C\ntemp: 45.0C\ntemp: 45.0C\ntemp: 3.0C\n");
    EXPECT_EQ(run.busEvents(), (Lines{"0 open 0x0d 3", "1000 write 0x0d 0x08 0x01", "2000 write 0x0d 0x08 0x01",
                                       "4000 write 0x0d 0x08 0x00", "5000 write 0x0d 0x08 0x00"}));
    // One pass a second: the pause follows every pass.
    const Lines lines = traceLines(run.trace);
    EXPECT_EQ(lines[2], "0 pause 1000");
    EXPECT_EQ(lines.back(), "5000 pause 1000");
}

TEST(Airguard, OddThermalContentIsReadSafely)
{
    HatsimScenario scenario;
    const std::string script = thermalAt(0, "99999999999999999999") + thermalAt(1000, "-99999999999999") +
                               thermalAt(2000, "  +51000junk") + thermalAt(3000, "123456789012345678901234567890");
    const HatsimRun run = scenario.run("airguard", script, {"HATSIM_END_MS=4000"});
    EXPECT_EQ(run.exitStatus, 0);
    // Saturated at the 32-bit limits; the read stops at 20 bytes.
    EXPECT_EQ(run.out, "temp: 2147483.6C\ntemp: -2147483.6C\ntemp: 51.0C\ntemp: 2147483.6C\n");
    EXPECT_EQ(run.busEvents(), (Lines{"0 open 0x0d 3", "0 write 0x0d 0x08 0x01", "1000 write 0x0d 0x08 0x00",
                                       "2000 write 0x0d 0x08 0x01", "3000 write 0x0d 0x08 0x01"}));
}

TEST(Programs, EveryLineIsOutBeforeTheProgramIsKilled)
{
    const struct {
        const char* program;
        std::string script;
        std::string firstLine, passLine;
    } cases[] = {
        {"airguard", thermalAt(0, "40000"), "temp: 40.0C\n", "temp: 40.0C\n"},
        {"heatglow", thermalAt(0, "40000"), "temp: 40.0C\n", "temp: 40.0C\n"},
        {"sysglance", "", "init ok!\n", "failed to open /proc/device-tree/model\nfailed to open thermal_zone0/temp\n"},
    };
    for (const auto& c : cases) {
        HatsimScenario scenario;
        // Real pauses of a few ms; killed by the runner's timeout (SIGKILL, so
        // nothing is flushed at exit): only lines already written are there.
        const HatsimRun run = scenario.run(c.program, c.script, {"HATSIM_SPEED=200"}, 1500);
        EXPECT_TRUE(run.killed) << c.program;
        ASSERT_GE(run.out.size(), c.firstLine.size() + 2 * c.passLine.size()) << c.program;
        EXPECT_EQ(run.out.substr(0, c.firstLine.size()), c.firstLine) << c.program;
        std::size_t at = c.firstLine.size();
        while (at < run.out.size() && run.out.compare(at, c.passLine.size(), c.passLine) == 0) at += c.passLine.size();
        EXPECT_EQ(at, run.out.size()) << c.program << ": a line was cut or lost";
    }
}

TEST(Heatglow, PaintsBandsAndSkipsReadingsWithinOneDegree)
{
    HatsimScenario scenario;
    const std::string script = thermalAt(0, "44000") + thermalAt(500, "44500") + thermalAt(1000, "44000") +
                               thermalAt(1500, "46200") + thermalAt(2000, "61000") + thermalAt(2500, "62000") +
                               thermalAt(3000, "62500") + thermalAt(3500, "63000");
    const HatsimRun run = scenario.run("heatglow", script, {"HATSIM_END_MS=4000"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out,
              "temp: 44.0C\ntemp: 44.5C\ntemp: 44.0C\ntemp: 46.2C\ntemp: 61.0C\ntemp: 62.0C\ntemp: 62.5C\ntemp: 63.0C\n");
    Lines expected{"0 open 0x0d 3", "0 write 0x0d 0x07 0x00"};
    for (const Lines& part : {colour(10, 0, 0, 255), colour(1010, 0, 0, 255), colour(1510, 30, 144, 255),
                              colour(2010, 255, 69, 0), colour(3510, 255, 0, 0)}) {
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(run.busEvents(), expected);
    const Lines lines = traceLines(run.trace);
    EXPECT_EQ(lines[3], "0 pause 10");
    EXPECT_EQ(lines.back(), "3510 pause 500");
}

TEST(Heatglow, FirstReadingNearZeroWritesNoColour)
{
    HatsimScenario scenario;
    const HatsimRun run = scenario.run("heatglow", thermalAt(0, "500"), {"HATSIM_END_MS=1000"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.busEvents(), (Lines{"0 open 0x0d 3", "0 write 0x0d 0x07 0x00"}));
}

TEST(Hatsim, BadRootOrScenarioStopsTheProgramBeforeItTouchesAnything)
{
    const struct {
        std::string script;
        std::string setting;  // replaces a default HATSIM_* entry
        std::string inMessage;
    } cases[] = {
        {thermalAt(0, "40000") + "# fine\n1000 fan on\n", "", "line 3"},
        {"0 remove //\n", "", "line 1"},
        {"0 file // hello\n", "", "line 1"},
        {"0 dir /.\n", "", "line 1"},
        {"0 remove /\n", "", "line 1"},
        {"0 remove /keep/\n", "", "line 1"},
        {"0 remove /keep/..\n", "", "line 1"},
        {"0 file /keep/file.txt \n", "", "line 1"},
        {"0 remove /keep\n", "HATSIM_ROOT=/", "HATSIM_ROOT"},
        {"0 remove /keep\n", "HATSIM_ROOT=/tmp/..", "HATSIM_ROOT"},
        {"", "HATSIM_ROOT=/no/such/folder", "HATSIM_ROOT"},
        {"", "HATSIM_ROOT=ROOT/keep/file.txt", "HATSIM_ROOT"},
        {"", "HATSIM_SCRIPT=ROOT/keep", "keep"},
        {"", "HATSIM_SCRIPT=ROOT/missing", "missing"},
    };
    for (const auto& c : cases) {
        HatsimScenario scenario;
        scenario.folder().write("root/keep/file.txt", "precious\n");
        std::string setting = c.setting;
        if (setting.find("ROOT/") != std::string::npos) setting.replace(setting.find("ROOT/"), 4, scenario.root());
        const HatsimRun run = scenario.run("airguard", c.script, setting.empty() ? Lines{} : Lines{setting});
        EXPECT_EQ(run.exitStatus, 2) << c.script << setting;
        EXPECT_NE(run.err.find(c.inMessage), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.trace, "");
        EXPECT_EQ(scenario.folder().read("root/keep/file.txt"), "precious\n") << c.script << setting;
    }
}

TEST(Hatsim, LinksUnderTheRootAreReplacedOrRemovedNeverFollowed)
{
    HatsimScenario scenario;
    TempFolder outside;
    outside.write("file.txt", "precious\n");
    const std::string root = scenario.root();
    scenario.folder().write("root/keep/file.txt", "mine\n");
    ASSERT_EQ(symlink(outside.path().c_str(), (root + "/sys").c_str()), 0);
    ASSERT_EQ(symlink(outside.file("file.txt").c_str(), (root + "/link").c_str()), 0);
    ASSERT_EQ(symlink(outside.path().c_str(), (root + "/folderlink").c_str()), 0);
    const HatsimRun run = scenario.run(
        "lampshow", "0 file /sys/file.txt x\n0 remove /sys/file.txt\n0 dir /sys/new\n0 file /link replaced\n"
                    "0 remove /folderlink\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(outside.read("file.txt"), "precious\n");
    EXPECT_EQ(access(outside.file("new").c_str(), F_OK), -1);
    EXPECT_EQ(scenario.folder().read("root/link"), "replaced\n");
    EXPECT_EQ(access((root + "/folderlink").c_str(), F_OK), -1);
    // The refused changes are reported, never carried out through the link.
    EXPECT_EQ(eventsWith(run, "warn").size(), 3u) << run.trace;
    EXPECT_EQ(scenario.folder().read("root/keep/file.txt"), "mine\n");
}

TEST(Hatsim, BadSettingsStopTheProgramToo)
{
    for (const char* setting : {"HATSIM_SPEED=fast", "HATSIM_END_MS=-1", "HATSIM_VIEW=maybe", "HATSIM_CLOCK=2026-01-01T24:00:00"}) {
        HatsimScenario scenario;
        const HatsimRun run = scenario.run("lampshow", "", {setting});
        EXPECT_EQ(run.exitStatus, 2) << setting;
        EXPECT_NE(run.err.find(std::string(setting).substr(0, std::string(setting).find('='))), std::string::npos);
        EXPECT_EQ(run.trace, "") << setting;
    }
}

TEST(Hatsim, DemoRootWarmsUntilTheFanSwitchesAndIsRemovedAfterwards)
{
    std::vector<std::string> env = {"HATSIM_SPEED=0", "HATSIM_VIEW=0", "HATSIM_END_MS=120000"};
    TempFolder tmp;
    env.push_back("TMPDIR=" + tmp.path());
    const ProgramRun run = runProgram(simProgram("airguard"), env);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_NE(run.out.find("temp: 50."), std::string::npos);
    // The fan came on, then the model cooled below the off threshold.
    const std::size_t hot = run.out.find("temp: 50.");
    EXPECT_NE(run.out.find("temp: 45.", hot), std::string::npos);
    DIR* dir = opendir(tmp.path().c_str());
    ASSERT_NE(dir, nullptr);
    int entries = 0;
    while (const dirent* entry = readdir(dir)) entries += entry->d_name[0] != '.';
    closedir(dir);
    EXPECT_EQ(entries, 0) << "the demo root was left behind";
}

}  // namespace

namespace {

TEST(Settings, BoardProgramsFollowTheirSettingsAndReloadOnHangup)
{
    const struct {
        const char* program;
        std::string conf, script;
        Lines environment, writes;
        std::string err;
    } cases[] = {
        // A bad file on reload keeps 60/55; no file at all brings back 50/45.
        {"airguard", "fan_on = 60\nfan_off = 55\n",
         thermalAt(0, "57000") + thermalAt(1000, "60000") + thermalAt(2000, "55000") + thermalAt(3000, "57000") +
             "3000 file /etc/hatkit.conf fan_on = 56\n3000 signal HUP\n4000 remove /etc/hatkit.conf\n4000 signal HUP\n",
         {"HATSIM_END_MS=5000"},
         {"1000 write 0x0d 0x08 0x01", "2000 write 0x0d 0x08 0x00", "4000 write 0x0d 0x08 0x01"},
         "hatkit.conf line 1: fan_on needs fan_off too\n"},
        // Dark from 12:00 to 12:01, then the band's colour again.
        {"heatglow", "quiet_hours = 12:00-12:01\n", thermalAt(0, "44500"),
         {"HATSIM_END_MS=63000", "HATSIM_CLOCK=2026-06-01T11:59:58"},
         Lines{"0 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 255) + Lines{"2010 write 0x0d 0x07 0x00"} +
             colour(62010, 0, 0, 255),
         ""},
        // A reload asked for as the program starts does not end it.
        {"airguard", "", thermalAt(0, "40000") + "0 signal HUP\n", {"HATSIM_END_MS=2000"},
         {"0 write 0x0d 0x08 0x00", "1000 write 0x0d 0x08 0x00"}, ""},
        // Quiet hours that a reload brings: heatglow lives on, LEDs dark.
        {"heatglow", "", thermalAt(0, "44500") + "1000 file /etc/hatkit.conf quiet_hours = 00:00-23:59\n1000 signal HUP\n",
         {"HATSIM_END_MS=3000", "HATSIM_CLOCK=2026-06-01T12:00:00"},
         Lines{"0 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 255) + Lines{"1010 write 0x0d 0x07 0x00"}, ""},
    };
    for (const auto& c : cases) {
        HatsimScenario scenario;
        scenario.folder().write("root/etc/hatkit.conf", c.conf);
        const HatsimRun run = scenario.run(c.program, c.script, c.environment);
        EXPECT_EQ(run.exitStatus, 0) << c.program;
        EXPECT_EQ(run.err, c.err) << c.program;
        EXPECT_EQ(eventsWith(run, "write 0x0d"), c.writes) << c.program;
    }
}

Lines lost(Lines writes)
{
    for (std::string& line : writes) line += " lost";
    return writes;
}

// A board that missed writes gets what the program last meant it to show
// again, each pass until it answers: heatglow's colour (the reading stays
// within a degree of its band, so the pass itself would write nothing),
// heatglow's dark LEDs in the quiet hours, airguard's fan in the dead band.
TEST(BoardPrograms, WriteAgainWhatTheBoardLostOnceItAnswers)
{
    const struct {
        const char* program;
        std::string conf, script;
        Lines environment, writes;
    } cases[] = {
        {"heatglow", "",
         thermalAt(0, "44500") + "1000 device 0x0d absent\n" + thermalAt(1000, "46200") + thermalAt(1500, "46500") +
             "1600 device 0x0d reset\n1600 device 0x0d present\n",
         {"HATSIM_END_MS=2500"},
         Lines{"0 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 255) + lost(colour(1010, 30, 144, 255)) +
             lost(colour(1510, 30, 144, 255)) + colour(2010, 30, 144, 255)},
        {"heatglow", "quiet_hours = 12:00-12:01\n",
         thermalAt(0, "44500") + "1500 device 0x0d absent\n2600 device 0x0d present\n",
         {"HATSIM_END_MS=3500", "HATSIM_CLOCK=2026-06-01T11:59:58"},
         Lines{"0 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 255) +
             Lines{"2010 write 0x0d 0x07 0x00 lost", "2510 write 0x0d 0x07 0x00 lost", "3010 write 0x0d 0x07 0x00"}},
        {"airguard", "", thermalAt(0, "55000") + "1000 device 0x0d absent\n" + thermalAt(2000, "47000") +
             "2500 device 0x0d present\n",
         {"HATSIM_END_MS=4000"},
         {"0 write 0x0d 0x08 0x01", "1000 write 0x0d 0x08 0x01 lost", "2000 write 0x0d 0x08 0x01 lost",
          "3000 write 0x0d 0x08 0x01"}},
    };
    for (const auto& c : cases) {
        HatsimScenario scenario;
        scenario.folder().write("root/etc/hatkit.conf", c.conf);
        const HatsimRun run = scenario.run(c.program, c.script, c.environment);
        EXPECT_EQ(run.exitStatus, 0) << c.program;
        EXPECT_EQ(eventsWith(run, "write 0x0d"), c.writes) << c.program << " " << c.conf;
    }
}

// A Pi 4's /proc/meminfo, longer than sysglance reads of it.
const char* const kPiMemInfo =
    "MemTotal:        3884240 kB\nMemFree:         2519332 kB\nMemAvailable:    3265196 kB\nBuffers:           48676 kB\n"
    "Cached:           793740 kB\nSwapCached:            0 kB\nActive:           489612 kB\nInactive:         657860 kB\n"
    "Active(anon):        964 kB\nInactive(anon):   318512 kB\nActive(file):     488648 kB\nInactive(file):   339348 kB\n"
    "Unevictable:       16384 kB\nMlocked:              16 kB\nSwapTotal:        102396 kB\nSwapFree:         102396 kB\n"
    "Dirty:                44 kB\nWriteback:             0 kB\nAnonPages:        321484 kB\nMapped:           193612 kB\n"
    "Shmem:             14380 kB\nKReclaimable:      45272 kB\nSlab:              83216 kB\nSReclaimable:      45272 kB\n";

// The owner's commands from Home Assistant (the bridge's control file, one
// look a pass) and the state file the bridge reads.
TEST(BoardPrograms, FollowTheOwnersCommandsAndKeepAState)
{
    const std::string control = "/run/hatkit-mqtt/control";
    const struct {
        const char* program;
        std::string script;
        std::string end;
        Lines writes;
        std::string err;
        std::string state;  // what the state file holds at the end
        std::string conf = "";
        std::string meminfo = "";  // /proc/meminfo; none when empty
    } cases[] = {
        // Fan off by command, written every pass as airguard does, until the
        // CPU reaches 75 C: then it runs, said once.
        {"airguard", "0 file " + control + " fan = off\n" + thermalAt(0, "60000") + thermalAt(2000, "75000"), "4000",
         {"0 write 0x0d 0x08 0x00", "1000 write 0x0d 0x08 0x00", "2000 write 0x0d 0x08 0x01", "3000 write 0x0d 0x08 0x01"},
         "fan: kept off by command, but the CPU is at 75.0C: running it\n",
         "temperature = 75.0\nfan = on\nfan_mode = off\nfan_on_at = 50.0\nfan_off_at = 45.0\nboard_answering = yes\n"},
        // A bad file while a command holds: the command stays.
        {"airguard", "0 file " + control + " fan = off\n" + thermalAt(0, "60000") + "1000 file " + control + " fan = purple\n",
         "3000", {"0 write 0x0d 0x08 0x00", "1000 write 0x0d 0x08 0x00", "2000 write 0x0d 0x08 0x00"},
         "control line 1: fan must be auto, on or off, not 'purple'\n", "fan = off\nfan_mode = off\n"},
        // The screen by command, and the board back: in the state at once,
        // not at the next 10 s.
        {"sysglance", thermalAt(0, "40000") + "0 sysinfo 32768 1000000 500000 4096\n1000 file " + control + " screen = off\n",
         "3000", {"0 write 0x0d 0x04 0x03", "10 write 0x0d 0x08 0x00"}, "",
         // No CPU share without /proc/stat; RAM used without /proc/meminfo:
         // total less free (and buffers), 2 GB of 4.
         "screen = off\npanel_answering = yes\nquiet_hours = no\nboard_answering = yes\nload = 0.50\nram_used_mb = 1953\n"},
        // RAM used as the kernel counts it, MemTotal less MemAvailable
        // (604 MiB), from a whole /proc/meminfo; the same without MemAvailable.
        {"sysglance",
         thermalAt(0, "40000") + "0 sysinfo 32768 1000000 500000 4096\n0 file /proc/stat cpu  100 0 100 800 0 0 0 0\n"
             "1000 file /proc/stat cpu  100 0 100 900 0 0 0 0\n",
         "12000", {"0 write 0x0d 0x04 0x03", "10 write 0x0d 0x08 0x00", "10610 write 0x0d 0x04 0x04"}, "",
         "load = 0.50\ncpu_used_percent = 0\nram_used_mb = 604\n", "", kPiMemInfo},  // at the rewrite every 10 s
        {"sysglance", thermalAt(0, "40000") + "0 sysinfo 32768 1000000 500000 4096\n", "1500",
         {"0 write 0x0d 0x04 0x03", "10 write 0x0d 0x08 0x00"}, "", "ram_used_mb = 1953\n", "",
         "MemTotal:        3906250 kB\nMemFree:         2000000 kB\nBuffers:           48676 kB\n"},
        // Load and RAM that cannot be read leave the state at its rewrite
        // (and the effects wait).
        {"sysglance", thermalAt(0, "40000") + "0 sysinfo 32768 1000000 500000 4096\n1000 sysinfo fail\n", "12000",
         {"0 write 0x0d 0x04 0x03", "10 write 0x0d 0x08 0x00"}, "",
         "board_answering = yes\ndisk_used_mb = "},
        // A panel dimmed after a minute without anything worth a look.
        {"sysglance", "0 file /etc/hatkit.conf display_dim_after = 1\n" + thermalAt(0, "40000"), "63000",
         {"0 write 0x0d 0x04 0x03", "10 write 0x0d 0x08 0x00", "10610 write 0x0d 0x04 0x04", "20710 write 0x0d 0x04 0x02",
          "30810 write 0x0d 0x04 0x01", "40910 write 0x0d 0x04 0x03", "51010 write 0x0d 0x04 0x04",
          "61110 write 0x0d 0x04 0x02"},
         "", "screen = dim\n"},
        {"airguard", thermalAt(0, "60000") + "0 device 0x0d absent\n1000 device 0x0d present\n", "3000",
         {"0 write 0x0d 0x08 0x01 lost", "1000 write 0x0d 0x08 0x01", "1000 write 0x0d 0x08 0x01",
          "2000 write 0x0d 0x08 0x01"},
         "", "board_answering = yes\n"},
        // A colour by command; without the file the heat colours are back.
        {"heatglow", "0 file " + control + " light = 00ff00\n" + thermalAt(0, "44500") + "1000 remove " + control + "\n",
         "1500", Lines{"0 write 0x0d 0x07 0x00", "10 write 0x0d 0x07 0x00"} + colour(10, 0, 255, 0) + colour(1010, 0, 0, 255),
         "", "temperature = 44.5\nlight = auto\nlight_brightness = 255\nlight_colour = 0000ff\nquiet_hours = no\n"
             "board_answering = yes\n"},
        // In the gap that paints nothing the LEDs keep what they show, and
        // the state says so: dark from the start, dark after a switch off,
        // a command's colour after it goes.
        {"heatglow", thermalAt(0, "62000"), "1500", {"0 write 0x0d 0x07 0x00"}, "",
         "light = auto\nlight_brightness = 255\nlight_colour = 000000\n"},
        {"heatglow", "0 file " + control + " light = off\n" + thermalAt(0, "62000") + "1000 remove " + control + "\n",
         "1500", {"0 write 0x0d 0x07 0x00", "10 write 0x0d 0x07 0x00"}, "",
         "light = auto\nlight_brightness = 255\nlight_colour = 000000\n"},
        {"heatglow", "0 file " + control + " light = 00ff00\n" + thermalAt(0, "62000") + "1000 remove " + control + "\n",
         "1500", Lines{"0 write 0x0d 0x07 0x00", "10 write 0x0d 0x07 0x00"} + colour(10, 0, 255, 0), "",
         "light = auto\nlight_brightness = 255\nlight_colour = 00ff00\n"},
        // The heat colours at the settings' brightness; a command's brightness
        // over it, for the command's colour; the state keeps the colour whole.
        {"heatglow", thermalAt(0, "44500"), "500", Lines{"0 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 128), "",
         "light = auto\nlight_brightness = 128\nlight_colour = 0000ff\n", "light_brightness = 128\n"},
        {"heatglow", "0 file " + control + " brightness = 1\n" + thermalAt(0, "44500"), "500",
         Lines{"0 write 0x0d 0x07 0x00", "10 write 0x0d 0x07 0x00"} + colour(10, 0, 128, 0) +
             Lines{"10 write 0x0d 0x07 0x00"} + colour(10, 0, 1, 0), "",
         "light = 00ff00\nlight_brightness = 1\n", "light = 00ff00\nlight_brightness = 128\n"},
        // The owner's light from the settings, a command over it, and the
        // setting back when the command goes.
        {"heatglow",
         "0 file /etc/hatkit.conf light = 0000ff\n" + thermalAt(0, "60000") + "1000 file " + control +
             " light = effect 1\n2000 remove " + control + "\n",
         "2500",
         Lines{"0 write 0x0d 0x07 0x00", "10 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 255) +
             Lines{"1010 write 0x0d 0x04 0x01", "2010 write 0x0d 0x07 0x00"} + colour(2010, 0, 0, 255),
         "", "light = 0000ff\nlight_brightness = 255\nquiet_hours = no\n"},
        // Another light by a reload.
        {"heatglow", thermalAt(0, "60000") + "1000 file /etc/hatkit.conf light = 00ff00\n1000 signal HUP\n", "1500",
         Lines{"0 write 0x0d 0x07 0x00", "10 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 255) +
             Lines{"1010 write 0x0d 0x07 0x00"} + colour(1010, 0, 255, 0),
         "", "light = 00ff00\n", "light = 0000ff\n"},
        // The owner's effects in turn, each at the owner's speed.
        {"sysglance", thermalAt(0, "40000"), "22000",
         {"0 write 0x0d 0x04 0x02", "0 write 0x0d 0x05 0x01", "10 write 0x0d 0x08 0x00", "10610 write 0x0d 0x04 0x00",
          "10610 write 0x0d 0x05 0x01", "20710 write 0x0d 0x04 0x02", "20710 write 0x0d 0x05 0x01"},
         "", "light = auto\n", "light_effects = 2 0\nlight_speed = 1\n"},
        // An effect by command: the heat colour painted before is not its colour.
        {"heatglow", thermalAt(0, "44500") + "1000 file " + control + " light = effect 1\n", "1500",
         Lines{"0 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 255) + Lines{"1010 write 0x0d 0x04 0x01"}, "",
         "light = effect 1\nlight_brightness = 255\nquiet_hours = no\n"},
        // Every 10 s the state is written again, though nothing else changed;
        // a board that lost writes since the last one is said to be away.
        {"airguard", thermalAt(0, "60000") + thermalAt(5000, "61000"), "16000",
         {"0 write 0x0d 0x08 0x01", "1000 write 0x0d 0x08 0x01", "2000 write 0x0d 0x08 0x01", "3000 write 0x0d 0x08 0x01",
          "4000 write 0x0d 0x08 0x01", "5000 write 0x0d 0x08 0x01", "6000 write 0x0d 0x08 0x01", "7000 write 0x0d 0x08 0x01",
          "8000 write 0x0d 0x08 0x01", "9000 write 0x0d 0x08 0x01", "10000 write 0x0d 0x08 0x01",
          "11000 write 0x0d 0x08 0x01", "12000 write 0x0d 0x08 0x01", "13000 write 0x0d 0x08 0x01",
          "14000 write 0x0d 0x08 0x01", "15000 write 0x0d 0x08 0x01"},
         "", "temperature = 61.0\nfan = on\nfan_mode = auto\nfan_on_at = 50.0\nfan_off_at = 45.0\nboard_answering = yes\n"},
        {"airguard", thermalAt(0, "60000") + "0 device 0x0d absent\n", "1000", {"0 write 0x0d 0x08 0x01 lost"}, "",
         "board_answering = no\n"},
        // A file that does not parse is refused whole, named by its line.
        {"heatglow", "0 file " + control + " fan = on\n1000 file " + control + " light = purple\n" + thermalAt(0, "44500"),
         "1500", Lines{"0 write 0x0d 0x07 0x00"} + colour(10, 0, 0, 255),
         "control line 1: light must be auto, off, RRGGBB or effect 0 to 4, not 'purple'\n", "light = auto\n"},
    };
    for (const auto& c : cases) {
        HatsimScenario scenario;
        if (!c.conf.empty()) scenario.folder().write("root/etc/hatkit.conf", c.conf);
        if (!c.meminfo.empty()) scenario.folder().write("root/proc/meminfo", c.meminfo);
        const HatsimRun run =
            scenario.run(c.program, "0 dir /run/hatkit/" + std::string(c.program) + "\n" + c.script, {"HATSIM_END_MS=" + c.end});
        EXPECT_EQ(run.exitStatus, 0) << c.program;
        EXPECT_EQ(eventsWith(run, "write 0x0d"), c.writes) << c.program << " " << c.script;
        EXPECT_EQ(run.err, c.err) << c.program;
        const std::string state = scenario.folder().read("root/run/hatkit/" + std::string(c.program) + "/state");
        EXPECT_NE(state.find(c.state), std::string::npos) << state;
        EXPECT_EQ(state.rfind("program = " + std::string(c.program) + "\npid = ", 0), 0u) << state;
    }
}

TEST(Settings, ABadFileStopsTheProgramBeforeTheBus)
{
    for (const char* program : {"sysglance", "airguard", "heatglow", "lampshow"}) {
        for (const auto& [conf, message] :
             {std::pair<std::string, std::string>{"fan_on = 55\n", "hatkit.conf line 1: fan_on needs fan_off too\n"},
              {"", "hatkit.conf: Is a directory\n"}}) {
            HatsimScenario scenario;
            if (conf.empty()) {
                scenario.folder().write("root/etc/hatkit.conf/x", "");
            } else {
                scenario.folder().write("root/etc/hatkit.conf", conf);
            }
            const HatsimRun run = scenario.run(program, thermalAt(0, "40000"));
            EXPECT_EQ(run.exitStatus, 2) << program;
            EXPECT_EQ(run.err, message) << program;
            EXPECT_EQ(run.trace, "") << program;
        }
    }
}

}  // namespace
