# hatkit: wraps CMake. `make test` and `make run` first install any missing
# Debian packages (scripts/install-deps).
BUILD ?= build
PROGRAM ?= sysglance
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DHATKIT_WERROR=ON
endif

.PHONY: all deps build test run bench install clean

all: build

deps:
	scripts/install-deps

build:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

test: deps
	$(MAKE) build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: deps
	$(MAKE) build
	scripts/run-program $(PROGRAM) $(BUILD)

bench: deps
	$(MAKE) build CMAKE_FLAGS="$(CMAKE_FLAGS) -DHATKIT_BENCH=ON"
	scripts/bench $(BUILD)

install:
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD)
