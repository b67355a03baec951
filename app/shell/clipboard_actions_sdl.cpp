// Text goes through SDL's clipboard, which speaks UTF-8 like the rest of the program.
#include <SDL.h>

#include "app/document/document.h"
#include "app/shell/clipboard_actions.h"
#include "app/shell/format_text.h"
#include "app/shell/translate.h"
#include "io/settings.h"

namespace {
constexpr int kParameterCount = 13;
}  // namespace

bool put_clipboard_text(const std::string& text, std::string& message) {
  if (SDL_SetClipboardText(text.c_str()) == 0) return true;
  message = "could not place the text on the clipboard";
  return false;
}

bool get_clipboard_text(std::string& text, std::string& message) {
  if (!SDL_HasClipboardText()) {
    message = "there is no text on the clipboard";
    return false;
  }
  char* got = SDL_GetClipboardText();
  text = got != nullptr ? got : "";
  SDL_free(got);
  if (text.empty()) {
    message = "the clipboard text could not be read";
    return false;
  }
  return true;
}

bool clipboard_has_text() { return SDL_HasClipboardText() == SDL_TRUE; }

std::string copy_image_path(const Document& document) {
  if (document.path.empty()) return translate("No image is open");
  std::string message;
  if (!put_clipboard_text(document.path, message)) return format_text(translate("Copy failed: %s"), message.c_str());
  return format_text(translate("Copied %s to the clipboard"), document.path.c_str());
}

std::string copy_quantizer_parameters(const Document& document) {
  std::string message;
  if (!put_clipboard_text(format_parameter_block(document.options), message))
    return format_text(translate("Copy failed: %s"), message.c_str());
  return format_text(translate("Copied %d quantizer parameters to the clipboard"), kParameterCount);
}

std::string paste_quantizer_parameters(Document& document) {
  std::string text;
  std::string message;
  if (!get_clipboard_text(text, message)) return format_text(translate("Paste failed: %s"), message.c_str());
  QuantizerOptions options = document.options;
  int count = 0;
  if (!read_parameter_block(text, options, count, message))
    return format_text(translate("Paste failed: %s"), message.c_str());
  if (count == 0) return translate("No quantizer parameters on the clipboard");
  document.push_edit_step();
  document.set_options(options);
  return format_text(translate("Applied %d quantizer parameters"), count);
}

std::string copy_quantized_image(Document& document) {
  if (!document.result.ok) return translate("Nothing to copy yet");
  // The image formats need a clipboard owner of our own; until then say so.
  return format_text(translate("Copy failed: %s"), "could not place the image on the clipboard");
}
