#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
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

// Reads deflate bits, least significant first.
struct BitReader {
  const std::vector<uint8_t>& z;
  size_t bit;
  uint32_t get(int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i, ++bit) {
      if (bit / 8 >= z.size()) throw std::runtime_error("stream ends early");
      v |= uint32_t((z[bit / 8] >> (bit % 8)) & 1) << i;
    }
    return v;
  }
  // A fixed-code symbol, read bit by bit from its most significant end.
  int fixedSymbol() {
    uint32_t code = 0;
    for (int len = 1; len <= 9; ++len) {
      code = code << 1 | get(1);
      if (len == 7 && code <= 0x17) return 256 + int(code);
      if (len == 8 && code >= 0x30 && code <= 0xBF) return int(code - 0x30);
      if (len == 8 && code >= 0xC0 && code <= 0xC7) return 280 + int(code - 0xC0);
      if (len == 9 && code >= 0x190) return 144 + int(code - 0x190);
    }
    throw std::runtime_error("no such fixed code");
  }
};

// Inflates a zlib stream of stored and fixed-code blocks (all the writer
// makes), checking the header and the Adler sum. Written from the format's
// tables, independent of the writer.
std::vector<uint8_t> inflate(const std::vector<uint8_t>& z) {
  static const int lengthBase[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  std::vector<uint8_t> out;
  EXPECT_EQ((z[0] * 256 + z[1]) % 31, 0) << "zlib header check bits";
  EXPECT_EQ(z[0] & 0x0F, 8) << "deflate";
  BitReader in{z, 16};
  bool last = false;
  while (!last) {
    last = in.get(1);
    uint32_t type = in.get(2);
    if (type == 0) {
      in.bit = (in.bit + 7) / 8 * 8;
      size_t at = in.bit / 8;
      size_t len = z[at] | (z[at + 1] << 8), nlen = z[at + 2] | (z[at + 3] << 8);
      EXPECT_EQ(len ^ 0xFFFF, nlen);
      out.insert(out.end(), z.begin() + at + 4, z.begin() + at + 4 + len);
      in.bit = (at + 4 + len) * 8;
      continue;
    }
    if (type != 1) throw std::runtime_error("unexpected block type");
    for (;;) {
      int sym = in.fixedSymbol();
      if (sym < 256) {
        out.push_back(uint8_t(sym));
        continue;
      }
      if (sym == 256) break;
      int l = sym - 257;
      int extra = l < 8 || l == 28 ? 0 : (l - 4) / 4;
      size_t length = size_t(lengthBase[l]) + in.get(extra);
      uint32_t d = 0;
      for (int i = 0; i < 5; ++i) d = d << 1 | in.get(1);
      int dextra = d < 4 ? 0 : int(d) / 2 - 1;
      size_t distance = (d < 4 ? d + 1 : ((2u + (d & 1)) << dextra) + 1) + in.get(dextra);
      if (distance > out.size()) throw std::runtime_error("distance before the start");
      for (size_t k = 0; k < length; ++k) out.push_back(out[out.size() - distance]);
    }
  }
  size_t at = (in.bit + 7) / 8;
  EXPECT_EQ(be32(z, at), vdpng::adler32(out.data(), out.size()));
  EXPECT_EQ(at + 4, z.size());
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
    std::vector<uint8_t> raw = inflate(chunks[1].data);
    size_t row = static_cast<size_t>(s.w) * 3;
    ASSERT_EQ(raw.size(), (row + 1) * s.h);
    for (int y = 0; y < s.h; ++y) {
      EXPECT_EQ(raw[y * (row + 1)], 0) << "filter none";
      ASSERT_TRUE(std::equal(rgb.begin() + y * row, rgb.begin() + (y + 1) * row, raw.begin() + y * (row + 1) + 1))
          << "row " << y;
    }
  }
}

// Pictures are mostly flat areas and repeated rows: they must shrink, and
// matches reaching back across rows and up to the window's end must decode.
TEST(PngWriter, FlatPicturesShrinkAndDecode) {
  const int w = 800, h = 600;
  std::vector<uint8_t> rgb(size_t(w) * h * 3, 255);
  for (int y = 100; y < 500; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
      p[0] = uint8_t(x % 7 == 0 ? 0 : 255), p[1] = uint8_t(y % 13), p[2] = uint8_t((x / 40) * 9);
    }
  std::vector<uint8_t> png = vdpng::encodeRgb(w, h, rgb);
  EXPECT_LT(png.size(), rgb.size() / 20) << "a flat picture compresses";
  std::vector<uint8_t> raw = inflate(readChunks(png)[1].data);
  ASSERT_EQ(raw.size(), (size_t(w) * 3 + 1) * h);
  for (int y = 0; y < h; ++y)
    ASSERT_TRUE(std::equal(rgb.begin() + size_t(y) * w * 3, rgb.begin() + size_t(y + 1) * w * 3,
                           raw.begin() + size_t(y) * (w * 3 + 1) + 1))
        << "row " << y;
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
