#pragma once
// Our own holder of the desktop's clipboard, so other programs can take the
// quantized image from us as PNG or bitmap file bytes, or a text. It serves
// their requests on a thread of its own for as long as it runs; a new offer
// replaces the last, and the offer is gone when another program takes the
// clipboard, and on X11 when this one stops (Windows keeps it).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ClipboardOffer {
  std::string text;               // UTF-8; offered as text when not empty
  std::vector<std::uint8_t> png;  // offered as image/png when not empty
  std::vector<std::uint8_t> bmp;  // offered as image/bmp when not empty
};

class ClipboardOwner {
 public:
  ClipboardOwner();
  ~ClipboardOwner();  // stops
  ClipboardOwner(const ClipboardOwner&) = delete;
  ClipboardOwner& operator=(const ClipboardOwner&) = delete;

  // Connects to the display and starts serving; false with `message` when it cannot.
  bool start(std::string& message);
  bool running() const;
  // Takes the clipboard for `offer`; false with `message` when it could not.
  bool offer(ClipboardOffer offer, std::string& message);
  // Joins the thread; on X11 the offer is lost with it.
  void stop();

  struct State;

 private:
  std::unique_ptr<State> state_;
};
