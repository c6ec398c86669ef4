#pragma once

// Files the tests make for themselves: a private temporary folder, and BMP images built in
// memory. Portable, so the same tests run under Wine.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace ironwood::testing {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder as the saver names its installation folder: ending with a separator.
  std::string WithSeparator() const;
  // Writes the bytes to a file in the folder (creating subfolders) and returns its path.
  std::string Write(const std::string& relativePath, const Bytes& bytes) const;
  // The file's bytes; empty when it cannot be read.
  static Bytes Read(const std::filesystem::path& path);

 private:
  std::filesystem::path path_;
};

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value);

// A 24-bit image as a function of the pixel position, y counting from the bottom row.
struct BgrImage {
  int width;
  int height;  // negative: stored top-down
  std::function<std::array<std::uint8_t, 3>(int x, int y)> bgr;
};

// An uncompressed 24-bit BMP file with rows padded to 4 bytes (the padding, and `gap` bytes
// between the headers and the pixels, hold junk as real files may).
Bytes MakeBmp(const BgrImage& image, std::uint32_t gap = 0);

}  // namespace ironwood::testing
