// Opening the kernel's files under /sys and /proc, and /etc/hatkit.conf.
// hatsim maps them into a virtual root; on the Pi they are the real files.
#pragma once

// Opens path read-only (close-on-exec). Returns a descriptor, or -1.
int openSystemFile(const char* path);
