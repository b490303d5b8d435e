# The README's two commands: `make run` and `make test`. Both bootstrap the
# Debian packages first, so they work on a fresh machine.
BUILD ?= build
DEVICE ?= PIP_KARN7
JOBS  ?= $(shell nproc)

.PHONY: all bootstrap configure build test run bench fuzz clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

# `make run DEVICE=MOLT2`: the emulator plays that device (default KARN-7).
run: build
	@DEVICE=$(DEVICE) bash scripts/run.sh $(BUILD)

# `make bench DEVICE=MOLT2`: also the whole program with that device
# streaming at the line rate (default KARN-7).
bench: build
	@bash scripts/bench.sh $(BUILD)
	@bash scripts/bench-device.sh $(BUILD) $(DEVICE)

fuzz:
	@bash scripts/bootstrap.sh fuzz
	@bash scripts/fuzz.sh

clean:
	rm -rf $(BUILD) build-fuzz
