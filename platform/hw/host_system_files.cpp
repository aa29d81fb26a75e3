// SPDX-License-Identifier: MIT
#include <fcntl.h>

#include "platform/system_files.h"

int openSystemFile(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }

int openOutputFolder(const char* path) { return open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }
