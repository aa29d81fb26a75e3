// SPDX-License-Identifier: MIT
// sysglance: the board's status screen. Once a second it shows load,
// temperature, memory, disk and address on the OLED panel, switches the fan
// by thresholds that depend on the Pi model, and every ten passes moves the
// LEDs to the next light effect. Runs until killed.
#include "apps/board_program.h"
#include "apps/program_settings.h"
#include "apps/sysglance/status_loop.h"

int main()
{
    useLineBufferedOutput();
    static StatusLoop loop;
    // First: a reload asked for while starting must not end the program.
    reloadOnHangup();
    if (!loadSettingsOrReport(&loop.settings)) return kExitBadSettings;
    startStatusPanel(loop);
    for (;;) runStatusPass(loop);
}
