// SPDX-License-Identifier: MIT
// The push of only what changed: the driver remembers what the panel was
// sent and acknowledged, and sends the parts of the frame that differ, each
// as a window command transfer and a data transfer.
#include <cstring>

#include "oled/ssd1306_i2c.h"
#include "oled/ssd1306_state.h"
#include "platform/bus_transfer.h"

using namespace ssd1306;

namespace {

constexpr uint8_t kCommandStream = 0x00;  // Co clear, D/C# clear: commands to the end
constexpr uint8_t kDataStream = 0x40;     // Co clear, D/C# set: data to the end

// Bit times on the wire: a transaction of n bytes is START, the address byte
// and its ACK, nine bits a byte, STOP.
constexpr int transferBits(int bytes) { return 1 + 9 + 9 * bytes + 1; }
// What a part costs beyond its cells: the 7-byte window transfer and the
// data transfer's own control byte and framing.
constexpr int kPartBits = transferBits(7) + transferBits(1);
constexpr int kCellBits = 9;

struct Part {
    int column0, column1, page0, page1;
    int cells() const { return (column1 - column0 + 1) * (page1 - page0 + 1); }
};

uint8_t shown[kBufferCells];
bool shownKnown = false;
// At most one part per changed column, were no runs ever joined.
Part parts[kBufferCells];
uint8_t dataTransfer[1 + kBufferCells];

uint8_t cell(int column, int page) { return static_cast<uint8_t>(buffer[column + page * kWidth]); }

bool changed(int column, int page)
{
    return !shownKnown || shown[column + page * kWidth] != cell(column, page);
}

// The changed runs of one page; runs closer than a part's cost in cells
// are joined, since the cells between cost less than another part.
int changedRuns(int page, Part* out)
{
    int count = 0;
    for (int column = 0; column < kWidth; ++column) {
        if (!changed(column, page)) continue;
        if (count > 0 && (column - out[count - 1].column1 - 1) * kCellBits < kPartBits) {
            out[count - 1].column1 = column;
        } else {
            out[count++] = {column, column, page, page};
        }
    }
    return count;
}

bool sendPart(const Part& part)
{
    const uint8_t window[7] = {kCommandStream,
                               0x21, static_cast<uint8_t>(part.column0), static_cast<uint8_t>(part.column1),
                               0x22, static_cast<uint8_t>(part.page0), static_cast<uint8_t>(part.page1)};
    // Data sent into a window the panel did not take would land elsewhere.
    if (panelWrites.count(i2cWriteBlock(i2cd, window, sizeof window)) < 0) return false;
    int length = 0;
    dataTransfer[length++] = kDataStream;
    for (int page = part.page0; page <= part.page1; ++page) {
        for (int column = part.column0; column <= part.column1; ++column) dataTransfer[length++] = cell(column, page);
    }
    if (panelWrites.count(i2cWriteBlock(i2cd, dataTransfer, length)) < 0) return false;
    for (int page = part.page0; page <= part.page1; ++page) {
        std::memcpy(shown + page * kWidth + part.column0, dataTransfer + 1 + (page - part.page0) * (part.column1 - part.column0 + 1),
                    static_cast<size_t>(part.column1 - part.column0 + 1));
    }
    return true;
}

}  // namespace

void ssd1306_forgetPanel() { shownKnown = false; }

void ssd1306_displayChanges()
{
    int count = 0;
    int separateBits = 0;
    Part span = {kWidth, -1, kPages, -1};
    for (int page = 0; page < kPages; ++page) {
        const int runs = changedRuns(page, parts + count);
        for (int i = count; i < count + runs; ++i) {
            separateBits += kPartBits + kCellBits * parts[i].cells();
            if (parts[i].column0 < span.column0) span.column0 = parts[i].column0;
            if (parts[i].column1 > span.column1) span.column1 = parts[i].column1;
            if (page < span.page0) span.page0 = page;
            span.page1 = page;
        }
        count += runs;
    }
    if (count == 0) return;
    // One window over every changed page, where that costs fewer bits.
    if (count > 1 && kPartBits + kCellBits * span.cells() < separateBits) {
        parts[0] = span;
        count = 1;
    }
    bool allTaken = true;
    for (int i = 0; i < count && allTaken; ++i) allTaken = sendPart(parts[i]);
    shownKnown = allTaken;
}
