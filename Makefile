# Every target installs what is missing, configures and builds before it runs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: all deps build run test test-asan install bench bench-peers fuzz clean windows test-windows dist-windows

all: build

deps:
	@tools/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# The comparison's peers are welcome, not needed: the sample runs without them.
run: build
	-@tools/install-deps --reference
	@tools/run-sample $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Installs under PREFIX (default /usr/local); DESTDIR, when set, is put before it.
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBQ_SANITIZE=ON -DBQ_BUILD_BENCH=OFF

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan-suppressions.txt UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/bq_bench --benchmark_min_time=0.2

# Whole-process comparison with ffmpeg and ImageMagick on the corpus; installs
# the peers and the perceptual metrics, which nothing else needs.
bench-peers: build
	@tools/install-deps --bench
	bench/compare-peers $(BUILD)

# Feeds the palette reader random input for 60 s; the seeds stay untouched,
# new finds go to $(FUZZ_BUILD)/corpus.
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME  ?= 60

fuzz: deps
	mkdir -p $(FUZZ_BUILD)/corpus
	clang++ -std=c++20 -g -O1 -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
	  tests/fuzz/palette_text_fuzz.cpp io/palette_file.cpp -o $(FUZZ_BUILD)/palette_text_fuzz
	$(FUZZ_BUILD)/palette_text_fuzz -max_total_time=$(FUZZ_TIME) -max_len=65536 -timeout=10 \
	  $(FUZZ_BUILD)/corpus tests/fuzz/corpus

# The Windows x64 executable, cross-built with mingw-w64 and run under Wine.
# The first run installs the toolchain and builds the mingw libraries into
# $(WIN_BUILD)/deps; later runs only build.
# WIN_ENGINE_TESTS=ON adds the engine's test program (minutes more to build).
# ccache, when present, serves this build from any clone of the project.
WIN_BUILD ?= build-win
WIN_ENGINE_TESTS ?= OFF
WIN_LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

windows:
	@tools/install-windows-deps $(WIN_BUILD)/deps
	@test -f $(WIN_BUILD)/build.ninja || cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DBQ_WINDOWS_DEPS=$(CURDIR)/$(WIN_BUILD)/deps $(WIN_LAUNCHER)
	cmake -DBQ_WINDOWS_ENGINE_TESTS=$(WIN_ENGINE_TESTS) $(WIN_BUILD) >/dev/null
	CCACHE_BASEDIR=$(CURDIR) cmake --build $(WIN_BUILD) -j $(JOBS)

# The test programs under Wine, then the Windows executable's outputs against
# the Linux build's on the corpus.
test-windows: windows build
	tools/test-windows $(WIN_BUILD) $(BUILD)

# A zip that runs where it is unpacked: the program, lang\, the notices, the adapters.
dist-windows: windows
	tools/dist-windows $(WIN_BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WIN_BUILD)
