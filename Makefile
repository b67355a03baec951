# Every target installs what is missing, configures and builds before it runs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)

.PHONY: all deps build run test test-asan install bench bench-peers fuzz fuzz-targets clean windows test-windows dist-windows

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

# The stage benchmarks, then the whole process against ffmpeg (installed when missing).
bench: build
	$(BUILD)/bench/bq_bench --benchmark_min_time=0.2
	bench/whole-process $(BUILD)

# Whole-process comparison with ffmpeg and ImageMagick on the corpus; installs
# the peers and the perceptual metrics, which nothing else needs.
bench-peers: build
	@tools/install-deps --bench
	bench/compare-peers $(BUILD)

# Fuzzes every decoder, the palette reader and the settings reader, each a
# libFuzzer target under the address and undefined-behaviour sanitizers, for
# FUZZ_TIME seconds each within 2 GB. Seeds stay untouched; new finds go to
# $(FUZZ_BUILD)/corpus/TARGET. Any crash, leak, hang or memory bomb fails the target.
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME  ?= 30
FUZZ_HEIF   = $(shell pkg-config --exists libheif && echo yes)
FUZZ_FLAGS  = -std=c++20 -g -O1 -I. -I/usr/include/stb -fno-sanitize-recover=all -MMD -MP \
              $(if $(FUZZ_HEIF),-DBQ_HAVE_HEIF=1)
FUZZ_LIBS   = $(shell pkg-config --libs libpng zlib libdeflate libjpeg libwebp libwebpdemux libtiff-4) -ldl
FUZZ_RUN    = -max_total_time=$(FUZZ_TIME) -rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=10 \
              -max_len=65536 -print_final_stats=1
DECODER_SOURCES  = io/decode/png_decode_memory.cpp io/decode/png_plain_pixels.cpp io/decode/png_unfilter.cpp \
                   tamble/os_memory_linux.cpp tamble/device.cpp tamble/block_reuse.cpp io/decode/decode_jpeg.cpp io/decode/decode_webp.cpp \
                   io/decode/decode_tiff.cpp io/decode/decode_bmp_gif.cpp io/decode/bmp_header.cpp io/decode/bmp_screen.cpp \
                   io/decode/decode_bmp_rle.cpp io/decode/gif_frame_check.cpp io/decode/decode_heif.cpp \
                   io/decode/heif_functions.cpp io/decode/shared_library_posix.cpp \
                   io/decode/pixel_block.cpp io/io_status.cpp
PALETTE_SOURCES  = io/palette/palette_file.cpp io/file_system_posix.cpp io/io_status.cpp
SETTINGS_SOURCES = io/settings/parameter_block.cpp io/settings/settings.cpp io/settings/engine_keys.cpp \
                   io/settings/ini_text.cpp io/settings/settings_values.cpp io/file_system_posix.cpp \
                   io/file_naming_linux.cpp io/replacing_file.cpp io/interrupt_cleanup_posix.cpp \
                   io/interrupt_slots.cpp io/settings_location_posix.cpp \
                   io/io_status.cpp engine/option_table.cpp
# name:decoder function; BMP and GIF share one decoder, seeded differently.
FUZZ_DECODERS = png:decode_png_memory jpeg:decode_jpeg_memory webp:decode_webp_memory \
                tiff:decode_tiff_memory bmp:decode_bmp_gif_memory gif:decode_bmp_gif_memory \
                heif:decode_heif_memory
FUZZ_NAMES    = $(foreach pair,$(FUZZ_DECODERS),$(word 1,$(subst :, ,$(pair)))) palette settings
fuzz_objects  = $(patsubst %.cpp,$(FUZZ_BUILD)/obj/%.o,$(1))

$(FUZZ_BUILD)/obj/%.o: %.cpp
	@mkdir -p $(@D)
	clang++ $(FUZZ_FLAGS) -fsanitize=fuzzer-no-link,address,undefined -c $< -o $@

define fuzz_decoder
$(FUZZ_BUILD)/$(1)_fuzz: tests/fuzz/decoder_fuzz.cpp $(call fuzz_objects,$(DECODER_SOURCES))
	clang++ $(FUZZ_FLAGS) -fsanitize=fuzzer,address,undefined -DFUZZ_DECODE=$(2) $$^ $(FUZZ_LIBS) -o $$@
endef
$(foreach pair,$(FUZZ_DECODERS),$(eval $(call fuzz_decoder,$(word 1,$(subst :, ,$(pair))),$(word 2,$(subst :, ,$(pair))))))

$(FUZZ_BUILD)/palette_fuzz: tests/fuzz/palette_text_fuzz.cpp $(call fuzz_objects,$(PALETTE_SOURCES))
	clang++ $(FUZZ_FLAGS) -fsanitize=fuzzer,address,undefined $^ -o $@
$(FUZZ_BUILD)/settings_fuzz: tests/fuzz/settings_fuzz.cpp $(call fuzz_objects,$(SETTINGS_SOURCES))
	clang++ $(FUZZ_FLAGS) -fsanitize=fuzzer,address,undefined $^ -o $@

-include $(wildcard $(FUZZ_BUILD)/obj/*/*.d $(FUZZ_BUILD)/obj/*/*/*.d)

fuzz-targets: $(foreach name,$(FUZZ_NAMES),$(FUZZ_BUILD)/$(name)_fuzz)

fuzz: deps
	$(MAKE) -j $(JOBS) fuzz-targets
	set -e; for name in $(FUZZ_NAMES); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  echo "fuzzing $$name for $(FUZZ_TIME) s"; \
	  $(FUZZ_BUILD)/$${name}_fuzz $(FUZZ_RUN) -artifact_prefix=$(FUZZ_BUILD)/$$name- \
	    $(FUZZ_BUILD)/corpus/$$name tests/fuzz/corpus/$$name > $(FUZZ_BUILD)/$$name.log 2>&1 \
	    || { tail -n 60 $(FUZZ_BUILD)/$$name.log; exit 1; }; \
	  grep -E '^(Done|stat::number_of_executed_units)' $(FUZZ_BUILD)/$$name.log || true; \
	done

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD)
