#include "saver/assets/texture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "platform/file_bytes.h"
#include <utility>

namespace ironwood {

// ---- Name pool ----

GLuint TextureNamePool::AcquireName() {
  if (!initialised_) {
    inUse_.fill(false);
    sharedZeroHolders_ = 0;
    inUse_[0] = true;
    initialised_ = true;
    return 0;
  }
  for (GLuint name = 0; name < kNameCount; ++name) {
    if (!inUse_[name]) {
      inUse_[name] = true;
      return name;
    }
  }
  ++sharedZeroHolders_;
  return 0;
}

void TextureNamePool::ReleaseName(GLuint name) {
  if (name >= kNameCount) return;
  if (name == 0 && sharedZeroHolders_ > 0) {
    --sharedZeroHolders_;
    return;
  }
  // The object goes with its name: left alone, the driver would keep its storage (every level
  // it ever had) until the name's next texture replaced it, and each of the 400 names would
  // come to hold the largest texture it ever carried. Binding the name again makes a fresh
  // object. 0 is the default texture, which GL keeps.
  if (inUse_[name] && name != 0 && gl.glDeleteTextures != nullptr) gl.glDeleteTextures(1, &name);
  inUse_[name] = false;
}

// ---- Reading files ----

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool Fail(std::string* why, const std::string& text) {
  if (why != nullptr) *why = text;
  return false;
}

}  // namespace

// Every field is checked against the bytes the file really holds; bfSize is not trusted.
bool DecodeBmp(const std::string& file, BmpPixels& out, std::string* why) {
  constexpr std::int64_t kFileHeader = 14;
  constexpr std::size_t kHeaders = kFileHeader + 40;
  const auto fileSize = static_cast<std::int64_t>(file.size());
  if (file.size() < kHeaders) return Fail(why, "the file is too short for a BMP header");
  const auto* header = reinterpret_cast<const std::uint8_t*>(file.data());
  if (header[0] != 'B' || header[1] != 'M') return Fail(why, "not a BMP file");
  const std::uint32_t offBits = Le32(header + 10);
  const std::uint32_t infoSize = Le32(header + 14);
  const auto width = static_cast<std::int32_t>(Le32(header + 18));
  const auto rawHeight = static_cast<std::int32_t>(Le32(header + 22));
  const std::uint16_t planes = Le16(header + 26);
  const std::uint16_t bitCount = Le16(header + 28);
  const std::uint32_t compression = Le32(header + 30);
  // The older 12-byte header keeps its fields elsewhere; one longer than the file is no header.
  if (infoSize < 40 || kFileHeader + std::int64_t{infoSize} > fileSize) {
    return Fail(why, "unsupported BMP header (" + std::to_string(infoSize) +
                         " bytes long; a Windows header of 40 or more is read)");
  }
  if (planes != 1) {
    return Fail(why, "the BMP header gives " + std::to_string(planes) +
                         " colour planes (a BMP image has 1)");
  }
  if (bitCount != 24) {
    return Fail(why, "only 24-bit BMP images are supported (this one has " +
                         std::to_string(bitCount) + " bits per pixel)");
  }
  if (compression != 0) return Fail(why, "compressed BMP images are not supported");
  const std::int64_t height = std::llabs(static_cast<long long>(rawHeight));
  if (width < 1 || width > Texture::kMaxBmpSide || height < 1 || height > Texture::kMaxBmpSide) {
    return Fail(why, "image size " + std::to_string(width) + "x" + std::to_string(rawHeight) +
                         " is out of range");
  }
  const std::int64_t stride = (static_cast<std::int64_t>(width) * 3 + 3) & ~std::int64_t{3};
  const std::int64_t dataSize = stride * height;
  if (offBits < kFileHeader + std::int64_t{infoSize} || offBits + dataSize > fileSize) {
    return Fail(why, "the pixel data lies beyond the end of the file");
  }
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  out.width = width;
  out.height = static_cast<int>(height);
  out.bgr.resize(rowBytes * static_cast<std::size_t>(height));
  for (std::int64_t row = 0; row < height; ++row) {
    // A negative height marks a top-down file; ours are bottom-up.
    const std::int64_t sourceRow = rawHeight < 0 ? height - 1 - row : row;
    std::copy_n(header + offBits + sourceRow * stride, rowBytes,
                out.bgr.begin() + row * static_cast<std::int64_t>(rowBytes));
  }
  return true;
}

bool ReadBmp(const std::string& path, BmpPixels& out, std::string* why) {
  std::string file;
  if (!platform::ReadWholeFile(path, kMaxBmpFileBytes, &file, why)) return false;
  std::string fault;
  if (!DecodeBmp(file, out, &fault)) return Fail(why, path + ": " + fault);
  return true;
}

namespace {

std::vector<std::uint8_t> Inverse(const std::vector<std::uint8_t>& rgba) {
  std::vector<std::uint8_t> inverse = rgba;
  for (std::size_t i = 3; i < inverse.size(); i += 4) {
    inverse[i] = static_cast<std::uint8_t>(255 - inverse[i]);
  }
  return inverse;
}

// One level from the one above it. Each pixel averages the 2x2 block above it; at the small
// end, where the source is one pixel wide or high, the missing column or row is the last one
// again, so nothing outside the source is read.
std::vector<std::uint8_t> Reduce(const std::vector<std::uint8_t>& source, int sourceWidth,
                                 int sourceHeight, int width, int height, int channels) {
  std::vector<std::uint8_t> level(static_cast<std::size_t>(width) * height * channels);
  auto at = [&](int x, int y, int c) -> unsigned {
    x = std::min(x, sourceWidth - 1);
    y = std::min(y, sourceHeight - 1);
    return source[(static_cast<std::size_t>(y) * sourceWidth + x) * channels + c];
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        const unsigned sum = at(2 * x, 2 * y, c) + at(2 * x + 1, 2 * y, c) +
                             at(2 * x, 2 * y + 1, c) + at(2 * x + 1, 2 * y + 1, c);
        level[(static_cast<std::size_t>(y) * width + x) * channels + c] =
            static_cast<std::uint8_t>(sum >> 2);
      }
    }
  }
  return level;
}

// ---- DDS ----

constexpr std::size_t kDdsHeaderBytes = 4 + 124;  // magic, then the header

// Bytes of one level of 4x4 blocks; a side below 4 still takes a whole block.
std::size_t BlockBytes(int width, int height, std::size_t blockSize) {
  return static_cast<std::size_t>((width + 3) / 4) * static_cast<std::size_t>((height + 3) / 4) *
         blockSize;
}

// Whether a level of this height can be turned upside down by moving whole blocks and rows
// inside them: a block-row multiple, or a single block row that is only partly used.
bool FlipsExactly(int height) {
  return height < 4 || height % 4 == 0;
}

// Turns one level upside down in place. `rowOf[r]` is the source row of row r inside a block.
// A block is an optional 8-byte alpha part (DXT3: 4 bits a pixel, 2 bytes a row; DXT5: two
// endpoints, then 3-bit indices, 12 bits a row) followed by the colour part (two endpoints,
// then one byte of 2-bit indices a row).
void FlipLevel(std::vector<std::uint8_t>& level, int width, int height, GLenum format) {
  const std::size_t blockSize = format == GL_COMPRESSED_RGB_S3TC_DXT1_EXT ? 8 : 16;
  const std::size_t across = static_cast<std::size_t>((width + 3) / 4);
  const std::size_t down = static_cast<std::size_t>((height + 3) / 4);
  const int used = std::min(height, 4);
  int rowOf[4] = {0, 1, 2, 3};
  for (int r = 0; r < used; ++r) rowOf[r] = used - 1 - r;

  auto flipBlock = [&](std::uint8_t* block) {
    std::uint8_t* colour = block + blockSize - 8;
    const std::uint8_t rows[4] = {colour[4], colour[5], colour[6], colour[7]};
    for (int r = 0; r < 4; ++r) colour[4 + r] = rows[rowOf[r]];
    if (format == GL_COMPRESSED_RGBA_S3TC_DXT3_EXT) {
      const std::uint8_t alpha[8] = {block[0], block[1], block[2], block[3],
                                     block[4], block[5], block[6], block[7]};
      for (int r = 0; r < 4; ++r) {
        block[2 * r] = alpha[2 * rowOf[r]];
        block[2 * r + 1] = alpha[2 * rowOf[r] + 1];
      }
    } else if (format == GL_COMPRESSED_RGBA_S3TC_DXT5_EXT) {
      std::uint64_t bits = 0;
      for (int i = 0; i < 6; ++i) bits |= std::uint64_t{block[2 + i]} << (8 * i);
      std::uint64_t flipped = 0;
      for (int r = 0; r < 4; ++r) flipped |= ((bits >> (12 * rowOf[r])) & 0xFFFu) << (12 * r);
      for (int i = 0; i < 6; ++i) block[2 + i] = static_cast<std::uint8_t>(flipped >> (8 * i));
    }
  };

  const std::size_t rowBytes = across * blockSize;
  for (std::size_t by = 0; by < down / 2; ++by) {
    std::swap_ranges(level.begin() + static_cast<std::ptrdiff_t>(by * rowBytes),
                     level.begin() + static_cast<std::ptrdiff_t>((by + 1) * rowBytes),
                     level.begin() + static_cast<std::ptrdiff_t>((down - 1 - by) * rowBytes));
  }
  for (std::size_t at = 0; at + blockSize <= level.size(); at += blockSize) {
    flipBlock(level.data() + at);
  }
}

}  // namespace

// ---- Texture ----

Texture::~Texture() {
  ReleaseNames();
}

Texture::Texture(Texture&& other) noexcept {
  *this = std::move(other);
}

Texture& Texture::operator=(Texture&& other) noexcept {
  if (this == &other) return *this;
  ReleaseNames();
  hasAlpha_ = other.hasAlpha_;
  hasLevels_ = other.hasLevels_;
  skipLevels_ = other.skipLevels_;
  width_ = other.width_;
  height_ = other.height_;
  pixels_ = std::move(other.pixels_);
  inversePixels_ = std::move(other.inversePixels_);
  glName_ = std::exchange(other.glName_, kNoName);
  glInverseName_ = std::exchange(other.glInverseName_, kNoName);
  namePool_ = std::exchange(other.namePool_, nullptr);
  inverseNamePool_ = std::exchange(other.inverseNamePool_, nullptr);
  levelCount_ = other.levelCount_;
  levels_ = std::move(other.levels_);
  inverseLevels_ = std::move(other.inverseLevels_);
  compressedFormat_ = std::exchange(other.compressedFormat_, 0);
  compressedLevels_ = std::move(other.compressedLevels_);
  return *this;
}

void Texture::ReleaseNames() {
  if (namePool_ != nullptr) namePool_->ReleaseName(glName_);
  if (inverseNamePool_ != nullptr) inverseNamePool_->ReleaseName(glInverseName_);
  glName_ = glInverseName_ = kNoName;
  namePool_ = inverseNamePool_ = nullptr;
}

void Texture::Commit(int width, int height, bool hasAlpha, std::vector<std::uint8_t> pixels) {
  // An object made for an earlier image would go on showing it, and keep its storage: it goes,
  // and the next bind uploads the new image under a fresh name.
  ReleaseNames();
  width_ = width;
  height_ = height;
  hasAlpha_ = hasAlpha;
  inversePixels_ = hasAlpha ? Inverse(pixels) : std::vector<std::uint8_t>();
  pixels_ = std::move(pixels);
  // Levels of an earlier image would not match the new sizes.
  hasLevels_ = false;
  skipLevels_ = 0;
  levelCount_ = 0;
  for (auto& level : levels_) level.clear();
  for (auto& level : inverseLevels_) level.clear();
  compressedFormat_ = 0;
  compressedLevels_.clear();
}

bool Texture::LoadBmp(bool withOpacity, const std::string& colourPath,
                      const std::string& opacityPath, std::string* why) {
  BmpPixels colour, opacity;
  if (!ReadBmp(colourPath, colour, why)) return false;
  if (withOpacity) {
    if (!ReadBmp(opacityPath, opacity, why)) return false;
    if (opacity.width != colour.width || opacity.height != colour.height) {
      return Fail(why, opacityPath + ": the opacity image is not the size of " + colourPath);
    }
  }
  CommitBmp(withOpacity, colour, opacity);
  return true;
}

bool Texture::DecodeBmpImages(bool withOpacity, const std::string& colourFile,
                              const std::string& opacityFile, std::string* why) {
  BmpPixels colour, opacity;
  std::string fault;
  if (!DecodeBmp(colourFile, colour, &fault)) return Fail(why, "colour image: " + fault);
  if (withOpacity) {
    if (!DecodeBmp(opacityFile, opacity, &fault)) return Fail(why, "opacity image: " + fault);
    if (opacity.width != colour.width || opacity.height != colour.height) {
      return Fail(why, "the opacity image is not the size of the colour image");
    }
  }
  CommitBmp(withOpacity, colour, opacity);
  return true;
}

void Texture::CommitBmp(bool withOpacity, const BmpPixels& colour, const BmpPixels& opacity) {
  const int channels = withOpacity ? 4 : 3;
  const std::size_t count = static_cast<std::size_t>(colour.width) * colour.height;
  std::vector<std::uint8_t> pixels(count * channels);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* p = &pixels[i * channels];
    p[0] = colour.bgr[i * 3 + 2];
    p[1] = colour.bgr[i * 3 + 1];
    p[2] = colour.bgr[i * 3];
    if (withOpacity) p[3] = opacity.bgr[i * 3];
  }
  Commit(colour.width, colour.height, withOpacity, std::move(pixels));
}

bool Texture::ReadEmbedded(std::istream& in, std::string* why) {
  std::uint8_t raw[4];
  if (!in.read(reinterpret_cast<char*>(raw), sizeof raw)) {
    return Fail(why, "embedded texture: the header is cut short");
  }
  const std::uint32_t header = Le32(raw);
  const int width = static_cast<int>(header & 0x1FFu);
  const bool tall = (header >> 9) & 1u;
  const bool hasAlpha = (header >> 10) & 1u;
  const int ratio = static_cast<int>((header >> 11) & 0x7Fu);
  if (width == 0 || ratio == 0) {
    return Fail(why, "embedded texture: width " + std::to_string(width) + " or ratio " +
                         std::to_string(ratio) + " is zero");
  }
  const int height = tall ? width * ratio : width / ratio;
  if (height < 1 || height > kMaxLevelledSide) {
    return Fail(why, "embedded texture: height " + std::to_string(height) + " is out of range");
  }
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * (hasAlpha ? 4 : 3));
  if (!in.read(reinterpret_cast<char*>(pixels.data()),
               static_cast<std::streamsize>(pixels.size()))) {
    return Fail(why, "embedded texture: the pixels are cut short");
  }
  Commit(width, height, hasAlpha, std::move(pixels));
  return true;
}

bool Texture::LoadPixels(int width, int height, bool hasAlpha, std::vector<std::uint8_t> pixels) {
  if (width < 1 || width > kMaxLevelledSide || height < 1 || height > kMaxLevelledSide) {
    return false;
  }
  if (pixels.size() != static_cast<std::size_t>(width) * height * (hasAlpha ? 4 : 3)) return false;
  Commit(width, height, hasAlpha, std::move(pixels));
  return true;
}

bool Texture::LoadDds(const std::string& path, std::string* why) {
  std::string file;
  if (!platform::ReadWholeFile(path, kMaxDdsFileBytes, &file, why)) return false;
  std::string fault;
  if (!DecodeDds(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), &fault)) {
    return Fail(why, path + ": " + fault);
  }
  return true;
}

bool Texture::DecodeDds(const std::uint8_t* data, std::size_t size, std::string* why) {
  const auto fileSize = static_cast<std::int64_t>(size);
  if (size < kDdsHeaderBytes) return Fail(why, "the file is too short for a DDS header");
  const std::uint8_t* header = data;
  if (header[0] != 'D' || header[1] != 'D' || header[2] != 'S' || header[3] != ' ') {
    return Fail(why, "not a DDS file");
  }
  if (Le32(header + 4) != 124) return Fail(why, "the DDS header size is not 124");
  const auto height = static_cast<std::int32_t>(Le32(header + 12));
  const auto width = static_cast<std::int32_t>(Le32(header + 16));
  const std::uint32_t mipMapCount = Le32(header + 28);
  const std::uint8_t* pixelFormat = header + 76;
  if (Le32(pixelFormat) != 32) return Fail(why, "the pixel format size is not 32");
  constexpr std::uint32_t kFourCcFlag = 0x4;
  if ((Le32(pixelFormat + 4) & kFourCcFlag) == 0) {
    return Fail(why, "the image is not S3TC compressed");
  }
  const std::string fourCc(reinterpret_cast<const char*>(pixelFormat + 8), 4);
  GLenum format = 0;
  if (fourCc == "DXT1") format = GL_COMPRESSED_RGB_S3TC_DXT1_EXT;
  if (fourCc == "DXT3") format = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
  if (fourCc == "DXT5") format = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
  if (format == 0) {
    std::string shown;
    for (char c : fourCc) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
    return Fail(why, "unsupported compression \"" + shown + "\"");
  }
  if (width < 1 || width > kMaxDdsSide || height < 1 || height > kMaxDdsSide) {
    return Fail(why, "image size " + std::to_string(width) + "x" + std::to_string(height) +
                         " is out of range");
  }
  int fullChain = 1;
  while ((std::max(width, height) >> fullChain) > 0) ++fullChain;
  const std::uint32_t stated = std::max(mipMapCount, std::uint32_t{1});
  if (stated > static_cast<std::uint32_t>(fullChain)) {
    return Fail(why, std::to_string(stated) + " levels are more than a " +
                         std::to_string(width) + "x" + std::to_string(height) + " image has");
  }
  const std::size_t blockSize = format == GL_COMPRESSED_RGB_S3TC_DXT1_EXT ? 8 : 16;
  std::int64_t needed = kDdsHeaderBytes;
  for (std::uint32_t i = 0; i < stated; ++i) {
    needed += static_cast<std::int64_t>(
        BlockBytes(std::max(width >> i, 1), std::max(height >> i, 1), blockSize));
    if (needed > fileSize) {
      return Fail(why, "the blocks of level " + std::to_string(i) +
                           " lie beyond the end of the file");
    }
  }
  if (!FlipsExactly(height)) {
    return Fail(why, "a height of " + std::to_string(height) +
                         " cannot be turned bottom-up block by block");
  }
  // A partial chain would leave a mipmapped GL texture incomplete (drawn untextured), and so
  // would a level that cannot be turned round exactly: such files keep level 0 alone.
  int keep = static_cast<int>(stated) == fullChain ? fullChain : 1;
  for (int i = 1; i < keep; ++i) {
    if (!FlipsExactly(std::max(height >> i, 1))) keep = 1;
  }

  std::vector<std::vector<std::uint8_t>> levels;
  std::size_t at = kDdsHeaderBytes;
  for (int i = 0; i < keep; ++i) {
    const int w = std::max(width >> i, 1), h = std::max(height >> i, 1);
    const std::size_t bytes = BlockBytes(w, h, blockSize);
    std::vector<std::uint8_t> level(data + at, data + at + bytes);  // inside: checked above
    at += bytes;
    FlipLevel(level, w, h, format);
    levels.push_back(std::move(level));
  }
  Commit(width, height, false, {});
  compressedFormat_ = format;
  compressedLevels_ = std::move(levels);
  return true;
}

bool Texture::BuildLevels(TextureNamePool& pool, int skip) {
  // Nine levels reach 1x1 only for sides below 512; a shorter chain would leave the GL texture
  // incomplete.
  if (pixels_.empty() || width_ > kMaxLevelledSide || height_ > kMaxLevelledSide) return false;
  const int channels = hasAlpha_ ? 4 : 3;
  levels_[0] = pixels_;
  if (hasAlpha_) inverseLevels_[0] = inversePixels_;
  levelCount_ = 1;
  for (int p = 1; p < kMaxLevels; ++p) {
    const int w = width_ >> p, h = height_ >> p;
    if (w < 1 && h < 1) break;
    const int sw = std::max(width_ >> (p - 1), 1), sh = std::max(height_ >> (p - 1), 1);
    levels_[p] = Reduce(levels_[p - 1], sw, sh, std::max(w, 1), std::max(h, 1), channels);
    if (hasAlpha_) {
      inverseLevels_[p] =
          Reduce(inverseLevels_[p - 1], sw, sh, std::max(w, 1), std::max(h, 1), channels);
    }
    levelCount_ = p + 1;
  }
  // Leaving out more levels than there are would leave no chain at all: the smallest stays.
  skipLevels_ = std::clamp(skip, 0, levelCount_ - 1);
  hasLevels_ = true;
  Bind(pool);
  if (hasAlpha_) BindInverse(pool);
  return true;
}

void Texture::Create(TextureNamePool& pool, GLuint& name, TextureNamePool*& owner,
                     const std::vector<std::uint8_t>& image, const Levels& levels) {
  if (pool.multitexture() && gl.glActiveTextureARB != nullptr) {
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  name = pool.AcquireName();
  owner = &pool;
  gl.glBindTexture(GL_TEXTURE_2D, name);
  gl.glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  const bool mipmapped = hasLevels_ || compressedLevels_.size() > 1;
  gl.glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                     mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  gl.glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  if (compressedFormat_ != 0) {
    // Only loaded where the driver offers compressed textures; without the entry point the
    // object stays empty rather than the call going through a null pointer.
    if (gl.glCompressedTexImage2DARB == nullptr) return;
    for (std::size_t i = 0; i < compressedLevels_.size(); ++i) {
      const int w = std::max(width_ >> i, 1), h = std::max(height_ >> i, 1);
      gl.glCompressedTexImage2DARB(GL_TEXTURE_2D, static_cast<GLint>(i), compressedFormat_, w, h, 0,
                                   static_cast<GLsizei>(compressedLevels_[i].size()),
                                   compressedLevels_[i].data());
    }
    return;
  }
  const GLint internalFormat = hasAlpha_ ? 4 : 3;
  const GLenum format = hasAlpha_ ? GL_RGBA : GL_RGB;
  gl.glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width_, height_, 0, format, GL_UNSIGNED_BYTE,
                  image.data());
  if (!hasLevels_) return;
  // With levels left out, level `skip` replaces the full image as GL level 0.
  const int skip = std::clamp(skipLevels_, 0, levelCount_ - 1);
  int w = width_, h = height_;
  for (int i = 1; i < levelCount_; ++i) {
    w = std::max(w / 2, 1);
    h = std::max(h / 2, 1);
    if (i >= skip) {
      gl.glTexImage2D(GL_TEXTURE_2D, i - skip, internalFormat, w, h, 0, format, GL_UNSIGNED_BYTE,
                      levels[i].data());
    }
  }
}

void Texture::Bind(TextureNamePool& pool) {
  if (glName_ <= 10000) {
    gl.glBindTexture(GL_TEXTURE_2D, glName_);
    return;
  }
  Create(pool, glName_, namePool_, pixels_, levels_);
}

void Texture::BindInverse(TextureNamePool& pool) {
  // Without alpha there is no inverse image to upload.
  if (!hasAlpha_) return Bind(pool);
  if (glInverseName_ <= 10000) {
    gl.glBindTexture(GL_TEXTURE_2D, glInverseName_);
    return;
  }
  Create(pool, glInverseName_, inverseNamePool_, inversePixels_, inverseLevels_);
}

}  // namespace ironwood
