// SPDX-License-Identifier: MIT
#include "tests/support/recording_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/bus_transfer.h"
#include "platform/system_files.h"
#include "platform/wiring.h"

namespace {

std::vector<BusWrite> recordedWrites;
std::vector<unsigned> recordedPauses;
std::vector<std::vector<int>> recordedBlocks;
int writeResult = 0;

const std::string& root()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/hatkit-unit-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made != nullptr ? made : "/tmp");
    }();
    return folder;
}

void makeParents(const std::string& full)
{
    for (std::size_t slash = full.find('/', 1); slash != std::string::npos; slash = full.find('/', slash + 1)) {
        mkdir(full.substr(0, slash).c_str(), 0755);
    }
}

}  // namespace

namespace recording {

void reset()
{
    recordedWrites.clear();
    recordedPauses.clear();
    recordedBlocks.clear();
    writeResult = 0;
}

const std::vector<std::vector<int>>& blocks() { return recordedBlocks; }
void loseWrites(bool lose) { writeResult = lose ? -1 : 0; }

const std::vector<BusWrite>& writes() { return recordedWrites; }
const std::vector<unsigned>& pauses() { return recordedPauses; }

void putFile(const std::string& path, const std::string& content)
{
    const std::string full = root() + path;
    makeParents(full);
    rmdir(full.c_str());
    std::ofstream(full, std::ios::binary | std::ios::trunc) << content;
}

void removeFile(const std::string& path)
{
    const std::string full = root() + path;
    if (unlink(full.c_str()) != 0) rmdir(full.c_str());
}

void putFolder(const std::string& path)
{
    const std::string full = root() + path;
    makeParents(full);
    unlink(full.c_str());
    mkdir(full.c_str(), 0755);
}

}  // namespace recording

extern "C" int wiringPiSetup(void) { return 0; }
extern "C" int wiringPiI2CSetup(const int devId) { return devId; }
extern "C" int wiringPiI2CWriteReg8(int fd, int reg, int data)
{
    recordedWrites.push_back({fd, reg, data});
    return writeResult;
}
int i2cWriteBlock(int fd, const uint8_t* bytes, int count)
{
    std::vector<int> block = {fd};
    block.insert(block.end(), bytes, bytes + count);
    recordedBlocks.push_back(block);
    return writeResult;
}
extern "C" void delay(unsigned int howLong) { recordedPauses.push_back(howLong); }

int openSystemFile(const char* path) { return open((root() + path).c_str(), O_RDONLY | O_CLOEXEC); }

bool stampSystemFile(const char* path, FileStamp* stamp)
{
    struct stat info {};
    if (stat((root() + path).c_str(), &info) != 0) return false;
    *stamp = {static_cast<uint64_t>(info.st_ino), static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
              static_cast<int64_t>(info.st_size)};
    return true;
}

int openOutputFolder(const char* path) { return open((root() + path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

