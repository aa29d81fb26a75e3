// SPDX-License-Identifier: MIT
// hatkit keys: every setting with its default, its readers and its help,
// from the settings table; --names and --values KEY for the completion.
#include <cstdio>
#include <string>

#include "apps/common/files/settings_table.h"
#include "apps/hatkit/owner_commands.h"

int listKeys(const std::vector<std::string>& args)
{
    if (args.size() == 1 && args[0] == "--names") {
        for (int i = 0; i < kSettingCount; ++i) std::puts(kSettingRows[i].name);
        return 0;
    }
    if (args.size() == 2 && args[0] == "--values") {
        const SettingRow* row = findSetting(args[1]);
        if (row == nullptr) return kExitRefused;
        std::string words = row->words;
        for (char& c : words) c = c == ' ' ? '\n' : c;
        if (!words.empty()) std::puts(words.c_str());
        return 0;
    }
    if (!args.empty()) return refuseUsage();
    for (int i = 0; i < kSettingCount; ++i) {
        const SettingRow& row = kSettingRows[i];
        std::string readers;
        for (int r = 0; r < kReaderCount; ++r) {
            if ((row.readers & (1u << r)) != 0) readers += std::string(readers.empty() ? "" : ", ") + kReaderNames[r];
        }
        std::printf("%s = %s\n    %s; read by %s\n", row.name, row.defaultValue[0] != '\0' ? row.defaultValue : "(unset)",
                    row.help, readers.c_str());
    }
    return 0;
}
