#include "app/platform/display_scale.h"

#include <windows.h>

#include <backends/imgui_impl_win32.h>

#include "app/platform/desktop_window_win.h"

// What Windows last said the window's DPI is; else the window's monitor once
// there is a window; before, the monitor where it will open.
float display_dpi_scale() {
  DesktopWindow::Native* native = main_window_native();
  if (native != nullptr && native->dpi != 0) return static_cast<float>(native->dpi) / USER_DEFAULT_SCREEN_DPI;
  if (native != nullptr && native->window != nullptr) return ImGui_ImplWin32_GetDpiScaleForHwnd(native->window);
  POINT origin{80, 60};
  return ImGui_ImplWin32_GetDpiScaleForMonitor(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY));
}
