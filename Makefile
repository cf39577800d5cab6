# The user's habits: `make demo` and `make test` do the whole set-up themselves.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: setup build test demo clean

setup:
	@bash tools/setup.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release

build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	tools/test_env.sh ctest --test-dir $(BUILD) --output-on-failure --timeout 300

demo: build
	tools/test_env.sh tools/demo.sh $(BUILD)

clean:
	rm -rf $(BUILD)
