#include "tests/support/image.h"

#include "tools/png/png_encoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace ironwood::testing {

namespace {

constexpr int kLargestPpmSide = 65535;

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

bool Fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

bool IsSpace(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// One header number of a PPM: leading blanks and comments skipped, digits up to a limit.
bool ReadHeaderNumber(const std::vector<std::uint8_t>& bytes, std::size_t& at, int limit,
                      int& value) {
  while (at < bytes.size()) {
    if (IsSpace(bytes[at])) {
      ++at;
    } else if (bytes[at] == '#') {
      while (at < bytes.size() && bytes[at] != '\n') ++at;
    } else {
      break;
    }
  }
  if (at >= bytes.size() || bytes[at] < '0' || bytes[at] > '9') return false;
  long long number = 0;
  while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') {
    number = number * 10 + (bytes[at] - '0');
    if (number > limit) return false;
    ++at;
  }
  value = static_cast<int>(number);
  return true;
}

}  // namespace

bool IsWellFormed(const Image& image) {
  return image.width > 0 && image.height > 0 &&
         image.rgb.size() ==
             static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3;
}

bool WritePpm(const Image& image, const std::string& path) {
  if (!IsWellFormed(image)) return false;
  const std::string header =
      "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  std::vector<std::uint8_t> bytes(header.begin(), header.end());
  bytes.insert(bytes.end(), image.rgb.begin(), image.rgb.end());
  return WriteFile(path, bytes);
}

bool ParsePpm(const std::vector<std::uint8_t>& bytes, Image& image, std::string* error) {
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') {
    return Fail(error, "not a binary PPM (P6) file");
  }
  std::size_t at = 2;
  int width = 0;
  int height = 0;
  int maximum = 0;
  if (!ReadHeaderNumber(bytes, at, kLargestPpmSide, width) ||
      !ReadHeaderNumber(bytes, at, kLargestPpmSide, height) ||
      !ReadHeaderNumber(bytes, at, 65535, maximum)) {
    return Fail(error, "PPM header is cut short or holds a number out of range");
  }
  if (width < 1 || height < 1) return Fail(error, "PPM image has no pixels");
  if (maximum != 255) return Fail(error, "PPM maximum value is not 255");
  // Exactly one blank separates the header from the pixels.
  if (at >= bytes.size() || !IsSpace(bytes[at])) return Fail(error, "PPM header is cut short");
  ++at;
  const std::size_t needed = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
  if (bytes.size() - at < needed) return Fail(error, "PPM file holds fewer pixels than its size");
  image.width = width;
  image.height = height;
  image.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                   bytes.begin() + static_cast<std::ptrdiff_t>(at + needed));
  return true;
}

bool ReadPpm(const std::string& path, Image& image, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, "cannot open " + path);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  return ParsePpm(bytes, image, error);
}

std::vector<std::uint8_t> EncodePng(const Image& image) {
  if (!IsWellFormed(image)) return {};
  return png::EncodeRgbPng(image.width, image.height, image.rgb);
}

bool WritePng(const Image& image, const std::string& path) {
  const std::vector<std::uint8_t> png = EncodePng(image);
  return !png.empty() && WriteFile(path, png);
}

std::string ImageComparison::Summary() const {
  if (!sameSize) return "the images differ in size or are malformed";
  return std::to_string(badPixels) + " pixels beyond tolerance, largest channel difference " +
         std::to_string(largestDifference);
}

ImageComparison CompareImages(const Image& a, const Image& b, int perChannelTolerance,
                              double maxBadFraction) {
  ImageComparison result;
  if (!IsWellFormed(a) || !IsWellFormed(b) || a.width != b.width || a.height != b.height) {
    return result;
  }
  result.sameSize = true;
  for (std::size_t i = 0; i < a.rgb.size(); i += 3) {
    int worst = 0;
    for (std::size_t c = 0; c < 3; ++c)
      worst = std::max(worst, std::abs(a.rgb[i + c] - b.rgb[i + c]));
    result.largestDifference = std::max(result.largestDifference, worst);
    if (worst > perChannelTolerance) ++result.badPixels;
  }
  const double pixels = static_cast<double>(a.rgb.size() / 3);
  result.matches = static_cast<double>(result.badPixels) <= maxBadFraction * pixels;
  return result;
}

Image DifferenceImage(const Image& a, const Image& b, int perChannelTolerance) {
  if (!IsWellFormed(a) || !IsWellFormed(b) || a.width != b.width || a.height != b.height) {
    return {};
  }
  Image out{a.width, a.height, std::vector<std::uint8_t>(a.rgb.size())};
  for (std::size_t i = 0; i < a.rgb.size(); i += 3) {
    int worst = 0;
    for (std::size_t c = 0; c < 3; ++c)
      worst = std::max(worst, std::abs(a.rgb[i + c] - b.rgb[i + c]));
    for (std::size_t c = 0; c < 3; ++c)
      out.rgb[i + c] = static_cast<std::uint8_t>(a.rgb[i + c] / 4);
    if (worst > perChannelTolerance) {
      out.rgb[i] = 255;
      out.rgb[i + 1] = 0;
      out.rgb[i + 2] = 0;
    }
  }
  return out;
}

}  // namespace ironwood::testing
