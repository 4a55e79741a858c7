// A small PNG encoder for the host's pictures: 8-bit RGB, no interlace,
// deflate with fixed Huffman codes. Portable; no dependency beyond the standard library.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vdpng {

// Encodes `rgb` (height rows of width × 3 bytes, top row first) as a PNG file
// image. Empty for a zero or negative size or too few pixels.
std::vector<uint8_t> encodeRgb(int width, int height, const std::vector<uint8_t>& rgb);

// Encodes and writes; false with a reason when the image or the file fails.
bool writeRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb, std::string& error);

// Checksums of the format, exposed for tests that read a file back.
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t adler32(const uint8_t* data, size_t size);

}  // namespace vdpng
