// What both platforms' theme readers share: handing a changed answer to the
// frame loop.
#include "app/platform/system_theme.h"

void SystemTheme::set_wake(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(mutex_);
  wake_ = std::move(wake);
}

void SystemTheme::publish(bool dark) {
  if (dark_.exchange(dark) == dark) return;
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wake = wake_;
  }
  if (wake) wake();
}
