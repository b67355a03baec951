#pragma once
// The Win32 window and Direct3D 11 device behind DesktopWindow, for the Windows files.
#include <windows.h>

#include <d3d11.h>
#include <dxgi.h>

#include "app/platform/desktop_window.h"

struct DesktopWindow::Native {
  HWND window = nullptr;
  ID3D11Device* device = nullptr;
  ID3D11DeviceContext* context = nullptr;
  IDXGISwapChain* swap_chain = nullptr;
  ID3D11RenderTargetView* target = nullptr;
  WINDOWPLACEMENT placement{};  // the last one read, kept for after the window is gone
  bool placement_known = false;
  UINT dpi = 0;  // from the last WM_DPICHANGED; 0 until Windows sends one


  bool create_target();
  void release_target();
  void resize(UINT width, UINT height);
};

// The one window of the process (its device makes every texture); null when there is none.
DesktopWindow::Native* main_window_native();
