// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/system_files.h"

int openSystemFile(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }

int openOutputFolder(const char* path) { return open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

bool replaceOutputFile(int folder, const char* name, const char* text, std::size_t length)
{
    // A name that readers of the folder skip (node_exporter reads *.prom).
    char temporary[256];
    const int made = std::snprintf(temporary, sizeof temporary, ".%s.tmp", name);
    if (made < 0 || static_cast<std::size_t>(made) >= sizeof temporary) {
        errno = ENAMETOOLONG;
        return false;
    }
    const int fd = openat(folder, temporary, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = fchmod(fd, 0644) == 0;  // whatever the umask
    for (std::size_t done = 0; ok && done < length;) {
        const ssize_t wrote = write(fd, text + done, length - done);
        if (wrote < 0 && errno == EINTR) continue;
        ok = wrote > 0;
        if (ok) done += static_cast<std::size_t>(wrote);
    }
    ok = close(fd) == 0 && ok;
    if (!ok || renameat(folder, temporary, folder, name) != 0) {
        const int saved = errno;
        unlinkat(folder, temporary, 0);
        errno = saved;
        return false;
    }
    return true;
}

bool removeOutputFile(int folder, const char* name) { return unlinkat(folder, name, 0) == 0 || errno == ENOENT; }
