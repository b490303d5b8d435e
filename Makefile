# The README's two commands: `make run` and `make test`. Both bootstrap the
# Debian packages first, so they work on a fresh machine.
BUILD ?= build
DEVICE ?= PIP_KARN7
JOBS  ?= $(shell nproc)

.PHONY: all bootstrap configure build test test-asan run bench soak screenshots fuzz package clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer
# in a second build directory.
ASAN_BUILD ?= build-asan
SAN_FLAGS := -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer

test-asan: bootstrap
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="$(SAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(SAN_FLAGS)" \
	  -DCMAKE_SHARED_LINKER_FLAGS="$(SAN_FLAGS)" -DCMAKE_MODULE_LINKER_FLAGS="$(SAN_FLAGS)" >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 600

# `make run DEVICE=MOLT2`: the emulator plays that device (default KARN-7).
run: build
	@DEVICE=$(DEVICE) bash scripts/run.sh $(BUILD)

# `make bench DEVICE=MOLT2`: the benchmarks, the whole program with that
# device streaming at the line rate (default KARN-7), the start-up.
bench: build
	@bash scripts/bench.sh $(BUILD) $(DEVICE)

# `make screenshots`: the device dialog and every panel with the emulator
# playing its device, as PNG files in build/screenshots/.
screenshots: build
	@bash scripts/bootstrap.sh screenshots
	@bash scripts/screenshots.sh $(BUILD)

# `make soak`: an hour (SOAK_MINUTES) of the heaviest device (MOLT2old, or
# the DEVICE given) at the line rate, with a save every minute.
soak: build
	@bash scripts/soak.sh $(BUILD) $(if $(filter command line environment,$(origin DEVICE)),$(DEVICE),MOLT2old)

# `make package`: the Debian package of the built tree, build/ostan_<version>_<arch>.deb.
package: build
	@cd $(BUILD) && cpack -G DEB >cpack.log || { cat cpack.log; exit 1; }
	@ls $(BUILD)/ostan_*.deb

fuzz:
	@bash scripts/bootstrap.sh fuzz
	@bash scripts/fuzz.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
