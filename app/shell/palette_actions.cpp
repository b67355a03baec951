#include "app/shell/palette_actions.h"

#include <cstdint>
#include <vector>

#include "app/document/document.h"
#include "app/shell/format_text.h"
#include "app/shell/translate.h"
#include "io/palette_file.h"

namespace {

constexpr int kMostColoursRead = 256;

// The colours of a palette file; empty with `message` set when there are none.
std::vector<Rgba> read_colours(const std::string& path, std::string& message) {
  std::vector<std::uint8_t> bytes(kMostColoursRead * 4);
  int count = read_palette_file(path, bytes.data(), kMostColoursRead, message);
  if (count == 0 && message.empty()) message = "no colours found";
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
  return format_text(translate("Pinned %u colour(s) from %s"), static_cast<unsigned>(document.pins.size()),
                     path.c_str());
}

std::string save_pins_to_file(const Document& document, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  for (const Rgba& pin : document.pins) bytes.insert(bytes.end(), pin.begin(), pin.end());
  IoStatus written = write_pins_file(path, bytes.data(), static_cast<std::uint32_t>(document.pins.size()));
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
