// SPDX-License-Identifier: MIT
// A platform for unit tests: records every bus call and pause, and serves
// the system files from a folder the test fills.
#pragma once

#include <string>
#include <vector>

struct BusWrite {
    int handle;
    int reg;
    int value;
    bool operator==(const BusWrite& other) const
    {
        return handle == other.handle && reg == other.reg && value == other.value;
    }
};

namespace recording {

// Block transfers, whole: the handle, then the bytes.
const std::vector<std::vector<int>>& blocks();
// From now on writes and blocks return -1 (not acknowledged), or 0 again.
void loseWrites(bool lose);

void reset();
const std::vector<BusWrite>& writes();
const std::vector<unsigned>& pauses();

// Writes `content` as ROOT+path (folders made); removes it with remove().
void putFile(const std::string& path, const std::string& content);
void removeFile(const std::string& path);
// Makes ROOT+path a folder, so opening works and reading fails.
void putFolder(const std::string& path);

}  // namespace recording
