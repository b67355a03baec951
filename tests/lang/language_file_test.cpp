#include "lang/language_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "lang/translation.h"

namespace {

TEST(LanguageFile, EscapesCommentsLineEndsAndEmptyValues) {
  TranslationTable table = parse_language_text(
      "\xEF\xBB\xBF"
      "First=Erst\r\n"
      "# Comment=not a translation\n"
      "\n"
      "a \\= b=a \\= b\\nnext\r\n"
      "back\\\\slash=x\\\\y\n"
      "Untranslated=\n"
      "no separator here\n"
      "Twice=one\n"
      "Twice=two\n"
      "Last=no line end");
  EXPECT_EQ(table.at("First"), "Erst");  // the byte order mark and the CR are not part of it
  EXPECT_EQ(table.at("a = b"), "a = b\nnext");
  EXPECT_EQ(table.at("back\\slash"), "x\\y");
  EXPECT_EQ(table.count("# Comment"), 0u);
  EXPECT_EQ(table.count("Untranslated"), 0u);
  EXPECT_EQ(table.at("Twice"), "two");
  EXPECT_EQ(table.at("Last"), "no line end");
  EXPECT_EQ(table.size(), 5u);
}

TEST(Translation, SuffixesCompositionAndFallback) {
  Translation translation;
  EXPECT_STREQ(translation.translate("Show##focus"), "Show##focus");  // English: no table
  translation.load_table("ja", parse_language_text("Show=表示\nKeep=残す##own\nOpen=開く\n"));
  EXPECT_STREQ(translation.translate("Show"), "表示");
  EXPECT_STREQ(translation.translate("Show##focus"), "表示##focus");
  EXPECT_STREQ(translation.translate("Show##dither"), "表示##dither");
  const char* composed = translation.translate("Show##focus");
  EXPECT_EQ(translation.translate("Show##focus"), composed);  // stable until the next load
  EXPECT_STREQ(translation.translate("Keep##browser"), "残す##own");
  EXPECT_STREQ(translation.translate("##Open"), "##Open");  // an identity alone is not text
  EXPECT_STREQ(translation.translate("Missing##x"), "Missing##x");
  EXPECT_STREQ(translation.translate(""), "");
}

TEST(Translation, LoadsTheFirstFolderThatHasTheFile) {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / ("bq_lang_" + std::to_string(std::random_device{}()));
  fs::create_directories(root / "second");
  std::ofstream(root / "second" / "ja.txt") << "Open=開く\n";
  Translation translation;
  EXPECT_TRUE(translation.load("ja", {(root / "first").string(), (root / "second").string()}));
  EXPECT_EQ(translation.code(), "ja");
  EXPECT_STREQ(translation.translate("Open"), "開く");
  EXPECT_FALSE(translation.load("fr", {(root / "second").string()}));
  EXPECT_EQ(translation.code(), "en");
  EXPECT_STREQ(translation.translate("Open"), "Open");
  fs::remove_all(root);
}

std::map<std::string, std::string> environment;
const char* fake_environment(const char* name) {
  auto found = environment.find(name);
  return found == environment.end() ? nullptr : found->second.c_str();
}

TEST(ResolveLanguage, FirstSetLocaleVariableDecides) {
  struct Case {
    std::map<std::string, std::string> variables;
    const char* expected;
  };
  const Case cases[] = {
      {{}, "en"},
      {{{"LANG", "ja_JP.UTF-8"}}, "ja"},
      {{{"LC_MESSAGES", "ja_JP"}, {"LANG", "en_GB.UTF-8"}}, "ja"},
      {{{"LC_ALL", "C"}, {"LANG", "ja_JP.UTF-8"}}, "en"},
      {{{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "ja"}}, "ja"},  // empty counts as not set
      {{{"LC_ALL", "de_DE"}, {"LC_MESSAGES", "ja_JP"}}, "en"},
  };
  for (const Case& c : cases) {
    environment = c.variables;
    EXPECT_EQ(resolve_language("auto", fake_environment), c.expected);
  }
  environment = {{"LANG", "ja_JP.UTF-8"}};
  EXPECT_EQ(resolve_language("en", fake_environment), "en");
  environment.clear();
  EXPECT_EQ(resolve_language("ja", fake_environment), "ja");
}

}  // namespace
