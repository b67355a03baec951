#include "app/platform/window_system.h"

#include <windows.h>

#include <backends/imgui_impl_dx11.h>
#include <backends/imgui_impl_win32.h>
#include <imgui.h>
#include <shellapi.h>

#include <atomic>

#include "app/platform/desktop_window_win.h"
#include "app/platform/wide_text_win.h"

extern IMGUI_IMPL_API LRESULT ImGui_ImplWin32_WndProcHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

namespace {

// Where the window procedure files the events the shell acts on, while a poll runs.
std::vector<WindowEvent>* polled_events = nullptr;
std::atomic<HWND> wake_target{nullptr};

void add_event(WindowEventKind kind, std::string path = {}) {
  if (polled_events != nullptr) polled_events->push_back({kind, std::move(path)});
}

// Only the first of several dropped files is opened.
void take_drop(HDROP drop) {
  UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length > 0) {
    std::wstring path(length + 1, L'\0');
    if (DragQueryFileW(drop, 0, path.data(), length + 1) > 0) {
      add_event(WindowEventKind::drop_begin);
      add_event(WindowEventKind::drop_file, utf8_from_utf16(path.c_str()));
      add_event(WindowEventKind::drop_complete);
    }
  }
  DragFinish(drop);
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // The backend reads its own state, which exists only between its start and stop.
  if (wake_target.load() != nullptr && ImGui_ImplWin32_WndProcHandler(window, message, wparam, lparam)) return 1;
  DesktopWindow::Native* native = main_window_native();
  switch (message) {
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED && native != nullptr && native->device != nullptr) {
        native->resize(LOWORD(lparam), HIWORD(lparam));
        add_event(WindowEventKind::resized);
      }
      return 0;
    case WM_MOVE: add_event(WindowEventKind::moved); break;
    case WM_SYSCOMMAND:
      if ((wparam & 0xfff0) == SC_KEYMENU) return 0;  // Alt works the program's own menu bar
      break;
    case WM_CLOSE:
      // The shell keeps the placement and ends the loop; the window goes at shutdown.
      add_event(WindowEventKind::close);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_DROPFILES: take_drop(reinterpret_cast<HDROP>(wparam)); return 0;
    case WM_DPICHANGED: {
      // The message carries the new DPI; the monitor may still say the old one
      // while the window is on its way.
      if (native != nullptr) native->dpi = HIWORD(wparam);
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOACTIVATE | SWP_NOZORDER);
      add_event(WindowEventKind::moved);
      return 0;
    }
    case WM_KILLFOCUS: add_event(WindowEventKind::focus_lost); break;
    default: break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HICON load_icon(int width_metric, int height_metric) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                       GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), 0));
}

}  // namespace

bool start_window_system(std::string& error) {
  ImGui_ImplWin32_EnableDpiAwareness();
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_CLASSDC;
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hIcon = load_icon(SM_CXICON, SM_CYICON);
  window_class.hIconSm = load_icon(SM_CXSMICON, SM_CYSMICON);
  window_class.lpszClassName = kWindowClass;
  if (RegisterClassExW(&window_class) != 0) return true;
  error = "the window class could not be registered";
  return false;
}

void stop_window_system() { UnregisterClassW(kWindowClass, GetModuleHandleW(nullptr)); }

const char* graphics_device_failure() { return "Could not create a Direct3D 11 device."; }

void show_error_message(const char* caption, const char* text) {
  MessageBoxW(nullptr, utf16_from_utf8(text).c_str(), utf16_from_utf8(caption).c_str(), MB_OK | MB_ICONERROR);
}

void start_interface_backends(const DesktopWindow& window) {
  DesktopWindow::Native& native = window.native();
  ImGui_ImplWin32_Init(native.window);
  ImGui_ImplDX11_Init(native.device, native.context);
  wake_target = native.window;
}

void stop_interface_backends() {
  wake_target = nullptr;
  ImGui_ImplDX11_Shutdown();
  ImGui_ImplWin32_Shutdown();
}

void begin_interface_frame() {
  ImGui_ImplDX11_NewFrame();
  ImGui_ImplWin32_NewFrame();
}

// The backend keeps the font texture among its device objects; the next
// frame's start remakes what is missing as well.
void release_font_texture() { ImGui_ImplDX11_InvalidateDeviceObjects(); }

void create_font_texture() { ImGui_ImplDX11_CreateDeviceObjects(); }

void render_interface_frame(const DesktopWindow& window, const float clear_colour[3]) {
  DesktopWindow::Native& native = window.native();
  if (native.target == nullptr) return;
  const float colour[4] = {clear_colour[0], clear_colour[1], clear_colour[2], 1.0f};
  native.context->OMSetRenderTargets(1, &native.target, nullptr);
  native.context->ClearRenderTargetView(native.target, colour);
  ImGui_ImplDX11_RenderDrawData(ImGui::GetDrawData());
}

bool poll_window_events(const DesktopWindow&, std::vector<WindowEvent>& events) {
  polled_events = &events;
  bool polled = false;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    polled = true;
    if (message.message == WM_QUIT) events.push_back({WindowEventKind::quit, {}});
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  polled_events = nullptr;
  return polled;
}

bool mouse_button_held() {
  for (int button : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON})
    if ((GetKeyState(button) & 0x8000) != 0) return true;
  return false;
}

void wait_for_event(int timeout_ms) {
  DWORD timeout = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
  MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// The worker's wake-up: an empty message ends the wait above.
std::function<void()> make_wake() {
  return [] {
    if (HWND window = wake_target.load()) PostMessageW(window, WM_NULL, 0, 0);
  };
}
