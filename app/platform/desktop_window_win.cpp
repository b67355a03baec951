#include "app/platform/desktop_window_win.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/platform/wide_text_win.h"

namespace {

constexpr int kCreateX = 80;
constexpr int kCreateY = 60;
constexpr int kCreateW = 1440;
constexpr int kCreateH = 900;

DesktopWindow::Native* the_window = nullptr;

template <class T>
void release(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

// The hardware driver first; then Windows' own software renderer, so machines
// without a graphics driver (virtual machines, remote sessions) still get a window.
HRESULT create_device(DesktopWindow::Native& native) {
  RECT client{};
  GetClientRect(native.window, &client);
  DXGI_SWAP_CHAIN_DESC desc{};
  desc.BufferCount = 2;
  desc.BufferDesc.Width = static_cast<UINT>(client.right - client.left);
  desc.BufferDesc.Height = static_cast<UINT>(client.bottom - client.top);
  desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.BufferDesc.RefreshRate.Numerator = 60;
  desc.BufferDesc.RefreshRate.Denominator = 1;
  desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
  desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  desc.OutputWindow = native.window;
  desc.SampleDesc.Count = 1;
  desc.SampleDesc.Quality = 0;
  desc.Windowed = TRUE;
  desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
  const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_0};
  HRESULT result = E_FAIL;
  for (D3D_DRIVER_TYPE driver : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}) {
    D3D_FEATURE_LEVEL level{};
    result = D3D11CreateDeviceAndSwapChain(nullptr, driver, nullptr, 0, levels, 2, D3D11_SDK_VERSION, &desc,
                                           &native.swap_chain, &native.device, &level, &native.context);
    if (SUCCEEDED(result)) return result;
  }
  return result;
}

void read_placement(DesktopWindow::Native& native) {
  if (native.window == nullptr) return;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (GetWindowPlacement(native.window, &placement)) {
    native.placement = placement;
    native.placement_known = true;
  }
}

}  // namespace

DesktopWindow::Native* main_window_native() { return the_window; }

bool DesktopWindow::Native::create_target() {
  ID3D11Texture2D* buffer = nullptr;
  if (FAILED(swap_chain->GetBuffer(0, IID_PPV_ARGS(&buffer)))) return false;
  HRESULT result = device->CreateRenderTargetView(buffer, nullptr, &target);
  buffer->Release();
  return SUCCEEDED(result);
}

void DesktopWindow::Native::release_target() { release(target); }

void DesktopWindow::Native::resize(UINT width, UINT height) {
  if (swap_chain == nullptr) return;
  release_target();
  swap_chain->ResizeBuffers(0, width, height, DXGI_FORMAT_UNKNOWN, 0);
  create_target();
}

DesktopWindow::DesktopWindow() : native_(std::make_unique<Native>()) {}

DesktopWindow::~DesktopWindow() { destroy(); }

void DesktopWindow::destroy() {
  Native& native = *native_;
  native.release_target();
  release(native.swap_chain);
  release(native.context);
  release(native.device);
  if (native.window != nullptr) DestroyWindow(native.window);
  native.window = nullptr;
  if (the_window == native_.get()) the_window = nullptr;
}

bool DesktopWindow::create(const std::string& title, float scale, bool no_activate, std::string& error) {
  Native& native = *native_;
  // A scripted run must not take the focus from whoever works beside it.
  DWORD ex_style = no_activate ? WS_EX_NOACTIVATE : 0;
  native.window = CreateWindowExW(ex_style, kWindowClass, utf16_from_utf8(title).c_str(), WS_OVERLAPPEDWINDOW,
                                  kCreateX, kCreateY, static_cast<int>(std::lround(kCreateW * scale)),
                                  static_cast<int>(std::lround(kCreateH * scale)), nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  if (native.window == nullptr) {
    error = "the window could not be created";
    return false;
  }
  the_window = &native;
  HRESULT result = create_device(native);
  if (FAILED(result) || !native.create_target()) {
    char code[32];
    std::snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(result));
    error = std::string("no device (") + code + ")";
    destroy();
    return false;
  }
  read_placement(native);
  return true;
}

void DesktopWindow::show(const WindowPlacement& stored) {
  Native& native = *native_;
  if (placement_usable(stored)) {
    RECT wanted{stored.x, stored.y, stored.x + stored.w, stored.y + stored.h};
    if (MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL) != nullptr)
      SetWindowPos(native.window, nullptr, stored.x, stored.y, stored.w, stored.h, SWP_NOACTIVATE | SWP_NOZORDER);
  }
  const bool quiet = (GetWindowLongW(native.window, GWL_EXSTYLE) & WS_EX_NOACTIVATE) != 0;
  ShowWindow(native.window, stored.maximized ? SW_MAXIMIZE : (quiet ? SW_SHOWNOACTIVATE : SW_SHOWDEFAULT));
  UpdateWindow(native.window);
  DragAcceptFiles(native.window, TRUE);
  read_placement(native);
}

void DesktopWindow::track_placement() { read_placement(*native_); }

// The restored ("normal") rectangle as Windows keeps it, frame included.
WindowPlacement DesktopWindow::placement() const {
  WindowPlacement result;
  if (!native_->placement_known) return result;
  const WINDOWPLACEMENT& placement = native_->placement;
  const RECT& rect = placement.rcNormalPosition;
  result.x = rect.left;
  result.y = rect.top;
  result.w = rect.right - rect.left;
  result.h = rect.bottom - rect.top;
  result.maximized = placement.showCmd == SW_SHOWMAXIMIZED;
  return result;
}

void DesktopWindow::present() {
  if (native_->swap_chain != nullptr) native_->swap_chain->Present(1, 0);
}

// Buffer 0 through a staging copy the processor can read; rows come out
// bottom first, as the bitmap writer takes them.
bool DesktopWindow::read_back_buffer(std::vector<std::uint8_t>& rgba, int& width, int& height) const {
  Native& native = *native_;
  if (native.swap_chain == nullptr) return false;
  ID3D11Texture2D* buffer = nullptr;
  if (FAILED(native.swap_chain->GetBuffer(0, IID_PPV_ARGS(&buffer)))) return false;
  D3D11_TEXTURE2D_DESC desc{};
  buffer->GetDesc(&desc);
  desc.Usage = D3D11_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  desc.MiscFlags = 0;
  ID3D11Texture2D* staging = nullptr;
  bool ok = SUCCEEDED(native.device->CreateTexture2D(&desc, nullptr, &staging));
  D3D11_MAPPED_SUBRESOURCE mapped{};
  if (ok) {
    native.context->CopyResource(staging, buffer);
    ok = SUCCEEDED(native.context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped));
  }
  if (ok) {
    width = static_cast<int>(desc.Width);
    height = static_cast<int>(desc.Height);
    const std::size_t row = static_cast<std::size_t>(width) * 4;
    rgba.resize(row * height);
    const auto* source = static_cast<const std::uint8_t*>(mapped.pData);
    for (int y = 0; y < height; ++y)
      std::copy_n(source + static_cast<std::size_t>(y) * mapped.RowPitch, row,
                  rgba.data() + static_cast<std::size_t>(height - 1 - y) * row);
    native.context->Unmap(staging, 0);
  }
  release(staging);
  buffer->Release();
  return ok && width > 0 && height > 0;
}
