// Writes the program's icon as a PNG of the given size, for the desktop's icon theme.
// Usage: make_icon SIZE OUT.png
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/ui/app_icon.h"
#include "io/png_write.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icon SIZE OUT.png\n");
    return 1;
  }
  int size = std::atoi(argv[1]);
  if (size < 16 || size > 1024) {
    std::fprintf(stderr, "make_icon: size must be 16 to 1024\n");
    return 1;
  }
  std::vector<std::uint8_t> pixels = draw_app_icon(size);
  std::vector<const std::uint8_t*> rows(size);
  for (int y = 0; y < size; ++y) rows[y] = pixels.data() + std::size_t(y) * size * 4;
  std::FILE* file = std::fopen(argv[2], "wb");
  if (file == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  bool ok = write_rgba_png(file, size, size, 0.45455, rows.data()).ok();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::fprintf(stderr, "make_icon: could not write %s\n", argv[2]);
  return ok ? 0 : 1;
}
