// The reference comparison against stand-in programs written here: what they are
// given, what counts as their answer, and that nothing is left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/document/reference_run.h"
#include "tests/app/document_test_access.h"
#include "app/platform/output_program.h"
#include "app/shell/reference_program.h"
#include "tests/cli/run_program.h"

namespace {

namespace fs = std::filesystem;

std::string read_file(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
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

// The scratch folder's "tmp" is the temporary folder while the test runs, so what a
// run leaves there can be seen; stand-ins live in "bin".
class ReferenceRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(tmp());
    fs::create_directories(bin());
    setenv("TMPDIR", tmp().c_str(), 1);  // each test runs in a process of its own
    for (std::size_t i = 0; i < pixels_.size(); ++i) pixels_[i] = i % 4 == 3 ? 255 : i * 37 + 11;
    options_.colors = 12;
    options_.speed = 4;
  }
  std::string tmp() const { return scratch_.file("tmp"); }
  std::string bin() const { return scratch_.file("bin"); }

  // Logs its argument vector one a line, then runs `body` with $in and $out set.
  std::string stand_in(const std::string& body) {
    std::string path = bin() + "/stand-in";
    write_executable(path, "#!/bin/sh\nfor a in \"$0\" \"$@\"; do echo \"$a\"; in=$a; done > '" + bin() +
                               "/args'\nout=\"${in%.png}-ref.png\"\n" + body + "\n");
    return path;
  }
  QuantResult run(const std::string& program, int timeout_ms = kReferenceTimeoutMs) {
    return run_reference({pixels_.data(), 6, 4, 0.0, &options_, program}, timeout_ms);
  }
  std::vector<std::string> arguments() const {
    std::vector<std::string> lines;
    std::istringstream text(read_file(bin() + "/args"));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  ScratchFolder scratch_;
  std::vector<std::uint8_t> pixels_ = std::vector<std::uint8_t>(6 * 4 * 4);
  QuantizerOptions options_;
};

TEST_F(ReferenceRun, TheProgramGetsTheCommandLineAndItsCopyComparesEqual) {
  std::string program = stand_in("cp \"$in\" \"$out\"; cp \"$in\" '" + bin() + "/input.png'");
  options_.dither = 0;
  QuantResult reference = run(program);
  std::vector<std::string> args = arguments();
  ASSERT_EQ(args.size(), 9u);
  EXPECT_EQ((std::vector<std::string>(args.begin(), args.end() - 1)),
            (std::vector<std::string>{program, "--force", "--speed", "4", "--ext", "-ref.png", "--nofs", "12"}));
  EXPECT_EQ(fs::path(args.back()).parent_path(), fs::path(tmp()));
  EXPECT_EQ(fs::path(args.back()).extension(), ".png");
  // The source went over as it is, so the copy is the source.
  ASSERT_TRUE(reference.ok);
  EXPECT_EQ(reference.rgba, pixels_);
  EXPECT_NEAR(reference.gamma, kDefaultGamma, 1e-5);  // a gamma of 0 goes over as 1/2.2
  EXPECT_EQ(reference.psnr, 99.0);
  EXPECT_EQ(reference.png_size, fs::file_size(bin() + "/input.png"));
  EXPECT_TRUE(fs::is_empty(tmp()));

  for (int dither : {1, 2, 4}) {
    options_.dither = dither;
    ASSERT_TRUE(run(program).ok);
    args = arguments();
    EXPECT_EQ(args.size(), 8u);
    EXPECT_EQ(std::count(args.begin(), args.end(), "--nofs"), 0) << dither;
  }
}

TEST_F(ReferenceRun, AnyOtherOutcomeIsNoReferenceAndLeavesNothing) {
  // A one-row source, kept by a stand-in, is an output of another size for the full one.
  std::vector<std::uint8_t> row(pixels_.begin(), pixels_.begin() + 6 * 4);
  run_reference({row.data(), 6, 1, 0.0, &options_, stand_in("cp \"$in\" '" + bin() + "/row.png'")});
  ASSERT_TRUE(fs::exists(bin() + "/row.png"));
  EXPECT_FALSE(run(stand_in("cp '" + bin() + "/row.png' \"$out\"")).ok);
  EXPECT_FALSE(run(stand_in("echo not a picture > \"$out\"")).ok);
  EXPECT_FALSE(run(bin() + "/missing").ok);
  EXPECT_TRUE(fs::is_empty(tmp()));
}

TEST_F(ReferenceRun, AProgramPastItsTimeIsKilledWithItsHelpers) {
  // The helper sleeps in the background, as a script's tool would, and would write late.
  std::string program = stand_in("sleep 30 &\necho $! > '" + bin() + "/helper'\nwait\ncp \"$in\" \"$out\"");
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(run(program, 300).ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(fs::is_empty(tmp()));
  pid_t helper = std::atoi(read_file(bin() + "/helper").c_str());
  ASSERT_GT(helper, 0);
  bool running = true;  // the signal may take a moment to land
  for (int i = 0; i < 100 && running; ++i) {
    running = process_running(helper);
    if (running) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(running);

  // Closing the window stops the wait at once rather than after the time limit.
  std::atomic<bool> cancel{true};
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(run_reference({pixels_.data(), 6, 4, 0.0, &options_, program, &cancel}).ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(fs::is_empty(tmp()));
}

TEST(ReferenceProgram, AnotherKestraneComesFirstThenAnAdapterWhoseToolIsThere) {
  ScratchFolder folder;
  std::vector<std::string> tools;
  ToolOnPath on_path = [&](const std::string& tool) { return std::count(tools.begin(), tools.end(), tool) > 0; };
  auto place = [&](const char* name) { write_executable(folder.file(name), "#!/bin/sh\n"); };
  auto found = [&] { return fs::path(locate_reference_program(folder.path(), on_path)).filename(); };
  place("brisel-reference-ffmpeg");
  place("brisel-reference-imagemagick");
  EXPECT_EQ(found(), "");
  tools = {"convert"};
  EXPECT_EQ(found(), "brisel-reference-imagemagick");
  tools = {"magick"};
  EXPECT_EQ(found(), "brisel-reference-imagemagick");
  tools = {"convert", "ffmpeg"};
  EXPECT_EQ(found(), "brisel-reference-ffmpeg");
  place("kestrane");
  EXPECT_EQ(found(), "kestrane");
  place("modern-kestrane");
  EXPECT_EQ(found(), "modern-kestrane");

  Document document;
  find_reference_program(document, folder.path(), on_path);
  EXPECT_EQ(document.compare_path(), folder.file("modern-kestrane"));
  EXPECT_TRUE(DocumentTestAccess::compare_path_found(document));
  Document chosen;
  DocumentTestAccess::compare_path(chosen) = "/opt/mine";
  find_reference_program(chosen, folder.path(), on_path);
  EXPECT_EQ(chosen.compare_path(), "/opt/mine");
  EXPECT_FALSE(DocumentTestAccess::compare_path_found(chosen));
}

// The adapters against the real peers where the machine has them; a program of
// the same name that is not the peer is refused with 127, not run.
TEST_F(ReferenceRun, TheAdaptersMakeAPictureOfTheSourceSize) {
  std::string build = fs::path(BQ_EXE_PATH).parent_path();
  std::string skipped;
  for (const char* adapter : {"brisel-reference-ffmpeg", "brisel-reference-imagemagick"}) {
    std::string check = "'" + build + "/" + adapter + "' --check 2>/dev/null";
    if (std::system(check.c_str()) != 0) {
      skipped += std::string(skipped.empty() ? "" : ", ") + adapter;
      continue;
    }
    for (int dither : {0, 1}) {
      options_.dither = dither;
      QuantResult reference = run(build + "/" + adapter);
      ASSERT_TRUE(reference.ok) << adapter;
      EXPECT_GT(reference.png_size, 0u);
      EXPECT_GT(reference.psnr, 10.0);
    }
  }
  EXPECT_TRUE(fs::is_empty(tmp()));
  if (!skipped.empty()) GTEST_SKIP() << "not run, their peer is not installed: " << skipped;
}

TEST_F(ReferenceRun, AnAdapterRefusesAToolThatIsNotItsPeer) {
  std::string build = fs::path(BQ_EXE_PATH).parent_path();
  std::string fakes = scratch_.file("fakes");
  fs::create_directories(fakes);
  for (const char* tool : {"convert", "ffmpeg"})
    write_executable(fakes + "/" + tool, "#!/bin/sh\necho 'some other tool 1.0'\n[ \"$1\" = -version ] || touch \"$0.ran\"\n");
  for (const char* adapter : {"brisel-reference-ffmpeg", "brisel-reference-imagemagick"}) {
    std::string command = "PATH='" + fakes + ":/usr/bin:/bin' '" + build + "/" + adapter + "' 8 '" +
                          scratch_.file("in.png") + "' 2>'" + scratch_.file("said") + "'";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << adapter;
    EXPECT_EQ(WEXITSTATUS(status), 127) << adapter;
    EXPECT_NE(read_file(scratch_.file("said")).find("is not"), std::string::npos) << read_file(scratch_.file("said"));
  }
  EXPECT_FALSE(fs::exists(fakes + "/convert.ran"));
  EXPECT_FALSE(fs::exists(fakes + "/ffmpeg.ran"));
}

}  // namespace
