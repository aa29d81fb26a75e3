# SPDX-License-Identifier: MIT
# hatkit: wraps CMake. Every target first installs the Debian packages its
# role needs, when they are missing (scripts/install-deps).
BUILD ?= build
PROGRAM ?= sysglance
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DHATKIT_WERROR=ON
endif

.PHONY: all deps build test fuzz package package-check boot-check run bench install clean

all: build

deps:
	scripts/install-deps build

build:
	scripts/install-deps build
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

# Every test: the host build; the same tests under AddressSanitizer and
# UBSan (a build folder of their own); the Pi's armhf and arm64 builds under
# qemu (skipped on an ARM machine, where the host build is that build);
# short fuzzing runs.
test:
	scripts/install-deps test
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DHATKIT_REQUIRE_TESTS=ON"
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) build BUILD=$(BUILD)-sanitize CMAKE_FLAGS="$(CMAKE_FLAGS) -DHATKIT_SANITIZE=ON -DHATKIT_REQUIRE_TESTS=ON"
	cd $(BUILD)-sanitize && ctest --output-on-failure -j $(JOBS)
	scripts/cross armhf test $(BUILD)-armhf $(CMAKE_FLAGS) -DHATKIT_REQUIRE_TESTS=ON
	scripts/cross arm64 test $(BUILD)-arm64 $(CMAKE_FLAGS) -DHATKIT_REQUIRE_TESTS=ON
	scripts/fuzz 5 $(BUILD)-fuzz

# The Debian packages, armhf and arm64, in build-deb/, checked by lintian.
package:
	scripts/install-deps package
	scripts/package

# piuparts on both packages in fresh Debian 12 and 13 roots of both
# architectures, then the booted check below (root; slow).
package-check: package
	scripts/install-deps check
	scripts/install-deps boot
	scripts/package-check

# The package on arm64 Debian 12 and 13 and armhf Debian 13 machines that
# really boot (qemu-system), with the kernel's i2c-stub as the board and
# the panel; the checks are the package's autopkgtest (root; slow).
boot-check: package
	scripts/install-deps boot
	scripts/boot-check

fuzz:
	scripts/install-deps test
	scripts/fuzz 120 $(BUILD)-fuzz

run: build
	scripts/run-program $(PROGRAM) $(BUILD)

bench:
	scripts/install-deps test
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DHATKIT_BENCH=ON"
	scripts/bench $(BUILD)

install:
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-fuzz $(BUILD)-armhf $(BUILD)-arm64 build-deb build-deb-*
