#include "launcher/picture_scale.h"

#include <algorithm>
#include <cstddef>

namespace {

// Every sum below stays within 32 bits up to this many source pixels (255 times the whole, plus
// half of it for rounding). The 32-bit build would otherwise multiply and divide in 64 bits by
// library calls, a quarter of a million times for the title picture.
const std::uint32_t kMostPixels = 0xFFFFFF;

// The source pixels each new pixel covers along one axis, with their shares of it: new pixel `i`
// takes source pixels from first[i] on, with shares[begin[i]] up to shares[begin[i + 1]]. In
// units of 1/(source * target) of the axis, new pixel `i` covers [i * source, (i + 1) * source)
// and source pixel `j` covers [j * target, (j + 1) * target): whole numbers, so the shares of a
// new pixel add up to exactly `source`. Flat: three allocations, not one per new pixel.
struct Coverage {
  std::vector<std::uint32_t> first;
  std::vector<std::uint32_t> begin;
  std::vector<std::uint32_t> shares;
};

Coverage Covering(std::uint32_t source, std::uint32_t target) {
  Coverage result;
  result.first.reserve(target);
  result.begin.reserve(target + 1);
  for (std::uint32_t i = 0; i < target; ++i) {
    const std::uint32_t from = i * source;
    const std::uint32_t to = from + source;
    result.first.push_back(from / target);
    result.begin.push_back(static_cast<std::uint32_t>(result.shares.size()));
    for (std::uint32_t j = from / target; j * target < to; ++j) {
      result.shares.push_back(std::min(to, (j + 1) * target) - std::max(from, j * target));
    }
  }
  result.begin.push_back(static_cast<std::uint32_t>(result.shares.size()));
  return result;
}

}  // namespace

Picture ScalePicture(const Picture& source, int width, int height) {
  Picture result;
  if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0 ||
      source.pixels.size() != static_cast<std::size_t>(source.width) * source.height * 3) {
    return result;
  }
  const auto sourceWidth = static_cast<std::uint32_t>(source.width);
  const auto sourceHeight = static_cast<std::uint32_t>(source.height);
  const std::uint64_t largest = std::max<std::uint64_t>({std::uint64_t{sourceWidth} * sourceHeight,
                                                         std::uint64_t{sourceWidth} * width,
                                                         std::uint64_t{sourceHeight} * height});
  if (largest > kMostPixels) {
    return result;
  }
  result.width = width;
  result.height = height;
  result.pixels.resize(static_cast<std::size_t>(width) * height * 3);

  // Down first, one new row at a time, into a row of sums weighted by vertical share; then
  // across. One row of sums rather than a whole picture of them: the launcher scales the title
  // picture while its window is about to appear, and fresh memory costs more than the arithmetic.
  const Coverage down = Covering(sourceHeight, static_cast<std::uint32_t>(height));
  const Coverage across = Covering(sourceWidth, static_cast<std::uint32_t>(width));
  const std::size_t sourceRow = static_cast<std::size_t>(sourceWidth) * 3;
  std::vector<std::uint32_t> sums(sourceRow);
  const std::uint32_t whole = sourceWidth * sourceHeight;
  std::uint8_t* out = result.pixels.data();
  for (int y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    const std::uint8_t* row = &source.pixels[down.first[y] * sourceRow];
    for (std::uint32_t k = down.begin[y]; k < down.begin[y + 1]; ++k, row += sourceRow) {
      const std::uint32_t share = down.shares[k];
      for (std::size_t i = 0; i < sourceRow; ++i) {
        sums[i] += row[i] * share;
      }
    }
    for (int x = 0; x < width; ++x, out += 3) {
      const std::uint32_t* pixel = &sums[std::size_t{across.first[x]} * 3];
      std::uint32_t blend[3] = {whole / 2, whole / 2, whole / 2};
      for (std::uint32_t k = across.begin[x]; k < across.begin[x + 1]; ++k, pixel += 3) {
        for (int channel = 0; channel < 3; ++channel) {
          blend[channel] += pixel[channel] * across.shares[k];
        }
      }
      for (int channel = 0; channel < 3; ++channel) {
        out[channel] = static_cast<std::uint8_t>(blend[channel] / whole);
      }
    }
  }
  return result;
}
