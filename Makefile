# Quick start: `make run` starts the tool, `make test` runs every test.
# Each target installs missing Debian packages and configures as needed.

JOBS      ?= 2
GENERATOR := -G Ninja
CMAKE     := cmake

BUILD      := build
BUILD_ASAN := build-asan
BUILD_TSAN := build-tsan
BUILD_REL  := build-release

# The lab (network namespaces) needs root.
SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps build run test test-default test-asan test-tsan demo bench clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	$(CMAKE) -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug

$(BUILD_ASAN)/build.ninja: | deps
	$(CMAKE) -S . -B $(BUILD_ASAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DLORVENA_SANITIZE=address -DLORVENA_BUILD_GUI=OFF

$(BUILD_TSAN)/build.ninja: | deps
	$(CMAKE) -S . -B $(BUILD_TSAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DLORVENA_SANITIZE=thread -DLORVENA_BUILD_GUI=OFF

$(BUILD_REL)/build.ninja: | deps
	$(CMAKE) -S . -B $(BUILD_REL) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DLORVENA_BUILD_TESTS=OFF -DLORVENA_BUILD_GUI=OFF

build: deps $(BUILD)/build.ninja
	$(CMAKE) --build $(BUILD) -j$(JOBS)

# Until the window exists, `run` shows the command-line help. It never
# searches: a search broadcasts, and that belongs inside the lab (make demo).
run: build
	$(BUILD)/src/lorvena-cli help

test: test-default test-asan test-tsan

test-default: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Core and tests under AddressSanitizer + UndefinedBehaviorSanitizer.
test-asan: deps $(BUILD_ASAN)/build.ninja
	$(CMAKE) --build $(BUILD_ASAN) -j$(JOBS)
	cd $(BUILD_ASAN) && ctest --output-on-failure -j$(JOBS) -LE no-sanitizer

# The threaded tests (receivers, queues, simulator) under ThreadSanitizer.
test-tsan: deps $(BUILD_TSAN)/build.ninja
	$(CMAKE) --build $(BUILD_TSAN) -j$(JOBS)
	cd $(BUILD_TSAN) && ctest --output-on-failure -j$(JOBS) -L threads

demo: build
	$(SUDO) tests/lab/demo.sh $(BUILD)

bench: deps $(BUILD_REL)/build.ninja
	$(CMAKE) --build $(BUILD_REL) -j$(JOBS)
	$(SUDO) bench/search_bench.sh $(BUILD_REL)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_REL)
