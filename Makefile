# Quick start: `make run` starts the tool, `make test` runs every test.
# Each target installs missing Debian packages and configures as needed.

JOBS      ?= 2
GENERATOR := -G Ninja
CMAKE     := cmake

BUILD      := build
BUILD_ASAN := build-asan
BUILD_TSAN := build-tsan
BUILD_REL  := build-release
BUILD_FUZZ := build-fuzz

# Seconds each fuzz target runs under `make fuzz`.
FUZZ_SECONDS ?= 600

# The lab (network namespaces) needs root; the window keeps the user's display.
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo --preserve-env=DISPLAY,WAYLAND_DISPLAY,XAUTHORITY,XDG_RUNTIME_DIR)

# Build trees belong to whoever owns the checkout: under `sudo make install`
# the Release tree is still built as that user, so no root-owned file is
# left in it (runuser, with the owner's HOME for the compiler cache).
OWNER_UID := $(shell stat -c %u .)
AS_OWNER  := $(shell [ "$$(id -u)" -eq 0 ] && [ "$(OWNER_UID)" -ne 0 ] && \
	echo runuser -u "$$(stat -c %U .)" -- env HOME="$$(getent passwd $(OWNER_UID) | cut -d: -f6)")

.PHONY: all deps build run test test-default test-asan test-tsan test-fuzz fuzz demo screenshots release package install bench clean

all: build

# `make test` prints how long each stage took (scripts/stage-time.sh).
STAGE_LOG ?=
STAGE      = scripts/stage-time.sh "$(STAGE_LOG)"

deps:
	@$(STAGE) "packages" scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	$(STAGE) "default: configure" $(CMAKE) -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug

$(BUILD_ASAN)/build.ninja: | deps
	$(STAGE) "asan: configure" $(CMAKE) -S . -B $(BUILD_ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DLORVENA_SANITIZE=address -DLORVENA_BUILD_GUI=OFF

$(BUILD_TSAN)/build.ninja: | deps
	$(STAGE) "tsan: configure" $(CMAKE) -S . -B $(BUILD_TSAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DLORVENA_SANITIZE=thread -DLORVENA_BUILD_GUI=OFF

$(BUILD_REL)/build.ninja: | deps
	$(STAGE) "release: configure" $(AS_OWNER) $(CMAKE) -S . -B $(BUILD_REL) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DLORVENA_BUILD_TESTS=OFF -DLORVENA_BUILD_GUI=ON

$(BUILD_FUZZ)/build.ninja: | deps
	$(STAGE) "fuzz: configure" $(CMAKE) -S . -B $(BUILD_FUZZ) $(GENERATOR) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLORVENA_FUZZ=ON -DLORVENA_BUILD_GUI=OFF -DLORVENA_BUILD_TESTS=OFF

build: deps $(BUILD)/build.ninja
	$(STAGE) "default: build" $(CMAKE) --build $(BUILD) -j$(JOBS)

# Starts the window. It searches only when asked to ("Wyszukaj" or Enter).
run: build
	$(BUILD)/src/app/lorvena

# Each stage's time is printed at the end, also when a stage failed.
test:
	@rm -f .stage-times
	@status=0; \
	$(MAKE) --no-print-directory STAGE_LOG=$(CURDIR)/.stage-times test-default test-asan test-tsan test-fuzz || status=$$?; \
	scripts/stage-time.sh --report .stage-times; \
	exit $$status

# The package test unpacks and runs the package of the Release tree: built
# here once, and only brought up to date afterwards.
test-default: build package
	cd $(BUILD) && $(CURDIR)/$(STAGE) "default: tests" ctest --output-on-failure -j$(JOBS)

# Core and tests under AddressSanitizer + UndefinedBehaviorSanitizer.
test-asan: deps $(BUILD_ASAN)/build.ninja
	$(STAGE) "asan: build" $(CMAKE) --build $(BUILD_ASAN) -j$(JOBS)
	cd $(BUILD_ASAN) && $(CURDIR)/$(STAGE) "asan: tests" ctest --output-on-failure -j$(JOBS) -LE no-sanitizer

# The threaded tests (receivers, queues, simulator) under ThreadSanitizer.
test-tsan: deps $(BUILD_TSAN)/build.ninja
	$(STAGE) "tsan: build" $(CMAKE) --build $(BUILD_TSAN) -j$(JOBS)
	cd $(BUILD_TSAN) && $(CURDIR)/$(STAGE) "tsan: tests" ctest --output-on-failure -j$(JOBS) -L threads

# Every reader of outside bytes under libFuzzer (clang, ASan+UBSan): the
# saved findings replayed, then a short run of each target.
test-fuzz: deps $(BUILD_FUZZ)/build.ninja
	$(STAGE) "fuzz: build" $(CMAKE) --build $(BUILD_FUZZ) -j$(JOBS) --target fuzz-all
	$(STAGE) "fuzz: replay and 20 s runs" fuzz/run_fuzzers.sh $(BUILD_FUZZ) 20

# The long run: each target for FUZZ_SECONDS.
fuzz: deps $(BUILD_FUZZ)/build.ninja
	$(CMAKE) --build $(BUILD_FUZZ) -j$(JOBS) --target fuzz-all
	fuzz/run_fuzzers.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

# The window inside a lab of simulated devices (the console search when
# there is no display).
demo: build
	$(SUDO) tests/lab/demo.sh $(BUILD) --window

# The README's pictures, rendered offscreen from a search in a private
# network namespace.
screenshots: build
	$(SUDO) $(BUILD)/tools/screenshots/lorvena-screenshots $(BUILD)/artwork/Skin tests/lab/demo-devices.json docs/screenshots

# The Release tree of the window, lorvena-cli, their manual pages and the
# rest of an installation; `make package` and `make install` use it.
release: deps $(BUILD_REL)/build.ninja
	$(STAGE) "release: build" $(AS_OWNER) $(CMAKE) --build $(BUILD_REL) -j$(JOBS) --target lorvena_installation

# The Debian package: $(BUILD_REL)/lorvena_VERSION_amd64.deb, its
# dependencies computed by dpkg-shlibdeps. `sudo apt install ./build-release/lorvena_*.deb`
# installs it.
package: release
	cd $(BUILD_REL) && $(CURDIR)/$(STAGE) "release: package" $(AS_OWNER) cpack -G DEB

# Installs the Release tree under PREFIX (default /usr/local): the window and
# its Skin in lib/lorvena with a link in bin, lorvena-cli, the manual pages,
# bash completion, the desktop entry, the icons and the metainfo. Nothing is
# built as root: the tree is built as the checkout's owner first.
PREFIX ?= /usr/local
install: release
	$(CMAKE) --install $(BUILD_REL) --prefix $(PREFIX)
	chown --reference=$(BUILD_REL) $(BUILD_REL)/install_manifest.txt

# One table of figures, medians of several runs (bench/run_bench.sh says
# which): searches of 1,000 and 10,000 simulated devices in a lab, the device
# list (Qt, offscreen), upload, start-up and memory, the credential check.
# The lab needs root. A release build of the window and the bench programs
# only (an older GUI-less build-release is switched to the GUI here).
bench: deps $(BUILD_REL)/build.ninja
	$(CMAKE) -S . -B $(BUILD_REL) -DLORVENA_BUILD_GUI=ON
	$(CMAKE) --build $(BUILD_REL) -j$(JOBS) --target lorvena_bench_programs
	$(SUDO) bench/run_bench.sh $(BUILD_REL)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_REL) $(BUILD_FUZZ)
