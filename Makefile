# Quick start: `make run` and `make test`. Both install missing Debian packages (as root),
# configure and build first.

BUILD      ?= build
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=
ifeq ($(WERROR),1)
CMAKE_ARGS += -DTAVIRO_WERROR=ON
endif

# Debian 12 packages the build, the tests and the benchmarks need, then what the help (its
# SQLite collection), the Debian package and its checks need.
DEBS := cmake make g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev \
        libqcustomplot-dev qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools \
        libudev-dev \
        libqt6sql6-sqlite dpkg-dev file lintian desktop-file-utils appstream

CLI := $(BUILD)/taviro-cli
GUI := $(BUILD)/taviro

.PHONY: all deps configure build run demo screenshots test bench tsan format clean package package-check

all: build

deps:
	@missing=""; \
	for p in $(DEBS); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    if [ "$$(id -u)" = 0 ]; then \
	        echo "Installing:$$missing"; \
	        apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing || exit 1; \
	    else \
	        echo "Missing Debian packages. Install them with:"; \
	        echo "  sudo apt-get install$$missing"; \
	        exit 1; \
	    fi; \
	fi

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The demo on a simulated bridge: check and send the example script, repeat a read of the
# signal source, scan the bus and capture a short burst.
define cli_demo
	$(CLI) check examples/demo.iic
	$(CLI) run --simulate examples/demo.iic
	$(CLI) run --simulate --settings examples/demo.ini --repeat --count 50 \
	    --csv $(BUILD)/signal.csv examples/signal.iic > $(BUILD)/signal.txt
	@echo "signal source, 50 samples (X, SINE):"
	@cut -d, -f1,3 $(BUILD)/signal.csv | paste -s -d " "
	$(CLI) --simulate scan
	$(CLI) --simulate burst --var SINE:int examples/burst.iic --line 4 \
	    --out $(BUILD)/IIChighSpeed.dat --records 2000
endef

# The window on a simulated bridge where there is a display, the CLI demo where there is none.
run: build
ifneq ($(DISPLAY)$(WAYLAND_DISPLAY),)
	$(GUI) --simulate
else
	@echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): the command-line demo instead of the window."
	$(cli_demo)
endif

demo: build
	$(cli_demo)

# The pictures of the window in docs/, taken offscreen.
screenshots: build
	$(BUILD)/tools/screenshots/taviro-screenshots docs

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The Debian package, in $(BUILD)/, and the checks a distribution would make of it.
package: build
	cmake --build $(BUILD) --target package

package-check: package
	desktop-file-validate packaging/org.taviro.Taviro.desktop
	appstreamcli validate --no-net $(BUILD)/packaging/org.taviro.Taviro.metainfo.xml
	lintian --fail-on error --info $(BUILD)/taviro_*.deb

bench: build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && echo "== $$b" && "$$b" || true; done

# The thread tests under ThreadSanitizer, in a build folder of their own.
tsan: deps
	cmake -S . -B build-tsan -DTAVIRO_SANITIZE=thread -DTAVIRO_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build build-tsan --target thread_tests -j $(JOBS)
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest --test-dir build-tsan -L threads --output-on-failure -j $(JOBS)

# --- Reliability: the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, fuzzing
# with libFuzzer, and the packages only these need (umockdev also enables the hidraw test that
# `make test` runs under a device mock).
RELIABILITY_DEBS := clang-14 libclang-rt-14-dev umockdev libumockdev-dev
FUZZ_SECONDS ?= 60
# Leaks are reported; the device-mock test runs with umockdev's library preloaded ahead of
# the ASan runtime, which ASan otherwise refuses.
ASAN_RUN_OPTIONS := halt_on_error=1:detect_leaks=1:verify_asan_link_order=0

.PHONY: reliability-deps asan fuzz

reliability-deps:
	@$(MAKE) --no-print-directory deps DEBS="$(RELIABILITY_DEBS)"

asan: deps
	cmake -S . -B build-asan -DTAVIRO_SANITIZE=address,undefined -DTAVIRO_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS="$(ASAN_RUN_OPTIONS)" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
	    ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS (make fuzz FUZZ_SECONDS=600), one after the other.
fuzz: reliability-deps deps
	CXX=clang++-14 cmake -S . -B build-fuzz -DTAVIRO_FUZZ=ON
	cmake --build build-fuzz --target fuzz_all -j $(JOBS)
	tests/fuzz/run-fuzz.sh build-fuzz -time $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-tsan build-asan build-fuzz
