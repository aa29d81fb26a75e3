// SPDX-License-Identifier: MIT
// Opening the kernel's files under /sys and /proc, and /etc/hatkit.conf;
// writing the files a setting asks for (the metrics). hatsim maps them into
// a virtual root; on the Pi they are the real files. Both flavours replace
// and remove files in the folder they opened the same way.
#pragma once

#include <cstddef>

// Opens path read-only (close-on-exec). Returns a descriptor, or -1.
int openSystemFile(const char* path);

// Opens a folder that a setting names (an absolute path), to write files
// in: a descriptor, or -1 with errno set. On hatsim the folder is ROOT+path,
// reached without following a symbolic link.
int openOutputFolder(const char* path);

// Makes `name` in that folder a file holding `text`, readable by everyone
// (0644): written beside it and renamed over it, so that a reader sees the
// old content or the new, never a part. False with errno set.
bool replaceOutputFile(int folder, const char* name, const char* text, std::size_t length);

// Removes `name` from that folder, and the temporary file of a replacement
// cut short (gone already is fine). Async-signal-safe.
bool removeOutputFile(int folder, const char* name);
