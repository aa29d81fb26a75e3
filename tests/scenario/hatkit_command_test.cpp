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
    "[ -f \"$here/fail\" ] && [ \"$1\" != is-active ] && exit 1\n"
    "exit 0\n";

struct Rig {
    TempFolder folder;
    Rig()
    {
        folder.write("systemctl", kRecorder);
        chmod(folder.file("systemctl").c_str(), 0755);
        folder.write("root/dev/i2c-1", "");
        folder.write("root/run/hatkit-mqtt/.keep", "");
        folder.write("root/run/systemd/system/.keep", "");  // booted with systemd
    }
    // asUser: as an unprivileged user (nobody), even when the suite runs as
    // root; the rig's folder is then open to all.
    ProgramRun hatkit(const Lines& arguments, const std::string& script = "", bool asUser = false)
    {
        folder.write("script", script);
        Lines command = arguments;
        std::string program = simProgram("hatkit");
        if (asUser && geteuid() == 0) {
            chmod(folder.path().c_str(), 0777);
            chmod(folder.file("root").c_str(), 0777);
            command.insert(command.begin(), program);
            const Lines emulator = emulatorWords();  // setpriv is native; hatkit may not be
            command.insert(command.begin(), emulator.begin(), emulator.end());
            command.insert(command.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups"});
            program = "/usr/bin/setpriv";
        }
        return runProgram(program,
                          {"HATSIM_ROOT=" + folder.file("root"), "HATSIM_SCRIPT=" + folder.file("script"),
                           "HATSIM_SPEED=0", "HATSIM_VIEW=0", "HATKIT_SYSTEMCTL=" + folder.file("systemctl")},
                          20000, command);
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
         "hatkit: not changed: display_contrast must be a whole number from 0 to 255, not '300'\n", ""},
        {"fan_on = 60\nfan_off = 50\n", {"set", "fan_on", "40"}, "fan_on = 60\nfan_off = 50\n", 2,
         "hatkit: not changed: fan_off (50) must be below fan_on (40)", ""},
        {"x = 1\n", {"set", "display_flip", "yes"}, "x = 1\n", 2,
         "not changed: hatkit.conf line 1: unknown key 'x' (in /etc/hatkit.conf as it is", ""},
        {"", {"set", "colour", "red"}, "", 2, "hatkit: unknown key 'colour' (hatkit keys lists them)\n", ""},
        {"", {"set", "ligth", "red"}, "", 2, "hatkit: unknown key 'ligth': did you mean light?", ""},
        {"light = 00ff00\n", {"unset", "ligth"}, "light = 00ff00\n", 2, "did you mean light?", ""},
        {"", {"set", "screen_timeout", "never"}, "", 2, "; to go back to the default: hatkit unset screen_timeout\n", ""},
        {"", {"set", "quiet_hours", "23:00-07:00\nmqtt_node = x"}, "", 2, "the value of quiet_hours holds a line break", ""},
        {"light = auto\n", {"set", "light", "auto"}, "light = auto\n", 0, "light: no change", ""},
        // The pair in one change, each running reader reloaded once.
        {"# fans\n", {"set", "fan_on", "60", "fan_off", "50", "light", "effect", "2"},
         "# fans\nfan_on = 60\nfan_off = 50\nlight = effect 2\n", 0, "fan_off = 50\nlight = effect 2\n",
         "is-active --quiet sysglance.service\nreload sysglance.service\nis-active --quiet airguard.service\n"
         "reload airguard.service\nis-active --quiet heatglow.service\nreload heatglow.service\n"},
        {"fan_on = 60\nfan_off = 50\nlight = 00ff00\n", {"unset", "fan_on", "fan_off"}, "light = 00ff00\n", 0,
         "fan_on unset\nfan_off unset\n",
         "is-active --quiet sysglance.service\nreload sysglance.service\nis-active --quiet airguard.service\n"
         "reload airguard.service\n"},
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
    EXPECT_EQ(run.err.find("sudo"), std::string::npos) << "no sudo hint to root: " << run.err;
    // A link is followed: the file it leads to changes, owner and mode kept;
    // a failed reload is said as failed.
    Rig linked;
    linked.folder.write("root/srv/conf/hatkit.conf", "display_flip = no\n");
    chmod(linked.folder.file("root/srv/conf/hatkit.conf").c_str(), 0600);
    chown(linked.folder.file("root/srv/conf/hatkit.conf").c_str(), 65534, 65534);
    linked.folder.write("root/etc/.keep", "");
    symlink("../srv/conf/hatkit.conf", linked.folder.file("root/etc/hatkit.conf").c_str());
    linked.folder.write("fail", "");
    const ProgramRun through = linked.hatkit({"set", "display_flip", "yes"});
    EXPECT_EQ(through.exitStatus, 0) << through.err;
    EXPECT_NE(through.out.find("sysglance: the reload failed"), std::string::npos) << through.out;
    EXPECT_EQ(linked.folder.read("root/srv/conf/hatkit.conf"), "display_flip = yes\n");
    struct stat target {};
    lstat(linked.folder.file("root/etc/hatkit.conf").c_str(), &target);
    EXPECT_TRUE(S_ISLNK(target.st_mode));
    stat(linked.folder.file("root/srv/conf/hatkit.conf").c_str(), &target);
    EXPECT_EQ(target.st_mode & 0777, 0600u);
    EXPECT_EQ(target.st_uid, geteuid() == 0 ? 65534u : geteuid());
    unlink(linked.folder.file("root/srv/conf/hatkit.conf").c_str());  // a link to nowhere: said, not taken for done
    rmdir(linked.folder.file("root/srv/conf").c_str());
    const ProgramRun dangling = linked.hatkit({"set", "display_flip", "yes"});
    EXPECT_EQ(dangling.exitStatus, 4);
    EXPECT_NE(dangling.err.find(", a link to ../srv/conf/hatkit.conf"), std::string::npos) << dangling.err;
    Rig noFolder;  // no /etc at all: said, not taken for done
    const ProgramRun nowhere = noFolder.hatkit({"set", "fan_on", "55"});
    EXPECT_EQ(nowhere.exitStatus, 2);  // fan_on alone is refused first
    const ProgramRun lost = noFolder.hatkit({"set", "display_flip", "yes"});
    EXPECT_EQ(lost.exitStatus, 4) << lost.out;
    EXPECT_NE(lost.err.find("hatkit: cannot change /etc/hatkit.conf: No such file or directory"), std::string::npos)
        << lost.err;
    const ProgramRun lostAsUser = noFolder.hatkit({"set", "display_flip", "yes"}, "", true);
    EXPECT_EQ(lostAsUser.exitStatus, 4);
    EXPECT_EQ(lostAsUser.err.find("sudo"), std::string::npos) << "sudo mends no missing folder: " << lostAsUser.err;
    Rig readOnly;  // as a normal user: the sudo hint with the whole change
    readOnly.folder.write("root/etc/hatkit.conf", "fan_on = 60\nfan_off = 50\n");
    chmod(readOnly.folder.file("root/etc").c_str(), 0555);
    const ProgramRun refused = readOnly.hatkit({"set", "fan_on", "55", "fan_off", "45"}, "", true);
    chmod(readOnly.folder.file("root/etc").c_str(), 0755);
    EXPECT_EQ(refused.exitStatus, 4);
    EXPECT_NE(refused.err.find("as root: sudo hatkit set fan_on 55 fan_off 45"), std::string::npos) << refused.err;
    EXPECT_EQ(readOnly.conf(), "fan_on = 60\nfan_off = 50\n");
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
        {{"lampshow"}, 2, "", "lampshow starts an effect and exits"},
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
    EXPECT_EQ(run.err.find("sudo"), std::string::npos) << "no sudo hint to root: " << run.err;
    const ProgramRun user = rig.hatkit({"use", "airguard"}, "", true);
    EXPECT_EQ(user.exitStatus, 4);
    EXPECT_NE(user.err.find("as root: sudo hatkit use airguard"), std::string::npos) << user.err;
}

// Each cause planted on hatsim: doctor names it on a line of its own, and
// status says the same problems in the same words (doctor may say more:
// what only it asks). What is neither enabled nor running is not mentioned.
TEST(HatkitCommand, DoctorAndStatusJudgeEachCauseAlike)
{
    const std::string sysglance = "program = sysglance\npid = 4242\ntemperature = 47.5\nfan = on\nfan_mode = auto\n"
                                  "light = auto\nscreen = on\npanel_answering = yes\nquiet_hours = no\nboard_answering = yes\n";
    const std::string unitsWell = "Id=sysglance.service\nActiveState=active\nUnitFileState=enabled\nNRestarts=0\n\n"
                                  "Id=airguard.service\nActiveState=inactive\nUnitFileState=disabled\n";
    const struct {
        std::string cause;
        std::vector<std::pair<std::string, std::string>> files;  // under the root, or the rig's folder
        std::string script;
        std::string problem;  // "" when all is well
        int problems;
        std::string absent;  // a text doctor must not print
    } cases[] = {
        {"all is well", {{"root/run/hatkit/sysglance/state", sysglance}, {"show.out", unitsWell}}, "", "", 0, "airguard"},
        {"all is well, and steady", {{"root/run/hatkit/sysglance/state", sysglance}, {"show.out", unitsWell}}, "", "", 0,
         "has started"},
        {"the panel away, as sysglance sees it",
         {{"root/run/hatkit/sysglance/state", sysglance.substr(0, sysglance.find("panel_answering")) +
                                                   "panel_answering = no\nboard_answering = yes\n"}},
         "", "PROBLEM  the panel does not answer at 0x3c (as sysglance sees it)", 1, ""},
        {"I2C off", {{"root/run/hatkit/sysglance/state", sysglance}}, "", "PROBLEM  no /dev/i2c-1: enable I2C", 1, ""},
        {"a bad settings file", {{"root/run/hatkit/sysglance/state", sysglance}, {"root/etc/hatkit.conf", "fan_on = 5\n"}},
         "", "PROBLEM  hatkit.conf line 1: fan_on needs fan_off too: mend /etc/hatkit.conf", 1, ""},
        {"two programs", {{"root/run/hatkit/sysglance/state", sysglance},
                          {"root/run/hatkit/heatglow/state", "program = heatglow\nboard_answering = yes\n"}},
         "", "PROBLEM  sysglance runs beside heatglow and both drive the board", 1, ""},
        {"airguard beside heatglow is no fight",
         {{"root/run/hatkit/airguard/state", "program = airguard\nboard_answering = yes\n"},
          {"root/run/hatkit/heatglow/state", "program = heatglow\nboard_answering = yes\n"}},
         "", "", 0, "PROBLEM"},
        {"the board away, as the program sees it",
         {{"root/run/hatkit/airguard/state", "program = airguard\nboard_answering = no\n"}}, "",
         "PROBLEM  airguard says the board does not answer at 0x0d", 1, "answers at 0x0d: "},
        {"no program: the board asked on the bus", {}, "0 device 0x0d absent\n",
         "PROBLEM  the board does not answer at 0x0d: check", 2, ""},
        {"no program: the panel asked on the bus", {}, "0 device 0x3c absent\n",
         "PROBLEM  the panel does not answer at 0x3c", 2, ""},
        {"sysglance stopped", {{"show.out", "Id=sysglance.service\nActiveState=inactive\nUnitFileState=enabled\n"}}, "",
         "PROBLEM  no board program runs: sysglance is enabled but stopped: sudo systemctl start sysglance", 1,
         "sysglance runs"},
        {"a unit failed", {{"show.out", "Id=sysglance.service\nActiveState=failed\nUnitFileState=enabled\n"}}, "",
         "PROBLEM  sysglance failed: journalctl -u sysglance, then sudo systemctl restart sysglance", 2, "runs steadily"},
        {"a unit just started", {{"show.out", "Id=sysglance.service\nActiveState=active\nUnitFileState=enabled\n"}}, "",
         "", 0, "no board program"},
        {"a program run by hand", {{"root/run/hatkit/sysglance/state", sysglance}, {"show.out", unitsWell.substr(0, 20) + "ActiveState=inactive\n"}},
         "", "PROBLEM  sysglance runs outside its unit (pid 4242), started by hand: stop it (kill 4242)", 1, ""},
        {"a unit that keeps restarting",
         {{"root/run/hatkit/sysglance/state", sysglance},
          {"show.out", "Id=sysglance.service\nActiveState=active\nNRestarts=3\n\nId=airguard.service\n"
                       "ActiveState=inactive\nNRestarts=0\n"}},
         "", "PROBLEM  sysglance keeps restarting (3 restarts): journalctl -u sysglance", 1, ""},
        {"the broker away",
         {{"root/run/hatkit/sysglance/state", sysglance},
          {"root/run/hatkit-mqtt/state", "connected = no\nbroker = 10.0.0.5:1883\n"}},
         "", "PROBLEM  hatkit-mqtt cannot reach the broker 10.0.0.5:1883", 1, ""},
        {"a password file its group may read",
         {{"root/run/hatkit/sysglance/state", sysglance},
          {"root/etc/hatkit.conf", "mqtt_broker = 10.0.0.5\nmqtt_password_file = /etc/pw\n"}, {"root/etc/pw", "x\n"}},
         "", "PROBLEM  others may read the broker password file /etc/pw: sudo chmod 600 /etc/pw", 1, ""},
    };
    for (const auto& c : cases) {
        Rig rig;
        for (const auto& [name, text] : c.files) rig.folder.write(name, text);
        chmod(rig.folder.file("root/etc/pw").c_str(), 0640);
        if (c.cause == "I2C off") unlink(rig.folder.file("root/dev/i2c-1").c_str());
        const ProgramRun doctor = rig.hatkit({"doctor"}, c.script);
        EXPECT_EQ(doctor.exitStatus, c.problem.empty() ? 0 : 1) << c.cause << "\n" << doctor.out;
        if (!c.problem.empty()) {
            EXPECT_NE(doctor.out.find(c.problem), std::string::npos) << c.cause << "\n" << doctor.out;
        }
        if (!c.absent.empty()) {
            EXPECT_EQ(doctor.out.find(c.absent), std::string::npos) << c.cause << "\n" << doctor.out;
        }
        int problems = 0;
        for (std::size_t at = 0; (at = doctor.out.find("PROBLEM", at)) != std::string::npos; ++at) ++problems;
        EXPECT_EQ(problems, c.problems) << c.cause << "\n" << doctor.out;
        const ProgramRun status = rig.hatkit({"status"}, c.script);
        EXPECT_EQ(status.exitStatus != 0, status.out.find("needs you:") != std::string::npos) << c.cause;
        // Every problem status names, doctor names in the same words.
        for (std::size_t at = status.out.find("needs you:"); at != std::string::npos && at < status.out.size();) {
            const std::size_t end = status.out.find('\n', at);
            const std::string problem = status.out.substr(at + 13, end - at - 13);
            EXPECT_NE(doctor.out.find("PROBLEM  " + problem + "\n"), std::string::npos) << c.cause << ": " << problem;
            at = end + 1;
        }
    }
}

// What a command is expected to answer: help, version, a misspelling, the
// keys for the completion.
TEST(HatkitCommand, AnswersHelpVersionAndMisspellings)
{
    const struct {
        Lines arguments;
        int status;
        std::string out;  // in standard output
        std::string err;
    } cases[] = {
        {{"--help"}, 0, "usage: hatkit status [--json]\n", ""},
        {{"-h"}, 0, "       hatkit unset KEY [KEY...]\n", ""},
        {{"help"}, 0, "usage:", ""},
        {{"--version"}, 0, "hatkit 0.", ""},
        {{"stauts"}, 2, "", "hatkit: unknown command 'stauts': did you mean status?\nusage:"},
        {{"frobnicate"}, 2, "", "hatkit: unknown command 'frobnicate'\nusage:"},
        {{"keys", "--values", "light_effect_colour"}, 0, "0\n1\n2\n3\n4\n5\n6\n", ""},
        {{"keys", "--names"}, 0, "fan_on\nfan_off\ndisplay_flip\n", ""},
        {{"keys"}, 0, "\nlight_brightness = 255\n    what a colour", ""},
        {{"keys"}, 0, "own; read by sysglance, heatglow\n", ""},
    };
    Rig rig;
    for (const auto& c : cases) {
        const ProgramRun run = rig.hatkit(c.arguments);
        EXPECT_EQ(run.exitStatus, c.status) << c.arguments[0];
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.arguments[0] << ": " << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.arguments[0] << ": " << run.err;
    }
    // Without systemd (a container): one line of hatkit's, no systemctl.
    unlink(rig.folder.file("root/run/systemd/system/.keep").c_str());
    rmdir(rig.folder.file("root/run/systemd/system").c_str());
    rig.folder.write("root/etc/hatkit.conf", "");
    const ProgramRun set = rig.hatkit({"set", "display_flip", "yes"});
    EXPECT_EQ(set.exitStatus, 0);
    EXPECT_EQ(set.out, "display_flip = yes\nsystemd does not run here: the programs read the change when they start\n");
    const ProgramRun use = rig.hatkit({"use", "airguard"});
    EXPECT_EQ(use.exitStatus, 4);
    EXPECT_NE(use.err.find("systemd does not run here"), std::string::npos) << use.err;
    const ProgramRun status = rig.hatkit({"status"});
    EXPECT_NE(status.out.find("programs:    systemd does not run here: no units to show\ntemperature:"), std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find("no board program runs: without systemd, start sysglance"), std::string::npos)
        << status.out;
    EXPECT_EQ(rig.calls(), "");
}

// status --json, parsed back, and as text: what the state files and the
// units say.
TEST(HatkitCommand, StatusAsJsonAndText)
{
    Rig rig;
    rig.folder.write("root/run/hatkit/airguard/state",
                     "program = airguard\ntemperature = 51.5\nfan = on\nfan_mode = auto\nfan_on_at = 50.0\n"
                     "fan_off_at = 45.0\nboard_answering = yes\n");
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
                             "temperature: 51.5 C\n", "fan:         on (auto), off at 45.0 C\n",
                             "LEDs:        colour 0000ff\n", "bridge:      connected to 10.0.0.5:1883\n",
                             "all is well: yes\n"}) {
        EXPECT_NE(plain.out.find(line), std::string::npos) << line << plain.out;
    }
    // Between the thresholds before the first switch; heatglow's own colours.
    rig.folder.write("root/run/hatkit/airguard/state",
                     "program = airguard\nfan_mode = auto\nfan_on_at = 50.0\nfan_off_at = 45.0\n");
    rig.folder.write("root/run/hatkit/heatglow/state", "program = heatglow\nlight = auto\nlight_colour = ff0000\n");
    const ProgramRun between = rig.hatkit({"status"});
    for (const char* line : {"fan:         not switched yet (auto): on at 50.0 C, off at 45.0 C\n",
                             "LEDs:        heat colours (auto), now ff0000\n"}) {
        EXPECT_NE(between.out.find(line), std::string::npos) << line << between.out;
    }
}

}  // namespace
