// SPDX-License-Identifier: MIT
// hatkit-mqtt's client side: the broker connection (libmosquitto: TLS,
// last will, reconnects), what it publishes and what it takes in. It never
// opens the bus; it meets the board programs only through their state
// files and its control file.
#pragma once

#include "apps/common/files/hatkit_conf.h"

constexpr int kExitBridgeSettings = 2;

// Runs until SIGTERM or SIGINT (status 0). A broker that is down, slow,
// refuses the login or fails the TLS check is tried again with a back-off
// of at most a minute; the bridge never ends for it. `password` may be "".
int runBridge(const HatkitSettings& settings, const std::string& password);
