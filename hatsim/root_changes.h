// SPDX-License-Identifier: MIT
// Changing files and folders below a folder without ever leaving it: every
// step is taken relative to an open folder, and no symbolic link is
// followed, so a link planted under the root cannot redirect a change to
// somewhere else.
#pragma once

#include <cstddef>

namespace hatsim {

// The folder that holds `path`'s last component, below the folder `top`
// (a descriptor); `path` is absolute ("/a/b/c"), with non-empty components.
// Missing folders are made when `create`. Returns a descriptor the caller
// closes, or -1 with errno set; *name points at the last component.
int openParentBelow(int top, const char* path, bool create, const char** name);

// Removes `name` in folder `parent`: a file or link itself, or a folder with
// everything in it. A missing name is not an error.
bool removeEntryAt(int parent, const char* name);

// Makes `name` in `parent` a file holding `text`, as the platform replaces
// a program's output files (written beside it and renamed over it, so a
// reader sees the old content or the new); a link or folder there is
// replaced, not followed.
bool replaceFileAt(int parent, const char* name, const char* text, std::size_t length);

}  // namespace hatsim
