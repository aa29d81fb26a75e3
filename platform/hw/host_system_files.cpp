// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include "platform/system_files.h"

int openSystemFile(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }

int watchFolder(int watcher, const char* path, uint32_t events)
{
    return inotify_add_watch(watcher, path, events | IN_ONLYDIR | IN_DONT_FOLLOW);
}

int openOutputFolder(const char* path) { return open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

bool stampSystemFile(const char* path, FileStamp* stamp)
{
    struct stat info {};
    if (stat(path, &info) != 0) return false;
    stamp->inode = static_cast<uint64_t>(info.st_ino);
    stamp->modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp->size = static_cast<int64_t>(info.st_size);
    return true;
}
