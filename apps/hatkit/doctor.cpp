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

void line(bool ok, const std::string& what, const std::string& fix = "")
{
    if (ok) {
        std::printf("ok       %s\n", what.c_str());
    } else {
        std::printf("PROBLEM  %s%s%s\n", what.c_str(), fix.empty() ? "" : ": ", fix.c_str());
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
// bus, else asked on the bus itself.
void deviceAnswers(const Facts& facts, const std::vector<std::string>& running, int address, const char* what,
                   const char* stateKey)
{
    char label[64];
    std::snprintf(label, sizeof label, "the %s answers at 0x%02x", what, address);
    if (!running.empty()) {
        const std::string answering = freshField(facts, stateKey);
        if (answering.empty()) {
            std::printf("-        %s: not asked, %s holds the bus\n", label, running[0].c_str());
            return;
        }
        line(answering == "yes", std::string(label) + " (as " + running[0] + " sees it)",
             "it does not: check the board sits on all 40 pins, then sudo systemctl restart " + running[0]);
        return;
    }
    if (!facts.busThere) {
        std::printf("-        %s: not asked, there is no bus\n", label);
        return;
    }
    const Probe probe = probeBusDevice(address);
    line(probe == Probe::answers, label,
         probe == Probe::noBus ? "the bus cannot be opened (sudo, or group i2c)"
                               : "nothing answers: check the board sits on all 40 pins (i2cdetect -y 1)");
}

void passwordFileKept(const Facts& facts)
{
    const char* path = facts.settings.mqtt.passwordFile;
    if (path[0] == '\0') return;
    const int fd = openSystemFile(path);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0) {
        if (fd >= 0) close(fd);
        line(true, std::string("the broker password file ") + path + " is root's alone (cannot be read here)");
        return;
    }
    close(fd);
    line((info.st_mode & 0077) == 0, std::string("the broker password file ") + path + " is its owner's alone",
         std::string("others may read it: sudo chmod 600 ") + path);
}

}  // namespace

int diagnose()
{
    problems = 0;
    const Facts facts = gatherFacts();
    const std::vector<std::string> running = runningPrograms(facts);
    line(facts.busThere, "I2C is enabled (/dev/i2c-1)", "sudo raspi-config nonint do_i2c 0, then reboot");
    line(inGroup("i2c"), "you may use the bus (group i2c)", "sudo adduser $USER i2c, then log out and in");
    line(facts.settingsOk, "/etc/hatkit.conf is understood",
         facts.settingsMessage + ": mend it (man 5 hatkit.conf)");
    const bool fight = facts.fresh[0] && running.size() > 1;
    line(!fight, "no two programs drive the same part of the board",
         fight ? "sysglance runs beside " + running[1] + ": sudo hatkit use sysglance (or hatkit use airguard heatglow)"
               : "");
    deviceAnswers(facts, running, 0x0d, "board", "board_answering");
    deviceAnswers(facts, running, 0x3c, "panel", "panel_answering");
    for (const UnitFacts& unit : facts.units) {
        if (!unit.known) continue;
        line(unit.active != "failed" && unit.restarts < 3, unit.name + " runs steadily",
             unit.active == "failed" ? "it failed: journalctl -u " + unit.name
                                     : "it keeps restarting: journalctl -u " + unit.name);
    }
    if (facts.bridgeStateThere) {
        line(facts.bridgeConnected, "hatkit-mqtt reaches the broker " + facts.broker,
             "it does not: journalctl -u hatkit-mqtt; check mqtt_broker in /etc/hatkit.conf");
    }
    passwordFileKept(facts);
    return problems == 0 ? 0 : kExitNeedsOwner;
}
