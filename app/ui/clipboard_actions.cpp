#include "app/ui/clipboard_actions.h"

#include <chrono>

#include "app/document/document.h"
#include "app/platform/clipboard_owner.h"
#include "app/platform/clipboard_text.h"
#include "app/ui/clipboard_image.h"
#include "app/ui/format_text.h"
#include "app/ui/result_figures.h"
#include "app/ui/translate.h"
#include "engine/option_table.h"
#include "io/settings.h"

namespace {

ClipboardOwner* g_owner = nullptr;

}  // namespace

void use_clipboard_owner(ClipboardOwner* owner) { g_owner = owner; }

bool put_clipboard_text(const std::string& text, std::string& message) {
  if (g_owner != nullptr) {
    ClipboardOffer offer;
    offer.text = text;
    return g_owner->offer(std::move(offer), message);
  }
  if (set_system_clipboard_text(text)) return true;
  message = "could not place the text on the clipboard";
  return false;
}

bool get_clipboard_text(std::string& text, std::string& message) {
  if (!system_clipboard_has_text()) {
    message = "there is no text on the clipboard";
    return false;
  }
  text = system_clipboard_text();
  if (text.empty()) {
    message = "the clipboard text could not be read";
    return false;
  }
  return true;
}

// Asked by widgets every frame, but the answer is a round trip to whoever owns
// the clipboard: it is asked again at most twice a second.
bool clipboard_has_text() {
  static auto asked = std::chrono::steady_clock::time_point();
  static bool has_text = false;
  auto now = std::chrono::steady_clock::now();
  if (now - asked >= std::chrono::milliseconds(500)) {
    asked = now;
    has_text = system_clipboard_has_text();
  }
  return has_text;
}

std::string copy_image_path(const Document& document) {
  if (document.path().empty()) return translate("No image is open");
  std::string message;
  if (!put_clipboard_text(document.path(), message)) return format_text(translate("Copy failed: %s"), message.c_str());
  return format_text(translate("Copied %s to the clipboard"), document.path().c_str());
}

std::string copy_quantizer_parameters(const Document& document) {
  std::string message;
  if (!put_clipboard_text(format_parameter_block(document.options()), message))
    return format_text(translate("Copy failed: %s"), message.c_str());
  return format_text(translate("Copied %d quantizer parameters to the clipboard"), stored_option_count());
}

std::string paste_quantizer_parameters(Document& document) {
  std::string text;
  std::string message;
  if (!get_clipboard_text(text, message)) return format_text(translate("Paste failed: %s"), message.c_str());
  QuantizerOptions options = document.options();
  int count = 0;
  if (!read_parameter_block(text, options, count, message))
    return format_text(translate("Paste failed: %s"), message.c_str());
  if (count == 0) return translate("No quantizer parameters on the clipboard");
  document.push_edit_step();
  document.set_options(options);
  return format_text(translate("Applied %d quantizer parameters"), count);
}

std::string copy_quantized_image(Document& document) {
  std::vector<std::uint8_t> png, bmp;
  std::uint32_t width = 0, height = 0;
  // The worker may be installing a new result; the interface copy is read under the lock.
  std::string refused = document.read_result([&](const QuantResult& result) -> std::string {
    if (!result.ok) return translate("Nothing to copy yet");
    std::string message;
    std::vector<std::uint8_t> rgba = expand_result_rgba(result, message);
    if (rgba.empty()) return format_text(translate("Copy failed: %s"), message.c_str());
    width = result.width;
    height = result.height;
    bmp = bitmap_v5_file(width, height, rgba.data());
    png = result_png_bytes(result);  // without it the bitmap goes alone
    return {};
  });
  if (!refused.empty()) return refused;
  std::string message = "could not place the image on the clipboard";
  if (bmp.empty() && png.empty()) return format_text(translate("Copy failed: %s"), message.c_str());
  std::string png_note =
      png.empty() ? std::string() : format_text(translate(" (%s as PNG)"), byte_size_text(png.size()).c_str());
  ClipboardOffer offer;
  offer.png = std::move(png);
  offer.bmp = std::move(bmp);
  if (g_owner == nullptr || !g_owner->offer(std::move(offer), message))
    return format_text(translate("Copy failed: %s"), message.c_str());
  return format_text(translate("Copied %u x %u quantized image to the clipboard%s"), width, height,
                     png_note.c_str());
}
