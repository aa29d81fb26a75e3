// The SSD1306 OLED controller at 0x3C behind a 128 x 32 module.
#pragma once

namespace hatsim {

constexpr int kPanelAddress = 0x3C;

// One write-byte-data transaction: control byte, then the value.
void panelWrite(int control, int value);

}  // namespace hatsim
