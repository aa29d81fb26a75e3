// SPDX-License-Identifier: MIT
#include "hatsim/root_changes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/system_files.h"

namespace hatsim {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

void closeKeepingErrno(int fd)
{
    const int saved = errno;
    close(fd);
    errno = saved;
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
    return replaceOutputFile(parent, name, text, length);
}

}  // namespace hatsim
