#include "tests/support/image.h"

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

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char type[4],
              const std::vector<std::uint8_t>& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, Crc32(out.data() + typeAt, out.size() - typeAt));
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

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[n] = c;
    }
    return entries;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % 65521u;
    b = (b + a) % 65521u;
  }
  return (b << 16) | a;
}

std::vector<std::uint8_t> EncodePng(const Image& image) {
  if (!IsWellFormed(image)) return {};
  // Each row starts with filter type 0 (none).
  const std::size_t row = static_cast<std::size_t>(image.width) * 3;
  std::vector<std::uint8_t> raw;
  raw.reserve((row + 1) * static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    raw.push_back(0);
    const auto begin =
        image.rgb.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y));
    raw.insert(raw.end(), begin, begin + static_cast<std::ptrdiff_t>(row));
  }

  // A zlib stream of stored deflate blocks, at most 65535 bytes each.
  std::vector<std::uint8_t> zlib = {0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + length == raw.size();
    zlib.push_back(last ? 1 : 0);
    zlib.push_back(static_cast<std::uint8_t>(length & 0xFF));
    zlib.push_back(static_cast<std::uint8_t>(length >> 8));
    zlib.push_back(static_cast<std::uint8_t>(~length & 0xFF));
    zlib.push_back(static_cast<std::uint8_t>((~length >> 8) & 0xFF));
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                raw.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  } while (at < raw.size());
  PutBigEndian(zlib, Adler32(raw.data(), raw.size()));

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutBigEndian(header, static_cast<std::uint32_t>(image.width));
  PutBigEndian(header, static_cast<std::uint32_t>(image.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
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
