#include "app/ui/palette_actions.h"

#include <cstdint>
#include <vector>

#include "app/document/document.h"
#include "app/ui/clipboard_actions.h"
#include "app/ui/format_text.h"
#include "app/ui/translate.h"
#include "engine/palette_capacity.h"
#include "io/palette_file.h"

namespace {

// The colours of a palette file; empty with `message` set when there are none.
std::vector<Rgba> read_colours(const std::string& path, std::string& message) {
  std::vector<std::uint8_t> bytes(kPaletteCapacity * 4);
  int count = 0;
  read_palette_file(path, bytes.data(), static_cast<int>(kPaletteCapacity), count, message);
  std::vector<Rgba> colours;
  for (int i = 0; i < count; ++i)
    colours.push_back({bytes[4 * i], bytes[4 * i + 1], bytes[4 * i + 2], bytes[4 * i + 3]});
  return colours;
}

}  // namespace

std::string load_pins_from_file(Document& document, const std::string& path) {
  std::string message;
  std::vector<Rgba> colours = read_colours(path, message);
  if (colours.empty())
    return format_text(translate("Could not read pins from %s - %s"), path.c_str(), message.c_str());
  document.set_pins(colours);
  return format_text(translate("Pinned %u colour(s) from %s"), static_cast<unsigned>(document.pins().size()),
                     path.c_str());
}

std::string save_pins_to_file(const Document& document, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  for (const Rgba& pin : document.pins()) bytes.insert(bytes.end(), pin.begin(), pin.end());
  IoStatus written = write_pins_file(path, bytes.data(), static_cast<std::uint32_t>(document.pins().size()));
  if (!written.ok()) return format_text(translate("Save failed: %s"), io_message(written).c_str());
  return format_text(translate("Saved pins to %s"), path.c_str());
}

std::string load_palette_from_file(Document& document, const std::string& path) {
  std::string message;
  std::vector<Rgba> colours = read_colours(path, message);
  if (colours.empty())
    return format_text(translate("Could not read palette %s - %s"), path.c_str(), message.c_str());
  document.load_palette(colours, 1, path);
  return format_text(translate("Remapping to the %u-colour palette in %s"), static_cast<unsigned>(colours.size()),
                     path.c_str());
}

std::string save_palette_to_file(const Document& document, const std::string& path) {
  const QuantResult& result = document.result();
  if (!result.ok || result.palette_count == 0) return translate("No palette yet");
  IoStatus written = write_palette_file(path, result.palette.data(), result.palette_count);
  if (!written.ok()) return format_text(translate("Save failed: %s"), io_message(written).c_str());
  return format_text(translate("Saved the palette to %s"), path.c_str());
}

std::string copy_palette(const Document& document) {
  const QuantResult& result = document.result();
  std::string text = result.ok ? palette_plain_list(result.palette.data(), result.palette_count) : std::string();
  if (text.empty()) return translate("No palette yet");
  std::string message;
  if (!put_clipboard_text(text, message)) return format_text(translate("Copy failed: %s"), message.c_str());
  return format_text(translate("Copied %u colours to the clipboard"), result.palette_count);
}

std::string paste_palette(Document& document) {
  std::string text;
  std::string message;
  if (!get_clipboard_text(text, message)) return format_text(translate("Paste failed: %s"), message.c_str());
  std::vector<std::uint8_t> bytes(kPaletteCapacity * 4);
  int count = parse_palette_text(text.data(), text.size(), bytes.data(), static_cast<int>(kPaletteCapacity), message);
  if (count <= 0) {
    if (count == 0 && message.empty()) message = "no colours found";
    return format_text(translate("Paste failed: %s"), message.c_str());
  }
  std::vector<Rgba> colours;
  for (int i = 0; i < count; ++i) colours.push_back({bytes[4 * i], bytes[4 * i + 1], bytes[4 * i + 2], bytes[4 * i + 3]});
  document.push_edit_step();
  document.load_palette(colours, kPaletteClipboard, "");
  return format_text(translate("Remapping to the %u-colour palette on the clipboard"), static_cast<unsigned>(count));
}
