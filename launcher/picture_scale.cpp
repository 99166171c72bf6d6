#include "launcher/picture_scale.h"

#include <algorithm>
#include <cstddef>

namespace {

// The source pixels one new pixel covers along one axis, with their shares of it. Measured in
// units of 1/(source * target) of the axis, new pixel `i` covers [i * source, (i + 1) * source)
// and source pixel `j` covers [j * target, (j + 1) * target): whole numbers, so the shares of a
// new pixel add up to exactly `source`.
struct Coverage {
  int first = 0;
  std::vector<std::uint32_t> shares;
};

std::vector<Coverage> Coverages(int source, int target) {
  std::vector<Coverage> result(static_cast<std::size_t>(target));
  const auto s = static_cast<std::int64_t>(source);
  const auto t = static_cast<std::int64_t>(target);
  for (std::int64_t i = 0; i < t; ++i) {
    const std::int64_t begin = i * s;
    const std::int64_t end = begin + s;
    Coverage& coverage = result[static_cast<std::size_t>(i)];
    coverage.first = static_cast<int>(begin / t);
    for (std::int64_t j = coverage.first; j * t < end; ++j) {
      const std::int64_t overlap = std::min(end, (j + 1) * t) - std::max(begin, j * t);
      coverage.shares.push_back(static_cast<std::uint32_t>(overlap));
    }
  }
  return result;
}

}  // namespace

Picture ScalePicture(const Picture& source, int width, int height) {
  Picture result;
  if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0 ||
      source.pixels.size() != static_cast<std::size_t>(source.width) * source.height * 3) {
    return result;
  }
  result.width = width;
  result.height = height;
  result.pixels.resize(static_cast<std::size_t>(width) * height * 3);

  // Across first, into sums weighted by horizontal share; then down.
  const std::vector<Coverage> across = Coverages(source.width, width);
  const std::vector<Coverage> down = Coverages(source.height, height);
  const std::size_t sumsPerRow = static_cast<std::size_t>(width) * 3;
  std::vector<std::uint64_t> rowSums(static_cast<std::size_t>(source.height) * sumsPerRow, 0);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* row = &source.pixels[static_cast<std::size_t>(y) * source.width * 3];
    std::uint64_t* sums = &rowSums[static_cast<std::size_t>(y) * sumsPerRow];
    for (int x = 0; x < width; ++x) {
      const Coverage& coverage = across[static_cast<std::size_t>(x)];
      for (std::size_t k = 0; k < coverage.shares.size(); ++k) {
        const std::uint8_t* pixel = row + (coverage.first + k) * 3;
        for (int channel = 0; channel < 3; ++channel) {
          sums[x * 3 + channel] += static_cast<std::uint64_t>(pixel[channel]) * coverage.shares[k];
        }
      }
    }
  }

  const auto whole = static_cast<std::uint64_t>(source.width) * source.height;
  for (int y = 0; y < height; ++y) {
    const Coverage& coverage = down[static_cast<std::size_t>(y)];
    std::uint8_t* out = &result.pixels[static_cast<std::size_t>(y) * sumsPerRow];
    for (std::size_t i = 0; i < sumsPerRow; ++i) {
      std::uint64_t sum = 0;
      for (std::size_t k = 0; k < coverage.shares.size(); ++k) {
        sum += rowSums[(coverage.first + k) * sumsPerRow + i] * coverage.shares[k];
      }
      out[i] = static_cast<std::uint8_t>((sum + whole / 2) / whole);
    }
  }
  return result;
}
