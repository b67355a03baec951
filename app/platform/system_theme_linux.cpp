#include "app/platform/system_theme.h"

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

std::optional<bool> portal_change_prefers_dark(const std::string& line) {
  // "/org/freedesktop/portal/desktop: org.freedesktop.portal.Settings.SettingChanged
  //  ('org.freedesktop.appearance', 'color-scheme', <uint32 1>)"
  if (line.find("SettingChanged") == std::string::npos ||
      line.find("'org.freedesktop.appearance', 'color-scheme'") == std::string::npos)
    return std::nullopt;
  return portal_prefers_dark(line);
}

namespace {

const char* const kPortalPath = "/org/freedesktop/portal/desktop";
const char* const kPortalName = "org.freedesktop.portal.Desktop";

bool session_bus_known() {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  return bus != nullptr && bus[0] != '\0';
}

std::optional<std::string> answer_of(const std::vector<std::string>& command) {
  if (!program_on_path(command[0])) return std::nullopt;
  OutputProgram program;
  if (!program.start(command)) return std::nullopt;
  return program.finish();
}

std::optional<bool> read_portal() {
  if (!session_bus_known()) return std::nullopt;
  auto answer = answer_of({"gdbus", "call", "--session", "--timeout", "1", "--dest", kPortalName, "--object-path",
                           kPortalPath, "--method", "org.freedesktop.portal.Settings.Read",
                           "org.freedesktop.appearance", "color-scheme"});
  return answer ? portal_prefers_dark(*answer) : std::nullopt;
}

std::optional<bool> read_gsettings() {
  auto answer = answer_of({"gsettings", "get", "org.gnome.desktop.interface", "color-scheme"});
  return answer ? gsettings_prefers_dark(*answer) : std::nullopt;
}

}  // namespace

SystemTheme::~SystemTheme() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  monitor_.stop();  // ends the reader's wait for the next line
  if (reader_.joinable()) reader_.join();
}

bool SystemTheme::dark() {
  if (!reader_.joinable()) reader_ = std::thread([this] { read_and_watch(); });
  return dark_.load();
}

void SystemTheme::read_and_watch() {
  // The portal first, as the desktops that have it answer there; its change
  // signal then, else GNOME's own setting and its monitor.
  std::optional<bool> portal = read_portal();
  std::optional<bool> preference = portal ? portal : read_gsettings();
  publish(preference.value_or(true));
  std::vector<std::string> watch;
  if (portal)
    watch = {"gdbus", "monitor", "--session", "--dest", kPortalName, "--object-path", kPortalPath};
  else if (preference)
    watch = {"gsettings", "monitor", "org.gnome.desktop.interface", "color-scheme"};
  if (watch.empty() || !program_on_path(watch[0])) return;
  {
    // Started under the lock, so the destructor's stop() cannot come in between.
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_ || !monitor_.start(watch)) return;
  }
  while (std::optional<std::string> line = monitor_.next_line()) {
    std::optional<bool> changed = portal ? portal_change_prefers_dark(*line) : gsettings_prefers_dark(*line);
    if (changed) publish(*changed);
  }
  monitor_.finish();
}
