// SPDX-License-Identifier: MIT
// Samples the running system into the status texts. Prints a console line
// for a source it cannot read; never touches the bus or the screen.
#pragma once

#include "apps/common/files/hatkit_conf.h"
#include "apps/sysglance/status_texts.h"

// Forgets the address and searches every pass again (other interfaces asked for).
void restartAddressSearch(StatusTexts& texts);

// The first interface list, before the first pass; a failure leaves it empty.
void fetchFirstInterfaceList(StatusTexts& texts);
// Load and memory; false when sysinfo fails (nothing is touched then).
bool sampleLoadAndMemory(StatusTexts& texts);
// The IPv4 address of eth0 or wlan0 (or the interfaces of the settings),
// searched every pass until found.
void sampleAddress(StatusTexts& texts, const HatkitSettings& settings);
// Once found, the address is looked up again every ten passes, so that a new
// lease, another network or a pulled cable shows: a new address replaces the
// text; none left empties the row and the search runs every pass again. A
// failed fetch keeps the text until the next check.
void refreshAddress(StatusTexts& texts, const HatkitSettings& settings);
// The board model and its text, read while not yet recognised.
void detectBoardModel(StatusTexts& texts);
void sampleTemperature(StatusTexts& texts);
void sampleDisk(StatusTexts& texts);
// The share of CPU time in use since the last call, from /proc/stat; an
// unreadable file leaves it unknown until two readings in a row.
void sampleCpuUse(StatusTexts& texts);
