#include "saver/shell/screenshot.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/paths.h"
#include "glapi/gl_table.h"

namespace ironwood {

namespace {

constexpr std::uint32_t kHeaderSize = 54;
constexpr std::uint32_t kPixelsPerMetre = 10079;

std::string FileName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "SFScreenShot%02d.bmp", number);
  return name;
}

// A number is taken when the C runtime can open its file (the same name conversion the write
// will use) or the file system reports anything by that name, a folder or an unreadable file
// included; either way writing there could only fail or destroy an earlier shot.
bool Taken(const std::string& path) {
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    std::fclose(file);
    return true;
  }
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

// Row and file sizes of a width x height 24-bit BMP; false when they do not fit its 32-bit
// fields.
bool BmpSizes(int width, int height, std::uint64_t& stride, std::uint64_t& fileSize) {
  if (width < 1 || height < 1) return false;
  stride = (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
  fileSize = kHeaderSize + stride * static_cast<std::uint64_t>(height);
  return fileSize <= std::numeric_limits<std::uint32_t>::max();
}

void Put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// trunc(value * 255), held to 0..255: values past 1 or below 0 (and NaN) would otherwise wrap
// or be undefined in the conversion.
std::uint8_t ComponentByte(float value) {
  const float scaled = value * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return static_cast<std::uint8_t>(scaled);
}

// The whole frame as floats. A pack alignment above 4 left by other code would pad odd rows
// past the buffer, so the read asks for none and puts the setting back.
bool ReadFrame(int x, int y, int width, int height, std::vector<float>& rgb) {
  const std::uint64_t count =
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 3;
  if (count > rgb.max_size()) return false;
  rgb.assign(static_cast<std::size_t>(count), 0.0f);
  // Errors left by earlier drawing are not this read's; only its own count.
  for (int i = 0; i < 16 && gl.glGetError() != GL_NO_ERROR; ++i) {
  }
  GLint alignment = 4;
  gl.glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  gl.glPixelStorei(GL_PACK_ALIGNMENT, 1);
  gl.glReadPixels(x, y, width, height, GL_RGB, GL_FLOAT, rgb.data());
  const bool read = gl.glGetError() == GL_NO_ERROR;
  gl.glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  return read;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) {
    // A short file would look like a finished shot.
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::string NextScreenshotPath(const std::string& installationFolder, int limit) {
  return NextScreenshotPathIn(InstallationScreenshotFolder(installationFolder), limit);
}

std::string InstallationScreenshotFolder(const std::string& installationFolder) {
  return installationFolder + "ScreenShots" + platform::kPathSeparator;
}

std::string NextScreenshotPathIn(const std::string& folder, int limit) {
  for (int number = 0; number < limit; ++number) {
    std::string path = folder + FileName(number);
    if (!Taken(path)) return path;
  }
  return {};
}

std::vector<std::uint8_t> EncodeScreenshotBmp(const float* rgb, int width, int height) {
  std::uint64_t stride = 0, fileSize = 0;
  if (rgb == nullptr || !BmpSizes(width, height, stride, fileSize)) return {};
  std::vector<std::uint8_t> bytes;
  try {
    bytes.assign(static_cast<std::size_t>(fileSize), 0);
  } catch (const std::exception&) {
    return {};
  }
  std::uint8_t* h = bytes.data();
  h[0] = 'B';
  h[1] = 'M';
  Put32(h + 2, static_cast<std::uint32_t>(fileSize));
  Put32(h + 10, kHeaderSize);
  Put32(h + 14, 40);
  Put32(h + 18, static_cast<std::uint32_t>(width));
  Put32(h + 22, static_cast<std::uint32_t>(height));
  Put16(h + 26, 1);
  Put16(h + 28, 24);
  Put32(h + 34, static_cast<std::uint32_t>(fileSize - kHeaderSize));
  Put32(h + 38, kPixelsPerMetre);
  Put32(h + 42, kPixelsPerMetre);

  // OpenGL's rows already run bottom to top, as a BMP with a positive height stores them.
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = h + kHeaderSize + static_cast<std::size_t>(stride) * y;
    const float* in = rgb + static_cast<std::size_t>(width) * 3 * y;
    for (int x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = ComponentByte(in[2]);
      out[1] = ComponentByte(in[1]);
      out[2] = ComponentByte(in[0]);
    }
  }
  return bytes;
}

bool ReadFramePixels(int x, int y, int width, int height, std::vector<float>& rgb) {
  try {
    return ReadFrame(x, y, width, height, rgb);
  } catch (const std::exception&) {
    return false;
  }
}

bool WriteBmpFile(const std::string& path, const float* rgb, int width, int height) {
  try {
    const std::vector<std::uint8_t> bytes = EncodeScreenshotBmp(rgb, width, height);
    // The file is made only now, with every byte ready, so a failed write leaves none behind.
    return !bytes.empty() && WriteFile(path, bytes);
  } catch (const std::exception&) {
    return false;
  }
}

bool WriteScreenshot(const std::string& path, int width, int height, int x, int y) {
  try {
    std::vector<float> rgb;
    if (!ReadFrame(x, y, width, height, rgb)) return false;
    return WriteBmpFile(path, rgb.data(), width, height);
  } catch (const std::exception&) {
    return false;  // out of memory for a frame this size: no shot, the saver goes on
  }
}

bool TakeScreenshot(const std::string& installationFolder, int width, int height, int x, int y) {
  std::uint64_t stride = 0, fileSize = 0;
  if (!BmpSizes(width, height, stride, fileSize)) return false;
  // An existing folder is fine; one that cannot be made shows up when the file cannot be.
  std::error_code ignored;
  std::filesystem::create_directory(installationFolder + "ScreenShots", ignored);
  const std::string path = NextScreenshotPath(installationFolder);
  return !path.empty() && WriteScreenshot(path, width, height, x, y);
}

bool TakeScreenshotIn(const std::string& folder, int width, int height, int x, int y) {
  std::uint64_t stride = 0, fileSize = 0;
  if (folder.empty() || !BmpSizes(width, height, stride, fileSize)) return false;
  std::error_code ignored;
  // Without the closing separator, which some libraries read as one more (empty) folder.
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), ignored);
  const std::string path = NextScreenshotPathIn(folder);
  return !path.empty() && WriteScreenshot(path, width, height, x, y);
}

}  // namespace ironwood
