# SPDX-License-Identifier: MIT
# What the Pi's cross toolchain files share: a Debian host's cross compiler
# for HATKIT_CROSS_TRIPLET, the target's libraries installed as multiarch
# packages, and qemu (HATKIT_CROSS_QEMU) to run what was built.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${HATKIT_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${HATKIT_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${HATKIT_CROSS_TRIPLET})
set(CMAKE_CROSSCOMPILING_EMULATOR ${HATKIT_CROSS_QEMU} -L /usr/${HATKIT_CROSS_TRIPLET})
# Libraries and packages of the target only; programs of the host.
set(CMAKE_FIND_ROOT_PATH /usr/${HATKIT_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu/cmake)
