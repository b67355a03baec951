#include "app/ui/result_figures.h"

#include "app/ui/format_text.h"
#include "app/ui/translate.h"

std::string byte_size_text(std::uint64_t bytes) {
  if (bytes >= 1048576) return format_text("%.2f MB", static_cast<double>(bytes) / 1048576.0);
  if (bytes < 1024) return format_text("%zu B", static_cast<std::size_t>(bytes));
  return format_text("%.1f KB", static_cast<double>(bytes) / 1024.0);
}

std::string ratio_text(std::uint64_t png_size, std::uint64_t source_size) {
  if (png_size == 0 || source_size == 0) return {};
  double ratio = static_cast<double>(png_size) * 100.0 / static_cast<double>(source_size);
  return format_text(translate("     ratio: %.1f%% (%.1f%% smaller)"), ratio, 100.0 - ratio);
}
