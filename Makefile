# Two commands: `make play` and `make test`. Everything else is CMake's job.

BUILD_DIR := build
JOBS := $(shell nproc 2>/dev/null || echo 2)

define configure_and_build
	@sh tools/install-deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)
endef

.PHONY: play test

play:
	$(configure_and_build)
	@if [ -x $(BUILD_DIR)/dunmar ]; then cd data && ../$(BUILD_DIR)/dunmar; \
	else echo "The game's entry point is not built yet: only the library and the tests were built."; fi

test:
	$(configure_and_build)
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
