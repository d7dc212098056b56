# The project's commands; see README.md.
BUILD := build
ASAN_BUILD := build-asan
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
export ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=1:suppressions=$(CURDIR)/tests/lsan.supp
export LSAN_OPTIONS ?= suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1

.PHONY: all deps build world run test test-release test-asan screenshot clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)

world: build
	@test -f $(BUILD)/world/MAP/map.bmp || $(BUILD)/tools/worldgen $(BUILD)/world

run: world
	cd $(BUILD)/world && ../orvalle

test: deps test-release test-asan

test-release: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD)
	ctest --test-dir $(BUILD) --output-on-failure -j2

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DORVALLE_SANITIZE=ON >/dev/null
	cmake --build $(ASAN_BUILD)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j2

screenshot: world
	scripts/screenshot.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
