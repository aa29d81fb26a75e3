// SPDX-License-Identifier: MIT
// Replacing and removing the files a setting asks for, below a folder the
// flavour opened (the real one on the Pi, the mapped one on hatsim).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>  // renameat
#include <cstring>

#include "platform/system_files.h"

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

bool writeAll(int fd, const char* text, std::size_t length)
{
    while (length > 0) {
        const ssize_t wrote = write(fd, text, length);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        text += wrote;
        length -= static_cast<std::size_t>(wrote);
    }
    return true;
}

// The temporary file, written, closed and renamed over `name`; on any
// failure it goes, and errno says why.
bool putInPlace(int folder, int fd, const char* temporary, const char* name, bool written)
{
    const bool closed = close(fd) == 0;
    if (written && closed && renameat(folder, temporary, folder, name) == 0) return true;
    const int saved = errno;
    unlinkat(folder, temporary, 0);
    errno = saved;
    return false;
}

}  // namespace

bool replaceOutputFile(int folder, const char* name, const char* text, std::size_t length)
{
    char temporary[256];
    if (!temporaryName(name, temporary, sizeof temporary)) {
        errno = ENAMETOOLONG;
        return false;
    }
    // A leftover of a run cut short, or anything planted there, goes first:
    // the new file is made afresh and never through a link.
    unlinkat(folder, temporary, 0);
    const int fd = openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = fchmod(fd, 0644) == 0 && writeAll(fd, text, length);  // whatever the umask
    return putInPlace(folder, fd, temporary, name, written);
}

bool replaceFileKeepingOwner(int folder, const char* name, const char* text, std::size_t length)
{
    char temporary[256];
    if (!temporaryName(name, temporary, sizeof temporary)) {
        errno = ENAMETOOLONG;
        return false;
    }
    struct stat before {};
    const bool existed = fstatat(folder, name, &before, AT_SYMLINK_NOFOLLOW) == 0;
    if (existed && !S_ISREG(before.st_mode)) {
        errno = EINVAL;
        return false;
    }
    unlinkat(folder, temporary, 0);
    const int fd = openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool written = writeAll(fd, text, length);
    if (written && existed) {
        // Another owner only where we may give it (as root); the mode always.
        if (fchown(fd, before.st_uid, before.st_gid) != 0 && errno != EPERM) written = false;
        if (written && fchmod(fd, before.st_mode & 07777) != 0) written = false;
    } else if (written) {
        written = fchmod(fd, 0644) == 0;
    }
    written = written && fsync(fd) == 0;
    return putInPlace(folder, fd, temporary, name, written);
}

bool removeOutputFile(int folder, const char* name)
{
    char temporary[256];
    if (temporaryName(name, temporary, sizeof temporary)) unlinkat(folder, temporary, 0);
    return unlinkat(folder, name, 0) == 0 || errno == ENOENT;
}
