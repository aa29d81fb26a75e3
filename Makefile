# hatkit: wraps CMake. `make test` and `make run` first install any missing
# Debian packages (scripts/install-deps).
BUILD ?= build
PROGRAM ?= sysglance
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DHATKIT_WERROR=ON
endif

.PHONY: all deps build test fuzz package run bench install clean

all: build

deps:
	scripts/install-deps

build:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

# Every test: the host build; the same tests under AddressSanitizer and
# UBSan (a build folder of their own); the Pi's armhf build under qemu-arm
# (skipped on a Pi, where the host build is that build); short fuzzing runs.
test: deps
	$(MAKE) build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) build BUILD=$(BUILD)-sanitize CMAKE_FLAGS="$(CMAKE_FLAGS) -DHATKIT_SANITIZE=ON"
	cd $(BUILD)-sanitize && ctest --output-on-failure -j $(JOBS)
	scripts/armhf test $(BUILD)-armhf $(CMAKE_FLAGS)
	scripts/fuzz 5 $(BUILD)-fuzz

# The armhf .deb of the programs and the systemd units.
package: deps
	scripts/armhf package $(BUILD)-armhf $(CMAKE_FLAGS)

fuzz: deps
	scripts/fuzz 120 $(BUILD)-fuzz

run: deps
	$(MAKE) build
	scripts/run-program $(PROGRAM) $(BUILD)

bench: deps
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DHATKIT_BENCH=ON"
	scripts/bench $(BUILD)

install:
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-sanitize $(BUILD)-fuzz $(BUILD)-armhf
