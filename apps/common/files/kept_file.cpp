// SPDX-License-Identifier: MIT
#include "apps/common/files/kept_file.h"

#include <unistd.h>

#include <cerrno>

#include "platform/system_files.h"

bool keepFile(KeptFile* file, const char* folder, const char* text, std::size_t length)
{
    const int fd = openOutputFolder(folder);
    if (fd < 0) return false;
    if (!replaceOutputFile(fd, file->name, text, length)) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return false;
    }
    if (file->folderFd >= 0) close(file->folderFd);
    file->folderFd = fd;
    return true;
}

void dropFile(KeptFile* file)
{
    if (file->folderFd < 0) return;
    removeOutputFile(file->folderFd, file->name);
    close(file->folderFd);
    file->folderFd = -1;
}
