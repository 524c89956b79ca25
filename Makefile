# The two commands of the README: `make run` and `make test`. Both install missing Debian
# packages first (scripts/install-deps).
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test screenshot clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# Starts the tracking-server simulator in the background and opens a copy of the program in
# $(BUILD)/demo, whose settings file names the simulator, against it.
run: build
	TRACKING_SIM=$(BUILD)/tools/tracking-sim/tracking-sim DEMO_DIR=$(BUILD)/demo \
		scripts/run-with-sim $(BUILD)/src/talus-test-app

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Re-takes docs/screenshot.png under Xvfb (installs Xvfb, xdotool and ImageMagick if missing).
screenshot: build
	scripts/install-deps --screenshot
	scripts/screenshot $(BUILD) docs/screenshot.png

clean:
	rm -rf $(BUILD)
