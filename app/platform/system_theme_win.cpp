// Following Windows' app mode: the registry value, read once and then watched
// for changes on a thread of its own, which wakes the frame loop.
#include <windows.h>

#include "app/platform/system_theme.h"

namespace {

constexpr const wchar_t* kPersonalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr DWORD kStopCheckMs = 250;

// Light only when the value is there and non-zero.
bool windows_prefers_dark() {
  DWORD value = 0;
  DWORD size = sizeof(value);
  LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr,
                                &value, &size);
  return status != ERROR_SUCCESS || value == 0;
}

}  // namespace

SystemTheme::~SystemTheme() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  if (reader_.joinable()) reader_.join();
}

bool SystemTheme::dark() {
  if (!reader_.joinable()) {
    dark_ = windows_prefers_dark();  // a registry read is quick: the first frame is right
    reader_ = std::thread([this] { read_and_watch(); });
  }
  return dark_.load();
}

void SystemTheme::read_and_watch() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kPersonalize, 0, KEY_NOTIFY | KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  HANDLE changed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  bool watching = changed != nullptr;
  while (watching) {
    watching = RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE) == ERROR_SUCCESS;
    DWORD waited = WAIT_TIMEOUT;
    while (watching && waited == WAIT_TIMEOUT) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) watching = false;
      }
      if (watching) waited = WaitForSingleObject(changed, kStopCheckMs);
    }
    if (watching && waited == WAIT_OBJECT_0) publish(windows_prefers_dark());
    if (waited == WAIT_FAILED) watching = false;
  }
  if (changed != nullptr) CloseHandle(changed);
  RegCloseKey(key);
}
