// The main window's procedure: what the shell sees of a file dropped on the
// window and of a move to a display of another DPI. Messages are delivered as
// Windows would deliver them; the window needs a display (Wine's is X).
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/platform/desktop_window_win.h"
#include "app/platform/display_scale.h"
#include "app/platform/window_placement.h"
#include "app/platform/window_system.h"

namespace {

class WindowProcedure : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(start_window_system(error)) << error;
    ASSERT_TRUE(window_.create("window procedure test", 1.0f, true, error)) << error;
    window_.show(WindowPlacement{});
    poll();
  }
  void TearDown() override {
    window_.destroy();
    stop_window_system();
  }

  HWND handle() const { return window_.native().window; }

  std::vector<WindowEvent> poll() {
    std::vector<WindowEvent> events;
    poll_window_events(window_, events);
    return events;
  }

  DesktopWindow window_;
};

// What the shell hands a window for dropped files: DROPFILES, then the UTF-16
// paths, each ended by a zero, and one zero more.
HDROP drop_of(const std::vector<std::wstring>& paths) {
  std::size_t units = 1;
  for (const std::wstring& path : paths) units += path.size() + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
  auto* files = static_cast<DROPFILES*>(GlobalLock(block));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(files + 1);
  for (const std::wstring& path : paths) {
    std::memcpy(text, path.c_str(), path.size() * sizeof(wchar_t));
    text += path.size() + 1;
  }
  GlobalUnlock(block);
  return static_cast<HDROP>(block);
}

}  // namespace

TEST_F(WindowProcedure, ADropOpensTheFirstFileWithItsWholeName) {
  // A name outside every ANSI code page, longer than the old 260-character limit.
  std::wstring folder = L"C:\\" + std::wstring(300, L'd');
  std::wstring first = folder + L"\\\x732B.png", second = folder + L"\\other.png";
  ASSERT_TRUE(PostMessageW(handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop_of({first, second})), 0));
  std::vector<WindowEvent> events = poll();
  std::vector<WindowEvent> drop;
  for (const WindowEvent& event : events)
    if (event.kind == WindowEventKind::drop_begin || event.kind == WindowEventKind::drop_file ||
        event.kind == WindowEventKind::drop_complete)
      drop.push_back(event);
  ASSERT_EQ(drop.size(), 3u);
  EXPECT_EQ(drop[0].kind, WindowEventKind::drop_begin);
  EXPECT_EQ(drop[1].kind, WindowEventKind::drop_file);
  EXPECT_EQ(drop[1].path, "C:\\" + std::string(300, 'd') + "\\\xE7\x8C\xAB.png");
  EXPECT_EQ(drop[2].kind, WindowEventKind::drop_complete);
}

TEST_F(WindowProcedure, ANewDpiTakesTheSuggestedRectangleAndRescales) {
  RECT suggested{120, 90, 120 + 1500, 90 + 1000};
  // Windows sends it from elsewhere: it arrives while the frame loop polls.
  std::atomic<bool> handled{false};
  std::thread sender([&] {
    SendMessageW(handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    handled = true;
  });
  bool moved = false;
  for (int i = 0; i < 500 && !handled; ++i) {
    for (const WindowEvent& event : poll()) moved = moved || event.kind == WindowEventKind::moved;
    Sleep(10);
  }
  sender.join();
  EXPECT_TRUE(moved) << "the shell rescales the interface on a move";
  RECT now{};
  GetWindowRect(handle(), &now);
  EXPECT_EQ(now.left, suggested.left);
  EXPECT_EQ(now.top, suggested.top);
  EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
  EXPECT_EQ(now.bottom - now.top, suggested.bottom - suggested.top);
  EXPECT_FLOAT_EQ(display_dpi_scale(), 1.5f);
}
