// SPDX-License-Identifier: MIT
#include "hatsim/bus.h"

#include "hatsim/board_controller.h"
#include "hatsim/ssd1306_panel.h"
#include "hatsim/trace.h"

namespace hatsim {

namespace {

constexpr int kFirstHandle = 3;  // like descriptors, after the standard streams
constexpr int kMaxLinks = 1024;

constexpr bool defaultPresence(int address)
{
    return address == kBoardControllerAddress || address == kPanelAddress;
}

struct Presence {
    bool at[128];
};

constexpr Presence defaultPresences()
{
    Presence presence {};
    for (int a = 0; a < 128; ++a) presence.at[a] = defaultPresence(a);
    return presence;
}

bool busUp = true;
Presence present = defaultPresences();
int linkAddress[kMaxLinks];
int linkCount = 0;

}  // namespace

int openLink(int address)
{
    int handle = -1;
    // Only 7-bit addresses can be bound, as with the kernel's I2C_SLAVE.
    if (busUp && address >= 0 && address <= 0x7F && linkCount < kMaxLinks) {
        linkAddress[linkCount] = address;
        handle = kFirstHandle + linkCount++;
    }
    trace("open 0x%02x %d", static_cast<unsigned>(address) & 0xFFu, handle);
    return handle;
}

int writeLink(int handle, int reg, int value)
{
    // On the wire a register write is a two-byte transfer like any other.
    const uint8_t bytes[2] = {static_cast<uint8_t>(reg), static_cast<uint8_t>(value)};
    return sendLink(handle, bytes, 2);
}

int sendLink(int handle, const uint8_t* bytes, int count)
{
    if (count < 1) return -1;
    const int index = handle - kFirstHandle;
    if (index < 0 || index >= linkCount) {
        traceTransfer(-1, bytes, count, true);
        return -1;
    }
    const int address = linkAddress[index];
    if (!present.at[address]) {
        traceTransfer(address, bytes, count, true);
        return -1;
    }
    traceTransfer(address, bytes, count, false);
    if (address == kBoardControllerAddress) boardControllerTransfer(bytes, count);
    if (address == kPanelAddress) panelTransfer(bytes, count);
    return 0;
}

int probeLink(int address)
{
    if (!busUp) return -1;
    return address >= 0 && address <= 0x7F && present.at[address] ? 1 : 0;
}

void setBusUp(bool up) { busUp = up; }

void setDevicePresent(int address, bool isPresent)
{
    if (address >= 0 && address <= 0x7F) present.at[address] = isPresent;
}

void resetDevice(int address)
{
    if (address == kBoardControllerAddress) resetBoardController();
    if (address == kPanelAddress) resetPanel();
}

void resetBus()
{
    busUp = true;
    linkCount = 0;
    present = defaultPresences();
}

}  // namespace hatsim
