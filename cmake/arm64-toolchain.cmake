# SPDX-License-Identifier: MIT
# Cross-build for the Raspberry Pi's 64-bit ARM system (arm64, the default on
# the Pi 3, 4, 5 and Zero 2 W) on a Debian host: g++-aarch64-linux-gnu,
# libi2c-dev:arm64 and libpng-dev:arm64, and qemu-aarch64 to run what was built.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(HATKIT_CROSS_TRIPLET aarch64-linux-gnu)
set(HATKIT_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
