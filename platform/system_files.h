// SPDX-License-Identifier: MIT
// Opening the kernel's files under /sys and /proc, and /etc/hatkit.conf;
// writing the files a setting asks for (the metrics). hatsim maps them into
// a virtual root; on the Pi they are the real files. Both flavours replace
// and remove files in the folder they opened the same way.
#pragma once

#include <cstddef>
#include <cstdint>

// Opens path read-only (close-on-exec). Returns a descriptor, or -1. On
// hatsim every absolute path is ROOT+path; those outside /sys, /proc and
// /etc/hatkit.conf (the files under /run, a password file) are reached
// without following a symbolic link.
int openSystemFile(const char* path);

// What tells one version of a file from the next: a replaced file has a new
// inode, a rewritten one a new time or size.
struct FileStamp {
    uint64_t inode = 0;
    int64_t modifiedNs = 0;
    int64_t size = 0;
    bool operator==(const FileStamp& other) const
    {
        return inode == other.inode && modifiedNs == other.modifiedNs && size == other.size;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The stamp of the file openSystemFile would open; false with errno set
// when there is none. One system call: cheap enough for every pass.
bool stampSystemFile(const char* path, FileStamp* stamp);

// Adds a watch on the folder at `path` to the inotify instance `watcher`
// (inotify_add_watch; the folder itself, not a symbolic link to one): a
// watch descriptor, or -1 with errno set. On hatsim the folder is
// ROOT+path, reached without following a symbolic link.
int watchFolder(int watcher, const char* path, uint32_t events);

// Opens a folder that a setting names (an absolute path), to write files
// in: a descriptor, or -1 with errno set. On hatsim the folder is ROOT+path,
// reached without following a symbolic link.
int openOutputFolder(const char* path);

// Makes `name` in that folder a file holding `text`, readable by everyone
// (0644): written beside it and renamed over it, so that a reader sees the
// old content or the new, never a part. False with errno set.
bool replaceOutputFile(int folder, const char* name, const char* text, std::size_t length);

// The same for a file that is there already, keeping its owner and mode
// (the owner only where the caller may give it). False with errno set.
bool replaceFileKeepingOwner(int folder, const char* name, const char* text, std::size_t length);

// Removes `name` from that folder, and the temporary file of a replacement
// cut short (gone already is fine). Async-signal-safe.
bool removeOutputFile(int folder, const char* name);
