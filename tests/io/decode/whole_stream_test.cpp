#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "io/image_decode.h"

namespace {

// A file read in one piece: from where the stream stands, every byte once,
// and nothing left for a second read.
TEST(WholeStream, ReadsAFileFromItsPositionToItsEnd) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::vector<std::uint8_t> written(300001);
  for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  ASSERT_EQ(std::fwrite(written.data(), 1, written.size(), file), written.size());
  ASSERT_EQ(std::fseek(file, 1000, SEEK_SET), 0);

  std::vector<std::uint8_t> bytes(5, 9);  // what the vector held goes
  ASSERT_TRUE(read_whole_stream(file, bytes).ok());
  EXPECT_EQ(bytes, std::vector<std::uint8_t>(written.begin() + 1000, written.end()));
  EXPECT_EQ(read_whole_stream(file, bytes).code, IoCode::kUnrecognised);
  std::fclose(file);
}

}  // namespace
