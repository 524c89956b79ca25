# The commands of the README: `make run`, `make test` and `make bench`. All install missing Debian
# packages first (scripts/install-deps).
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build run test bench screenshot clean

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

# Prints the benchmarks' figures: the list click beside curl (32,766 and 100,000 jobs), the
# scanner's throughput and the traffic view's speed. Takes a few minutes.
bench: build
	$(BUILD)/bench/bench_listclick
	$(BUILD)/bench/bench_parse
	$(BUILD)/bench/bench_trafficview

# Re-takes docs/screenshot.png under Xvfb (installs Xvfb, xdotool and ImageMagick if missing).
screenshot: build
	scripts/install-deps --screenshot
	scripts/screenshot $(BUILD) docs/screenshot.png

clean:
	rm -rf $(BUILD)
