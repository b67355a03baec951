// The same input and options must give the same bytes whatever the thread
// count and instruction-set level. The runtime is configured once per
// process, so every configuration runs the built executable as a child.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "tamble/isa_levels.h"
#include "tamble/runtime_env.h"

namespace fs = std::filesystem;

namespace {

struct Environment {
  const char* threads;
  const char* isa;
  bool scan_avx512;
};

const Environment kReference{"1", "scalar", false};
const Environment kOthers[] = {
    {"2", "avx2", false}, {"8", "avx512", true}, {"2", "avx512", false},
    {"8", "scalar", false}, {"2", "avx2", true},
};
const char* const kImages[] = {"chelsea.png", "coffee.png", "horse.png", "logo.png"};

std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string level_name(int level) { return tamble::find_isa_level(level)->name; }

// The settings and the levels they select on this processor, by the
// runtime's own rules (the child runs on the same processor).
std::string describe(const Environment& env) {
  const tamble::feature_mask here = tamble::processor_feature_bits();
  const int level = tamble::highest_isa_level(tamble::parse_isa_request(env.isa), here);
  const int scan = level == 3 && !env.scan_avx512 ? tamble::highest_isa_level(2, here) : level;
  return std::string("KESTRANE_THREADS=") + env.threads + " NQ_ISA=" + env.isa +
         (env.scan_avx512 ? " NQ_SCAN_AVX512=1" : "") + " (runs " + level_name(level) + ", scan " +
         level_name(scan) + ")";
}

// Parameters: speed, dithering word, rounds flag.
class Determinism : public ::testing::TestWithParam<std::tuple<int, const char*, int>> {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir_ = fs::temp_directory_path() / ("bq-determinism-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Quantizes every image in one child with the given environment, writing
  // beside links to the corpus images in a folder of its own.
  fs::path run(const Environment& env, const std::string& tag) {
    auto [speed, dither, rounds] = GetParam();
    fs::path folder = dir_ / tag;
    fs::create_directories(folder);
    std::string inputs;
    for (const char* image : kImages) {
      fs::create_symlink(fs::path(BQ_CORPUS_DIR) / image, folder / image);
      inputs += " '" + (folder / image).string() + "'";
    }
    // NQ_SPIN=0: eight spinning workers on a small shared machine cost far
    // more time than the test can spare, and spinning never changes results.
    std::string cmd = std::string("env -u NQ_SCAN_AVX512 NQ_SPIN=0 XDG_CONFIG_HOME='") +
                      dir_.string() +
                      "' KESTRANE_THREADS=" + env.threads + " NQ_ISA=" + env.isa +
                      (env.scan_avx512 ? " NQ_SCAN_AVX512=1" : "") + " '" + BQ_EXE_PATH +
                      "' --nogui --defaults -f -q -s " + std::to_string(speed) + " --dither " +
                      dither + " --rounds " + std::to_string(rounds) + inputs + " 2>'" +
                      (folder / "stderr").string() + "'";
    int rc = std::system(cmd.c_str());
    EXPECT_EQ(rc, 0) << cmd << "\n" << read_bytes(folder / "stderr");
    return folder;
  }

  fs::path dir_;
};

// Each combination compares the reference with one other configuration,
// rotating through the list so that every configuration is exercised.
TEST_P(Determinism, SameBytesForEveryThreadCountAndInstructionSet) {
  auto [speed, dither, rounds] = GetParam();
  fs::path reference = run(kReference, "reference");
  std::size_t pick = static_cast<std::size_t>(speed + rounds * 3 + (dither[0] == 'f') * 7);
  const Environment& env = kOthers[pick % std::size(kOthers)];
  fs::path other = run(env, "other");
  std::printf("[  level   ] %s\n", describe(env).c_str());
  RecordProperty("level_ran", describe(env));
  for (const char* image : kImages) {
    std::string name = fs::path(image).stem().string() + "-q.png";
    std::string expected = read_bytes(reference / name);
    ASSERT_GT(expected.size(), 100u) << image;
    EXPECT_TRUE(read_bytes(other / name) == expected) << image << " differs with " << describe(env);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, Determinism,
                         ::testing::Combine(::testing::Values(1, 3, 10),
                                            ::testing::Values("none", "fs"),
                                            ::testing::Values(0, 1)),
                         [](const auto& info) {
                           return "s" + std::to_string(std::get<0>(info.param)) + "_" +
                                  std::get<1>(info.param) + "_r" +
                                  std::to_string(std::get<2>(info.param));
                         });

}  // namespace
