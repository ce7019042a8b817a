# Two commands: `make play` and `make test`. Everything else is CMake's job.

BUILD_DIR := build
JOBS := $(shell nproc 2>/dev/null || echo 2)
# Most tests spend their time waiting on the game's own pauses, not on a
# core: two at a time per core keep the cores busy.
TEST_JOBS := $(shell echo $$(( $(JOBS) * 2 )))

# Playing needs the compiler, CMake, the sound libraries and the soundfont,
# and builds the game alone; the tests install and build the rest, with
# warnings fatal.
.PHONY: play test

play:
	@sh tools/install-deps play
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAME_TESTS=OFF -DGAME_WERROR=OFF >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target dunmar
	@$(BUILD_DIR)/dunmar --data data

test:
	@sh tools/install-deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGAME_TESTS=ON -DGAME_WERROR=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(TEST_JOBS)
