// SPDX-License-Identifier: MIT
#include "hatsim/trace.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

#include "hatsim/clock.h"

namespace hatsim {

namespace {

FILE* traceFile = nullptr;

__attribute__((format(printf, 2, 0))) void writeLine(const char* prefix, const char* format, va_list args)
{
    if (traceFile == nullptr) return;
    std::fprintf(traceFile, "%" PRId64 " %s", virtualNowMs(), prefix);
    std::vfprintf(traceFile, format, args);
    std::fputc('\n', traceFile);
    std::fflush(traceFile);
}

}  // namespace

bool openTrace(const char* path)
{
    closeTrace();
    traceFile = std::fopen(path, "we");
    return traceFile != nullptr;
}

void closeTrace()
{
    if (traceFile != nullptr) std::fclose(traceFile);
    traceFile = nullptr;
}

bool traceEnabled() { return traceFile != nullptr; }

void trace(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine("", format, args);
    va_end(args);
}

void traceTransfer(int address, const unsigned char* bytes, int count, bool lost)
{
    if (traceFile == nullptr) return;
    std::fprintf(traceFile, "%" PRId64 " %s ", virtualNowMs(), count == 2 ? "write" : "send");
    if (address < 0) {
        std::fputc('-', traceFile);
    } else {
        std::fprintf(traceFile, "0x%02x", static_cast<unsigned>(address));
    }
    for (int i = 0; i < count; ++i) std::fprintf(traceFile, " 0x%02x", static_cast<unsigned>(bytes[i]));
    std::fputs(lost ? " lost\n" : "\n", traceFile);
    std::fflush(traceFile);
}

void traceWarning(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine("warn ", format, args);
    va_end(args);
}

}  // namespace hatsim
