// SPDX-License-Identifier: MIT
// The event trace (HATSIM_TRACE): one line per event, stamped with the
// virtual time and flushed as written so a killed program loses nothing.
#pragma once

namespace hatsim {

// Opens (truncates) the trace file; false when it cannot be created.
bool openTrace(const char* path);
void closeTrace();
bool traceEnabled();

// Writes "<ms> <event>" and a line end.
void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
// One transaction on the bus: "write ADDR B1 B2" for two bytes, else
// "send ADDR B1 ... BN"; address < 0 prints "-" (no open link); " lost"
// when no device acknowledged.
void traceTransfer(int address, const unsigned char* bytes, int count, bool lost);
// A device model saw something a real device would not accept.
void traceWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace hatsim
