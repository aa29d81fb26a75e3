// SPDX-License-Identifier: MIT
// hatkit doctor: each common cause of a blank screen or a dead board,
// checked read-only, one line each: "ok" or the problem and what mends it.
// The bus is probed only while no hatkit program holds it.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "apps/hatkit/facts.h"
#include "apps/hatkit/owner_commands.h"
#include "platform/bus_probe.h"
#include "platform/system_files.h"

namespace {

int problems = 0;

void line(bool ok, const std::string& okText, const std::string& problem)
{
    if (ok) {
        std::printf("ok       %s\n", okText.c_str());
    } else {
        std::printf("PROBLEM  %s\n", problem.c_str());
        ++problems;
    }
}

bool inGroup(const char* name)
{
    if (geteuid() == 0) return true;
    const group* entry = getgrnam(name);
    if (entry == nullptr) return false;
    if (getegid() == entry->gr_gid) return true;
    gid_t groups[256];
    const int count = getgroups(256, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] == entry->gr_gid) return true;
    }
    return false;
}

// The board, or the panel: from the state of the program that holds the
// bus, else asked on the bus itself. The board's "no" from a program is the
// judgement's already.
void deviceAnswers(const Facts& facts, const std::vector<std::string>& running, int address, const char* what,
                   const char* stateKey)
{
    char answers[64];
    char silent[64];
    std::snprintf(answers, sizeof answers, "the %s answers at 0x%02x", what, address);
    std::snprintf(silent, sizeof silent, "the %s does not answer at 0x%02x", what, address);
    if (!running.empty()) {
        const std::string answering = freshField(facts, stateKey);
        if (answering.empty()) {
            std::printf("-        %s?: not asked, %s holds the bus\n", answers, running[0].c_str());
        } else if (answering == "yes" || std::string(stateKey) != "panel_answering") {
            if (answering == "yes") line(true, std::string(answers) + " (as " + running[0] + " sees it)", "");
        } else {
            line(false, "", std::string(silent) + " (as " + running[0] +
                                " sees it): check the board sits on all 40 pins, then sudo systemctl restart " +
                                running[0]);
        }
        return;
    }
    if (!facts.busThere) {
        std::printf("-        %s?: not asked, there is no bus\n", answers);
        return;
    }
    const Probe probe = probeBusDevice(address);
    line(probe == Probe::answers, answers,
         probe == Probe::noBus ? std::string("the bus cannot be opened to ask whether ") + answers +
                                     ": sudo, or group i2c"
                               : std::string(silent) + ": check the board sits on all 40 pins (i2cdetect -y 1)");
}

void passwordFileKept(const Facts& facts)
{
    const char* path = facts.settings.mqtt.passwordFile;
    if (path[0] == '\0') return;
    const int fd = openSystemFile(path);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0) {
        if (fd >= 0) close(fd);
        line(true, std::string("the broker password file ") + path + " is root's alone (cannot be read here)", "");
        return;
    }
    close(fd);
    line((info.st_mode & 0077) == 0, std::string("the broker password file ") + path + " is its owner's alone",
         std::string("others may read the broker password file ") + path + ": sudo chmod 600 " + path);
}

}  // namespace

int diagnose()
{
    problems = 0;
    const Facts facts = gatherFacts();
    const std::vector<std::string> running = runningPrograms(facts);
    for (const Finding& finding : judge(facts)) line(finding.ok, finding.okText, finding.problem);
    line(inGroup("i2c"), "you may use the bus (group i2c)",
         "you may not use the bus: sudo adduser $USER i2c, then log out and in");
    deviceAnswers(facts, running, 0x0d, "board", "board_answering");
    deviceAnswers(facts, running, 0x3c, "panel", "panel_answering");
    passwordFileKept(facts);
    return problems == 0 ? 0 : kExitNeedsOwner;
}
