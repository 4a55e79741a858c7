#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tools/png/png_writer.h"

namespace {

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
};

// Splits a PNG into its chunks, checking every CRC on the way.
std::vector<Chunk> readChunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> chunks;
  const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(png.size() > 8 && std::equal(signature, signature + 8, png.begin()));
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t len = be32(png, at);
    EXPECT_LE(at + 12 + len, png.size());
    Chunk c{std::string(png.begin() + at + 4, png.begin() + at + 8),
            std::vector<uint8_t>(png.begin() + at + 8, png.begin() + at + 8 + len)};
    EXPECT_EQ(be32(png, at + 8 + len), vdpng::crc32(png.data() + at + 4, len + 4)) << c.type;
    chunks.push_back(std::move(c));
    at += 12 + len;
  }
  EXPECT_EQ(at, png.size());
  return chunks;
}

// Inflates a zlib stream made of stored blocks only, checking the Adler sum.
std::vector<uint8_t> inflateStored(const std::vector<uint8_t>& z) {
  std::vector<uint8_t> out;
  EXPECT_EQ((z[0] * 256 + z[1]) % 31, 0) << "zlib header check bits";
  size_t at = 2;
  bool last = false;
  while (!last && at + 5 <= z.size()) {
    last = z[at] & 1;
    EXPECT_EQ(z[at] >> 1, 0) << "stored block";
    size_t len = z[at + 1] | (z[at + 2] << 8);
    size_t nlen = z[at + 3] | (z[at + 4] << 8);
    EXPECT_EQ(len ^ 0xFFFF, nlen);
    out.insert(out.end(), z.begin() + at + 5, z.begin() + at + 5 + len);
    at += 5 + len;
  }
  EXPECT_TRUE(last);
  EXPECT_EQ(be32(z, at), vdpng::adler32(out.data(), out.size()));
  return out;
}

TEST(PngWriter, KnownChecksums) {
  const uint8_t text[] = "123456789";
  EXPECT_EQ(vdpng::crc32(text, 9), 0xCBF43926u);
  EXPECT_EQ(vdpng::adler32(reinterpret_cast<const uint8_t*>("Wikipedia"), 9), 0x11E60398u);
}

TEST(PngWriter, PixelsComeBackRowByRow) {
  struct Size {
    int w, h;
  } sizes[] = {{1, 1}, {3, 2}, {200, 150}, {1280, 60}};
  for (Size s : sizes) {
    SCOPED_TRACE(std::to_string(s.w) + " x " + std::to_string(s.h));
    std::vector<uint8_t> rgb(static_cast<size_t>(s.w) * s.h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7 + i / 3);
    std::vector<Chunk> chunks = readChunks(vdpng::encodeRgb(s.w, s.h, rgb));
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(be32(chunks[0].data, 0), static_cast<uint32_t>(s.w));
    EXPECT_EQ(be32(chunks[0].data, 4), static_cast<uint32_t>(s.h));
    EXPECT_EQ(chunks[0].data[8], 8);
    EXPECT_EQ(chunks[0].data[9], 2) << "truecolour RGB";
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    std::vector<uint8_t> raw = inflateStored(chunks[1].data);
    size_t row = static_cast<size_t>(s.w) * 3;
    ASSERT_EQ(raw.size(), (row + 1) * s.h);
    for (int y = 0; y < s.h; ++y) {
      EXPECT_EQ(raw[y * (row + 1)], 0) << "filter none";
      ASSERT_TRUE(std::equal(rgb.begin() + y * row, rgb.begin() + (y + 1) * row, raw.begin() + y * (row + 1) + 1))
          << "row " << y;
    }
  }
}

TEST(PngWriter, RefusesImagesWithoutPixels) {
  EXPECT_TRUE(vdpng::encodeRgb(0, 10, std::vector<uint8_t>(30)).empty());
  EXPECT_TRUE(vdpng::encodeRgb(10, -1, {}).empty());
  EXPECT_TRUE(vdpng::encodeRgb(4, 4, std::vector<uint8_t>(47)).empty()) << "one byte short";
  std::string error;
  EXPECT_FALSE(vdpng::writeRgb("/nonexistent-folder/x.png", 1, 1, {1, 2, 3}, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
}

}  // namespace
