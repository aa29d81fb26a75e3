// SPDX-License-Identifier: MIT
// Every key of /etc/hatkit.conf, described once: who reads it, what it
// takes, its default and one line of help. The parser, `hatkit set` (its
// checks and the units it reloads), `hatkit keys` and the shell completion
// read this table; the manual and the shipped file are checked against it.
#pragma once

#include <string>

struct HatkitSettings;

// The programs, as readers of the settings. A program is given only the
// keys it reads; the others are checked and left at their defaults.
enum SettingReader : unsigned {
    kReadBySysglance = 1u << 0,
    kReadByAirguard = 1u << 1,
    kReadByHeatglow = 1u << 2,
    kReadByLampshow = 1u << 3,
    kReadByBridge = 1u << 4,
};
constexpr unsigned kReadByAll = 0x1f;
constexpr int kReaderCount = 5;
// The programs' names, bit by bit: "sysglance" … "hatkit-mqtt".
extern const char* const kReaderNames[kReaderCount];

struct SettingRow {
    const char* name;
    unsigned readers;
    // The default as a value of the file, "" where the default is no value
    // (the program's own behaviour; `help` says which).
    const char* defaultValue;
    // What it takes, for messages: "KEY must be EXPECTS, not 'VALUE'".
    const char* expects;
    // The words it takes, for completion ("" when free text; "FILE" and
    // "FOLDER" for paths).
    const char* words;
    const char* help;
    // Into *settings; false when refused, with *why only where the reason
    // is more precise than `expects`.
    bool (*parse)(const std::string& value, HatkitSettings* settings, std::string* why);
};

extern const SettingRow kSettingRows[];
extern const int kSettingCount;

// The row of a key, or null.
const SettingRow* findSetting(const std::string& name);

// The known name nearest to a misspelt one (at most two edits away), or "".
std::string nearestName(const std::string& name, const char* const* names, int count);
std::string nearestSetting(const std::string& name);
