// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>  // renameat
#include <cstring>

#include "platform/system_files.h"

int openSystemFile(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }

int openOutputFolder(const char* path) { return open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

namespace {

// ".NAME.tmp": a name that readers of the folder skip (node_exporter reads
// *.prom). Built by hand, so that a signal handler may call it.
bool temporaryName(const char* name, char* out, std::size_t size)
{
    const std::size_t length = std::strlen(name);
    if (length + 6 > size) return false;
    out[0] = '.';
    std::memcpy(out + 1, name, length);
    std::memcpy(out + 1 + length, ".tmp", 5);
    return true;
}

}  // namespace

bool replaceOutputFile(int folder, const char* name, const char* text, std::size_t length)
{
    char temporary[256];
    if (!temporaryName(name, temporary, sizeof temporary)) {
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

bool removeOutputFile(int folder, const char* name)
{
    char temporary[256];
    if (temporaryName(name, temporary, sizeof temporary)) unlinkat(folder, temporary, 0);
    return unlinkat(folder, name, 0) == 0 || errno == ENOENT;
}
