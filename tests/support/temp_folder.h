// SPDX-License-Identifier: MIT
// A fresh folder under /tmp for one test, removed with everything in it.
#pragma once

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Folders in `name` are made as needed.
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;

private:
    std::string path_;
};

std::string readWholeFile(const std::string& path);
