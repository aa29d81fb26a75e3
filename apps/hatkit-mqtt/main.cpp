// SPDX-License-Identifier: MIT
// hatkit-mqtt: the board in Home Assistant. Publishes what the board
// programs show (their state files in /run/hatkit) over MQTT, with Home
// Assistant's discovery, and hands the owner's commands to them through
// /run/hatkit-mqtt/control. It never touches the bus.
#include <cstdio>
#include <string>

#include "apps/hatkit-mqtt/bridge.h"
#include "apps/hatkit-mqtt/bridge_settings.h"
#include "apps/common/files/program_settings.h"
#include "platform/stop_request.h"

int main()
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // First: a signal while starting must not kill the program.
    reloadOnHangup();
    catchStopSignals();
    HatkitSettings settings;
    if (!loadSettingsOrReport(&settings, kReadByBridge)) return kExitBadSettings;
    std::string password;
    if (!checkBridgeSettings(settings, &password)) return kExitBridgeSettings;
    return runBridge(settings, password);
}
