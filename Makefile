# The two entry points a newcomer needs: `make run` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX     ?= /usr/local

.PHONY: run test test-sanitize test-tsan deps configure build install bench clean

deps:
	@bash scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Runs the program's main job on the bundled quick example. Builds the two
# programs that the install copies, so that `cmake --install` works after it.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target tolvane tolvane-limits
	@bash scripts/run-example $(BUILD)/tolvane

# The program, tolvane-limits, tolvane-table, tolvane-plot, their manual pages
# and the examples under $(PREFIX).
install: configure
	cmake --build $(BUILD) -j $(JOBS) --target tolvane tolvane-limits
	cmake --install $(BUILD) --prefix $(PREFIX)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_SANITIZE=ON
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# The tests of cases computed side by side (--jobs), under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(BUILD_TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_TSAN=ON
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target tolvane tolvane-limits test_concurrency
	cd $(BUILD_TSAN) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -j $(JOBS) -R 'Concurrency|script_jobs'

bench: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTOLVANE_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN)
