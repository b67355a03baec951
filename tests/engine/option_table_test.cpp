// The option table: every place reads its keys and flags from it, so they must
// be unique, and the engine's normalisation must keep what it always did.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "engine/option_table.h"

TEST(OptionTable, IdsKeysAndFlagsAreUniqueAndInOrder) {
  std::set<std::string> names;
  std::size_t index = 0;
  for (const OptionSpec& spec : option_table()) {
    EXPECT_EQ(static_cast<std::size_t>(spec.id), index++);
    for (const char* name : {spec.settings_key, spec.long_flag, spec.short_flag})
      if (name) {
        EXPECT_TRUE(names.insert(name).second) << name;
      }
    EXPECT_LE(spec.minimum, spec.default_value) << index;
    EXPECT_LE(spec.default_value, spec.maximum) << index;
  }
  EXPECT_EQ(index, kOptionCount);
  EXPECT_EQ(option_for_flag("-c"), &option_spec(OptionId::colors));
  EXPECT_EQ(option_for_flag("--share"), &option_spec(OptionId::sum_pow));
  EXPECT_EQ(option_for_flag("-o"), nullptr);
}

TEST(OptionTable, EngineNormalisesOnlyWhatItCannotUse) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto engine = [](OptionId id, double value) { return engine_value(option_spec(id), value); };
  EXPECT_EQ(engine(OptionId::colors, 0), 2);
  EXPECT_EQ(engine(OptionId::colors, 4000000000.0), 256);
  EXPECT_EQ(engine(OptionId::speed, 11), 10);
  EXPECT_EQ(engine(OptionId::dither_floor, 1.5), 0.75);
  EXPECT_EQ(engine(OptionId::dither_floor, nan), 0.75);
  EXPECT_EQ(engine(OptionId::plan_colors, 5), 3);
  EXPECT_EQ(engine(OptionId::plan_restraint, -1), 0);
  EXPECT_EQ(engine(OptionId::plan_restraint, 7), 7);
  EXPECT_EQ(engine(OptionId::chroma_weight, 0.5), 0.5);  // below the front ends' range, still used
  EXPECT_EQ(engine(OptionId::chroma_weight, 0), 1);
  EXPECT_EQ(engine(OptionId::sum_pow, -0.1), 1);  // the default, not the lower bound
  EXPECT_EQ(engine(OptionId::mediancut_rounds, 9), 1);
  EXPECT_EQ(engine(OptionId::dither_damper, 100), 100);
}

TEST(OptionTable, ScalesRoundTrip) {
  for (OptionScale scale : {OptionScale::vividness, OptionScale::subject_share, OptionScale::dither_spread})
    for (double shown : {0.0, 0.25, 1.0})
      EXPECT_NEAR(to_scale(scale, from_scale(scale, shown)), shown, 1e-12);
  EXPECT_EQ(from_scale(OptionScale::vividness, 1.0), 12.5);
  EXPECT_EQ(to_scale(OptionScale::dither_spread, 0.9), 0.0);  // shown clamped
}
