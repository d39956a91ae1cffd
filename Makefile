# Front door.  Every target installs what is missing first.
#   make test    build every preset and run every test (CI runs this)
#   make demo    build the example update and run it
#   make build   build the native tools and the Windows programs
#   make bench   optimised build and the benchmark table
#   make fuzz    run every fuzz target (FUZZ_SECONDS each)
#   make updater UPDATE=DIR_OR_ARCHIVE OUT=FILE.exe   an updater carrying that update

SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 180

.PHONY: all deps build build-native build-asan build-win32 test demo bench fuzz updater clean

all: build

deps:
	@./scripts/install-deps.sh

build-native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

build-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)

build-win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

build: build-native build-win32

# Every preset's tests run, whatever an earlier one gave; the target fails
# when any of them failed.
test: build-native build-asan build-win32
	@status=0; \
	for p in native asan win32; do \
	  echo "== ctest --preset $$p =="; \
	  ctest --preset $$p || status=1; \
	done; \
	echo "== fuzz smoke runs =="; \
	./scripts/fuzz.sh --smoke || status=1; \
	exit $$status

demo: build-native
	./scripts/demo.sh

bench: deps
	./scripts/bench.sh

fuzz: deps
	./scripts/fuzz.sh $(FUZZ_SECONDS)

updater: deps
	@test -n "$(UPDATE)" -a -n "$(OUT)" || { echo "usage: make updater UPDATE=DIR_OR_ARCHIVE OUT=FILE.exe" >&2; exit 2; }
	./scripts/make-updater.sh "$(UPDATE)" "$(OUT)"

clean:
	rm -rf build
