# The user's habits: `make demo` and `make test` do the whole set-up themselves.
BUILD ?= build
# The real-framework build: a distribution made from ../shared/cef, or your own
# with CEF_ROOT=<distribution>.
REAL ?= build-real
JOBS ?= $(shell nproc)

# The suite's test programs run their tests in a random order, from a seed
# chosen here and printed: replay an order with `make test SEED=<seed>`.
ifndef SEED
SEED := $(shell echo $$(( $$(od -An -N2 -tu2 /dev/urandom) % 99999 + 1 )))
endif
export SEED
SHUFFLED := GTEST_SHUFFLE=1 GTEST_RANDOM_SEED=$(SEED)

.PHONY: setup build build-real test test-real stress-real fuzz demo demo-standin package bench bench-real clean

setup:
	@bash tools/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

# The product alone: kxsubprocess.exe, kxhost.exe and the component library.
build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target kxsubprocess kxhost

build-real: setup
	tools/real_build.sh $(REAL) $(JOBS)

# Everything, the test binaries too, then the whole suite: the stand-in's, then
# the real framework's group.
test: build build-real
	cmake --build $(BUILD) -j $(JOBS)
	@echo "test order: shuffled with seed $(SEED) (replay: make test SEED=$(SEED))"
	$(SHUFFLED) tools/test_env.sh ctest --test-dir $(BUILD) --output-on-failure --timeout 300
	@if [ -f $(REAL)/CTestTestfile.cmake ]; then $(MAKE) --no-print-directory test-real; fi

# The real-framework group, when build-real made its build. Each entry runs
# once: a crash fails it.
test-real:
	@if [ -f $(REAL)/CTestTestfile.cmake ]; then \
	  echo "test order: shuffled with seed $(SEED) (replay: make test-real SEED=$(SEED))"; \
	  $(SHUFFLED) tools/real_env.sh ctest --test-dir $(REAL) --output-on-failure --timeout 300; \
	else echo "real framework: not built, its tests are skipped"; fi

# RUNS demo-host runs in a row on the real framework, both process modes,
# counting the clean runs, crashes and hangs, each with the process that died.
RUNS ?= 200
stress-real: build-real
	tools/real_env.sh tools/real_stress.sh $(REAL) $(RUNS)

# The fuzz tests of the suite from a random seed, with FUZZ_SCALE times as
# many inputs (default 50). A failure names its seed: rerun it with
# KX_FUZZ_SEED=<seed>.
FUZZ_SCALE ?= 50
fuzz: build
	cmake --build $(BUILD) -j $(JOBS) --target framework_core_tests \
	    framework_process_tests
	KX_FUZZ_SEED=$$(od -An -N4 -tu4 /dev/urandom | tr -d ' ') \
	KX_FUZZ_SCALE=$(FUZZ_SCALE) \
	tools/test_env.sh sh -c 'wine $(BUILD)/bin/framework_core_tests.exe \
	    --gtest_filter="*Fuzz*" && \
	  wine $(BUILD)/bin/framework_process_tests.exe \
	    --gtest_filter="*Damaged*"'

# The demo host with its pages on the real framework, with screenshots of
# its pages in $(REAL)/; on the stand-in only where no distribution of the
# real framework can be had.
demo: build-real
	@if [ -f $(REAL)/bin/libcef.dll ]; then \
	  tools/real_env.sh tools/demo.sh $(REAL) --screenshots; \
	else \
	  echo "demo: no real framework here: running on the suite's stand-in instead"; \
	  $(MAKE) --no-print-directory demo-standin; \
	fi

demo-standin: build
	tools/test_env.sh tools/demo.sh $(BUILD)

# The package a host developer gets, from the real-framework build:
# $(REAL)/package/kxembed-<version>-windows-<arch>/ and its zip.
package: build-real
	@tools/package.sh $(REAL)

# Speed figures beside their floors (see README); REPS=N repetitions.
REPS ?= 3
bench: build
	cmake --build $(BUILD) -j $(JOBS) --target kxbench
	tools/test_env.sh tools/wine_run.sh $(BUILD)/bin/kxbench.exe --reps=$(REPS) $(if $(ONLY),--only=$(ONLY))

# The same on the real framework, each row beside a floor on that framework;
# the machine's load average before and after, since the machine is shared.
bench-real: build-real
	@if [ ! -f $(REAL)/CMakeCache.txt ]; then echo "real framework: not built, no bench"; exit 1; fi
	cmake --build $(REAL) -j $(JOBS) --target kxbench_real
	@echo "load average before: $$(cut -d' ' -f1-3 /proc/loadavg)"
	tools/real_env.sh tools/wine64_run.sh $(REAL)/bin/kxbench_real.exe --reps=$(REPS) $(if $(ONLY),--only=$(ONLY)) $(if $(MODE),--mode=$(MODE))
	@echo "load average after: $$(cut -d' ' -f1-3 /proc/loadavg)"

clean:
	rm -rf $(BUILD) $(REAL)
