# Thin wrappers: install what is missing, configure once, build, then run or test.
BUILD    ?= build
SANITIZE ?= build-sanitize
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
ifeq ($(QUARVE_WERROR),1)
CMAKE_FLAGS += -DQUARVE_WERROR=ON
endif

.PHONY: all deps deps-test build run test sanitize install package screenshot bench clean

all: build

deps:
	@scripts/install-deps

deps-test:
	@scripts/install-deps --test

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/quarve

# Configured again so that a tree first built by `make run` picks up the test dependencies.
test: deps-test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
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

clean:
	rm -rf $(BUILD) $(SANITIZE) build-bench build-fuzz
