# The two commands of the README: `make run` and `make test`. Both install
# what they need first (scripts/bootstrap), configure, and build.
# `make install` and `make package` build without the sanitizers, in
# build-release as `make bench` does.
BUILD_DIR ?= build
BUILD_TYPE ?= Debug
SANITIZE ?= ON
JOBS ?= $(shell nproc)

CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DDIRVANTA_SANITIZE=$(SANITIZE) -DDIRVANTA_WERROR=ON

.PHONY: all bootstrap configure build test run screenshots release install package format bench clean \
	fuzz fuzz-long fuzz-build fuzz-run

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		$(BUILD_DIR)/src/app/dirvanta; \
	else \
		echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): showing the default catalog with dirvanta-cli instead."; \
		$(BUILD_DIR)/src/app/cli/dirvanta-cli info; \
	fi

screenshots: build
	@cmake --build $(BUILD_DIR) --target screenshots

# `make install PREFIX=/opt/dirvanta` installs elsewhere than /usr/local.
PREFIX ?= /usr/local

release: bootstrap
	@cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DDIRVANTA_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-release -j $(JOBS) --target dirvanta dirvanta-cli

install: release
	@cmake --install build-release --prefix $(PREFIX)

# The Debian package: apt install ./build-release/dirvanta_*.deb. Its
# dependencies come from dpkg-shlibdeps (dpkg-dev), installed here only.
package: release
	@dpkg-query -W -f='$${Status}' dpkg-dev 2>/dev/null | grep -q 'install ok installed' || \
		{ echo "package: installing dpkg-dev (dpkg-shlibdeps)"; \
		  $$( [ "$$(id -u)" -ne 0 ] && echo sudo ) apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null; }
	@cd build-release && cpack -G DEB

# Cataloguing is timed on two generated trees of BENCH_FILES files (the
# database first holds a catalog of the other one); 1000000 is the size the
# targets are set for.
BENCH_FILES ?= 100000
# The search's time and peak memory at a larger size (10000000 is the
# target's), filled straight through the store; it takes minutes, so only
# when set.
BENCH_LARGE_FILES ?=

bench: bootstrap
	@dpkg-query -W -f='$${Status}' plocate 2>/dev/null | grep -q 'install ok installed' || \
		{ echo "bench: installing plocate (the search baseline)"; \
		  $$( [ "$$(id -u)" -ne 0 ] && echo sudo ) apt-get install -y -qq --no-install-recommends plocate >/dev/null; }
	@cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DDIRVANTA_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-release --target store_bench make-tree catalog_bench package_bench exchange_bench find_bench
	@build-release/bench/store_bench
	@build-release/bench/package_bench $(BENCH_FILES)
	@build-release/bench/exchange_bench $(BENCH_FILES)
	@build-release/bench/find_bench $(BENCH_FILES)
	@if [ -n "$(BENCH_LARGE_FILES)" ]; then \
		FIND_BENCH_MEMORY_ONLY=1 build-release/bench/find_bench $(BENCH_LARGE_FILES); fi
	@trees=$$(mktemp -d) && \
		build-release/bench/make-tree $(BENCH_FILES) $$(( $(BENCH_FILES) / 20 )) $$trees/other 1 && \
		build-release/bench/make-tree $(BENCH_FILES) $$(( $(BENCH_FILES) / 20 )) $$trees/tree 2 && \
		build-release/bench/catalog_bench $$trees/tree $$trees/other; \
		status=$$?; rm -rf $$trees; exit $$status

# The fuzz targets of the readers (fuzz/), built with clang and libFuzzer in
# FUZZ_DIR. `make fuzz` runs each for FUZZ_SECONDS, `make fuzz-long` until
# each has done FUZZ_RUNS executions. Inputs that find new paths collect in
# FUZZ_DIR/corpus, crashes, hangs (over 1 s) and leaks in FUZZ_DIR/artifacts.
# `make test` only replays the seed corpora (fuzz/corpus) without clang.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_RUNS ?= 1000000
# ASan's default quarantine (256 MB) and allocation stacks made the database
# targets grow past the memory limit within a million runs and run a third
# slower; a crash found is replayed in full by its artifact.
FUZZ_ASAN_OPTIONS ?= quarantine_size_mb=32:malloc_context_size=1
# target:dictionary
FUZZ_TARGETS = export_import:export version_one:export settings:settings package:zip \
	patterns:patterns dates:dates

fuzz-build: bootstrap
	@dpkg-query -W -f='$${Status}\n' clang libclang-rt-14-dev 2>/dev/null | grep -c 'install ok installed' | grep -qx 2 || \
		{ echo "fuzz: installing clang and libFuzzer"; \
		  $$( [ "$$(id -u)" -ne 0 ] && echo sudo ) apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev >/dev/null; }
	@CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
		-DDIRVANTA_SANITIZE=ON -DDIRVANTA_FUZZ=ON -DDIRVANTA_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(foreach t,$(FUZZ_TARGETS),fuzz_$(firstword $(subst :, ,$(t))))

fuzz: fuzz-build
	@$(MAKE) --no-print-directory fuzz-run FUZZ_LIMIT=-max_total_time=$(FUZZ_SECONDS)

fuzz-long: fuzz-build
	@$(MAKE) --no-print-directory fuzz-run FUZZ_LIMIT=-runs=$(FUZZ_RUNS)

fuzz-run:
	@mkdir -p $(FUZZ_DIR)/artifacts
	@for pair in $(FUZZ_TARGETS); do \
		target=fuzz_$${pair%%:*}; dictionary=$${pair##*:}; \
		mkdir -p $(FUZZ_DIR)/corpus/$$target; \
		echo "fuzz: $$target"; \
		ASAN_OPTIONS=$(FUZZ_ASAN_OPTIONS) $(FUZZ_DIR)/fuzz/$$target $(FUZZ_LIMIT) -timeout=1 -rss_limit_mb=2048 -print_final_stats=1 \
			-dict=fuzz/dict/$$dictionary.dict -artifact_prefix=$(FUZZ_DIR)/artifacts/$$target- \
			$(FUZZ_DIR)/corpus/$$target fuzz/corpus/$$target >$(FUZZ_DIR)/$$target.log 2>&1; \
		status=$$?; \
		grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|ERROR|SUMMARY' $(FUZZ_DIR)/$$target.log; \
		test $$status -eq 0 || { echo "fuzz: $$target failed, see $(FUZZ_DIR)/$$target.log"; exit 1; }; \
	done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR)
