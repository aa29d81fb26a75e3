// SPDX-License-Identifier: MIT
// A file a program keeps in a folder for others to read (the metrics for
// node_exporter, the state for the bridge): replaced whole each time, and
// removed from the folder it was last written to when the program stops.
#pragma once

#include <cstddef>

struct KeptFile {
    char name[64] = "";
    int folderFd = -1;  // where it was last written, held open to remove it there
};

// Makes folder/name hold `text`. False with errno set; the file last
// written stays where it is. (A caller that moves to another folder drops
// the file first.)
bool keepFile(KeptFile* file, const char* folder, const char* text, std::size_t length);

// Removes the file, if one was written.
void dropFile(KeptFile* file);
