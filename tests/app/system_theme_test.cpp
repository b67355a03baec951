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

#include "app/platform/system_theme.h"

// A stand-in gsettings logs each start: `get` prefers dark, `monitor` reports a
// change to light after a moment and then waits for good.
TEST(SystemTheme, OneReadingAndOneMonitorCarryTheChange) {
  char pattern[] = "/tmp/brisel-theme-XXXXXX";
  const std::string folder = mkdtemp(pattern), starts = folder + "/starts";
  std::ofstream(folder + "/gsettings") << "#!/bin/sh\necho \"$1\" >> '" << starts << "'\ncase $1 in\n"
                                       << "  get) echo \"'prefer-dark'\" ;;\n"
                                       << "  monitor) sleep 0.5; echo \"color-scheme: 'prefer-light'\"; "
                                          "exec sleep 600 ;;\nesac\n";
  chmod((folder + "/gsettings").c_str(), 0755);
  setenv("PATH", (folder + ":" + getenv("PATH")).c_str(), 1);
  unsetenv("DBUS_SESSION_BUS_ADDRESS");  // the portal is not asked without a session bus

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
    // Followed frame after frame for a while longer, nothing more is started.
    for (int frame = 0; frame < 25; ++frame) {
      theme.dark();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }  // ends the monitor that still waits
  std::ifstream log(starts);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}), "get\nmonitor\n");
  EXPECT_EQ(wakes, 1);
  std::filesystem::remove_all(folder);
}
