#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/batch_runner.h"
#include "io/image_decode.h"
#include "io/png_write.h"
#include "run_program.h"
#include "test_png.h"

namespace {

// What the engine was handed for one input.
struct EngineCall {
  std::uint32_t width = 0, height = 0;
  double gamma = 0;
  QuantizerOptions options;
  std::vector<std::uint8_t> pins, focus, dither;
};

// Stands in for the engine: records its inputs, answers with one grey entry.
struct RecordingEngine {
  std::vector<EngineCall> calls;
  std::uint32_t status = kQuantizeOk;
  double palette_gamma = 0.45454545454545453;

  QuantizeFunction function() {
    return [this](const std::uint8_t*, std::uint32_t width, std::uint32_t height, double gamma,
                  const QuantizerOptions* options, std::uint8_t*, std::uint8_t* indices,
                  std::uint8_t* palette, std::uint32_t* palette_size, double*,
                  double* out_gamma, QuantizeReport*) -> std::uint32_t {
      EngineCall call{width, height, gamma, *options, {}, {}, {}};
      std::size_t n = static_cast<std::size_t>(width) * height;
      if (options->pins) call.pins.assign(options->pins, options->pins + 4 * options->pin_count);
      if (options->focus_map) call.focus.assign(options->focus_map, options->focus_map + n);
      if (options->dither_map) call.dither.assign(options->dither_map, options->dither_map + n);
      calls.push_back(call);
      if (status != kQuantizeOk) return status;
      std::memset(indices, 0, n);
      std::memset(palette, 0, 1024);
      palette[0] = palette[1] = palette[2] = 128;
      palette[3] = 255;
      *palette_size = 1;
      if (out_gamma) *out_gamma = palette_gamma;
      return kQuantizeOk;
    };
  }
};

// Red channel of the test gradient, which the maps are made of.
std::vector<std::uint8_t> gradient_red(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> red;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) red.push_back(static_cast<std::uint8_t>(x * 255 / (width - 1)));
  return red;
}

}  // namespace

TEST(BatchRunner, OnePaletteColourIsTheWholePaletteAndPinsFileIsIgnored) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3));
  std::ofstream(scratch.file("one.txt")) << "#102030\n";
  BatchRequest request;
  request.options.colors = 64;
  request.palette_path = scratch.file("one.txt");
  request.pins_path = scratch.file("missing.txt");
  request.inputs = {scratch.file("a.png")};
  RecordingEngine engine;
  testing::internal::CaptureStdout();
  EXPECT_EQ(run_batch_request(request, engine.function()), 0);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(engine.calls.size(), 1u);
  EXPECT_EQ(engine.calls[0].options.colors, 1u);
  EXPECT_EQ(engine.calls[0].options.pin_count, 1u);
  EXPECT_EQ(engine.calls[0].pins, (std::vector<std::uint8_t>{0x10, 0x20, 0x30, 255}));
}

// The file declares what the engine says its palette is encoded for.
TEST(BatchRunner, WrittenFileDeclaresTheGammaTheEngineReturned) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3, 45455));
  BatchRequest request;
  request.quiet = true;
  request.inputs = {scratch.file("a.png")};
  RecordingEngine engine;
  engine.palette_gamma = 0.8;
  EXPECT_EQ(run_batch_request(request, engine.function()), 0);
  EXPECT_EQ(inspect_png(scratch.file("a-q.png")).gamma_100000, 80000u);
}

TEST(BatchRunner, PinsKeepTheRequestedColourCount) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3));
  std::ofstream(scratch.file("pins.txt")) << "#ff0000\n#00ff00\n#0000ff\n";
  BatchRequest request;
  request.options.colors = 64;
  request.pins_path = scratch.file("pins.txt");
  request.quiet = true;
  request.inputs = {scratch.file("a.png")};
  RecordingEngine engine;
  EXPECT_EQ(run_batch_request(request, engine.function()), 0);
  ASSERT_EQ(engine.calls.size(), 1u);
  EXPECT_EQ(engine.calls[0].options.colors, 64u);
  EXPECT_EQ(engine.calls[0].options.pin_count, 3u);
}

TEST(BatchRunner, CutColourListsAreNamedOnceOnStderr) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3));
  ASSERT_TRUE(write_test_png(scratch.file("b.png"), 4, 3));
  std::ofstream big(scratch.file("big.txt"));
  for (int i = 0; i < 300; ++i) big << i / 256 << ',' << i % 256 << ",7\n";
  big.close();
  BatchRequest request;
  request.quiet = true;
  request.palette_path = scratch.file("big.txt");
  request.inputs = {scratch.file("a.png"), scratch.file("b.png")};
  RecordingEngine engine;
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_batch_request(request, engine.function()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "palette " + request.palette_path + " has more than 256 colours; using the first 256\n");
  ASSERT_EQ(engine.calls.size(), 2u);
  EXPECT_EQ(engine.calls[1].options.colors, 256u);
  EXPECT_EQ(engine.calls[1].options.pin_count, 256u);

  // More pins than colours: the first ones are kept, and said so.
  std::ofstream(scratch.file("pins.txt")) << "#ff0000\n#00ff00\n#0000ff\n#ffffff\n";
  request = BatchRequest{};
  request.quiet = true;
  request.force = true;
  request.options.colors = 3;
  request.pins_path = scratch.file("pins.txt");
  request.inputs = {scratch.file("a.png")};
  engine.calls.clear();
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_batch_request(request, engine.function()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "pins " + request.pins_path + " hold more colours than the 3 asked for; using the first 3\n");
  ASSERT_EQ(engine.calls.size(), 1u);
  EXPECT_EQ(engine.calls[0].options.pin_count, 3u);
  EXPECT_EQ(engine.calls[0].options.colors, 3u);
}

TEST(BatchRunner, MapsReachTheEngineAsRedBytesWithTheFocusWeight) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 5, 4, 100000));
  ASSERT_TRUE(write_test_png(scratch.file("b.png"), 5, 4));
  ASSERT_TRUE(write_test_png(scratch.file("map.png"), 5, 4));
  BatchRequest request;
  request.quiet = true;
  request.options.focus_weight = 3.0;
  request.focus_weight = 9.0;
  request.focus_map_path = scratch.file("map.png");
  request.dither_map_path = scratch.file("map.png");
  request.inputs = {scratch.file("a.png"), scratch.file("b.png")};
  RecordingEngine engine;
  EXPECT_EQ(run_batch_request(request, engine.function()), 0);
  ASSERT_EQ(engine.calls.size(), 2u);
  for (const EngineCall& call : engine.calls) {
    EXPECT_EQ(call.focus, gradient_red(5, 4));
    EXPECT_EQ(call.dither, gradient_red(5, 4));
    EXPECT_DOUBLE_EQ(call.options.focus_weight, 9.0);
  }
  // The engine gets the gamma the file declared.
  EXPECT_DOUBLE_EQ(engine.calls[0].gamma, 1.0);

  // Without a focus map the saved weight stays.
  request.focus_map_path.clear();
  request.force = true;
  engine.calls.clear();
  EXPECT_EQ(run_batch_request(request, engine.function()), 0);
  ASSERT_EQ(engine.calls.size(), 2u);
  EXPECT_TRUE(engine.calls[1].focus.empty());
  EXPECT_DOUBLE_EQ(engine.calls[1].options.focus_weight, 3.0);
}

TEST(BatchRunner, EngineFailureIsReportedAndWritesNothing) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3));
  BatchRequest request;
  request.inputs = {scratch.file("a.png")};
  RecordingEngine engine;
  engine.status = kQuantizeOutOfMemory;
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_batch_request(request, engine.function()), 1);
  // Out of memory is said in the words every other place uses.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), scratch.file("a.png") + ": not enough memory\n");
  engine.status = kQuantizeInternalError;
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_batch_request(request, engine.function()), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), scratch.file("a.png") + ": quantizer failed (1)\n");
  EXPECT_FALSE(std::filesystem::exists(scratch.file("a-q.png")));
}

TEST(BatchRunner, AnOutputTakenByAnotherRunMeanwhileIsNotReplacedWithoutForce) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3));
  BatchRequest request;
  request.inputs = {scratch.file("a.png")};
  RecordingEngine engine;
  QuantizeFunction recorded = engine.function();
  // While this run quantizes, a second one writes the same output.
  QuantizeFunction racing = [&](auto... arguments) {
    std::ofstream(scratch.file("a-q.png")) << "the other run's";
    return recorded(arguments...);
  };
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_batch_request(request, racing), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            scratch.file("a-q.png") + " exists; not overwriting (use -f)\n");
  EXPECT_EQ(ScratchFolder::read_all(scratch.file("a-q.png")), "the other run's");
  request.force = true;
  EXPECT_EQ(run_batch_request(request, racing), 0);
  EXPECT_TRUE(inspect_png(scratch.file("a-q.png")).readable);
}

TEST(BatchRunner, AnExceptionFailsOnlyItsOwnFile) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("a.png"), 4, 3));
  ASSERT_TRUE(write_test_png(scratch.file("b.png"), 4, 3));
  BatchRequest request;
  request.inputs = {scratch.file("a.png"), scratch.file("b.png")};
  request.quiet = true;
  RecordingEngine engine;
  QuantizeFunction recording = engine.function();
  bool thrown = false;
  QuantizeFunction throwing_once = [&](auto... args) -> std::uint32_t {
    if (!thrown) {
      thrown = true;
      throw std::runtime_error("no threads");
    }
    return recording(args...);
  };
  testing::internal::CaptureStderr();
  EXPECT_EQ(run_batch_request(request, throwing_once), 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), scratch.file("a.png") + ": no threads\n");
  EXPECT_FALSE(std::filesystem::exists(scratch.file("a-q.png")));
  EXPECT_TRUE(std::filesystem::exists(scratch.file("b-q.png")));
}

TEST(BatchRunner, EncodingWhileMappingWritesTheBytesOfAWriteAfterTheRun) {
  ScratchFolder scratch;
  ASSERT_TRUE(write_test_png(scratch.file("big.png"), 320, 240));
  DecodedImage image;
  ASSERT_TRUE(load_image_file(scratch.file("big.png"), image).ok());
  for (std::int32_t dither : {1, 0}) {
    BatchRequest request;
    request.quiet = true;
    request.force = true;
    request.options.dither = dither;
    request.options.speed = 10;  // the test is about the file, not the palette
    request.inputs = {scratch.file("big.png")};
    ASSERT_EQ(run_batch_request(request), 0);

    std::vector<std::uint8_t> indices(320 * 240), palette(1024);
    std::uint32_t colours = 0;
    double gamma = 0;
    ASSERT_EQ(quantize_image(image.pixels.data(), 320, 240, image.gamma, &request.options, nullptr,
                             indices.data(), palette.data(), &colours, nullptr, &gamma),
              kQuantizeOk);
    std::vector<const std::uint8_t*> rows;
    for (std::size_t y = 0; y < 240; ++y) rows.push_back(indices.data() + y * 320);
    ASSERT_TRUE(write_indexed_png(scratch.file("after.png"), 320, 240, gamma, rows.data(),
                                  palette.data(), colours).ok());
    auto bytes = [](const std::string& path) {
      std::ifstream in(path, std::ios::binary);
      return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_TRUE(bytes(scratch.file("big-q.png")) == bytes(scratch.file("after.png")))
        << "dither " << dither;
  }
}
