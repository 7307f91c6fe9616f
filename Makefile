# Vexilo: build, test, demo and benchmarks.
#   make demo   builds the library and runs the quickstart host program
#   make test   installs what is missing, builds, and runs every test
#               (layer check, 32-bit header check, plain build, the Python
#               package, AddressSanitizer/UBSan build, fuzzers)
#   make fuzz   runs every fuzz target for FUZZLONG seconds (default 300; TARGETS
#               names some) and keeps the inputs that add coverage in fuzz/corpus
#   make bench  builds and runs the Google Benchmark programs
#   make test-python  builds, then checks the Python package (mypy --strict, pytest)

JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
BUILD    ?= build
ASAN     ?= build-asan
FUZZ     ?= build-fuzz
FUZZTIME ?= 10
# make fuzz: each target for this many seconds, new coverage kept in the corpora
FUZZLONG ?= 300

.PHONY: all setup build demo test test-python test-plain test-asan test-fuzz header32 layers fuzz bench clean

all: build

setup:
	@bash scripts/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

demo: build
	bash scripts/demo.sh $(BUILD)

test: setup layers header32 test-plain test-python test-asan test-fuzz

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

$(ASAN)/CMakeCache.txt:
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVEXILO_SANITIZE=ON -DVEXILO_BENCH=OFF

test-asan: setup $(ASAN)/CMakeCache.txt
	cmake --build $(ASAN) -j$(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS)

$(FUZZ)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXILO_FUZZ=ON -DVEXILO_BENCH=OFF

test-fuzz: setup $(FUZZ)/CMakeCache.txt
	cmake --build $(FUZZ) -j$(JOBS) --target fuzzers
	bash scripts/run-fuzzers.sh $(FUZZ) $(FUZZTIME)

layers:
	python3 scripts/check-layers.py

fuzz: setup $(FUZZ)/CMakeCache.txt
	cmake --build $(FUZZ) -j$(JOBS) --target fuzzers
	bash scripts/fuzz-long.sh $(FUZZ) $(FUZZLONG) $(TARGETS)

header32: setup
	bash scripts/check-header32.sh

test-python: build
	bash scripts/test-python.sh $(BUILD)

bench: build
	bash scripts/run-benches.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZ) demo-out
