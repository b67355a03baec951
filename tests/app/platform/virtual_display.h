#pragma once
// A private X server for one test: Xvfb picks a free display number and says it.
#include <fcntl.h>
#include <sys/file.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <thread>

class VirtualDisplay {
 public:
  VirtualDisplay() {
    // Servers started at the same moment can settle on the same number, and the
    // first to stop then takes the other test's connection with it: start one at a time.
    int guard = open("/tmp/brisel-xvfb-start.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (guard >= 0) flock(guard, LOCK_EX);
    start();
    if (guard >= 0) close(guard);
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (report_ >= 0) close(report_);
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // Launched: Xvfb is installed and chose a display; ready: it answers there.
  bool launched() const { return launched_; }
  bool ready() const { return !name_.empty(); }
  const std::string& name() const { return name_; }

 private:
  void start() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      fcntl(ends[1], F_SETFD, 0);
      std::string fd = std::to_string(ends[1]);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1000x24", "-noreset",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ends[1]);
    // Read up to the end of the line, and keep the pipe open while the server lives:
    // it writes the newline separately and stops if it cannot.
    report_ = ends[0];
    std::string number;
    char c = 0;
    while (pid_ > 0 && read(report_, &c, 1) == 1 && c != '\n') number.push_back(c);
    if (number.empty()) return;
    launched_ = true;
    // The number can come before the server takes connections (it compiles its keymap
    // first, slow on a loaded machine): wait until it does, and make sure the server
    // answering is still ours.
    std::string name = ":" + number;
    for (int attempt = 0; attempt < 600; ++attempt) {
      if (waitpid(pid_, nullptr, WNOHANG) != 0) {
        pid_ = -1;
        return;
      }
      if (Display* display = XOpenDisplay(name.c_str())) {
        XCloseDisplay(display);
        if (waitpid(pid_, nullptr, WNOHANG) == 0) name_ = name;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  pid_t pid_ = -1;
  int report_ = -1;
  bool launched_ = false;
  std::string name_;
};
