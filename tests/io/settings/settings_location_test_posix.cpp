// Where the settings file lives on POSIX systems: the XDG configuration folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "io/settings.h"
#include "tests/io/io_test_support.h"
#include "tests/support/test_environment.h"

TEST(SettingsFile, LocationRules) {
  ScratchFolder folder;
  set_variable("XDG_CONFIG_HOME", (folder.path() + "/config"));
  set_variable("HOME", (folder.path() + "/home"));
  std::string path = settings_file_path();
  EXPECT_EQ(path, folder.path() + "/config/Brisel Quantizer/settings.ini");
  // Finding the file creates nothing; the first write makes the folders.
  EXPECT_FALSE(std::filesystem::exists(folder.path() + "/config"));
  settings_write_int(path, "view", 2);
  EXPECT_EQ(settings_read_int(path, "view", 0), 2);

  set_variable("XDG_CONFIG_HOME", "");
  EXPECT_EQ(settings_file_path(), folder.path() + "/home/.config/Brisel Quantizer/settings.ini");
  set_variable("XDG_CONFIG_HOME", ("/" + std::string(4100, 'x')));
  EXPECT_EQ(settings_file_path(), folder.path() + "/home/.config/Brisel Quantizer/settings.ini");
  set_variable("HOME", ("/" + std::string(4100, 'x')));
  EXPECT_EQ(settings_file_path(), "");
  unset_variable("XDG_CONFIG_HOME");
  unset_variable("HOME");
  EXPECT_EQ(settings_file_path(), "");
}
