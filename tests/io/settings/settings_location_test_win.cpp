// Where the settings file lives on Windows: %APPDATA%, whatever HOME says.
#include <gtest/gtest.h>

#include <filesystem>

#include "io/settings.h"
#include "tests/io/io_test_support.h"
#include "tests/support/test_environment.h"

TEST(SettingsFile, LocationRules) {
  ScratchFolder folder;
  set_variable("APPDATA", folder.path() + "\\roaming");
  set_variable("HOME", folder.path() + "/home");
  std::string path = settings_file_path();
  EXPECT_EQ(path, folder.path() + "\\roaming\\Brisel Quantizer\\settings.ini");
  // Finding the file creates nothing; the first write makes the folders.
  EXPECT_FALSE(std::filesystem::exists(folder.path() + "/roaming"));
  settings_write_int(path, "view", 2);
  EXPECT_EQ(settings_read_int(path, "view", 0), 2);

  set_variable("APPDATA", "C:\\" + std::string(300, 'x'));
  EXPECT_EQ(settings_file_path(), "");
  unset_variable("APPDATA");
  EXPECT_EQ(settings_file_path(), "");
}
