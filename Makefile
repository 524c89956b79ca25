# The two commands of the README: `make run` and `make test`. Both install missing Debian
# packages first (scripts/install-deps).
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all deps build run test screenshot fuzz clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# Starts the tracking-server simulator in the background and opens the program against it.
run: build
	TRACKING_SIM=$(BUILD)/tools/tracking-sim/tracking-sim scripts/run-with-sim $(BUILD)/src/talus-test-app

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Re-takes docs/screenshot.png under Xvfb (installs Xvfb, xdotool and ImageMagick if missing).
screenshot: build
	scripts/install-deps --screenshot
	scripts/screenshot $(BUILD) docs/screenshot.png

# Runs every fuzz target for FUZZ_SECONDS in a clang build of its own (build-fuzz).
fuzz:
	scripts/install-deps --fuzz
	scripts/run-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
