// SPDX-License-Identifier: MIT
// hatkit, the owner's command, on hatsim: the settings file, the state files
// and /dev under a root of the test's own, and systemctl replaced by a
// script that records its arguments (and answers `show` from a file).
#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/program_runner.h"
#include "tests/support/temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

const char* const kRecorder =
    "#!/bin/sh\n"
    "here=$(dirname \"$0\")\n"
    "echo \"$*\" >> \"$here/systemctl.log\"\n"
    "[ \"$1\" = show ] && [ -f \"$here/show.out\" ] && cat \"$here/show.out\"\n"
    "[ -f \"$here/fail\" ] && exit 1\n"
    "exit 0\n";

struct Rig {
    TempFolder folder;
    Rig()
    {
        folder.write("systemctl", kRecorder);
        chmod(folder.file("systemctl").c_str(), 0755);
        folder.write("root/dev/i2c-1", "");
        folder.write("root/run/hatkit-mqtt/.keep", "");
    }
    ProgramRun hatkit(const Lines& arguments, const std::string& script = "")
    {
        folder.write("script", script);
        return runProgram(simProgram("hatkit"),
                          {"HATSIM_ROOT=" + folder.file("root"), "HATSIM_SCRIPT=" + folder.file("script"),
                           "HATSIM_SPEED=0", "HATSIM_VIEW=0", "HATKIT_SYSTEMCTL=" + folder.file("systemctl")},
                          20000, arguments);
    }
    std::string conf() const { return folder.read("root/etc/hatkit.conf"); }
    std::string calls() const { return folder.read("systemctl.log"); }
};

// The file changed in place, or untouched byte for byte when the value is
// refused or cannot be written; the units that read the key reloaded.
TEST(HatkitCommand, SetAndUnsetChangeOneLineAndReloadItsReaders)
{
    const struct {
        const char* before;  // nullptr: no file
        Lines arguments;
        const char* after;
        int status;
        std::string said;  // in standard output or error
        std::string calls;
    } cases[] = {
        {"# mine\n\n  fan_on=60   # warm\nfan_off = 50", {"set", "fan_on", "55"},
         "# mine\n\n  fan_on = 55   # warm\nfan_off = 50", 0, "fan_on = 55",
         "is-active --quiet sysglance.service\nreload sysglance.service\nis-active --quiet airguard.service\n"
         "reload airguard.service\n"},
        {"fan_on = 60\nfan_off = 50", {"set", "light_effects", "2", "0"},
         "fan_on = 60\nfan_off = 50\nlight_effects = 2 0\n", 0, "sysglance: reloaded",
         "is-active --quiet sysglance.service\nreload sysglance.service\n"},
        {"display_flip = yes\n# x\ndisplay_flip = no\n", {"set", "display_flip", "no"}, "display_flip = no\n# x\n", 0,
         "display_flip = no", "is-active --quiet sysglance.service\nreload sysglance.service\n"},
        {"quiet_hours = 23:00-07:00 # night\n# end\n", {"unset", "quiet_hours"}, "# end\n", 0, "quiet_hours unset",
         "is-active --quiet sysglance.service\nreload sysglance.service\nis-active --quiet heatglow.service\n"
         "reload heatglow.service\n"},
        {nullptr, {"set", "mqtt_broker", "10.0.0.5"}, "mqtt_broker = 10.0.0.5\n", 0, "hatkit-mqtt: reloaded",
         "is-active --quiet hatkit-mqtt.service\nreload hatkit-mqtt.service\n"},
        {"# keep\ndisplay_contrast = 32\n", {"set", "display_contrast", "300"}, "# keep\ndisplay_contrast = 32\n", 2,
         "hatkit: not changed: hatkit.conf line 2: display_contrast must be a whole number from 0 to 255, not '300'", ""},
        {"fan_on = 60\nfan_off = 50\n", {"set", "fan_on", "40"}, "fan_on = 60\nfan_off = 50\n", 2,
         "hatkit.conf line 2: fan_off (50) must be below fan_on (40)", ""},
        {"x = 1\n", {"set", "colour", "red"}, "x = 1\n", 2, "hatkit.conf line 1: unknown key 'x'", ""},
        {"", {"set", "colour", "red"}, "", 2, "hatkit.conf line 1: unknown key 'colour'", ""},
        {"light = auto\n", {"set", "light", "auto"}, "light = auto\n", 0, "light: no change", ""},
    };
    for (const auto& c : cases) {
        Rig rig;
        if (c.before != nullptr) {
            rig.folder.write("root/etc/hatkit.conf", c.before);
            chmod(rig.folder.file("root/etc/hatkit.conf").c_str(), 0640);
        } else {
            rig.folder.write("root/etc/.keep", "");
        }
        const ProgramRun run = rig.hatkit(c.arguments);
        EXPECT_EQ(run.exitStatus, c.status) << c.arguments[1] << run.err;
        EXPECT_EQ(rig.conf(), c.after) << c.arguments[1];
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
        EXPECT_EQ(rig.calls(), c.calls) << c.arguments[1];
        struct stat info {};
        stat(rig.folder.file("root/etc/hatkit.conf").c_str(), &info);
        if (c.status == 0 && std::string(c.after) != "") {
            EXPECT_EQ(info.st_mode & 0777, c.before != nullptr ? 0640u : 0644u) << c.arguments[1];
        }
    }
    // A file that cannot be replaced stays as it was, and says what to run.
    Rig rig;
    rig.folder.write("root/etc/hatkit.conf", "fan_on = 60\nfan_off = 50\n");
    mkdir(rig.folder.file("root/etc/.hatkit.conf.tmp").c_str(), 0755);
    rig.folder.write("root/etc/.hatkit.conf.tmp/x", "");
    const ProgramRun run = rig.hatkit({"set", "fan_on", "55"});
    EXPECT_EQ(run.exitStatus, 4);
    EXPECT_EQ(rig.conf(), "fan_on = 60\nfan_off = 50\n");
    EXPECT_NE(run.err.find("hatkit: cannot change /etc/hatkit.conf"), std::string::npos) << run.err;
    Rig noFolder;  // no /etc at all: said, not taken for done
    const ProgramRun nowhere = noFolder.hatkit({"set", "fan_on", "55"});
    EXPECT_EQ(nowhere.exitStatus, 2);  // fan_on alone is refused first
    const ProgramRun lost = noFolder.hatkit({"set", "display_flip", "yes"});
    EXPECT_EQ(lost.exitStatus, 4) << lost.out;
    EXPECT_NE(lost.err.find("hatkit: cannot change /etc/hatkit.conf: No such file or directory"), std::string::npos)
        << lost.err;
    if (geteuid() != 0) {  // root writes a read-only folder all the same
        Rig readOnly;
        readOnly.folder.write("root/etc/hatkit.conf", "fan_on = 60\nfan_off = 50\n");
        chmod(readOnly.folder.file("root/etc").c_str(), 0555);
        const ProgramRun refused = readOnly.hatkit({"set", "fan_on", "55"});
        chmod(readOnly.folder.file("root/etc").c_str(), 0755);
        EXPECT_EQ(refused.exitStatus, 4);
        EXPECT_NE(refused.err.find("as root: sudo hatkit set fan_on 55"), std::string::npos) << refused.err;
        EXPECT_EQ(readOnly.conf(), "fan_on = 60\nfan_off = 50\n");
    }
}

// Each combination: the others stopped and disabled first, then the chosen
// enabled and started; combinations that fight are refused untouched.
TEST(HatkitCommand, UseSwitchesProgramsWithoutTwoAtOnce)
{
    const struct {
        Lines programs;
        int status;
        std::string calls;
        std::string said;
    } cases[] = {
        {{"sysglance"}, 0,
         "disable --now airguard.service heatglow.service lampshow.service\nenable --now sysglance.service\n",
         "sysglance runs now and at boot"},
        {{"airguard"}, 0, "disable --now sysglance.service heatglow.service\nenable --now airguard.service\n", ""},
        {{"heatglow"}, 0,
         "disable --now sysglance.service airguard.service lampshow.service\nenable --now heatglow.service\n", ""},
        {{"airguard", "heatglow"}, 0,
         "disable --now sysglance.service lampshow.service\nenable --now airguard.service heatglow.service\n",
         "airguard and heatglow run now and at boot"},
        {{"none"}, 0, "disable --now sysglance.service airguard.service heatglow.service\n", "no board program runs"},
        {{"sysglance", "airguard"}, 2, "", "refused: sysglance and airguard both switch the fan"},
        {{"heatglow", "sysglance"}, 2, "", "refused: sysglance and heatglow both drive the LEDs"},
        {{"lampshow"}, 2, "", "'lampshow' is not a board program"},
        {{"none", "airguard"}, 2, "", "'none' is not a board program"},
    };
    for (const auto& c : cases) {
        Rig rig;
        Lines arguments = {"use"};
        arguments.insert(arguments.end(), c.programs.begin(), c.programs.end());
        const ProgramRun run = rig.hatkit(arguments);
        EXPECT_EQ(run.exitStatus, c.status) << c.programs[0];
        EXPECT_EQ(rig.calls(), c.calls) << c.programs[0];
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
    }
    Rig rig;
    rig.folder.write("fail", "");
    const ProgramRun run = rig.hatkit({"use", "airguard"});
    EXPECT_EQ(run.exitStatus, 4);
    EXPECT_NE(run.err.find("as root: sudo hatkit use airguard"), std::string::npos) << run.err;
}

// Each cause planted on hatsim: doctor names it (and only it) on a line of
// its own, and status says it needs the owner.
TEST(HatkitCommand, DoctorFindsEachCause)
{
    const std::string sysglance = "program = sysglance\ntemperature = 47.5\nfan = on\nfan_mode = auto\nlight = auto\n"
                                  "screen = on\npanel_answering = yes\nquiet_hours = no\nboard_answering = yes\n";
    const struct {
        std::string cause;
        std::vector<std::pair<std::string, std::string>> files;  // under the root, or the rig's folder
        std::string script;
        std::string problem;  // "" when all is well
    } cases[] = {
        {"all is well", {{"root/run/hatkit/sysglance/state", sysglance}}, "", ""},
        {"I2C off", {{"root/run/hatkit/sysglance/state", sysglance}}, "", "PROBLEM  I2C is enabled"},
        {"a bad settings file", {{"root/run/hatkit/sysglance/state", sysglance}, {"root/etc/hatkit.conf", "fan_on = 5\n"}},
         "", "PROBLEM  /etc/hatkit.conf is understood: hatkit.conf line 1: fan_on needs fan_off too"},
        {"two programs", {{"root/run/hatkit/sysglance/state", sysglance},
                          {"root/run/hatkit/heatglow/state", "program = heatglow\nboard_answering = yes\n"}},
         "", "PROBLEM  no two programs drive the same part of the board: sysglance runs beside heatglow"},
        {"the board away, as the program sees it",
         {{"root/run/hatkit/airguard/state", "program = airguard\nboard_answering = no\n"}}, "",
         "PROBLEM  the board answers at 0x0d (as airguard sees it)"},
        {"no program: the board asked on the bus", {}, "0 device 0x0d absent\n", "PROBLEM  the board answers at 0x0d"},
        {"no program: the panel asked on the bus", {}, "0 device 0x3c absent\n", "PROBLEM  the panel answers at 0x3c"},
        {"a unit that keeps restarting",
         {{"root/run/hatkit/sysglance/state", sysglance},
          {"show.out", "Id=sysglance.service\nActiveState=active\nNRestarts=5\n\nId=airguard.service\n"
                       "ActiveState=inactive\nNRestarts=0\n"}},
         "", "PROBLEM  sysglance runs steadily: it keeps restarting: journalctl -u sysglance"},
        {"the broker away",
         {{"root/run/hatkit/sysglance/state", sysglance},
          {"root/run/hatkit-mqtt/state", "connected = no\nbroker = 10.0.0.5:1883\n"}},
         "", "PROBLEM  hatkit-mqtt reaches the broker 10.0.0.5:1883"},
        {"a password file all may read",
         {{"root/run/hatkit/sysglance/state", sysglance},
          {"root/etc/hatkit.conf", "mqtt_broker = 10.0.0.5\nmqtt_password_file = /etc/pw\n"}, {"root/etc/pw", "x\n"}},
         "", "PROBLEM  the broker password file /etc/pw is its owner's alone: others may read it: sudo chmod 600 /etc/pw"},
    };
    for (const auto& c : cases) {
        Rig rig;
        for (const auto& [name, text] : c.files) rig.folder.write(name, text);
        chmod(rig.folder.file("root/etc/pw").c_str(), 0644);
        if (c.cause == "I2C off") unlink(rig.folder.file("root/dev/i2c-1").c_str());
        const ProgramRun doctor = rig.hatkit({"doctor"}, c.script);
        EXPECT_EQ(doctor.exitStatus, c.problem.empty() ? 0 : 1) << c.cause << "\n" << doctor.out;
        if (!c.problem.empty()) {
            EXPECT_NE(doctor.out.find(c.problem), std::string::npos) << c.cause << "\n" << doctor.out;
        }
        int problems = 0;
        for (std::size_t at = 0; (at = doctor.out.find("PROBLEM", at)) != std::string::npos; ++at) ++problems;
        EXPECT_EQ(problems, c.problem.empty() ? 0 : 1) << c.cause << "\n" << doctor.out;
        const ProgramRun status = rig.hatkit({"status"}, c.script);
        EXPECT_EQ(status.exitStatus != 0, status.out.find("needs you:") != std::string::npos) << c.cause;
    }
}

// status --json, parsed back, and as text: what the state files and the
// units say.
TEST(HatkitCommand, StatusAsJsonAndText)
{
    Rig rig;
    rig.folder.write("root/run/hatkit/airguard/state",
                     "program = airguard\ntemperature = 51.5\nfan = on\nfan_mode = auto\nboard_answering = yes\n");
    rig.folder.write("root/run/hatkit/heatglow/state",
                     "program = heatglow\ntemperature = 51.4\nlight = 0000ff\nquiet_hours = no\nboard_answering = yes\n");
    rig.folder.write("root/run/hatkit-mqtt/state", "connected = yes\nbroker = 10.0.0.5:1883\n");
    rig.folder.write("show.out", "Id=sysglance.service\nActiveState=inactive\nUnitFileState=disabled\n\n"
                                 "Id=airguard.service\nActiveState=active\nActiveEnterTimestamp=Wed 2026-12-09 10:00:00 UTC\n"
                                 "UnitFileState=enabled\nNRestarts=0\n");
    const ProgramRun run = rig.hatkit({"status", "--json"});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    cJSON* json = cJSON_Parse(run.out.c_str());
    ASSERT_NE(json, nullptr) << run.out;
    const auto text = [&](cJSON* object, const char* key) {
        const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
        return cJSON_IsString(item) ? std::string(item->valuestring) : cJSON_IsNull(item) ? "null" : "?";
    };
    EXPECT_EQ(cJSON_GetObjectItemCaseSensitive(json, "temperature")->valuedouble, 51.5);
    EXPECT_EQ(text(json, "fan"), "on");
    EXPECT_EQ(text(json, "light"), "0000ff");
    EXPECT_EQ(text(json, "screen"), "null");
    EXPECT_TRUE(cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(json, "board_answering")));
    cJSON* programs = cJSON_GetObjectItemCaseSensitive(json, "programs");
    ASSERT_EQ(cJSON_GetArraySize(programs), 4);
    cJSON* airguard = cJSON_GetArrayItem(programs, 1);
    EXPECT_EQ(text(airguard, "name"), "airguard");
    EXPECT_EQ(text(airguard, "active"), "active");
    EXPECT_EQ(text(airguard, "since"), "Wed 2026-12-09 10:00:00 UTC");
    EXPECT_EQ(text(airguard, "enabled"), "enabled");
    EXPECT_TRUE(cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(airguard, "state_fresh")));
    EXPECT_EQ(text(cJSON_GetObjectItemCaseSensitive(json, "bridge"), "broker"), "10.0.0.5:1883");
    EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItemCaseSensitive(json, "problems")), 0);
    cJSON_Delete(json);
    unlink(rig.folder.file("root/run/hatkit-mqtt/state").c_str());  // no bridge: not connected either
    const ProgramRun alone = rig.hatkit({"status", "--json"});
    EXPECT_NE(alone.out.find("\"running\":\tfalse,\n\t\t\"connected\":\tfalse"), std::string::npos) << alone.out;
    rig.folder.write("root/run/hatkit-mqtt/state", "connected = yes\nbroker = 10.0.0.5:1883\n");
    const ProgramRun plain = rig.hatkit({"status"});
    EXPECT_EQ(plain.exitStatus, 0);
    for (const char* line : {"programs:    sysglance inactive (disabled)\n",
                             "             airguard active since Wed 2026-12-09 10:00:00 UTC (enabled), state fresh\n",
                             "temperature: 51.5 C\n", "LEDs:        0000ff\n", "bridge:      connected to 10.0.0.5:1883\n",
                             "all is well: yes\n"}) {
        EXPECT_NE(plain.out.find(line), std::string::npos) << line << plain.out;
    }
}

}  // namespace
