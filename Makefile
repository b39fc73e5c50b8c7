# The two commands of the README: `make run` and `make test`.
# Both install what a fresh Debian 12 machine lacks first.

JOBS ?= $(shell nproc)
HOST_DIR := build/host
WIN_DIR := build/win32
FUZZ_DIR := build/fuzz
FUZZ_SECONDS ?= 25

.PHONY: all bootstrap host win32 run test bench fuzz clean

all: win32

bootstrap:
	@./scripts/bootstrap.sh

host: bootstrap
	@cmake -S . -B $(HOST_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(HOST_DIR) -j$(JOBS)

win32: host
	@cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	    -DCMAKE_BUILD_TYPE=Release -DNIMBO_FORMC=$(CURDIR)/$(HOST_DIR)/tools/formc >/dev/null
	@cmake --build $(WIN_DIR) -j$(JOBS)

run: win32
	@./scripts/run.sh

# A source not laid out as .clang-format says, or a function over 60
# lines, fails the run before the slow tests start. The
# Wine tests end with the servers and displays of every prefix they used
# (the tree's and those of tests that need their own) stopped, and with no
# process of any test prefix left behind, passed or not.
test: win32
	@./scripts/format_check.sh
	@./scripts/long_functions.sh
	@cd $(HOST_DIR) && ctest --output-on-failure -j$(JOBS)
	@cd $(WIN_DIR) && ctest --output-on-failure; rc=$$?; \
	    cd $(CURDIR) && ./scripts/stop_prefixes.sh $(WIN_DIR); \
	    ./scripts/leftovers.sh $(WIN_DIR) || rc=1; \
	    exit $$rc

bench: win32
	@./scripts/bench.sh

# Every fuzz target for FUZZ_SECONDS each, from the corpus in tests/fuzz/:
# the native readers under libFuzzer with the sanitizers (a clang tree of
# their own), the install log reader under Wine.
fuzz: win32
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIMBO_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j$(JOBS) --target nimbo_fuzzers
	@./scripts/fuzz.sh $(FUZZ_DIR) $(WIN_DIR) $(FUZZ_SECONDS)

clean:
	rm -rf build
