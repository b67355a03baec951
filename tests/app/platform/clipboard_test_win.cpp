// The Windows clipboard: what the owner offers (UTF-16 text, CF_DIBV5, "PNG")
// reads back whole, text goes both ways, and the offer outlives its owner.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/platform/clipboard_data_win.h"
#include "app/platform/clipboard_owner.h"
#include "app/platform/clipboard_text.h"

namespace {

// A 2 x 1 bitmap file with a version 5 header: blue then red, 32 bits, bit fields.
std::vector<std::uint8_t> small_bitmap_file() {
  std::vector<std::uint8_t> file(14 + sizeof(BITMAPV5HEADER) + 8, 0);
  file[0] = 'B', file[1] = 'M';
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = 2;
  header.bV5Height = 1;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000, header.bV5GreenMask = 0x0000FF00, header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  header.bV5CSType = 0x73524742;  // LCS_sRGB, "sRGB"
  std::memcpy(&file[14], &header, sizeof header);
  const std::uint8_t pixels[8] = {255, 0, 0, 255, 0, 0, 255, 255};
  std::memcpy(&file[14 + sizeof header], pixels, sizeof pixels);
  return file;
}

std::vector<std::uint8_t> read_back(UINT format, std::size_t size) {
  if (!OpenClipboard(nullptr)) return {};
  std::vector<std::uint8_t> bytes = clipboard_bytes(format);
  CloseClipboard();
  if (bytes.size() > size) bytes.resize(size);  // blocks may be rounded up
  return bytes;
}

}  // namespace

TEST(WindowsClipboard, AnOfferReadsBackInEachFormatAndOutlivesItsOwner) {
  ClipboardOwner owner;
  std::string message;
  ASSERT_TRUE(owner.start(message)) << message;
  ClipboardOffer offer;
  offer.bmp = small_bitmap_file();
  offer.png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 1, 2, 3};
  std::vector<std::uint8_t> dib(offer.bmp.begin() + 14, offer.bmp.end()), png = offer.png;
  ASSERT_TRUE(owner.offer(offer, message)) << message;
  EXPECT_EQ(read_back(png_clipboard_format(), png.size()), png);
  EXPECT_EQ(read_back(CF_DIBV5, dib.size()), dib);
  EXPECT_FALSE(system_clipboard_has_text());

  ClipboardOffer words;
  words.text = "Kestrane \xE7\x8C\xAB \xC3\xBC";  // a cat and a u with umlaut
  ASSERT_TRUE(owner.offer(words, message)) << message;
  EXPECT_EQ(system_clipboard_text(), words.text);
  EXPECT_FALSE(IsClipboardFormatAvailable(png_clipboard_format()));  // each offer replaces the last
  owner.stop();
  EXPECT_EQ(system_clipboard_text(), words.text);
}

TEST(WindowsClipboard, TextGoesBothWaysInUtf8) {
  const std::string text = "line one\r\n\xE7\x8C\xAB.png";
  ASSERT_TRUE(set_system_clipboard_text(text));
  EXPECT_TRUE(system_clipboard_has_text());
  EXPECT_EQ(system_clipboard_text(), text);
}
