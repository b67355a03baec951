// Following the desktop's theme: one reading and one monitor, then changes
// arrive as they happen, without a process started per second.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "app/shell/system_theme.h"

namespace {

// A stand-in gsettings that logs each start: `get` prefers dark, `monitor`
// reports a change to light after a moment and then waits for good.
class FakeGsettings {
 public:
  FakeGsettings() {
    char pattern[] = "/tmp/brisel-theme-XXXXXX";
    folder_ = mkdtemp(pattern);
    std::string script = folder_ + "/gsettings";
    std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << log() << "'\n"
                          << "case $1 in\n"
                          << "  get) echo \"'prefer-dark'\" ;;\n"
                          << "  monitor) sleep 0.5; echo \"color-scheme: 'prefer-light'\"; exec sleep 600 ;;\n"
                          << "esac\n";
    chmod(script.c_str(), 0755);
    old_path_ = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (folder_ + ":" + old_path_).c_str(), 1);
    if (const char* bus = getenv("DBUS_SESSION_BUS_ADDRESS")) old_bus_ = bus;
    unsetenv("DBUS_SESSION_BUS_ADDRESS");  // the portal is not asked without a session bus
  }
  ~FakeGsettings() {
    setenv("PATH", old_path_.c_str(), 1);
    if (!old_bus_.empty()) setenv("DBUS_SESSION_BUS_ADDRESS", old_bus_.c_str(), 1);
    std::filesystem::remove_all(folder_);
  }
  std::string log() const { return folder_ + "/starts"; }
  std::string starts() const {
    std::ifstream in(log());
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }

 private:
  std::string folder_, old_path_, old_bus_;
};

}  // namespace

TEST(SystemTheme, OneReadingAndOneMonitorCarryTheChange) {
  FakeGsettings gsettings;
  std::mutex mutex;
  std::condition_variable woken;
  int wakes = 0;
  {
    SystemTheme theme;
    theme.set_wake([&] {
      std::lock_guard<std::mutex> lock(mutex);
      ++wakes;
      woken.notify_all();
    });
    theme.dark();
    {
      std::unique_lock<std::mutex> lock(mutex);
      ASSERT_TRUE(woken.wait_for(lock, std::chrono::seconds(20), [&] { return wakes >= 1; }));
    }
    EXPECT_FALSE(theme.dark());  // the monitor's light, after the reading's dark
    // Followed for a while longer, nothing more is started.
    for (int frame = 0; frame < 25; ++frame) {
      theme.dark();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }  // ends the monitor that still waits
  EXPECT_EQ(gsettings.starts(), "get\nmonitor\n");
  EXPECT_EQ(wakes, 1);
}
