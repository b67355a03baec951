// Writes the program's icon as a Windows .ico file of several sizes, for the
// Windows build's resources. Built and run on the build machine.
// Usage: make_windows_icon OUT.ico
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/ui/app_icon.h"

namespace {

constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

void put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(value & 0xff);
  out.push_back((value >> 8) & 0xff);
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  put16(out, value & 0xffff);
  put16(out, value >> 16);
}

// One image as the icon format keeps it: a bitmap header of twice the height,
// BGRA rows bottom up, then an all-clear AND mask (the alpha decides).
std::vector<std::uint8_t> icon_image(int size) {
  std::vector<std::uint8_t> rgba = draw_app_icon(size);
  std::vector<std::uint8_t> out;
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(size));
  put32(out, static_cast<std::uint32_t>(size * 2));
  put16(out, 1);
  put16(out, 32);
  for (int i = 0; i < 6; ++i) put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * size + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  const std::size_t mask_row = ((size + 31) / 32) * 4;
  out.resize(out.size() + mask_row * size, 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_windows_icon OUT.ico\n");
    return 1;
  }
  constexpr int kCount = sizeof(kSizes) / sizeof(kSizes[0]);
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : kSizes) images.push_back(icon_image(size));
  std::vector<std::uint8_t> out;
  put16(out, 0);
  put16(out, 1);  // an icon
  put16(out, kCount);
  std::uint32_t offset = 6 + 16 * kCount;
  for (int i = 0; i < kCount; ++i) {
    out.push_back(kSizes[i] >= 256 ? 0 : kSizes[i]);  // 0 stands for 256
    out.push_back(kSizes[i] >= 256 ? 0 : kSizes[i]);
    out.push_back(0);
    out.push_back(0);
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<std::uint32_t>(images[i].size()));
    put32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  std::FILE* file = std::fopen(argv[1], "wb");
  bool ok = file != nullptr && std::fwrite(out.data(), 1, out.size(), file) == out.size();
  ok = file != nullptr && std::fclose(file) == 0 && ok;
  if (!ok) std::fprintf(stderr, "make_windows_icon: could not write %s\n", argv[1]);
  return ok ? 0 : 1;
}
