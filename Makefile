# Lorvane build entry points. See README.md.
GENERATOR := -G Ninja
# ccache, when the machine has it, shares compiled objects between build trees.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
DEPS_STAMP := build-test/.deps-installed

.PHONY: all deps build test run bench fuzz clean

all: build

deps:
	bash scripts/install-deps.sh

$(DEPS_STAMP):
	bash scripts/install-deps.sh
	mkdir -p build-test && touch $@

build:
	cmake -S . -B build $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF
	cmake --build build

test: $(DEPS_STAMP)
	cmake -S . -B build-test $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DLORVANE_SANITIZE=ON
	cmake --build build-test
	cd build-test && ctest --output-on-failure -j2

run: build
	./build/tools/dravo/dravo info samples/demo.pvc

bench:
	cmake -S . -B build-bench $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF -DLORVANE_BENCH=ON
	cmake --build build-bench
	for b in build-bench/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

fuzz:
	CXX=clang++ cmake -S . -B build-fuzz $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DLORVANE_FUZZ=ON -DLORVANE_TESTS=ON -DLORVANE_SANITIZE=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build-fuzz

clean:
	rm -rf build build-test build-bench build-fuzz
