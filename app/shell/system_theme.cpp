#include "app/shell/system_theme.h"

#include <chrono>
#include <cstdlib>
#include <vector>

#include "app/platform/output_program.h"

std::optional<bool> portal_prefers_dark(const std::string& answer) {
  // "(<<uint32 1>>,)"
  std::size_t at = answer.find("uint32 ");
  if (at == std::string::npos || at + 7 >= answer.size()) return std::nullopt;
  char value = answer[at + 7];
  if (value == '1') return true;
  if (value == '0' || value == '2') return false;
  return std::nullopt;
}

std::optional<bool> gsettings_prefers_dark(const std::string& answer) {
  if (answer.find("prefer-dark") != std::string::npos) return true;
  if (answer.find("prefer-light") != std::string::npos || answer.find("default") != std::string::npos) return false;
  return std::nullopt;
}

namespace {

std::optional<std::string> answer_of(const std::vector<std::string>& command) {
  if (!program_on_path(command[0])) return std::nullopt;
  OutputProgram program;
  if (!program.start(command)) return std::nullopt;
  return program.finish();
}

std::optional<bool> read_preference() {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (bus != nullptr && bus[0] != '\0') {
    if (auto answer = answer_of({"gdbus", "call", "--session", "--timeout", "1", "--dest",
                                 "org.freedesktop.portal.Desktop", "--object-path", "/org/freedesktop/portal/desktop",
                                 "--method", "org.freedesktop.portal.Settings.Read", "org.freedesktop.appearance",
                                 "color-scheme"}))
      if (auto dark = portal_prefers_dark(*answer)) return dark;
  }
  if (auto answer = answer_of({"gsettings", "get", "org.gnome.desktop.interface", "color-scheme"}))
    return gsettings_prefers_dark(*answer);
  return std::nullopt;
}

}  // namespace

SystemTheme::~SystemTheme() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (reader_.joinable()) reader_.join();
}

bool SystemTheme::dark() {
  followed_ = true;
  if (!reader_.joinable()) reader_ = std::thread([this] { read_loop(); });
  return dark_.load();
}

void SystemTheme::read_loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    if (followed_.exchange(false)) {
      lock.unlock();
      dark_ = read_preference().value_or(true);
      lock.lock();
    }
    wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; });
  }
}
