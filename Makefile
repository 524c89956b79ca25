# The two commands of the README: `make run` and `make test`. Both install missing Debian
# packages first (scripts/install-deps); `make` and `make build` only build, so that a rebuild
# does not ask dpkg about every package each time.
BUILD ?= build
JOBS ?= $(shell nproc)
# Extra options for the configure step of `make build`, such as CMAKE_ARGS=-DTALUS_WERROR=ON
# (what .ci/run passes); none by default.
CMAKE_ARGS ?=
FUZZ_SECONDS ?= 60

.PHONY: all deps build run test bench fuzz mutate screenshot clean

all: build

deps:
	scripts/install-deps

build:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

# Starts the tracking-server simulator in the background and opens a copy of the program in
# $(BUILD)/demo, whose settings file names the simulator, against it. Builds only those two
# targets, not the tests and benchmarks: a fresh clone's first window comes minutes sooner.
run: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target talus-test-app tracking-sim
	TRACKING_SIM=$(BUILD)/tools/tracking-sim/tracking-sim DEMO_DIR=$(BUILD)/demo \
		scripts/run-with-sim $(BUILD)/src/talus-test-app

test: deps
	$(MAKE) build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Prints the benchmarks' figures, each with its goal and "ok" or "missed": the list click
# beside curl against nginx and the simulator (32,766 and 100,000 jobs, five lists in a row in
# one window, offscreen and on the X platform under Xvfb), the start-up beside a hello-world
# label, the scanner's throughput, the traffic view's speed and the command-line client's list
# beside curl against nginx. Takes a few minutes.
# BENCH_MILLION=1 adds the 1,000,000-job list from nginx (a few seconds a list, about 3 GB).
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"
BENCH_LIST_ARGS := $(if $(BENCH_MILLION),--million)

bench:
	scripts/install-deps --bench
	$(MAKE) build
	$(BUILD)/bench/bench_listclick $(BENCH_LIST_ARGS)
	QT_QPA_PLATFORM=xcb $(XVFB) $(BUILD)/bench/bench_listclick $(BENCH_LIST_ARGS)
	$(XVFB) $(BUILD)/bench/bench_startup
	$(BUILD)/bench/bench_parse
	$(BUILD)/bench/bench_trafficview
	$(BUILD)/bench/bench_cli
	$(BUILD)/bench/bench_findsave

# Re-takes docs/screenshot.png and docs/marks.png under Xvfb (installs Xvfb, xdotool and
# ImageMagick if missing).
screenshot:
	scripts/install-deps --screenshot
	$(MAKE) build
	scripts/screenshot $(BUILD) docs/screenshot.png
	scripts/screenshot $(BUILD) docs/marks.png marks

# Runs every fuzz target for FUZZ_SECONDS in a clang build of its own (build-fuzz).
fuzz:
	scripts/install-deps --fuzz
	scripts/run-fuzz $(FUZZ_SECONDS)

# Puts each one-line fault of tests/mutants.txt into the tree in turn and runs the suite in a
# build of its own (build-mutate); every fault must make a test fail. MUTANT=PATTERN runs only
# the entries whose rule or file it matches. Takes 10 to 20 s a fault on two cores.
mutate:
	scripts/install-deps --mutate
	scripts/mutate $(MUTANT)

clean:
	rm -rf $(BUILD)
