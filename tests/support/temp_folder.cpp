// SPDX-License-Identifier: MIT
#include "tests/support/temp_folder.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }
}  // namespace

TempFolder::TempFolder()
{
    char pattern[] = "/tmp/hatkit-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) std::abort();
    path_ = made;
}

TempFolder::~TempFolder() { nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS); }

void TempFolder::write(const std::string& name, const std::string& content) const
{
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        mkdir(file(name.substr(0, slash)).c_str(), 0755);
    }
    std::ofstream(file(name), std::ios::binary | std::ios::trunc) << content;
}

std::string TempFolder::read(const std::string& name) const { return readWholeFile(file(name)); }

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
