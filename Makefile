# Two commands set everything up on a fresh Debian machine:
#   make run    install, build, open Kestrel on the bundled example
#   make test   install, build, run every test
BUILD ?= build
JOBS ?= $(shell nproc)
EXAMPLE ?= examples/river_bend.p2d

.PHONY: all deps configure build run test test-sanitize fuzz bench install package format clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# With a display the window opens on the example; without one the headless
# tool runs the workflow on it.
run: build
	@if [ -n "$$DISPLAY" ] && [ -x $(BUILD)/src/app/kestrel ]; then \
	  $(BUILD)/src/app/kestrel $(EXAMPLE); \
	else \
	  mkdir -p $(BUILD)/run && $(BUILD)/src/cli/kestrel-grid -C $(BUILD)/run $(EXAMPLE) && \
	  echo "written to $(BUILD)/run:" && ls -l $(BUILD)/run; \
	fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# The whole test suite again, built with the address and undefined-behaviour
# sanitizers: any memory error or undefined behaviour fails the run.
test-sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	cd $(BUILD)-sanitize && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  ctest --output-on-failure -j $(JOBS) --timeout 600

# The fuzz targets of fuzz/ (libFuzzer with the address and undefined-behaviour
# sanitizers, built by clang), each run in turn for FUZZ_SECONDS seconds.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKESTREL_FUZZ=ON -DKESTREL_BUILD_TESTS=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target kestrel_fuzzers
	bash scripts/run-fuzz.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

# VECTOR_WIDTH=avx2 measures a machine that has AVX-512 as one with AVX2 only
# (in $(BUILD)-bench-avx2); the benchmarks say which width they ran with.
VECTOR_WIDTH ?= widest
BENCH_DIR = $(BUILD)-bench$(if $(filter avx2,$(VECTOR_WIDTH)),-avx2,)
bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_BENCH=ON -DKESTREL_BUILD_TESTS=OFF \
	  -DKESTREL_VECTOR_WIDTH=$(VECTOR_WIDTH)
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@for b in $(BENCH_DIR)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

# Installs the programs, their desktop entry, icons, manual pages and manual
# under PREFIX (DESTDIR=... stages them elsewhere, as packagers do).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package of the same files under /usr, written into $(BUILD).
package: build
	cmake --build $(BUILD) --target package

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-bench-avx2 $(BUILD)-sanitize $(BUILD)-fuzz
