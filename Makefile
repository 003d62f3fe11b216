# The two commands of the README, and the benchmarks. Each installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS); fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The host window with Peel-Wise applied to the built-in sample shape. Without a display the
# window opens on a virtual one (Xvfb), which is only useful for screenshots.
run: build
	@if [ -n "$$DISPLAY" ]; then \
	  $(BUILD)/bin/brontle --apply-plugin Peel-Wise; \
	else \
	  echo "No DISPLAY: starting on a virtual display; see $(BUILD)/brontle.png"; \
	  $(XVFB) env QT_QPA_PLATFORM=xcb $(BUILD)/bin/brontle --apply-plugin Peel-Wise --screenshot $(BUILD)/brontle.png; \
	fi

# Every test, the GUI ones on a virtual display with Mesa's software OpenGL. Hundreds of test
# processes connect to one Xvfb in quick succession and it now and then refuses a connection
# before the test starts, so a failing test is run up to twice more before it counts as failed.
test: build
	cd $(BUILD) && $(XVFB) env QT_QPA_PLATFORM=xcb ctest --output-on-failure -j $(JOBS) --repeat until-pass:3

bench: build
	$(XVFB) env QT_QPA_PLATFORM=xcb bash benchmarks/run_benchmarks.sh $(BUILD)/bin

clean:
	rm -rf $(BUILD)
