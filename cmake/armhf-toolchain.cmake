# SPDX-License-Identifier: MIT
# Cross-build for the Raspberry Pi's 32-bit ARM hard-float ABI on a Debian
# host: g++-arm-linux-gnueabihf, libi2c-dev:armhf and libpng-dev:armhf, and
# qemu-arm to run what was built.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(HATKIT_CROSS_TRIPLET arm-linux-gnueabihf)
set(HATKIT_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")  # quiet the note on a GCC 7.1 ABI change that does not concern us
