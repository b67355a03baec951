// The title bar follows the theme through the Desktop Window Manager.
#include <windows.h>

#include <dwmapi.h>

#include "app/platform/desktop_window_win.h"
#include "app/platform/window_theme.h"

namespace {

// Attributes newer than some SDK headers: immersive dark mode (19 before
// Windows 10 20H1), caption and caption text colours (Windows 11).
constexpr DWORD kDarkMode = 20;
constexpr DWORD kDarkModeBefore20H1 = 19;
constexpr DWORD kCaptionColour = 35;
constexpr DWORD kTextColour = 36;
constexpr COLORREF kDefaultColour = 0xFFFFFFFF;

}  // namespace

void set_window_frame_theme(const DesktopWindow& desktop_window, bool dark) {
  HWND window = desktop_window.native().window;
  if (window == nullptr) return;
  BOOL flag = dark ? TRUE : FALSE;
  if (FAILED(DwmSetWindowAttribute(window, kDarkMode, &flag, sizeof(flag))))
    DwmSetWindowAttribute(window, kDarkModeBefore20H1, &flag, sizeof(flag));
  COLORREF caption = dark ? RGB(26, 26, 28) : kDefaultColour;
  COLORREF text = dark ? RGB(230, 230, 230) : kDefaultColour;
  DwmSetWindowAttribute(window, kCaptionColour, &caption, sizeof(caption));
  DwmSetWindowAttribute(window, kTextColour, &text, sizeof(text));
  // The frame repaints on an activation change: toggle it and set it back.
  const bool active = GetActiveWindow() == window && GetForegroundWindow() == window;
  SendMessageW(window, WM_NCACTIVATE, active ? FALSE : TRUE, 0);
  SendMessageW(window, WM_NCACTIVATE, active ? TRUE : FALSE, 0);
}
