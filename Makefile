# Lorvane build entry points. See README.md.
GENERATOR := -G Ninja
# ccache (installed with the dependencies) shares compiled objects between
# build trees and between clones: paths under the clone are hashed relative to
# it, so a fresh clone elsewhere reuses the objects of the last build. The test
# is made when a build starts, after the dependencies are in place.
LAUNCHER = $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps build test run bench fuzz fuzz-run install uninstall package clean

# Where make install puts the programs (make install PREFIX=~/.local).
PREFIX ?= /usr/local

all: build

# Every build installs what is missing first (a quick check when all is there).
deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B build $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF
	cmake --build build

test: deps
	cmake -S . -B build-test $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DLORVANE_SANITIZE=ON
	cmake --build build-test
	cd build-test && ctest --output-on-failure -j2

# The viewer on the sample document; without a display, the document's
# default view as a table in the terminal.
run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
		./build/viewer/lorvane samples/demo.Dravo; \
	else \
		echo "No display found: showing the default view of samples/demo.Dravo in the terminal instead."; \
		./build/tools/dravo/dravo pivot samples/demo.Dravo; \
	fi

bench: deps
	cmake -S . -B build-bench $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF -DLORVANE_BENCH=ON
	cmake --build build-bench
	for b in build-bench/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; done

fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz $(GENERATOR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DLORVANE_FUZZ=ON -DLORVANE_TESTS=ON -DLORVANE_SANITIZE=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build-fuzz

# Every fuzz target from its corpus, FUZZ_SECONDS each (default 60); not part of make test.
fuzz-run: fuzz
	bash scripts/fuzz-run.sh

# The Release build installed under PREFIX: lorvane and dravo, the translation
# files, the desktop entry, the MIME package and the icons.
install: build
	cmake --install build --prefix "$(PREFIX)"

# Removes exactly the files the last make install wrote (build/install_manifest.txt).
uninstall:
	cmake -DMANIFEST=build/install_manifest.txt -P cmake/Uninstall.cmake

# A .deb of the Release build (in build/), for dpkg -i or apt install ./FILE.deb.
package: build
	cd build && cpack -G DEB

clean:
	rm -rf build build-test build-bench build-fuzz
