// SPDX-License-Identifier: MIT
#include "hatsim/root_changes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace hatsim {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

void closeKeepingErrno(int fd)
{
    const int saved = errno;
    close(fd);
    errno = saved;
}

bool writeAll(int fd, const char* text, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = write(fd, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

// Empties the folder open as `folder` (closed here), depth first.
bool emptyFolder(int folder)
{
    DIR* listing = fdopendir(folder);
    if (listing == nullptr) {
        closeKeepingErrno(folder);
        return false;
    }
    bool ok = true;
    // Entries are removed while listed; list again until nothing is left,
    // since removing during a listing may skip entries.
    for (bool removedSome = true; ok && removedSome;) {
        removedSome = false;
        rewinddir(listing);
        while (const dirent* entry = readdir(listing)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
            if (!removeEntryAt(dirfd(listing), entry->d_name)) {
                ok = false;
                break;
            }
            removedSome = true;
        }
    }
    const int saved = errno;
    closedir(listing);
    errno = saved;
    return ok;
}

}  // namespace

const char* temporaryFileName()
{
    // One name a process: its own changes never overlap.
    static char name[32] = "";
    if (name[0] == '\0') std::snprintf(name, sizeof name, ".hatsim-%ld.tmp", static_cast<long>(getpid()));
    return name;
}

int openParentBelow(int top, const char* path, bool create, const char** name)
{
    if (path[0] != '/') {
        errno = EINVAL;
        return -1;
    }
    int folder = fcntl(top, F_DUPFD_CLOEXEC, 0);
    if (folder < 0) return -1;
    const char* component = path + 1;
    for (const char* slash = std::strchr(component, '/'); slash != nullptr; slash = std::strchr(component, '/')) {
        char part[NAME_MAX + 1];
        const std::size_t length = static_cast<std::size_t>(slash - component);
        if (length == 0 || length > NAME_MAX) {
            closeKeepingErrno(folder);
            errno = length == 0 ? EINVAL : ENAMETOOLONG;
            return -1;
        }
        std::memcpy(part, component, length);
        part[length] = '\0';
        if (create && mkdirat(folder, part, 0755) != 0 && errno != EEXIST) {
            closeKeepingErrno(folder);
            return -1;
        }
        // O_NOFOLLOW: a link in place of a folder is refused (ELOOP).
        const int next = openat(folder, part, kFolderFlags);
        closeKeepingErrno(folder);
        if (next < 0) return -1;
        folder = next;
        component = slash + 1;
    }
    if (*component == '\0' || std::strlen(component) > NAME_MAX) {
        closeKeepingErrno(folder);
        errno = *component == '\0' ? EINVAL : ENAMETOOLONG;
        return -1;
    }
    *name = component;
    return folder;
}

bool removeEntryAt(int parent, const char* name)
{
    struct stat info {};
    if (fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    if (!S_ISDIR(info.st_mode)) return unlinkat(parent, name, 0) == 0 || errno == ENOENT;
    const int folder = openat(parent, name, kFolderFlags);
    if (folder < 0) return false;
    if (!emptyFolder(folder)) return false;
    return unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

bool replaceFileAt(int parent, const char* name, const char* text, std::size_t length)
{
    struct stat info {};
    // rename() cannot put a file over a folder: the folder goes first.
    if (fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode) &&
        !removeEntryAt(parent, name)) {
        return false;
    }
    const char* temporary = temporaryFileName();
    unlinkat(parent, temporary, 0);  // left over from an earlier run that was killed
    const int fd = openat(parent, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = fchmod(fd, 0644) == 0 && writeAll(fd, text, length);  // whatever the umask
    const bool closed = close(fd) == 0;
    if (!written || !closed || renameat(parent, temporary, parent, name) != 0) {
        const int saved = errno;
        unlinkat(parent, temporary, 0);
        errno = saved;
        return false;
    }
    return true;
}

}  // namespace hatsim
