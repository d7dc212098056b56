# The project's commands; see README.md.
BUILD := build
ASAN_BUILD := build-asan
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 60
BENCH_BUILD := build-bench
BENCH_SIZES := 64 128 256 512 1024 2048
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# ASan's own suppressions take no leak: lines; the leak list is LSan's.
export ASAN_OPTIONS ?= detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS ?= suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS ?= print_stacktrace=1:halt_on_error=1

.PHONY: all deps build world run test test-release test-asan fuzz bench screenshot clean

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

# Each fuzz target for FUZZ_SECONDS; fails on any finding.
fuzz: deps
	FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh

# Frame and start-up costs on this machine's OpenGL, optimised build; the
# table goes to $(BENCH_BUILD)/bench.txt and the plot to docs/bench.svg.
# The 256 world is the default world (worldgen's default size and seed).
bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVALLE_TESTS=OFF >/dev/null
	cmake --build $(BENCH_BUILD) -j2 --target bench_frame worldgen
	@for n in $(BENCH_SIZES); do \
	  test -f $(BENCH_BUILD)/worlds/map$$n/MAP/map.bmp || \
	    $(BENCH_BUILD)/tools/worldgen $(BENCH_BUILD)/worlds/map$$n --size $$n --seed 1 || exit 1; \
	done
	$(BENCH_BUILD)/tools/bench_frame $(BENCH_BUILD)/worlds > $(BENCH_BUILD)/bench.txt
	@cat $(BENCH_BUILD)/bench.txt
	python3 scripts/plot_bench.py $(BENCH_BUILD)/bench.txt docs/bench.svg

screenshot: world
	scripts/screenshot.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
