# The two commands of the README, and the benchmarks. Each installs what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24"

.PHONY: all deps configure build run test test-sanitize test-cluster fuzz-short tidy bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS); fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The host window with Peel-Wise applied to the built-in sample shape. Without a display the
# window opens on a virtual one (Xvfb), which is only useful for screenshots: the editor as it
# opens, and again with the stretch display (area distortion) on in both views.
run: build
	@if [ -n "$$DISPLAY" ]; then \
	  $(BUILD)/bin/brontle --apply-plugin Peel-Wise; \
	else \
	  echo "No DISPLAY: starting on a virtual display; see $(BUILD)/brontle.png and $(BUILD)/brontle-stretch.png"; \
	  $(XVFB) env QT_QPA_PLATFORM=xcb $(BUILD)/bin/brontle --apply-plugin Peel-Wise --screenshot $(BUILD)/brontle.png && \
	  $(XVFB) env QT_QPA_PLATFORM=xcb $(BUILD)/bin/brontle --apply-plugin Peel-Wise --stretch-display area --screenshot $(BUILD)/brontle-stretch.png; \
	fi

# Every test, the GUI ones on a virtual display with Mesa's software OpenGL. Hundreds of test
# processes connect to one Xvfb in quick succession and it now and then refuses a connection
# before the test starts, so a failing test is run up to twice more before it counts as failed.
test: build
	cd $(BUILD) && $(XVFB) env QT_QPA_PLATFORM=xcb ctest --output-on-failure -j $(JOBS) --repeat until-pass:3

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer (-O1 -g, asserts on)
# in $(ASAN_BUILD), run as `make test` runs them. Any memory error, undefined behaviour or leak
# fails its test with the report. Each memory error and leak report is also written to
# $(ASAN_BUILD)/sanitizer-logs, and any report there fails the run, even from a test that passed
# when run again (UBSan's reports stay in the test's output). A log holding only the leak
# checker's own failure (its tracer thread crashing while it stops the software OpenGL driver's
# threads, seen once in 600 programs) is shown but does not fail the run. Leaks made inside system libraries
# (Mesa, fontconfig, Qt, Assimp ...) are suppressed by library name in tests/lsan-system.supp.
ASAN_BUILD ?= build-asan
SANITIZER_LOGS = $(CURDIR)/$(ASAN_BUILD)/sanitizer-logs
SANITIZER_ENV = \
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:log_path=$(SANITIZER_LOGS)/asan:log_exe_name=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan-system.supp:print_suppressions=0

test-sanitize: deps
	@if [ ! -f $(ASAN_BUILD)/build.ninja ]; then \
	  cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DPEELWISE_SANITIZE=ON $(CMAKE_FLAGS); fi
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	rm -rf $(SANITIZER_LOGS) && mkdir -p $(SANITIZER_LOGS)
	cd $(ASAN_BUILD) && $(XVFB) env QT_QPA_PLATFORM=xcb $(SANITIZER_ENV) \
	  ctest --output-on-failure -j $(JOBS) --repeat until-pass:3; \
	  status=$$?; \
	  for log in $(SANITIZER_LOGS)/*; do \
	    [ -e "$$log" ] || continue; echo "== sanitizer report $$log"; cat "$$log"; \
	    if grep -q "LeakSanitizer has encountered a fatal error" "$$log" && \
	       ! grep -q "ERROR: \(AddressSanitizer\|LeakSanitizer: detected\)" "$$log"; then \
	      echo "(the leak checker's own thread failed while stopping the process's threads;" \
	           "no report about this code, and the test passed)"; continue; fi; \
	    status=1; \
	  done; \
	  exit $$status

# peelwise-unwrap --slurm on a real one-node Slurm started on this machine (as root, no systemd;
# scripts/slurm-local.sh installs Debian's slurmctld, slurmd, slurm-client and munge): a 4-task
# job array whose merged report must equal the one-machine batch's. The daemons are always
# stopped at the end.
test-cluster: configure
	cmake --build $(BUILD) -j $(JOBS) --target peelwise-unwrap
	bash scripts/test-cluster.sh $(BUILD)

# The fuzz targets for 20 s each from the committed seeds (scripts/fuzz.sh --short, clang-14).
fuzz-short:
	bash scripts/fuzz.sh --short

# clang-tidy's braces and naming rules (.clang-tidy) on the sources changed by the last commits
# (scripts/tidy.sh; TIDY_BASE=<commit> checks everything changed since that commit instead).
TIDY_BASE ?=
tidy: build
	JOBS=$(JOBS) bash scripts/tidy.sh $(BUILD) $(TIDY_BASE)

bench: build
	$(XVFB) env QT_QPA_PLATFORM=xcb bash benchmarks/run_benchmarks.sh $(BUILD)/bin

clean:
	rm -rf $(BUILD)
