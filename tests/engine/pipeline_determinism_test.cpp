// The same input and options must give the same bytes whatever the thread
// count and instruction-set level. The runtime is configured once per
// process, so every configuration runs the built executable as a child.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Environment {
  const char* threads;
  const char* isa;
  bool scan_avx512;
};

const Environment kReference{"1", "scalar", false};
const Environment kOthers[] = {
    {"2", "avx2", false}, {"8", "avx512", true}, {"2", "avx512", false}, {"8", "scalar", false},
    {"2", "avx2", true},
};

std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Determinism
    : public ::testing::TestWithParam<std::tuple<const char*, int, const char*, int>> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("bq-determinism-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Quantizes the corpus image in a child with the given environment; returns the PNG bytes.
  std::string run(const Environment& env, const std::string& tag) {
    auto [image, speed, dither, rounds] = GetParam();
    fs::path out = dir_ / (tag + ".png");
    std::string cmd = std::string("env -u NQ_SCAN_AVX512 XDG_CONFIG_HOME='") + dir_.string() +
                      "' KESTRANE_THREADS=" + env.threads + " NQ_ISA=" + env.isa +
                      (env.scan_avx512 ? " NQ_SCAN_AVX512=1" : "") + " '" + BQ_EXE_PATH +
                      "' --nogui --defaults -f -q -s " + std::to_string(speed) + " --dither " +
                      dither + " --rounds " + std::to_string(rounds) + " -o '" + out.string() +
                      "' '" + BQ_CORPUS_DIR + "/" + image + "' 2>'" +
                      (dir_ / (tag + ".err")).string() + "'";
    int rc = std::system(cmd.c_str());
    EXPECT_EQ(rc, 0) << cmd << "\n" << read_bytes(dir_ / (tag + ".err"));
    return read_bytes(out);
  }

  fs::path dir_;
};

// Each combination checks the reference against two other configurations,
// rotating through the list so that every one is covered on every image.
TEST_P(Determinism, SameBytesForEveryThreadCountAndInstructionSet) {
  auto [image, speed, dither, rounds] = GetParam();
  std::string reference = run(kReference, "reference");
  ASSERT_GT(reference.size(), 100u);
  std::size_t pick = std::hash<std::string>{}(std::string(image)) + speed * 3 + rounds +
                     (dither[0] == 'f');
  for (std::size_t k = 0; k < 2; ++k) {
    const Environment& env = kOthers[(pick + k) % std::size(kOthers)];
    std::string other = run(env, std::string("t") + env.threads + env.isa);
    EXPECT_TRUE(other == reference) << "KESTRANE_THREADS=" << env.threads << " NQ_ISA=" << env.isa
                                    << (env.scan_avx512 ? " NQ_SCAN_AVX512=1" : "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, Determinism,
    ::testing::Combine(::testing::Values("chelsea.png", "coffee.png", "horse.png", "logo.png"),
                       ::testing::Values(1, 3, 10), ::testing::Values("none", "fs"),
                       ::testing::Values(0, 1)),
    [](const auto& info) {
      std::string name = std::get<0>(info.param);
      name = name.substr(0, name.find('.'));
      return name + "_s" + std::to_string(std::get<1>(info.param)) + "_" +
             std::get<2>(info.param) + "_r" + std::to_string(std::get<3>(info.param));
    });

}  // namespace
