# Two commands set everything up on a fresh Debian 12 machine:
#   make run    install what is missing, build, start Ombrel
#   make test   install what is missing, build, run the whole test suite
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench screenshots clean fuzz

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/src/app/ombrel

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

bench: build
	@for b in $(BUILD_DIR)/bench/*_bench; do echo "== $$b"; $$b || exit 1; done

# Pictures of the window in its main states, under a virtual X server.
screenshots: build
	@mkdir -p $(BUILD_DIR)/screenshots
	xvfb-run -a -s "-screen 0 1600x1000x24" $(BUILD_DIR)/tests/ui/ombrel_screenshots $(BUILD_DIR)/screenshots
	xvfb-run -a -s "-screen 0 1600x1000x24" $(BUILD_DIR)/tests/ui/shots/sidebar_shots $(BUILD_DIR)/screenshots

# Every fuzz target for FUZZ_SECONDS each (default 600), built with clang.
fuzz: deps
	@scripts/fuzz

clean:
	rm -rf $(BUILD_DIR)
