// SPDX-License-Identifier: MIT
// Text for the files a program keeps (metrics, state), printed into a
// fixed buffer: no allocation however often it is written.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Appends to a fixed buffer; ok turns false once something does not fit.
struct TextOut {
    char* at;
    std::size_t left;
    bool ok = true;

    __attribute__((format(printf, 2, 3))) void add(const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(at, left, format, args);
        va_end(args);
        if (n < 0 || static_cast<std::size_t>(n) >= left) {
            ok = false;
            left = 0;
            return;
        }
        at += n;
        left -= static_cast<std::size_t>(n);
    }

    void family(const char* name, const char* type, const char* help)
    {
        add("# HELP %s %s\n# TYPE %s %s\n", name, help, name, type);
    }
};
