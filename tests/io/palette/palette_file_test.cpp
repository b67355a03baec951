// Palette text, palette PNGs and the palette and pins writers.
#include <gtest/gtest.h>

#include "io/palette_file.h"
#include "tests/io/io_test_support.h"

namespace {

using Colours = std::vector<std::vector<int>>;

struct Parsed {
  int count;
  Colours colours;
  std::string message;
};

Parsed parse(const std::string& text, int maximum = 256) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(maximum) * 4 + 4, 0xee);
  Parsed parsed;
  parsed.count = parse_palette_text(text.data(), text.size(), buffer.data(), maximum, parsed.message);
  for (int i = 0; i < parsed.count; ++i) {
    parsed.colours.push_back({buffer[i * 4], buffer[i * 4 + 1], buffer[i * 4 + 2], buffer[i * 4 + 3]});
  }
  return parsed;
}

std::string png_chunk(const char* type, const std::vector<std::uint8_t>& data) {
  std::string chunk;
  std::uint32_t length = static_cast<std::uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>(length >> shift);
  chunk += type;
  chunk.append(data.begin(), data.end());
  chunk += std::string(4, '\0');  // the reader does not check CRCs
  return chunk;
}

const std::string kSignature = "\x89PNG\r\n\x1a\n";

// A palette file's count as the parser gives it: -1 on any failure, 0 for no
// colours; `code` gets the reader's own status.
int read_count(const std::string& path, std::uint8_t* colours, std::string& message,
               std::string* warning = nullptr, IoCode* code = nullptr) {
  int count = 0;
  IoStatus status = read_palette_file(path, colours, 256, count, message, warning);
  if (code != nullptr) *code = status.code;
  if (status.code == IoCode::kNoPalette) return 0;
  return status.ok() ? count : -1;
}

}  // namespace

TEST(PaletteText, HexLines) {
  Parsed parsed = parse("#FF000080\nff0000\n#FFF\n#00ff00 green\n  0000FF  \n#12345\n");
  EXPECT_EQ(parsed.colours, (Colours{{255, 0, 0, 128}, {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}}));
}

TEST(PaletteText, DecimalLinesAndSeparators) {
  Parsed parsed = parse("255,0,0\r\n255;0;0\r\n255 0 0\n256 0 0\n12 34\n1\t2\t3\t4\n-0 5 6\n-1 5 6\n7 8 9 Orange\n");
  // Red three times counts once; a name that is not a number leaves alpha at 255.
  EXPECT_EQ(parsed.colours, (Colours{{255, 0, 0, 255}, {1, 2, 3, 4}, {0, 5, 6, 255}, {7, 8, 9, 255}}));
  EXPECT_EQ(parse("7 8 9 12-bit\n").colours, (Colours{{7, 8, 9, 12}}));
}

TEST(PaletteText, JascHeaderIsNotAColourAndUnreadLinesAreNamed) {
  // A count of six digits once read as the colour #999999.
  std::string jasc = "JASC-PAL\r\n0100\r\n999999\r\n10 20 30\r\n";
  std::vector<std::uint8_t> colours(256 * 4);
  std::string message, warning = "stale";
  EXPECT_EQ(parse_palette_text(jasc.data(), jasc.size(), colours.data(), 256, message, &warning), 1);
  EXPECT_EQ(warning, "");

  std::string text = "; list\n#FF0000\nred\n\n12 34\r\n256 0 0\r\n# note\n0 0 255\n";
  EXPECT_EQ(parse_palette_text(text.data(), text.size(), colours.data(), 256, message, &warning), 2);
  EXPECT_EQ(warning, "skipped lines 3, 5 and 6 that are not colours");

  // Mistyped colours are named; comments, even with digits, are not. A byte
  // order mark does not cost the first colour.
  text = "\xEF\xBB\xBF#102030\n#FF000\n#FF00000\n#GG0000\n#Palette\n#region1\n# 12 colours\n#FFF\n";
  EXPECT_EQ(parse_palette_text(text.data(), text.size(), colours.data(), 256, message, &warning), 1);
  EXPECT_EQ(colours[0], 0x10);
  EXPECT_EQ(warning, "skipped lines 2, 3 and 4 that are not colours");

  std::string many;
  for (int i = 0; i < 14; ++i) many += "x\n";
  many += "1 2 3\n";
  ScratchFolder folder;
  write_text(folder.file("p.txt"), many);
  EXPECT_EQ(read_count(folder.file("p.txt"), colours.data(), message, &warning), 1);
  EXPECT_EQ(warning, folder.file("p.txt") + ": skipped lines 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 and 4 more that are not colours");
  write_text(folder.file("one.txt"), "1 2 3\nzz\n");
  EXPECT_EQ(read_count(folder.file("one.txt"), colours.data(), message, &warning), 1);
  EXPECT_EQ(warning, folder.file("one.txt") + ": skipped line 2 that is not a colour");
}

TEST(PaletteText, JascGimpCommentsAndNothing) {
  EXPECT_EQ(parse("JASC-PAL\r\n0100\r\n2\r\n10 20 30\r\n40 50 60\r\n").colours,
            (Colours{{10, 20, 30, 255}, {40, 50, 60, 255}}));
  EXPECT_EQ(parse("GIMP Palette\nName: x 1 2 3\nColumns: 16\n#\n  1   2   3\tIndex 0\n").colours,
            (Colours{{1, 2, 3, 255}}));
  Parsed none = parse("; 1 2 3\n// 4 5 6\n# a comment\n\n\n");
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(none.message, "no colours found");
  std::string message;
  std::uint8_t colours[4];
  EXPECT_EQ(parse_palette_text(nullptr, 5, colours, 1, message), -1);
  EXPECT_EQ(message, "nothing to read");
}

TEST(PaletteText, MaximumKeepsTheFirstDistinctColours) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += std::to_string(i % 256) + " " + std::to_string(i / 256) + " 0\n";
  Parsed parsed = parse(text);
  ASSERT_EQ(parsed.count, 256);
  EXPECT_EQ(parsed.colours[255], (std::vector<int>{255, 0, 0, 255}));
  Parsed few = parse("1 1 1\n1 1 1\n2 2 2\n3 3 3\n", 2);
  EXPECT_EQ(few.colours, (Colours{{1, 1, 1, 255}, {2, 2, 2, 255}}));
}

TEST(PaletteText, BinaryAndEndlessLinesAreHarmless) {
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 131) & 0xff);
  EXPECT_LE(parse(binary).count, 256);
  std::string endless(100000, '7');
  EXPECT_EQ(parse(endless).count, 0);
  EXPECT_EQ(parse(std::string("1 2 3\0 4", 8) + "\n5 6 7").colours, (Colours{{1, 2, 3, 255}, {5, 6, 7, 255}}));
}

TEST(PalettePng, PlteWithShortTransparency) {
  std::string png = kSignature + png_chunk("IHDR", std::vector<std::uint8_t>(13)) +
                    png_chunk("PLTE", {10, 20, 30, 40, 50, 60}) + png_chunk("tRNS", {99}) +
                    png_chunk("IDAT", {1, 2}) + png_chunk("PLTE", {1, 1, 1});
  EXPECT_EQ(parse(png).colours, (Colours{{10, 20, 30, 99}, {40, 50, 60, 255}}));

  Parsed without = parse(kSignature + png_chunk("IHDR", std::vector<std::uint8_t>(13)) + png_chunk("IEND", {}));
  EXPECT_EQ(without.count, -1);
  EXPECT_EQ(without.message, "no PLTE chunk: not a palette PNG");
  EXPECT_EQ(parse(kSignature + "abc").message, "no PLTE chunk: not a palette PNG");
}

TEST(PalettePng, ChunkLengthsPastTheEndAreNotFollowed) {
  std::string plte = png_chunk("PLTE", {1, 2, 3});
  std::string overflow = kSignature + png_chunk("IHDR", std::vector<std::uint8_t>(13)) + plte;
  overflow += "\xff\xff\xff\xf8PLTE" + std::string(20, 'x');  // length near 2^32
  EXPECT_EQ(parse(overflow).colours, (Colours{{1, 2, 3, 255}}));
  std::string cut = kSignature + png_chunk("IHDR", std::vector<std::uint8_t>(13)) + plte;
  cut.resize(cut.size() - 6);  // the PLTE runs past the end and is not used
  EXPECT_EQ(parse(cut).count, -1);

  // A real palette PNG from the corpus.
  std::vector<std::uint8_t> colours(256 * 4);
  std::string message;
  EXPECT_GT(read_count(std::string(BQ_CORPUS_DIR) + "/green_palette.png", colours.data(), message), 0)
      << message;
}

TEST(PaletteFiles, ReaderMessages) {
  ScratchFolder folder;
  std::vector<std::uint8_t> colours(256 * 4);
  std::string message;
  IoCode code = IoCode::kOk;
  EXPECT_EQ(read_count(folder.file("none.txt"), colours.data(), message, nullptr, &code), -1);
  EXPECT_EQ(message, "cannot open " + folder.file("none.txt"));
  EXPECT_EQ(code, IoCode::kNoSuchFile);
  EXPECT_EQ(read_count(folder.path(), colours.data(), message, nullptr, &code), -1);
  EXPECT_EQ(code, IoCode::kIsDirectory);
  write_text(folder.file("empty.txt"), "; nothing\n");
  EXPECT_EQ(read_count(folder.file("empty.txt"), colours.data(), message, nullptr, &code), 0);
  EXPECT_EQ(message, folder.file("empty.txt") + ": no colours found");
  EXPECT_EQ(code, IoCode::kNoPalette);
  write_text(folder.file("huge.txt"), std::string((16u << 20) + 1, '\n'));
  EXPECT_EQ(read_count(folder.file("huge.txt"), colours.data(), message, nullptr, &code), -1);
  EXPECT_EQ(message, folder.file("huge.txt") + ": palette file is too large");
  EXPECT_EQ(code, IoCode::kTooLarge);
  write_text(folder.file("bad.png"), kSignature + "abc");
  EXPECT_EQ(read_count(folder.file("bad.png"), colours.data(), message, nullptr, &code), -1);
  EXPECT_EQ(code, IoCode::kUnrecognised);
  write_text(folder.file("limit.txt"), std::string((16u << 20) - 6, '\n') + "1 2 3\n");
  EXPECT_EQ(read_count(folder.file("limit.txt"), colours.data(), message, nullptr, &code), 1);
  EXPECT_EQ(code, IoCode::kOk);
}

TEST(PaletteFiles, WritersByExtensionReadBack) {
  ScratchFolder folder;
  const std::uint8_t palette[8] = {255, 128, 0, 255, 1, 2, 3, 64};
  std::string message;
  EXPECT_EQ(palette_plain_list(palette, 2),
            "; Brisel Quantizer palette, 2 entries, in palette order\n#FF8000\n#01020340\n");
  ASSERT_TRUE(write_palette_file(folder.file("p.GPL"), palette, 2).ok());
  EXPECT_EQ(read_text(folder.file("p.GPL")),
            "GIMP Palette\nName: Brisel Quantizer\nColumns: 16\n#\n255 128   0\tIndex 0\n  1   2   3\tIndex 1\n");
  ASSERT_TRUE(write_palette_file(folder.file("p.pal"), palette, 2).ok());
  EXPECT_EQ(read_text(folder.file("p.pal")), "JASC-PAL\n0100\n2\n255 128 0\n1 2 3\n");
  ASSERT_TRUE(write_palette_file(folder.file("p.txt"), palette, 2).ok());
  for (const char* name : {"p.GPL", "p.pal", "p.txt"}) {
    std::vector<std::uint8_t> colours(256 * 4);
    ASSERT_EQ(read_count(folder.file(name), colours.data(), message), 2) << name;
    EXPECT_EQ(colours[4], 1);
    EXPECT_EQ(colours[7], std::string(name) == "p.txt" ? 64 : 255) << name;
  }

  EXPECT_EQ(io_message(write_palette_file(folder.file("q.pal"), palette, 0)), "no palette yet");
  EXPECT_EQ(io_message(write_pins_file(folder.file("missing/pins.txt"), palette, 2)),
            "could not open the file for writing");
  ASSERT_TRUE(write_pins_file(folder.file("pins.txt"), palette, 2).ok());
  EXPECT_EQ(read_text(folder.file("pins.txt")),
            "; kestrane GUI pinned colours, one per line; #RRGGBB, RRGGBB or r,g,b also read\n#FF8000\n#010203\n");
}
