// Replacing a file in place: a name taken meanwhile, links, bad names.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "io/replacing_file.h"
#include "tests/io/io_test_support.h"
#include "tests/support/scratch_path.h"

TEST(ReplacingFile, WithoutReplacingANameTakenMeanwhileIsLeftAlone) {
  ScratchFolder folder;
  std::string target = folder.file("out.png");
  ReplacingFile output;
  std::FILE* file = output.open(target, false);
  ASSERT_NE(file, nullptr);
  std::fputs("ours", file);
  write_text(target, "another run's");  // a second process finished first
  EXPECT_FALSE(output.commit());
  EXPECT_EQ(output.failure().code, IoCode::kOutputExists);
  EXPECT_EQ(read_text(target), "another run's");
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.png"});

  // Problems with the name or the folder show when the file is opened, not at the end.
  EXPECT_EQ(output.open(folder.file(std::string(300, 'n'))), nullptr);
  EXPECT_EQ(output.failure().system_error, ENAMETOOLONG);
  EXPECT_EQ(output.open(folder.file("missing/out.png")), nullptr);
  EXPECT_EQ(output.failure().system_error, ENOENT);

  // A link to a file not yet there is written through, as a link to an existing one is.
  if (!make_symlink("real.png", folder.file("link.png"))) GTEST_SKIP() << "no symbolic links here";
  file = output.open(folder.file("link.png"));
  ASSERT_NE(file, nullptr);
  std::fputs("through the link", file);
  ASSERT_TRUE(output.commit());
  EXPECT_EQ(read_text(folder.file("real.png")), "through the link");
  EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link.png")));
}
