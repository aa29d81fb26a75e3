// The local time of day, for settings that follow the clock (quiet hours).
// On hatsim it is HATSIM_CLOCK moved on by the virtual clock.
#pragma once

// Seconds after local midnight, 0 to 86399.
int localSecondsOfDay();
