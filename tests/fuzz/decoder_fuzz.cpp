// libFuzzer target for one image decoder, chosen when it is built:
// -DFUZZ_DECODE=decode_png_memory and so on. Any bytes must end in a status,
// with a success giving exactly width x height RGBA pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "io/decode/format_decoders.h"

// The decoders refuse what would not fit in memory; here memory is what the
// fuzzer allows (2 GB), less room for the codecs' own buffers, so a file that
// could still make a decoder allocate gigabytes shows up as a failure.
std::uint64_t available_memory_bytes() { return std::uint64_t{512} << 20; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> input(data, data + size);  // exact-size copy: overreads show up
  DecodedImage image;
  IoStatus status = FUZZ_DECODE(input.data(), input.size(), image);
  if (status.ok() && (image.width == 0 || image.height == 0 ||
                      image.pixels.size() != std::size_t{image.width} * image.height * 4)) {
    std::abort();
  }
  return 0;
}
