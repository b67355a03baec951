#include "app/platform/clipboard_text.h"

#include <SDL.h>

bool set_system_clipboard_text(const std::string& text) { return SDL_SetClipboardText(text.c_str()) == 0; }

bool system_clipboard_has_text() { return SDL_HasClipboardText() == SDL_TRUE; }

std::string system_clipboard_text() {
  char* got = SDL_GetClipboardText();
  std::string text = got != nullptr ? got : "";
  SDL_free(got);
  return text;
}
