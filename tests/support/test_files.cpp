#include "tests/support/test_files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace ironwood::testing {

TempFolder::TempFolder() {
  static std::atomic<int> serial{0};
  const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("ironwood-test-" + std::to_string(tick) + "-" + std::to_string(++serial));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::WithSeparator() const {
  return (path_ / "").string();
}

std::string TempFolder::Write(const std::string& relativePath, const Bytes& bytes) const {
  const auto path = path_ / relativePath;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

Bytes TempFolder::Read(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Bytes MakeBmp(const BgrImage& image, std::uint32_t gap) {
  const int w = image.width, h = std::abs(image.height);
  const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
  Bytes b(54 + gap + stride * h, 0xEE);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 6, 0);
  Put32(b, 10, 54 + gap);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(w));
  Put32(b, 22, static_cast<std::uint32_t>(image.height));
  Put32(b, 26, 1 | 24 << 16);
  Put32(b, 30, 0);
  for (int row = 0; row < h; ++row) {
    const int y = image.height < 0 ? h - 1 - row : row;
    for (int x = 0; x < w; ++x) {
      const auto bgr = image.bgr(x, y);
      std::copy(bgr.begin(), bgr.end(), b.begin() + 54 + gap + row * stride + x * 3);
    }
  }
  return b;
}

}  // namespace ironwood::testing
