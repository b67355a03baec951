// The INI layer, the settings location, engine keys and parameter blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "io/settings/ini_text.h"
#include "io/settings.h"
#include "tests/io/io_test_support.h"
#include "tests/io/special_files.h"
#include "tests/support/test_environment.h"

TEST(IniText, FindsKeysWithoutRegardToCaseAndKeepsTheRestWhenWriting) {
  const std::string text =
      "; my notes\n[Other]\ncolors=9\n\n[brisel QUANTIZER]\r\n  Colors = 12 \r\nname=\"quoted\"\r\n"
      "[Last]\nx=1\n";
  EXPECT_EQ(ini_find_value(text, "Brisel Quantizer", "COLORS"), "12");
  EXPECT_EQ(ini_find_value(text, "Brisel Quantizer", "name"), "quoted");
  EXPECT_EQ(ini_find_value(text, "Brisel Quantizer", "x"), std::nullopt);
  EXPECT_EQ(ini_find_value(text, "Missing", "x"), std::nullopt);

  std::string changed = ini_with_value(text, "Brisel Quantizer", "colors", "64");
  EXPECT_EQ(changed,
            "; my notes\n[Other]\ncolors=9\n\n[brisel QUANTIZER]\r\ncolors=64\r\nname=\"quoted\"\r\n"
            "[Last]\nx=1\n");
  std::string added = ini_with_value(changed, "Brisel Quantizer", "speed", "5");
  EXPECT_EQ(added.find("name=\"quoted\"\r\nspeed=5\n[Last]"), changed.find("name=") );
  EXPECT_EQ(ini_with_value("[A]\nk=v", "Brisel Quantizer", "speed", "5"),
            "[A]\nk=v\n[Brisel Quantizer]\nspeed=5\n");
}

TEST(IniText, IntegersParseLikeTheProfileFunctions) {
  EXPECT_EQ(ini_parse_int("  42abc"), 42);
  EXPECT_EQ(ini_parse_int("-7"), -7);
  EXPECT_EQ(ini_parse_int("+8"), 8);
  EXPECT_EQ(ini_parse_int("abc"), 0);
  EXPECT_EQ(ini_parse_int("1.9"), 1);
  EXPECT_EQ(ini_parse_int("99999999999"), 2147483647);
  EXPECT_EQ(ini_parse_int("-99999999999"), -2147483647 - 1);
}

TEST(SettingsFile, TypedValuesRoundTripAndEmptyPathIsInert) {
  ScratchFolder folder;
  std::string path = folder.file("settings.ini");
  write_text(path, "[Window]\nkeep=me\n");
  settings_write_int(path, "view", -3);
  settings_write_real(path, "zoom", 2.5);
  settings_write_real(path, "ui_zoom", 1.0 / 3.0);
  settings_write_text(path, "recent0", "/a b/c\nd.png");
  EXPECT_EQ(settings_read_int(path, "VIEW", 7), -3);
  EXPECT_EQ(settings_read_real(path, "zoom", 1), 2.5);
  EXPECT_EQ(settings_read_text(path, "ui_zoom", ""), "0.333333");
  EXPECT_EQ(settings_read_text(path, "recent0", ""), "/a b/c d.png");
  EXPECT_EQ(settings_read_int(path, "missing", 7), 7);
  EXPECT_EQ(settings_read_text(folder.file("none.ini"), "view", "x"), "x");
  EXPECT_EQ(read_text(path).rfind("[Window]\nkeep=me\n[Brisel Quantizer]\nview=-3\n", 0), 0u);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"settings.ini"});

  settings_write_int("", "view", 1);
  EXPECT_EQ(settings_read_int("", "view", 5), 5);
  write_text(path, "[Brisel Quantizer]\nempty=\nword=abc\n");
  EXPECT_EQ(settings_read_int(path, "empty", 5), 5);
  EXPECT_EQ(settings_read_int(path, "word", 5), 0);
  EXPECT_EQ(settings_read_real(path, "word", 5), 0.0);
}

TEST(EngineSettings, LimitsApplyInOrder) {
  ScratchFolder folder;
  std::string path = folder.file("settings.ini");
  write_text(path, "[Brisel Quantizer]\ncolors=1\nspeed=0\ndither=9\nchroma_weight=0\n"
                   "dither_strength=1.8\ndither_damper=nan\nfocus_weight=99\ngpu=-4\n");
  QuantizerOptions options;
  options.colors = 64;
  load_engine_settings(path, options);
  EXPECT_EQ(options.colors, 2u);
  EXPECT_EQ(options.speed, 1u);
  EXPECT_EQ(options.dither, 4);
  EXPECT_EQ(options.chroma_weight, 1.0);
  EXPECT_EQ(options.dither_strength, 1.8);  // dither 2 and above allow up to 2
  EXPECT_EQ(options.dither_damper, 1.0);    // not a number: the lower bound
  EXPECT_EQ(options.focus_weight, 25.0);
  EXPECT_EQ(options.gpu, 1u);
  EXPECT_EQ(options.dither_floor, QuantizerOptions{}.dither_floor);  // missing keys keep their value

  write_text(path, "[Brisel Quantizer]\ndither=1\ndither_strength=1.8\n");
  load_engine_settings(path, options);
  EXPECT_EQ(options.dither_strength, 1.0);
  QuantizerOptions untouched;
  load_engine_settings("", untouched);
  EXPECT_EQ(format_parameter_block(untouched), format_parameter_block(QuantizerOptions{}));
}

TEST(EngineSettings, OnlyASmallRegularFileIsReadAndAByteOrderMarkIsSkipped) {
  ScratchFolder folder;
  std::string path = folder.file("settings.ini");
  write_text(path, "\xEF\xBB\xBF[Brisel Quantizer]\ncolors=12\n");
  QuantizerOptions options;
  load_engine_settings(path, options);
  EXPECT_EQ(options.colors, 12u);

  // A folder, a file of 5 MB (and on POSIX systems an endless device and a
  // pipe nobody writes): defaults after one warning each, at once and without
  // reading them whole.
  std::string big = folder.file("big.ini");
  write_text(big, "[Brisel Quantizer]\ncolors=12\n" + std::string(5 << 20, ';'));
  std::vector<std::string> hostile_files = special_files(folder);
  hostile_files.insert(hostile_files.end(), {big, folder.path()});
  for (const std::string& hostile : hostile_files) {
    QuantizerOptions defaults;
    testing::internal::CaptureStderr();
    load_engine_settings(hostile, defaults);
    EXPECT_EQ(settings_read_int(hostile, "colors", 7), 7);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(format_parameter_block(defaults), format_parameter_block(QuantizerOptions{}));
    EXPECT_EQ(said.find("settings file " + hostile), 0u) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
  }
}

// Text without a number keeps the value held before; a leading number counts,
// as the profile functions read it.
TEST(EngineSettings, TextThatIsNotANumberKeepsTheDefault) {
  ScratchFolder folder;
  std::string path = folder.file("settings.ini");
  write_text(path, "[Brisel Quantizer]\ncolors=abc\nspeed=7x\ndither=-\ndither_floor=abc\n"
                   "sum_pow=.25\ngpu=on\nmediancut_rounds=x1\nfocus_weight=+\n");
  QuantizerOptions options;
  options.colors = 64;
  options.gpu = 1;
  load_engine_settings(path, options);
  EXPECT_EQ(options.colors, 64u);
  EXPECT_EQ(options.speed, 7u);
  EXPECT_EQ(options.dither, QuantizerOptions{}.dither);
  EXPECT_EQ(options.dither_floor, QuantizerOptions{}.dither_floor);
  EXPECT_EQ(options.sum_pow, 0.25);
  EXPECT_EQ(options.gpu, 1u);
  EXPECT_EQ(options.mediancut_rounds, 1u);
  EXPECT_EQ(options.focus_weight, 1.0);
}

TEST(ParameterBlock, TextAndRoundTrip) {
  QuantizerOptions options;
  EXPECT_EQ(format_parameter_block(options),
            "; Brisel Quantizer parameters\ncolors=256\nspeed=3\ndither=1\ndither_strength=1.0000\n"
            "dither_damper=8.0000\ndither_floor=0.7500\nplan_restraint=0.1750\nchroma_weight=1.0000\n"
            "max_error_pow=1.0000\nsum_pow=1.0000\nmediancut_rounds=1\ngpu=0\nfocus_weight=1.0000\n"
            "quality_target=0\nquality_min=0\nquality_max=100\n");
  options.colors = 17;
  options.quality_target = 1;
  options.quality_min = 30;
  options.quality_max = 85;
  options.dither = 3;
  options.dither_strength = 1.25;
  options.chroma_weight = 3.5;
  options.mediancut_rounds = 0;
  std::string block = format_parameter_block(options);
  QuantizerOptions pasted;
  int count = 0;
  std::string message;
  ASSERT_TRUE(read_parameter_block(block, pasted, count, message));
  EXPECT_EQ(count, 16);
  EXPECT_EQ(format_parameter_block(pasted), block);
  EXPECT_EQ(pasted.chroma_weight, 3.5);

  // A block from before the quality target leaves it as it was.
  const std::string older = "colors=256\nspeed=3\ndither=1\ndither_strength=1.0000\n"
                            "dither_damper=8.0000\ndither_floor=0.7500\nplan_restraint=0.1750\n"
                            "chroma_weight=1.0000\nmax_error_pow=1.0000\nsum_pow=1.0000\n"
                            "mediancut_rounds=1\ngpu=0\nfocus_weight=1.0000\n";
  ASSERT_TRUE(read_parameter_block(older, pasted, count, message));
  EXPECT_EQ(count, 13);
  EXPECT_EQ(pasted.colors, 256u);
  EXPECT_EQ(pasted.quality_target, 1u);
  EXPECT_EQ(pasted.quality_min, 30u);
  EXPECT_EQ(pasted.quality_max, 85u);
}

TEST(ParameterBlock, PastedVariants) {
  ScratchFolder temporary;
  auto temporary_folder = std::make_unique<TemporaryFolderOverride>(temporary.path());
  QuantizerOptions options;
  int count = -1;
  std::string message;

  // Windows line ends, indentation and a foreign section header change nothing.
  ASSERT_TRUE(read_parameter_block("[Other]\r\n  colors=12  \r\n\tspeed = 9\r\n", options, count, message));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(options.colors, 12u);
  EXPECT_EQ(options.speed, 9u);

  QuantizerOptions only_speed;
  ASSERT_TRUE(read_parameter_block("speed=10", only_speed, count, message));
  EXPECT_EQ(count, 1);
  QuantizerOptions expected;
  expected.speed = 10;
  EXPECT_EQ(format_parameter_block(only_speed), format_parameter_block(expected));

  QuantizerOptions word;
  ASSERT_TRUE(read_parameter_block("hello", word, count, message));
  EXPECT_EQ(count, 0);
  ASSERT_TRUE(read_parameter_block("colors=\nnot_ours=5\n", word, count, message));
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(read_parameter_block(std::string(65537, 'x'), word, count, message));
  EXPECT_EQ(message, "that is not a parameter block");
  EXPECT_TRUE(temporary.entries().empty());

  temporary_folder.reset();
  TemporaryFolderOverride missing_folder(temporary.path() + "/missing");
  EXPECT_FALSE(read_parameter_block("speed=2", word, count, message));
  EXPECT_EQ(message, "no temporary file");
}
