// Replacing a file in place where POSIX has what Windows lacks: ending signals,
// permission bits, device nodes and named pipes.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "io/interrupt_cleanup.h"
#include "io/replacing_file.h"
#include "tests/io/io_test_support.h"

namespace {

mode_t mode_of(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode;
}

// A character device of its own when we may make one (root), else the system's.
std::string device(const ScratchFolder& folder, const char* name, unsigned minor) {
  std::string own = folder.file(name);
  if (::mknod(own.c_str(), S_IFCHR | 0600, makedev(1, minor)) == 0) return own;
  return std::string("/dev/") + name;
}

}  // namespace

TEST(ReplacingFile, NoSignalDuringTheWriteLeavesAFileBehind) {
  // SIGKILL included: the file being written has no name until it is complete.
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGALRM, SIGUSR1, SIGXFSZ, SIGKILL}) {
    ScratchFolder folder;
    std::string target = folder.file("out.png");
    write_text(target, "old");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ReplacingFile output;
      std::FILE* file = output.open(target);
      if (file == nullptr) ::_exit(3);
      std::fputs("half written", file);
      std::fflush(file);
      ::raise(signal_number);
      ::_exit(4);  // not reached: the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.png"});
    EXPECT_EQ(read_text(target), "old");
  }
}

TEST(ReplacingFile, WhereNoUnnamedFileCanBeMadeEveryEndingSignalRemovesTheHiddenOne) {
  for (int signal_number : {SIGHUP, SIGPIPE, SIGUSR1, SIGALRM}) {
    ScratchFolder folder;
    std::string hidden = folder.file(".out.png.tmp");
    write_text(hidden, "half");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (remove_on_interrupt(hidden) < 0) ::_exit(3);
      ::raise(signal_number);
      ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_TRUE(folder.entries().empty()) << signal_number;
  }
}

TEST(ReplacingFile, NewFileGetsNormalPermissions) {
  ScratchFolder folder;
  mode_t previous = ::umask(022);
  ReplacingFile output;
  std::FILE* file = output.open(folder.file("p.png"));
  ASSERT_NE(file, nullptr);
  std::fputs("new", file);
  bool committed = output.commit();
  ::umask(previous);
  ASSERT_TRUE(committed);
  EXPECT_EQ(mode_of(folder.file("p.png")) & 0777, 0644u);
}

TEST(ReplacingFile, ReplacedFileKeepsItsPermissions) {
  ScratchFolder folder;
  std::string target = folder.file("kept.png");
  write_text(target, "old");
  ::chmod(target.c_str(), 0604);
  ReplacingFile output;
  std::FILE* file = output.open(target);
  ASSERT_NE(file, nullptr);
  std::fputs("new", file);
  ASSERT_TRUE(output.commit());
  EXPECT_EQ(read_text(target), "new");
  EXPECT_EQ(mode_of(target) & 07777, 0604u);
}

TEST(ReplacingFile, DevicesAndPipesAreWrittenThroughNotReplaced) {
  ScratchFolder folder;
  std::string pipe = folder.file("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // Holding both ends lets the writer open without waiting for a reader.
  int held = ::open(pipe.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(held, 0);
  ReplacingFile output;
  std::FILE* file = output.open(pipe);
  ASSERT_NE(file, nullptr);
  std::fputs("through", file);
  EXPECT_TRUE(output.commit());
  char got[16] = {};
  EXPECT_EQ(::read(held, got, sizeof got), 7);
  EXPECT_STREQ(got, "through");
  ::close(held);
  EXPECT_TRUE(S_ISFIFO(mode_of(pipe)));

  std::string null = device(folder, "null", 3);
  std::string full = device(folder, "full", 7);
  file = output.open(null);
  ASSERT_NE(file, nullptr);
  std::fputs("gone", file);
  EXPECT_TRUE(output.commit());
  // A full device fails the write, and the failure is reported.
  file = output.open(full);
  ASSERT_NE(file, nullptr);
  std::fputs("no room", file);
  EXPECT_FALSE(output.commit());
  EXPECT_TRUE(S_ISCHR(mode_of(null)));
  EXPECT_TRUE(S_ISCHR(mode_of(full)));
  for (const std::string& name : folder.entries()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}
