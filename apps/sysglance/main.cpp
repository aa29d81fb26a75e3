// SPDX-License-Identifier: MIT
// sysglance: the board's status screen. Once a second it shows load,
// temperature, memory, disk and address on the OLED panel, switches the fan
// by thresholds that depend on the Pi model, and every ten passes moves the
// LEDs to the next light effect. Runs until stopped.
#include "apps/common/board_program/board_program.h"
#include "apps/sysglance/status_loop.h"

int main()
{
    static ProgramLoop loop;
    if (!startProgram(&loop, kReadBySysglance)) return kExitBadSettings;
    if (!startSysglance(loop)) return kExitStopped;
    return runPasses(loop, kSysglance);
}
