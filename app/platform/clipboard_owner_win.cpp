// Windows: a hidden message-only window on a thread of its own owns the
// clipboard. An offer is placed whole at once (text as CF_UNICODETEXT, the
// bitmap as CF_DIBV5, the PNG under the registered "PNG" format), so the
// system serves other programs from then on, even after this one ends.
#include "app/platform/clipboard_owner.h"

#include <windows.h>

#include <future>
#include <thread>

#include "app/platform/clipboard_data_win.h"

namespace {

constexpr UINT kOfferMessage = WM_APP + 1;
constexpr std::size_t kBitmapFileHeader = 14;  // CF_DIBV5 is the bitmap file without it

struct OfferCall {
  ClipboardOffer offer;
  std::string message;
  bool placed = false;
};

bool place(HWND owner, OfferCall& call) {
  if (!OpenClipboard(owner)) {
    call.message = "the clipboard is in use by another program";
    return false;
  }
  bool placed = EmptyClipboard() != 0;
  const ClipboardOffer& offer = call.offer;
  if (placed && !offer.text.empty()) placed = put_clipboard_text(offer.text);
  if (placed && offer.bmp.size() > kBitmapFileHeader)
    placed = put_clipboard_bytes(CF_DIBV5, offer.bmp.data() + kBitmapFileHeader, offer.bmp.size() - kBitmapFileHeader);
  if (placed && !offer.png.empty()) placed = put_clipboard_bytes(png_clipboard_format(), offer.png.data(), offer.png.size());
  CloseClipboard();
  if (!placed) call.message = "could not place the data on the clipboard";
  return placed;
}

LRESULT CALLBACK owner_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kOfferMessage) {
    auto* call = reinterpret_cast<OfferCall*>(lparam);
    call->placed = place(window, *call);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

struct ClipboardOwner::State {
  std::thread thread;
  HWND window = nullptr;
};

ClipboardOwner::ClipboardOwner() = default;

ClipboardOwner::~ClipboardOwner() { stop(); }

bool ClipboardOwner::start(std::string& message) {
  if (running()) return true;
  auto state = std::make_unique<State>();
  std::promise<HWND> made;
  std::future<HWND> window = made.get_future();
  state->thread = std::thread([&made] {
    WNDCLASSW kind{};
    kind.lpfnWndProc = owner_procedure;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = L"brisel_clipboard_owner";
    RegisterClassW(&kind);  // fails harmlessly when a second owner registers it again
    HWND owner = CreateWindowExW(0, kind.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 kind.hInstance, nullptr);
    made.set_value(owner);
    if (owner == nullptr) return;
    MSG next;
    while (GetMessageW(&next, nullptr, 0, 0) > 0) DispatchMessageW(&next);
    DestroyWindow(owner);
  });
  state->window = window.get();
  if (state->window == nullptr) {
    state->thread.join();
    message = "could not create the clipboard's window";
    return false;
  }
  state_ = std::move(state);
  return true;
}

bool ClipboardOwner::running() const { return state_ != nullptr; }

bool ClipboardOwner::offer(ClipboardOffer offer, std::string& message) {
  if (!running()) {
    message = "the clipboard is not running";
    return false;
  }
  OfferCall call;
  call.offer = std::move(offer);
  SendMessageW(state_->window, kOfferMessage, 0, reinterpret_cast<LPARAM>(&call));
  if (!call.placed) message = call.message;
  return call.placed;
}

// The offer stays on the clipboard: Windows users paste what they copied
// after the program that copied it has closed.
void ClipboardOwner::stop() {
  if (!running()) return;
  PostMessageW(state_->window, WM_QUIT, 0, 0);
  state_->thread.join();
  state_.reset();
}
