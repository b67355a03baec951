// The reference comparison against stand-in programs written here: what they are
// given, what counts as their answer, and that nothing is left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "app/document/png_size.h"
#include "app/document/reference_run.h"
#include "app/platform/output_program.h"
#include "app/shell/reference_program.h"
#include "io/png_write.h"
#include "tests/cli/run_program.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kWidth = 6;
constexpr std::uint32_t kHeight = 4;

std::vector<std::uint8_t> test_pixels() {
  std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 37 + 11);
  for (std::size_t p = 0; p < kWidth * kHeight; ++p) pixels[p * 4 + 3] = 255;
  return pixels;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_executable(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  fs::permissions(path, fs::perms::owner_all);
}

// Running, not a zombie waiting for a parent that may never reap it.
bool process_running(pid_t pid) {
  std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
  std::size_t end = stat.rfind(')');
  return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] != 'Z';
}

// A scratch folder whose "tmp" is the temporary folder for the test's length, so
// that what the run leaves there can be counted; stand-ins live in "bin".
class ReferenceRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    if (old != nullptr) old_tmpdir_ = old;
    fs::create_directories(tmp());
    fs::create_directories(bin());
    setenv("TMPDIR", tmp().c_str(), 1);
    options_.colors = 12;
    options_.speed = 4;
  }
  void TearDown() override {
    if (old_tmpdir_)
      setenv("TMPDIR", old_tmpdir_->c_str(), 1);
    else
      unsetenv("TMPDIR");
  }
  std::string tmp() const { return scratch_.file("tmp"); }
  std::string bin() const { return scratch_.file("bin"); }

  // A stand-in that logs its arguments one a line, then runs `body` with $out the output path.
  std::string stand_in(const std::string& body) {
    std::string path = bin() + "/stand-in";
    write_executable(path, "#!/bin/sh\nfor a in \"$0\" \"$@\"; do echo \"$a\"; done > '" + bin() +
                               "/args'\nfor a in \"$@\"; do in=$a; done\nout=\"${in%.png}-ref.png\"\n" +
                               body + "\n");
    return path;
  }
  QuantResult run(const std::string& program, int timeout_ms = kReferenceTimeoutMs) {
    ReferenceRequest request{pixels_.data(), kWidth, kHeight, 0.0, &options_, program};
    return run_reference(request, timeout_ms);
  }
  std::vector<std::string> logged_arguments() const {
    std::vector<std::string> lines;
    std::istringstream text(read_file(bin() + "/args"));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }
  bool temporary_folder_empty() const { return fs::is_empty(tmp()); }

  ScratchFolder scratch_;
  std::optional<std::string> old_tmpdir_;
  std::vector<std::uint8_t> pixels_ = test_pixels();
  QuantizerOptions options_;
};

TEST_F(ReferenceRun, TheProgramGetsTheCommandLineAndItsCopyComparesEqual) {
  std::string program = stand_in("cp \"$in\" \"$out\"; cp \"$in\" '" + bin() + "/input.png'");
  options_.dither = 0;
  QuantResult reference = run(program);
  std::vector<std::string> args = logged_arguments();
  ASSERT_EQ(args.size(), 9u);
  EXPECT_EQ((std::vector<std::string>(args.begin(), args.end() - 1)),
            (std::vector<std::string>{program, "--force", "--speed", "4", "--ext", "-ref.png", "--nofs", "12"}));
  const std::string& input = args.back();
  EXPECT_EQ(fs::path(input).parent_path(), fs::path(tmp()));
  EXPECT_EQ(fs::path(input).extension(), ".png");

  // The source went over as it is, so the copy is the source: nothing differs.
  ASSERT_TRUE(reference.ok);
  EXPECT_EQ(reference.width, kWidth);
  EXPECT_EQ(reference.rgba, pixels_);
  EXPECT_NEAR(reference.gamma, kDefaultGamma, 1e-5);  // a gamma of 0 goes over as 1/2.2
  EXPECT_EQ(reference.psnr, 99.0);
  EXPECT_EQ(reference.rmse, 0.0);
  EXPECT_EQ(reference.png_size, fs::file_size(bin() + "/input.png"));
  EXPECT_TRUE(temporary_folder_empty());

  for (int dither : {1, 2, 4}) {
    options_.dither = dither;
    ASSERT_TRUE(run(program).ok);
    args = logged_arguments();
    EXPECT_EQ(std::count(args.begin(), args.end(), "--nofs"), 0) << dither;
    EXPECT_EQ(args.size(), 8u);
    EXPECT_EQ(args[6], "12");  // the colour count straight after the suffix
  }
}

TEST_F(ReferenceRun, AnyOtherOutcomeIsNoReferenceAndLeavesNothing) {
  // A 3 x 3 picture stands for an output of another size.
  std::vector<std::uint8_t> small(3 * 3 * 4, 200);
  std::vector<const std::uint8_t*> rows = row_pointers(small.data(), 3, 12);
  std::FILE* file = std::fopen((bin() + "/small.png").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(write_rgba_png(file, 3, 3, 0.45, rows.data()).ok());
  std::fclose(file);
  EXPECT_FALSE(run(stand_in("cp '" + bin() + "/small.png' \"$out\"")).ok);
  EXPECT_TRUE(temporary_folder_empty());

  EXPECT_FALSE(run(stand_in("echo not a picture > \"$out\"")).ok);
  EXPECT_FALSE(run(stand_in("exit 3")).ok);
  EXPECT_FALSE(run(bin() + "/missing").ok);
  EXPECT_TRUE(temporary_folder_empty());
}

TEST_F(ReferenceRun, AProgramPastItsTimeIsKilledWithItsHelpers) {
  // The helper sleeps in the background, as a script's tool would, and would write late.
  std::string program = stand_in("sleep 30 &\necho $! > '" + bin() + "/helper'\nwait\ncp \"$in\" \"$out\"");
  auto start = std::chrono::steady_clock::now();
  QuantResult reference = run(program, 300);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(reference.ok);
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  EXPECT_TRUE(temporary_folder_empty());
  pid_t helper = std::atoi(read_file(bin() + "/helper").c_str());
  ASSERT_GT(helper, 0);
  // The signal may take a moment to land on the orphan.
  bool running = true;
  for (int i = 0; i < 100 && running; ++i) {
    running = process_running(helper);
    if (running) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(running);
}

TEST_F(ReferenceRun, AStopRequestEndsTheWaitEarly) {
  std::atomic<bool> cancel{true};
  ReferenceRequest request{pixels_.data(), kWidth, kHeight, 0.0, &options_, stand_in("sleep 30"), &cancel};
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(run_reference(request).ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(temporary_folder_empty());
}

TEST(ReferenceProgram, AnotherKestraneComesFirstThenAnAdapterWhoseToolIsThere) {
  ScratchFolder folder;
  std::vector<std::string> tools_present;
  ToolOnPath on_path = [&](const std::string& tool) {
    return std::find(tools_present.begin(), tools_present.end(), tool) != tools_present.end();
  };
  auto place = [&](const char* name) { write_executable(folder.file(name), "#!/bin/sh\n"); };
  place("brisel-reference-ffmpeg");
  place("brisel-reference-imagemagick");
  EXPECT_EQ(locate_reference_program(folder.path(), on_path), "");
  tools_present = {"convert"};
  EXPECT_EQ(locate_reference_program(folder.path(), on_path), folder.file("brisel-reference-imagemagick"));
  tools_present = {"convert", "ffmpeg"};
  EXPECT_EQ(locate_reference_program(folder.path(), on_path), folder.file("brisel-reference-ffmpeg"));
  place("kestrane");
  EXPECT_EQ(locate_reference_program(folder.path(), on_path), folder.file("kestrane"));
  place("modern-kestrane");
  EXPECT_EQ(locate_reference_program(folder.path(), on_path), folder.file("modern-kestrane"));

  Document document;
  find_reference_program(document, folder.path(), on_path);
  EXPECT_EQ(document.compare_path, folder.file("modern-kestrane"));
  EXPECT_TRUE(document.compare_path_found);
  Document chosen;
  chosen.compare_path = "/opt/mine";
  find_reference_program(chosen, folder.path(), on_path);
  EXPECT_EQ(chosen.compare_path, "/opt/mine");
  EXPECT_FALSE(chosen.compare_path_found);
}

// The adapters against the real peers, when the machine has them.
TEST_F(ReferenceRun, TheAdaptersMakeAPictureOfTheSourceSize) {
  std::string build = fs::path(BQ_EXE_PATH).parent_path();
  int ran = 0;
  for (auto [adapter, tool] : {std::pair{"brisel-reference-ffmpeg", "ffmpeg"},
                               std::pair{"brisel-reference-imagemagick", "convert"}}) {
    if (!program_on_path(tool)) continue;
    for (int dither : {0, 1}) {
      options_.dither = dither;
      QuantResult reference = run(build + "/" + adapter);
      ASSERT_TRUE(reference.ok) << adapter;
      EXPECT_EQ(reference.height, kHeight);
      EXPECT_GT(reference.png_size, 0u);
      EXPECT_GT(reference.psnr, 10.0);
    }
    ++ran;
  }
  EXPECT_TRUE(temporary_folder_empty());
  if (ran == 0) GTEST_SKIP() << "neither ffmpeg nor convert is installed";
}

}  // namespace
