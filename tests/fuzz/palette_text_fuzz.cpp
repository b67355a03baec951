// libFuzzer target for the palette reader: any bytes must end in a count or a
// message, with every colour written inside the caller's room.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "io/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the room, so small maximums are exercised too.
  int maximum = size > 0 ? data[0] % 257 : 256;
  std::vector<std::uint8_t> input(data, data + size);  // exact-size copy: overreads show up
  std::vector<std::uint8_t> colours(static_cast<std::size_t>(maximum) * 4);
  std::string message;
  int count = parse_palette_text(reinterpret_cast<const char*>(input.data()), input.size(),
                                 colours.data(), maximum, message);
  if (count > maximum || count < -1) std::abort();
  if (count <= 0 && message.empty()) std::abort();
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < i; ++j) {
      if (std::equal(colours.begin() + i * 4, colours.begin() + i * 4 + 4, colours.begin() + j * 4)) {
        std::abort();  // duplicates must be dropped
      }
    }
  }
  return 0;
}
