# Two commands set everything up on a fresh Debian 12 machine:
#   make run    install what is missing, build, start Ombrel
#   make test   install what is missing, build, run the whole test suite
BUILD_DIR ?= build
BUILD_TYPE ?= Release
COVERAGE_DIR ?= build-coverage
PREFIX ?= /usr/local
CMAKE_FLAGS ?=
# The coverage build is a second full build: let ccache share what it can.
CCACHE_FLAGS := $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps deps-sanitize configure build run test stress coverage bench screenshots install package \
        check-package sanitize fuzz clean

all: build

deps:
	@scripts/install-deps

deps-sanitize:
	@scripts/install-deps sanitize

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/src/app/ombrel

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

# The crash and load tests at full length: 5,000 kills of a saving process,
# a folder of 5,000 photos in the window.
stress: build
	cd $(BUILD_DIR) && OMBREL_STRESS_KILLS=5000 OMBREL_LOAD_PHOTOS=5000 \
	  ctest --output-on-failure -R 'CrashSafety|^load_test$$'

# The whole suite on an unoptimised build with gcc's coverage counters, then
# line and branch coverage of src/ (per file in $(COVERAGE_DIR)/coverage.txt and
# $(COVERAGE_DIR)/coverage/index.html). Branches that only throw or that the
# compiler added where no source path leads are not counted. The unoptimised
# build runs the window tests 10-20 times slower, so Qt Test's watchdog gets
# longer: a test it kills leaves no coverage data behind.
coverage: deps
	@cmake -S . -B $(COVERAGE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOMBREL_BUILD_BENCH=OFF $(CCACHE_FLAGS) \
	  -DCMAKE_C_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic -DOMBREL_TEST_SLOWDOWN=10" \
	  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage $(CMAKE_FLAGS) > /dev/null
	@cmake --build $(COVERAGE_DIR)
	@find $(COVERAGE_DIR) -name '*.gcda' -delete
	@(cd $(COVERAGE_DIR) && QTEST_FUNCTION_TIMEOUT=1800000 ctest --output-on-failure -j2 --timeout 3600); status=$$?; \
	  mkdir -p $(COVERAGE_DIR)/coverage && \
	  gcovr --root . --object-directory $(COVERAGE_DIR) -j 2 \
	    --exclude-directories '$(COVERAGE_DIR)/CMakeFiles/[0-9.]+' \
	    --filter 'src/' --exclude 'tests/' --exclude 'bench/' --exclude 'fuzz/' \
	    --exclude 'build[^/]*/' --exclude '.*_autogen/' \
	    --exclude-throw-branches --exclude-unreachable-branches --gcov-ignore-parse-errors \
	    --sort-percentage --txt $(COVERAGE_DIR)/coverage.txt \
	    --html-details $(COVERAGE_DIR)/coverage/index.html --print-summary || exit 1; \
	  echo "per file: $(COVERAGE_DIR)/coverage.txt, $(COVERAGE_DIR)/coverage/index.html"; \
	  exit $$status

bench: build
	@for b in $(BUILD_DIR)/bench/*_bench; do echo "== $$b"; $$b || exit 1; done

# Pictures of the window in its main states, under a virtual X server.
screenshots: build
	@mkdir -p $(BUILD_DIR)/screenshots
	xvfb-run -a -s "-screen 0 1600x1000x24" $(BUILD_DIR)/tools/screenshots/ombrel_screenshots $(BUILD_DIR)/screenshots
	xvfb-run -a -s "-screen 0 1600x1000x24" $(BUILD_DIR)/tools/screenshots/sidebar_shots $(BUILD_DIR)/screenshots

# Copies the programs, launcher, icons and manual pages under $(PREFIX),
# or under $(DESTDIR)$(PREFIX) when DESTDIR is set (for staging).
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# $(BUILD_DIR)/ombrel_VERSION_ARCH.deb, for apt-get install ./ombrel_*.deb
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Installs the .deb into a fresh Debian 12 chroot and starts both programs there
# (several minutes; needs root and the Debian mirror).
check-package: package
	scripts/check-package "$$(ls -t $(BUILD_DIR)/ombrel_*.deb | head -n 1)"

# One clang build with AddressSanitizer and UndefinedBehaviorSanitizer: the
# tests of the Qt-free code, the widget tests, and every fuzz target briefly.
sanitize: deps-sanitize
	@scripts/sanitize

# Every fuzz target for FUZZ_SECONDS each (default 600), in the same build.
fuzz: deps-sanitize
	@scripts/fuzz

clean:
	rm -rf $(BUILD_DIR)
