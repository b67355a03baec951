#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/batch_request.h"

namespace {

BatchParseResult parse(std::vector<std::string> arguments, QuantizerOptions start = {}) {
  return parse_batch_arguments(arguments, start);
}

// Parses "<option> <value> in.png" and expects the run to go on.
QuantizerOptions options_after(const std::string& option, const std::string& value) {
  BatchParseResult result = parse({option, value, "in.png"});
  EXPECT_EQ(result.outcome, BatchParseOutcome::run) << option << " " << value;
  return result.request.options;
}

}  // namespace

TEST(BatchArguments, IntegerOptionsClamp) {
  EXPECT_EQ(options_after("-c", "1").colors, 2u);
  EXPECT_EQ(options_after("-c", "300").colors, 256u);
  EXPECT_EQ(options_after("-c", "+16").colors, 16u);
  // Far beyond int must saturate, not wrap into a small or negative count.
  EXPECT_EQ(options_after("-c", "99999999999").colors, 256u);
  EXPECT_EQ(options_after("-c", "-99999999999").colors, 2u);
  EXPECT_EQ(options_after("-s", "0").speed, 1u);
  EXPECT_EQ(options_after("--speed", "11").speed, 10u);
  EXPECT_EQ(options_after("--plan-colors", "9").plan_colors, 4u);
  EXPECT_EQ(options_after("--gpu", "7").gpu, 1u);
  EXPECT_EQ(options_after("--gpu", "0").gpu, 0u);
  EXPECT_EQ(options_after("--rounds", "0").mediancut_rounds, 0u);
  EXPECT_EQ(options_after("--rounds", "-3").mediancut_rounds, 1u);
}

TEST(BatchArguments, RealOptionsClampLowerBoundFirst) {
  EXPECT_DOUBLE_EQ(options_after("--vividness", "1").chroma_weight, 12.5);
  EXPECT_DOUBLE_EQ(options_after("--vividness", "0.5").chroma_weight, 1.0 + 11.5 * 0.25);
  EXPECT_DOUBLE_EQ(options_after("--share", "0.25").sum_pow, 0.75);
  EXPECT_DOUBLE_EQ(options_after("--share", "-1").sum_pow, 1.0);
  EXPECT_DOUBLE_EQ(options_after("--damper", "0").dither_damper, 1.0);
  EXPECT_DOUBLE_EQ(options_after("--damper", "100").dither_damper, 30.0);
  EXPECT_DOUBLE_EQ(options_after("--floor", "2").dither_floor, 1.0);
  EXPECT_DOUBLE_EQ(options_after("--fairness", "0").max_error_pow, 1.0);
  EXPECT_DOUBLE_EQ(options_after("--strength", "-1").dither_strength, 0.0);
  // Infinity is a number, and lands on the upper bound.
  EXPECT_DOUBLE_EQ(options_after("--damper", "inf").dither_damper, 30.0);

  BatchParseResult weight = parse({"--focus-weight", "100", "in.png"});
  EXPECT_DOUBLE_EQ(weight.request.focus_weight, 25.0);
  EXPECT_DOUBLE_EQ(weight.request.options.focus_weight, 1.0);  // only with a focus map
}

TEST(BatchArguments, NumbersMustBeWholeNumbers) {
  struct Case {
    std::vector<std::string> arguments;
    const char* message;
  } cases[] = {
      {{"-c", "abc", "in.png"}, "-c takes a number\n"},
      {{"-c", "16x", "in.png"}, "-c takes a number\n"},
      {{"--colors", "16.0", "in.png"}, "--colors takes a number\n"},
      {{"-c", "", "in.png"}, "-c takes a number\n"},
      {{"-s", " 5", "in.png"}, "-s takes a number\n"},
      // The next option is not taken for the count.
      {{"-c", "-o", "x.png", "in.png"}, "-c takes a number\n"},
      {{"--strength", "nan", "in.png"}, "--strength takes a number\n"},
      {{"--floor", "0.5 ", "in.png"}, "--floor takes a number\n"},
      {{"--focus-weight", "x", "in.png"}, "--focus-weight takes a number\n"},
      {{"--gpu", "yes", "in.png"}, "--gpu takes a number\n"},
      {{"--vividness", "1,5", "in.png"}, "--vividness takes a number\n"},
  };
  for (const Case& c : cases) {
    BatchParseResult result = parse(c.arguments);
    EXPECT_EQ(result.outcome, BatchParseOutcome::refuse) << c.arguments[1];
    EXPECT_EQ(result.diagnostics, c.message) << c.arguments[1];
  }
}

TEST(BatchArguments, OutOfRangeValuesWarnOnceWithTheValueUsed) {
  struct Case {
    std::vector<std::string> arguments;
    const char* notice;
  } cases[] = {
      {{"--colors", "300", "in.png"}, "--colors 300 is out of range; using 256\n"},
      {{"-c", "99999999999", "in.png"}, "-c 99999999999 is out of range; using 256\n"},
      {{"-s", "0", "in.png"}, "-s 0 is out of range; using 1\n"},
      {{"--damper", "inf", "in.png"}, "--damper inf is out of range; using 30\n"},
      {{"--plan-restraint", "-0.5", "in.png"}, "--plan-restraint -0.5 is out of range; using 0\n"},
      // The value as the flag takes it, not the stored chroma weight.
      {{"--vividness", "2", "in.png"}, "--vividness 2 is out of range; using 1\n"},
      {{"--focus-weight", "0.5", "in.png"}, "--focus-weight 0.5 is out of range; using 1\n"},
      {{"-c", "16", "--speed", "10", "--rounds", "5", "in.png"}, ""},
      {{"-c", "1", "-c", "500", "in.png"},
       "-c 1 is out of range; using 2\n-c 500 is out of range; using 256\n"},
      // One line for the strength: the dithering's limit names the value used.
      {{"--strength", "5", "--dither", "fs", "in.png"},
       "--strength above 1.0 is not available for this dithering; using 1.0\n"},
  };
  for (const Case& c : cases) {
    BatchParseResult result = parse(c.arguments);
    EXPECT_EQ(result.outcome, BatchParseOutcome::run) << c.arguments[1];
    EXPECT_EQ(result.diagnostics, c.notice) << c.arguments[1];
  }
}

TEST(BatchArguments, DitherTakesExactlyFiveWords) {
  const char* words[] = {"none", "fs", "bayer", "blue", "plan"};
  for (int mode = 0; mode < 5; ++mode)
    EXPECT_EQ(options_after("--dither", words[mode]).dither, mode) << words[mode];
  for (const char* bad : {"FS", "floyd", "", "2"}) {
    BatchParseResult result = parse({"--dither", bad, "in.png"});
    EXPECT_EQ(result.outcome, BatchParseOutcome::refuse) << bad;
    EXPECT_EQ(result.diagnostics, "--dither takes none, fs, bayer, blue or plan\n");
  }
}

TEST(BatchArguments, ValuesAreTakenLiterallyWhateverTheyLookLike) {
  BatchParseResult result = parse({"--ext", "-x.png", "-o", "--help", "--pins", "-", "in.png"});
  ASSERT_EQ(result.outcome, BatchParseOutcome::run);
  EXPECT_EQ(result.request.suffix, "-x.png");
  EXPECT_EQ(result.request.output_path, "--help");
  EXPECT_EQ(result.request.pins_path, "-");
  EXPECT_EQ(result.request.inputs, std::vector<std::string>{"in.png"});
}

TEST(BatchArguments, PathsFlagsAndRepeatsAreRecorded) {
  BatchParseResult result =
      parse({"-f", "--quiet", "--smallest", "--palette", "p.gpl", "--focus-map", "f.png", "--dither-map",
             "d.png", "-c", "8", "--colors", "32", "a.png", "-", "", "b.png"});
  ASSERT_EQ(result.outcome, BatchParseOutcome::run);
  const BatchRequest& r = result.request;
  EXPECT_TRUE(r.force);
  EXPECT_TRUE(r.quiet);
  EXPECT_TRUE(r.smallest);
  EXPECT_FALSE(parse({"a.png"}).request.smallest);
  EXPECT_EQ(r.palette_path, "p.gpl");
  EXPECT_EQ(r.focus_map_path, "f.png");
  EXPECT_EQ(r.dither_map_path, "d.png");
  EXPECT_EQ(r.options.colors, 32u);
  EXPECT_EQ(r.suffix, "-q.png");
  // A lone "-" and an empty argument are inputs, in their order.
  EXPECT_EQ(r.inputs, (std::vector<std::string>{"a.png", "-", "", "b.png"}));
}

TEST(BatchArguments, SettingsWordsAreSkippedOthersAreUnknown) {
  BatchParseResult result = parse({"--NoGui", "--defaults", "in.png"});
  EXPECT_EQ(result.outcome, BatchParseOutcome::run);
  EXPECT_EQ(result.request.inputs.size(), 1u);

  result = parse({"--DEFAULTS", "in.png"});
  EXPECT_EQ(result.outcome, BatchParseOutcome::refuse);
  EXPECT_EQ(result.diagnostics, std::string("unknown option --DEFAULTS\n") + batch_usage_text());

  EXPECT_TRUE(batch_reads_saved_settings({}));
  EXPECT_TRUE(batch_reads_saved_settings({"--Defaults", "a.png"}));
  EXPECT_FALSE(batch_reads_saved_settings({"a.png", "--defaults"}));
  // Taken before parsing, so even as another option's value.
  EXPECT_FALSE(batch_reads_saved_settings({"-o", "--defaults", "a.png"}));
}

TEST(BatchArguments, HelpWinsUnlessAnErrorComesFirst) {
  EXPECT_EQ(parse({"-h", "--bogus"}).outcome, BatchParseOutcome::show_help);
  EXPECT_EQ(parse({"a.png", "b.png", "-o", "x.png", "-h"}).outcome, BatchParseOutcome::show_help);
  EXPECT_EQ(parse({"--dither", "x", "-h"}).outcome, BatchParseOutcome::refuse);
}

TEST(BatchArguments, RefusalsCarryTheirMessages) {
  EXPECT_EQ(parse({"-f", "-c", "3"}).diagnostics, batch_usage_text());
  // A percent sign in an argument is text, not a format.
  EXPECT_EQ(parse({"--%s%n"}).diagnostics, std::string("unknown option --%s%n\n") + batch_usage_text());
}

TEST(BatchArguments, StrengthIsLimitedByTheDitheringAfterParsing) {
  BatchParseResult result = parse({"--strength", "1.5", "--dither", "fs", "in.png"});
  EXPECT_DOUBLE_EQ(result.request.options.dither_strength, 1.0);
  EXPECT_EQ(result.diagnostics,
            "--strength above 1.0 is not available for this dithering; using 1.0\n");

  result = parse({"--dither", "blue", "--strength", "1.5", "in.png"});
  EXPECT_DOUBLE_EQ(result.request.options.dither_strength, 1.5);
  EXPECT_EQ(result.diagnostics, "");

  result = parse({"--strength", "5", "--dither", "bayer", "in.png"});
  EXPECT_DOUBLE_EQ(result.request.options.dither_strength, 2.0);
  EXPECT_EQ(result.diagnostics, "--strength 5 is out of range; using 2\n");

  // A strength saved for a threshold dither, used with none.
  QuantizerOptions saved;
  saved.dither = 3;
  saved.dither_strength = 1.8;
  result = parse({"--dither", "none", "in.png"}, saved);
  EXPECT_DOUBLE_EQ(result.request.options.dither_strength, 1.0);
  EXPECT_EQ(result.diagnostics,
            "--strength above 1.0 is not available for this dithering; using 1.0\n");
}

TEST(BatchArguments, FocusWeightStartsFromTheSavedSettings) {
  QuantizerOptions saved;
  saved.focus_weight = 6.5;
  saved.colors = 64;
  BatchParseResult result = parse({"in.png"}, saved);
  EXPECT_DOUBLE_EQ(result.request.focus_weight, 6.5);
  EXPECT_EQ(result.request.options.colors, 64u);
}

TEST(BatchOutputPath, ReplacesOnlyTheFileNamesLastExtension) {
  struct Case {
    const char* input;
    const char* output;
  } cases[] = {
      {"photo.jpeg", "photo-q.png"},       {"a.b.png", "a.b-q.png"},
      {"photos.old/img", "photos.old/img-q.png"}, {"photos.old\\img", "photos.old\\img-q.png"},
      {"archive.d/pic", "archive.d/pic-q.png"},   {".png", ".png-q.png"},
      {"noext", "noext-q.png"},            {"dir/x.tif", "dir/x-q.png"},
      {".hidden", ".hidden-q.png"},        {"dir/.hidden", "dir/.hidden-q.png"},
      {".hidden.png", ".hidden-q.png"},    {"dir\\.x", "dir\\.x-q.png"},
  };
  for (const Case& c : cases) EXPECT_EQ(batch_output_path(c.input, "-q.png"), c.output) << c.input;
  EXPECT_EQ(batch_output_path("x.png", ".png"), "x.png");
}

TEST(NoguiArgument, MatchesInAnyCaseButOnlyWhole) {
  EXPECT_TRUE(is_nogui_argument("--nogui"));
  EXPECT_TRUE(is_nogui_argument("--NoGUI"));
  EXPECT_FALSE(is_nogui_argument("--nogui2"));
  EXPECT_FALSE(is_nogui_argument("--nog"));
  EXPECT_FALSE(is_nogui_argument("-nogui"));
  EXPECT_FALSE(is_nogui_argument(""));
}

TEST(BatchArguments, QualityTakesARangeOrItsUpperEnd) {
  QuantizerOptions range = options_after("--quality", "40-85");
  EXPECT_EQ(range.quality_target, 1u);
  EXPECT_EQ(range.quality_min, 40u);
  EXPECT_EQ(range.quality_max, 85u);
  QuantizerOptions saved;
  saved.quality_min = 70;
  QuantizerOptions upper = parse({"--quality", "90", "in.png"}, saved).request.options;
  EXPECT_EQ(upper.quality_target, 1u);
  EXPECT_EQ(upper.quality_min, 0u);  // MAX alone means MIN 0, whatever was saved
  EXPECT_EQ(upper.quality_max, 90u);
  EXPECT_EQ(options_after("--quality", "0-100").quality_max, 100u);
  const std::string refused =
      "--quality takes MIN-MAX or MAX, whole numbers 0..100, MIN at most MAX\n";
  for (const char* bad : {"80-60", "101", "-5", "50-", "-50", "a-b", "", "5--7", "30-101", "1.5"}) {
    BatchParseResult result = parse({"--quality", bad, "in.png"});
    EXPECT_EQ(result.outcome, BatchParseOutcome::refuse) << bad;
    EXPECT_EQ(result.diagnostics, refused) << bad;
  }
}
