# Set-up on a fresh Debian machine: `make run` opens the window, `make test` runs every test.
# Both install the Debian packages that are missing first (apt-get as root, sudo otherwise).

PACKAGES := cmake ninja-build g++ qt6-base-dev libgtest-dev libgmock-dev libcli11-dev \
            libtomlplusplus-dev libbenchmark-dev libgit2-dev pkgconf fonts-liberation sdcc sdcc-ucsim \
            help2man man-db dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin \
            sigrok-cli python3 libsigrokcxx-dev libglibmm-2.4-dev gtkwave
BUILD    := build
ASAN     := build-sanitize
BENCH    := build-bench
SUDO     := $(if $(filter 0,$(shell id -u)),,sudo)
# Line tables only (-g1): enough for backtraces and sanitizer reports, and full debug information
# took about a third of the compile time. Configure a build of your own for a debugger.
CONFIGURE = cmake -S . -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
DEBUG_INFO = -g1 -DNDEBUG

.PHONY: deps build run test test-sanitize bench fuzz-check screenshots install package clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	$(CONFIGURE) -B $(BUILD) -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 $(DEBUG_INFO)"
	cmake --build $(BUILD)

run: build
	$(BUILD)/ui/kitbuilder

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

# The tests of everything below the window under AddressSanitizer and UndefinedBehaviorSanitizer;
# CI runs this too. -O1, as the sanitizers advise: instrumented code at -O2 takes about twice as
# long to compile. The window, a thin front end over the rooms tested here, is left out of this
# second build to keep CI within its time; its tests run in the plain build.
test-sanitize: deps
	$(CONFIGURE) -B $(ASAN) -DKITBUILDER_SANITIZE=ON -DKITBUILDER_BENCH=OFF -DKITBUILDER_GUI=OFF \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 $(DEBUG_INFO)"
	cmake --build $(ASAN)
	cd $(ASAN) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

bench: deps
	cmake -S . -G Ninja -B $(BENCH) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH) --target engine_benchmarks check_speed kitbuilder-cli
	$(BENCH)/bench/engine_benchmarks
	$(BENCH)/bin/check_speed $(BENCH)/cli/kitbuilder-cli
	python3 bench/capture_speed.py $(BENCH)/cli/kitbuilder-cli $(BENCH)/capture-speed

# Random edits of generated main.c files, each checked with --check --firmware: every run must end
# with a report (or SDCC's refusal). Faults are kept with their seed in $(BUILD)/fuzz-check;
# `make fuzz-check SEED=n RUNS=1` repeats run n.
RUNS ?= 300
SEED ?= 1
fuzz-check: build
	python3 bench/fuzz_check.py --cli $(BUILD)/cli/kitbuilder-cli --runs $(RUNS) --seed $(SEED) \
	  --out $(BUILD)/fuzz-check

screenshots: build
	cmake --build $(BUILD) --target screenshots

install: build
	cmake --install $(BUILD)

# The Debian package build/kitbuilder_<version>_<arch>.deb, made from the build above (-O2 as
# Debian builds; CPack strips the binaries and installs into /usr).
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(ASAN) $(BENCH)
