#pragma once

#include <cstdint>
#include <vector>

// A picture of 24-bit pixels (blue, green, red), rows from the top, no padding between rows.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// `source` at `width` x `height`. Each new pixel is the average of the part of the source that it
// covers, weighted by area: at the picture's own size a copy, at whole multiples every pixel
// repeated (crisp, as pixel art should be), at other scales only the seams between source pixels
// blended. Empty when either picture would have no pixels, or when the source's pixels, or a
// side's length times its new length, come to more than 16 million.
Picture ScalePicture(const Picture& source, int width, int height);
