#include "tools/png/png_writer.h"

#include <array>
#include <cstddef>
#include <fstream>

namespace vdpng {

namespace {

const std::array<uint32_t, 256>& crcTable() {
  // The PNG (ISO 3309) CRC-32, reflected polynomial 0xEDB88320.
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 24));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  put32(out, static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put32(out, crc32(out.data() + start, out.size() - start));
}

// Bits into a deflate stream, least significant bit first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void put(uint32_t bits, int count) {
    acc_ |= static_cast<uint64_t>(bits) << used_;
    used_ += count;
    while (used_ >= 8) {
      out_.push_back(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      used_ -= 8;
    }
  }
  // Huffman codes go most significant bit first.
  void putCode(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
    put(reversed, length);
  }
  void finish() {
    if (used_ > 0) out_.push_back(static_cast<uint8_t>(acc_));
    acc_ = 0;
    used_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint64_t acc_ = 0;
  int used_ = 0;
};

// The fixed literal/length code of deflate (RFC 1951, 3.2.6).
void putLiteral(BitWriter& bits, int symbol) {
  if (symbol < 144) return bits.putCode(0x30 + symbol, 8);
  if (symbol < 256) return bits.putCode(0x190 + symbol - 144, 9);
  if (symbol < 280) return bits.putCode(symbol - 256, 7);
  bits.putCode(0xC0 + symbol - 280, 8);
}

constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                   193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void putMatch(BitWriter& bits, int length, int distance) {
  int l = 28;
  while (kLengthBase[l] > length) --l;
  putLiteral(bits, 257 + l);
  bits.put(static_cast<uint32_t>(length - kLengthBase[l]), kLengthExtra[l]);
  int d = 29;
  while (kDistanceBase[d] > distance) --d;
  bits.putCode(static_cast<uint32_t>(d), 5);
  bits.put(static_cast<uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
}

// One deflate block with the fixed codes, matches found through hash chains
// over the last 32 KB. Pictures of drawings and dialogs are mostly runs and
// repeated rows, which this shrinks by one to two orders of magnitude.
void deflateFixed(const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
  constexpr int kWindow = 32768, kMinMatch = 3, kMaxMatch = 258, kMaxChain = 48;
  constexpr uint32_t kHashBits = 15;
  const size_t n = data.size();
  std::vector<int32_t> head(size_t(1) << kHashBits, -1);
  std::vector<int32_t> prev(kWindow, -1);
  auto hashAt = [&](size_t i) {
    uint32_t v = uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2];
    return (v * 2654435761u) >> (32 - kHashBits);
  };
  auto insert = [&](size_t i) {
    if (i + kMinMatch > n) return;
    uint32_t h = hashAt(i);
    prev[i % kWindow] = head[h];
    head[h] = static_cast<int32_t>(i);
  };

  BitWriter bits(out);
  bits.put(1, 1);  // the last block
  bits.put(1, 2);  // fixed Huffman codes
  size_t i = 0;
  while (i < n) {
    int bestLength = 0, bestDistance = 0;
    if (i + kMinMatch <= n) {
      const size_t limit = n - i < size_t(kMaxMatch) ? n - i : size_t(kMaxMatch);
      int32_t candidate = head[hashAt(i)];
      for (int chain = 0; candidate >= 0 && chain < kMaxChain; ++chain) {
        const size_t c = static_cast<size_t>(candidate);
        if (i - c > size_t(kWindow - 1)) break;
        size_t length = 0;
        while (length < limit && data[c + length] == data[i + length]) ++length;
        if (static_cast<int>(length) > bestLength) {
          bestLength = static_cast<int>(length);
          bestDistance = static_cast<int>(i - c);
          if (length == limit) break;
        }
        const int32_t next = prev[c % kWindow];
        if (next >= candidate) break;  // the slot was reused by a newer position
        candidate = next;
      }
    }
    if (bestLength >= kMinMatch) {
      putMatch(bits, bestLength, bestDistance);
      for (int k = 0; k < bestLength; ++k) insert(i + static_cast<size_t>(k));
      i += static_cast<size_t>(bestLength);
    } else {
      putLiteral(bits, data[i]);
      insert(i);
      ++i;
    }
  }
  putLiteral(bits, 256);  // end of block
  bits.finish();
}

}  // namespace

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) {
  const auto& table = crcTable();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t adler32(const uint8_t* data, size_t size) {
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> encodeRgb(int width, int height, const std::vector<uint8_t>& rgb) {
  if (width <= 0 || height <= 0) return {};
  const size_t row = static_cast<size_t>(width) * 3;
  if (rgb.size() < row * static_cast<size_t>(height)) return {};

  // Scanlines with filter type 0 (none) in front of each row.
  std::vector<uint8_t> raw;
  raw.reserve((row + 1) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb.begin() + static_cast<std::ptrdiff_t>(row * y),
               rgb.begin() + static_cast<std::ptrdiff_t>(row * (y + 1)));
  }

  // A zlib stream: 32K window, default compression level in the header.
  std::vector<uint8_t> z = {0x78, 0x9C};
  deflateFixed(raw, z);
  put32(z, adler32(raw.data(), raw.size()));

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put32(header, static_cast<uint32_t>(width));
  put32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, adaptive filters, no interlace
  putChunk(out, "IHDR", header);
  putChunk(out, "IDAT", z);
  putChunk(out, "IEND", {});
  return out;
}

bool writeRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb, std::string& error) {
  std::vector<uint8_t> png = encodeRgb(width, height, rgb);
  if (png.empty()) {
    error = "no picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    return false;
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace vdpng
