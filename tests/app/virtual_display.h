#pragma once
// A private X server for one test: Xvfb picks a free display number and says it.
#include <fcntl.h>
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
    int ends[2];
    if (pipe(ends) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ends[0]);
      std::string fd = std::to_string(ends[1]);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1000x24", "-noreset",
             "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ends[1]);
    char buffer[32] = {};
    ssize_t n = pid_ > 0 ? read(ends[0], buffer, sizeof buffer - 1) : 0;
    close(ends[0]);
    std::string number(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
    if (number.empty()) return;
    // The number can come before the server takes connections: wait until it does.
    std::string name = ":" + number;
    for (int attempt = 0; attempt < 100; ++attempt) {
      if (Display* display = XOpenDisplay(name.c_str())) {
        XCloseDisplay(display);
        name_ = name;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  bool ready() const { return !name_.empty(); }
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};
