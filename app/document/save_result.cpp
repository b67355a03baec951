#include "app/document/save_result.h"

#include <cstdio>
#include <vector>

#include "app/document/document.h"
#include "app/document/png_size.h"
#include "app/ui/translate.h"
#include "io/png_write.h"

namespace {

std::string failed(const std::string& reason) {
  char text[600];
  std::snprintf(text, sizeof text, translate("Save failed: %s"), reason.c_str());
  return text;
}

}  // namespace

std::string save_result_png(Document& document, const std::string& path) {
  return document.read_result([&](const QuantResult& result) -> std::string {
    if (!result.ok) return failed(translate("nothing to save yet"));
    std::size_t pixel_count = std::size_t{result.width} * result.height;
    if (!result.indices_available || result.indices.size() < pixel_count)
      return failed(translate("the result is being replaced; try again"));
    std::vector<const std::uint8_t*> rows = row_pointers(result.indices.data(), result.height, result.width);
    IoStatus written = write_indexed_png(path, result.width, result.height, result.gamma, rows.data(),
                                         result.palette.data(), result.palette_count);
    if (!written.ok()) return failed(io_message(written));
    char text[700];
    std::snprintf(text, sizeof text, translate("Saved %s (%u colours, %u-bit palette)"), path.c_str(),
                  result.palette_count, palette_bit_depth(result.palette_count));
    return text;
  });
}
