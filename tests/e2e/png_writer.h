#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Writes an 8-bit RGB image (rows top to bottom, 3 bytes a pixel) as a PNG file. The image data
// is stored without compression, which every PNG reader accepts; screenshots are small.
bool WritePng(const std::filesystem::path& path, int width, int height,
              const std::vector<std::uint8_t>& rgb);
