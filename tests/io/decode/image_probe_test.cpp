// Image sizes read from headers alone, before any decoding.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "io/image_probe.h"
#include "tests/io/io_test_support.h"

namespace {

struct Probe {
  bool known;
  std::uint32_t width, height;
  bool operator==(const Probe&) const = default;
};

Probe probe(const ScratchFolder& folder, const std::vector<std::uint8_t>& bytes) {
  std::string path = folder.file("probe");
  write_bytes(path, bytes);
  Probe p{false, 0, 0};
  p.known = probe_image_size(path, p.width, p.height);
  return p;
}

std::vector<std::uint8_t> with(std::vector<std::uint8_t> head, std::size_t size) {
  head.resize(size, 0);
  return head;
}

}  // namespace

TEST(ImageProbe, ReadsTheDeclaredSizeOfEachHeaderKind) {
  ScratchFolder folder;
  // A PNG cut short after its header still tells its size: nothing is decoded.
  std::vector<std::uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                   0, 0x01, 0x11, 0x70, 0, 0, 0, 3, 8, 6, 0, 0, 0};
  EXPECT_EQ(probe(folder, png), (Probe{true, 70000, 3}));

  const std::uint8_t grey[3] = {90, 90, 90};
  EXPECT_EQ(probe(folder, make_flat_jpeg(37, 21, 3, grey)), (Probe{true, 37, 21}));

  EXPECT_EQ(probe(folder, with({'G', 'I', 'F', '8', '9', 'a', 0x2C, 0x01, 0x07, 0x00}, 13)),
            (Probe{true, 300, 7}));
  // BMP: a top-down image (negative height), and the old 12-byte header.
  EXPECT_EQ(probe(folder, with({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0,
                                0x10, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}, 54)),
            (Probe{true, 16, 2}));
  EXPECT_EQ(probe(folder, with({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0,
                                0x20, 0x01, 0x05, 0x00}, 26)),
            (Probe{true, 288, 5}));

  std::vector<std::uint8_t> webp = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P',
                                    'V', 'P', '8', 'X', 10, 0, 0, 0, 0, 0, 0, 0,
                                    0x1F, 0x4E, 0x00, 0x63, 0x00, 0x00};
  EXPECT_EQ(probe(folder, webp), (Probe{true, 20000, 100}));
  // Lossless: 14 bits each of width-1 and height-1 after the 0x2F signature.
  webp = with({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L', 0, 0, 0, 0,
               0x2F, 0x09, 0x40, 0x06, 0x00},
              30);
  EXPECT_EQ(probe(folder, webp), (Probe{true, 10, 26}));

  // Big-endian TIFF, its sizes as SHORT and LONG entries of the first directory.
  EXPECT_EQ(probe(folder, {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2, 1, 0, 0, 3, 0, 0, 0, 1, 0x01, 0x2C, 0, 0,
                           1, 1, 0, 4, 0, 0, 0, 1, 0, 0, 0x02, 0x01, 0, 0, 0, 0}),
            (Probe{true, 300, 513}));
  EXPECT_FALSE(probe(folder, {'I', 'I', 42, 0, 8, 0, 0, 0}).known);  // TIFF cut in its header
  // A PNG side past 2^31 - 1 breaks the format: corrupt, not large, so decoding decides.
  png[16] = 0x80;
  EXPECT_FALSE(probe(folder, png).known);
  EXPECT_FALSE(probe(folder, {}).known);
  EXPECT_FALSE(probe(folder, {0xFF, 0xD8, 0xFF, 0xE0, 0x00}).known);  // JPEG cut in a segment
}

TEST(ImageProbe, DoesNotOpenPipesOrMissingFiles) {
  ScratchFolder folder;
  std::string pipe = folder.file("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::uint32_t width = 0, height = 0;
  EXPECT_FALSE(probe_image_size(pipe, width, height));  // would block if it were opened
  EXPECT_FALSE(probe_image_size(folder.file("missing.png"), width, height));
}
