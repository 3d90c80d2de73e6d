# Thin wrappers: install what is missing, configure once, build, then run or test.
BUILD    ?= build
SANITIZE ?= build-sanitize
FUZZ     ?= build-fuzz
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
ifeq ($(QUARVE_WERROR),1)
CMAKE_FLAGS += -DQUARVE_WERROR=ON
endif

# bash for PIPESTATUS: a filtered build must still fail when the compiler does.
SHELL := /bin/bash

# Only the compiler's own words get through: make's directory lines and CMake's per-target
# progress say nothing a newcomer needs.
QUIET = --no-print-directory 2>&1 | { grep -v '^\[ *[0-9]*%\] Built target' || true; }; \
	exit "$${PIPESTATUS[0]}"

.PHONY: all deps deps-test build quarve run demo test sanitize install package screenshot bench \
	fuzz clean

all: build

deps:
	@scripts/install-deps
	@echo "deps: ok"

deps-test:
	@scripts/install-deps --test

# The first configure, by `make run` or `make demo`, leaves the suite out, so that neither
# waits for test dependencies; `make test` turns it on in the same folder and reuses the objects.
$(BUILD)/CMakeCache.txt:
	@echo "configure $(BUILD)/"
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVE_TESTS=OFF \
		-DCMAKE_RULE_MESSAGES=OFF -DCMAKE_VERBOSE_MAKEFILE=OFF $(CMAKE_FLAGS) >/dev/null

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

quarve: deps $(BUILD)/CMakeCache.txt
	@echo "build quarve"
	@cmake --build $(BUILD) -j $(JOBS) --target quarve -- $(QUIET)

run: quarve
	@echo "start $(BUILD)/quarve"
	@./$(BUILD)/quarve

# quarve on a private set of applications in a temporary folder; your own settings stay as
# they are.
demo: quarve
	@scripts/demo ./$(BUILD)/quarve

# Configured again so that a tree first built by `make run` builds the suite too.
test: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVE_TESTS=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

$(SANITIZE)/CMakeCache.txt:
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DQUARVE_SANITIZE=ON $(CMAKE_FLAGS)

sanitize: deps-test $(SANITIZE)/CMakeCache.txt
	cmake --build $(SANITIZE) -j $(JOBS)
	cd $(SANITIZE) && ctest --output-on-failure --no-tests=error -j $(JOBS)

install: build
	cmake --install $(BUILD)

# A Debian package of the program, man page and desktop entry (build/quarve_*.deb).
package: build
	cd $(BUILD) && cpack

# Regenerates docs/screenshot.svg from the real program against synthetic applications.
screenshot: deps-test
	scripts/screenshot

# Benchmarks, in a Release build of their own; not part of `make test`.
bench: deps-test
	@scripts/install-deps --bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUARVE_BENCH=ON -DQUARVE_TESTS=OFF >/dev/null
	cmake --build build-bench -j $(JOBS) --target quarve_bench
	build-bench/bench/quarve_bench

# libFuzzer on the parsers of outside data, FUZZ_SECONDS per target; not part of `make test`.
# Each target starts from a copy of its seeds, so what it finds stays in $(FUZZ)/corpus and
# crashes in $(FUZZ)/crashes.
fuzz:
	@scripts/install-deps --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVE_FUZZ=ON \
		-DQUARVE_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build $(FUZZ) -j $(JOBS) --target fuzz_config fuzz_ext_index
	@for t in config ext_index; do \
		rm -rf $(FUZZ)/corpus/$$t && mkdir -p $(FUZZ)/corpus $(FUZZ)/crashes && \
		cp -R fuzz/corpus/$$t $(FUZZ)/corpus/$$t && \
		echo "fuzz_$$t: $(FUZZ_SECONDS) s" && \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
		$(FUZZ)/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			-artifact_prefix=$(FUZZ)/crashes/$$t- $(FUZZ)/corpus/$$t || exit 1; \
	done

clean:
	rm -rf $(BUILD) $(SANITIZE) build-bench $(FUZZ)
