// The sky box read back the way the saver uses it: tiles through its own BMP reader, the model
// through a token scanner with its rules, the compressed tiles through our DXT1 decoder, and the
// sun checked against the lens flare's own projection arithmetic.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "saver/assets/ase_model.h"
#include "saver/assets/texture.h"
#include "saver/effects/lens_flare.h"
#include "tests/support/test_files.h"
#include "tools/assetgen/dds.h"
#include "tools/assetgen/sky.h"
#include "tools/assetgen/vec3.h"

namespace ironwood::assetgen {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// ---- DXT1 blocks and the DDS container ----

std::uint16_t Colour0(const std::array<std::uint8_t, 8>& block) {
  return static_cast<std::uint16_t>(block[0] | block[1] << 8);
}
std::uint16_t Colour1(const std::array<std::uint8_t, 8>& block) {
  return static_cast<std::uint16_t>(block[2] | block[3] << 8);
}

// Largest per-channel difference after a round trip; also insists on four-colour mode.
int RoundTripError(const std::array<Rgb8, 16>& pixels) {
  const auto block = EncodeDxt1Block(pixels);
  EXPECT_GT(Colour0(block), Colour1(block));
  const auto decoded = DecodeDxt1Block(block.data());
  int worst = 0;
  for (int i = 0; i < 16; ++i) {
    worst = std::max({worst, std::abs(decoded[i].r - pixels[i].r),
                      std::abs(decoded[i].g - pixels[i].g), std::abs(decoded[i].b - pixels[i].b)});
  }
  return worst;
}

// A colour that 5:6:5 holds exactly.
Rgb8 Exact565(int r5, int g6, int b5) {
  return {static_cast<std::uint8_t>(r5 << 3 | r5 >> 2),
          static_cast<std::uint8_t>(g6 << 2 | g6 >> 4),
          static_cast<std::uint8_t>(b5 << 3 | b5 >> 2)};
}

TEST(Dxt1, FlatGradientAndTwoColourBlocksRoundTripWithinBounds) {
  // Flat: no worse than rounding to 5:6:5 (half a step of 255 / 31); black and white exact.
  for (const Rgb8 c : {Rgb8{0, 0, 0}, Rgb8{255, 255, 255}, Rgb8{3, 7, 12}, Rgb8{128, 64, 200},
                       Rgb8{251, 1, 130}}) {
    std::array<Rgb8, 16> flat;
    flat.fill(c);
    EXPECT_LE(RoundTripError(flat), 4) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
  std::array<Rgb8, 16> black{}, white;
  white.fill({255, 255, 255});
  EXPECT_EQ(RoundTripError(black), 0);
  EXPECT_EQ(RoundTripError(white), 0);

  // Gradients along a row, down a column and across the diagonal.
  for (int direction = 0; direction < 3; ++direction) {
    std::array<Rgb8, 16> ramp;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        const int t = direction == 0 ? x * 5 : direction == 1 ? y * 5 : (x + y) * 5 / 2;
        ramp[y * 4 + x] = {static_cast<std::uint8_t>(20 + 12 * t),
                           static_cast<std::uint8_t>(200 - 9 * t),
                           static_cast<std::uint8_t>(60 + 4 * t)};
      }
    }
    // Four evenly spaced values along a row or column sit on the four palette entries; the
    // diagonal's seven cannot, and up to a sixth of the 180-wide range is the price of that.
    EXPECT_LE(RoundTripError(ramp), direction == 2 ? 24 : 6) << "direction " << direction;
  }

  // Two colours that 5:6:5 holds come back exactly, in any pattern; two that it does not come
  // back within rounding.
  for (int pattern = 1; pattern < 0xFFFF; pattern += 4093) {
    std::array<Rgb8, 16> two, rough;
    for (int i = 0; i < 16; ++i) {
      const bool first = (pattern >> i) & 1;
      two[i] = first ? Exact565(30, 5, 9) : Exact565(2, 60, 17);
      rough[i] = first ? Rgb8{250, 20, 77} : Rgb8{13, 241, 140};
    }
    EXPECT_EQ(RoundTripError(two), 0) << pattern;
    EXPECT_LE(RoundTripError(rough), 4) << pattern;
  }

  // The decoder also knows the three-colour mode other encoders write (colour0 <= colour1):
  // entry 2 is the midpoint and entry 3 black.
  const std::uint8_t threeColour[8] = {0x00, 0x00, 0xFF, 0xFF, 0xE4, 0xE4, 0xE4, 0xE4};
  const auto decoded = DecodeDxt1Block(threeColour);
  EXPECT_EQ(decoded[0], (Rgb8{0, 0, 0}));
  EXPECT_EQ(decoded[1], (Rgb8{255, 255, 255}));
  EXPECT_EQ(decoded[2], (Rgb8{127, 127, 127}));
  EXPECT_EQ(decoded[3], (Rgb8{0, 0, 0}));
}

std::uint32_t Read32(const Bytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

TEST(Dds, HeaderDescribesADxt1TextureWithItsWholeMipChain) {
  // A 256 x 256 picture with its levels down to 1 x 1: 9 levels.
  std::vector<std::vector<std::uint8_t>> levels;
  for (int side = 256; side >= 1; side /= 2) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(side) * side * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i)
      rgb[i] = static_cast<std::uint8_t>((i * 7 + side) & 0xF8);
    levels.push_back(rgb);
  }
  const Bytes file = EncodeDds(256, 256, levels);
  ASSERT_GE(file.size(), 128u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "DDS ");
  EXPECT_EQ(Read32(file, 4), 124u);
  EXPECT_EQ(Read32(file, 8), 0x1u | 0x2u | 0x4u | 0x1000u | 0x20000u | 0x80000u);
  EXPECT_EQ(Read32(file, 12), 256u);            // height
  EXPECT_EQ(Read32(file, 16), 256u);            // width
  EXPECT_EQ(Read32(file, 20), 64u * 64u * 8u);  // level 0 in bytes
  EXPECT_EQ(Read32(file, 28), 9u);
  EXPECT_EQ(Read32(file, 76), 32u);   // pixel format record size
  EXPECT_EQ(Read32(file, 80), 0x4u);  // four-character code present
  EXPECT_EQ(std::string(file.begin() + 84, file.begin() + 88), "DXT1");
  EXPECT_EQ(Read32(file, 108), 0x1000u | 0x8u | 0x400000u);
  // 64x64 + 32x32 + 16x16 + 8x8 + 4x4 + 2x2 + 1 + three one-block levels below 4 x 4.
  EXPECT_EQ(file.size(), 128u + (4096u + 1024 + 256 + 64 + 16 + 4 + 1 + 1 + 1) * 8);

  DdsImage image;
  std::string why;
  ASSERT_TRUE(DecodeDds(file, &image, &why)) << why;
  EXPECT_EQ(image.width, 256);
  ASSERT_EQ(image.levels.size(), 9u);
  EXPECT_EQ(image.levels[8].size(), 3u);
  // Level 1's top-left pixel came from the second level given, not the first.
  EXPECT_NEAR(image.levels[1][0], levels[1][0], 8);
  EXPECT_NEAR(image.levels[1][1], levels[1][1], 8);

  // One level only: no mip-map count, a plain texture.
  const Bytes single = EncodeDds(8, 4, {std::vector<std::uint8_t>(8 * 4 * 3, 90)});
  EXPECT_EQ(Read32(single, 8) & 0x20000u, 0u);
  EXPECT_EQ(Read32(single, 108), 0x1000u);
  EXPECT_EQ(single.size(), 128u + 2 * 8);
  // A cut file is refused rather than read past its end.
  EXPECT_FALSE(DecodeDds(Bytes(file.begin(), file.end() - 1), &image, &why));
  EXPECT_FALSE(DecodeDds(Bytes(file.begin(), file.begin() + 100), &image, &why));
}

// ---- Background.ase read with the saver's reader ----

// Positions as the saver's reader holds them, in single precision.
using Point3 = Vec3;

struct SkyObject {
  std::string name;
  std::vector<Point3> positions;
  std::vector<std::array<double, 2>> uv;  // texture vertex i belongs to vertex i
  std::vector<std::array<int, 3>> faces;
};

// The model as the saver's reader loads it (no materials, with texture coordinates).
std::vector<SkyObject> ScanAse(const std::string& text) {
  AseModel model;
  ParseAse(text, "", false, true, &model);
  for (const std::string& problem : model.problems) ADD_FAILURE() << problem;
  std::vector<SkyObject> objects;
  for (const Mesh& mesh : model.meshes) {
    SkyObject object;
    object.name = mesh.name;
    for (std::size_t i = 0; i < mesh.vertexCount; ++i) {
      object.positions.push_back(
          {mesh.positions[3 * i], mesh.positions[3 * i + 1], mesh.positions[3 * i + 2]});
      object.uv.push_back({mesh.texCoords[2 * i], mesh.texCoords[2 * i + 1]});
    }
    for (const auto& f : mesh.workFaces) object.faces.push_back({f[0], f[1], f[2]});
    objects.push_back(std::move(object));
  }
  return objects;
}

// The tile's colour as GL_LINEAR with GL_REPEAT samples it: rows bottom-up, v = 0 at the bottom.
std::array<double, 3> SampleLinear(const Texture& texture, double u, double v) {
  const int w = texture.width(), h = texture.height();
  const double x = u * w - 0.5, y = v * h - 0.5;
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  std::array<double, 3> out{};
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 2; ++i) {
      const int px = ((x0 + i) % w + w) % w, py = ((y0 + j) % h + h) % h;
      const double weight = (i ? fx : 1 - fx) * (j ? fy : 1 - fy);
      const std::uint8_t* p = &texture.pixels()[(static_cast<std::size_t>(py) * w + px) * 3];
      for (int k = 0; k < 3; ++k) out[k] += weight * p[k];
    }
  }
  return out;
}

// Where on the object a texture coordinate lies, through the triangle that contains it.
bool PositionOf(const SkyObject& object, double u, double v, Point3* position) {
  for (const auto& f : object.faces) {
    const auto& a = object.uv[f[0]];
    const auto& b = object.uv[f[1]];
    const auto& c = object.uv[f[2]];
    const double det = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
    if (std::abs(det) < 1e-12) continue;
    const double s = ((u - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (v - a[1])) / det;
    const double t = ((b[0] - a[0]) * (v - a[1]) - (u - a[0]) * (b[1] - a[1])) / det;
    if (s < -1e-9 || t < -1e-9 || s + t > 1 + 1e-9) continue;
    const Point3 pa = object.positions[f[0]], pb = object.positions[f[1]],
                 pc = object.positions[f[2]];
    *position = pa + (pb - pa) * static_cast<float>(s) + (pc - pa) * static_cast<float>(t);
    return true;
  }
  return false;
}

// ---- The generated sky, written once for the suite ----

class GeneratedSky : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    std::string error;
    ASSERT_TRUE(WriteSky(folder_->Path().string(), &error)) << error;
    tiles_ = new std::vector<Texture>(kSkyTileCount);
    for (int i = 0; i < kSkyTileCount; ++i) {
      std::string why;
      const std::string path = (folder_->Path() / "Gfx" / (SkyTileName(i) + ".bmp")).string();
      ASSERT_TRUE((*tiles_)[i].LoadBmp(false, path, "", &why)) << path << ": " << why;
    }
    const Bytes ase = TempFolder::Read(folder_->Path() / "Background.ase");
    objects_ = new std::vector<SkyObject>(ScanAse(std::string(ase.begin(), ase.end())));
  }
  static void TearDownTestSuite() {
    delete objects_;
    delete tiles_;
    delete folder_;
  }

 protected:
  static TempFolder* folder_;
  static std::vector<Texture>* tiles_;
  static std::vector<SkyObject>* objects_;
};

TempFolder* GeneratedSky::folder_ = nullptr;
std::vector<Texture>* GeneratedSky::tiles_ = nullptr;
std::vector<SkyObject>* GeneratedSky::objects_ = nullptr;

TEST_F(GeneratedSky, TilesLoadInTheSaverAndTheirCompressedTwinsMatchThem) {
  const char* faces[] = {"Top", "Front", "Back", "Bottom", "Left", "Right"};
  for (int i = 0; i < kSkyTileCount; ++i) {
    const Texture& tile = (*tiles_)[i];
    EXPECT_EQ(SkyTileName(i),
              std::string("Background") + faces[i / 4] + "0" + std::to_string(i % 4 + 1));
    EXPECT_EQ(tile.width(), 256);
    EXPECT_EQ(tile.height(), 256);
    EXPECT_FALSE(tile.HasAlpha());

    DdsImage dds;
    std::string why;
    ASSERT_TRUE(DecodeDds(TempFolder::Read(folder_->Path() / "Gfx" / (SkyTileName(i) + ".dds")),
                          &dds, &why))
        << SkyTileName(i) << ": " << why;
    ASSERT_EQ(dds.width, 256);
    ASSERT_EQ(dds.height, 256);
    EXPECT_EQ(dds.levels.size(), 9u);
    // The container's rows run top-down, the saver's bottom-up.
    double squares = 0;
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256 * 3; ++x) {
        const int a = dds.levels[0][static_cast<std::size_t>(255 - y) * 768 + x];
        const int b = tile.pixels()[static_cast<std::size_t>(y) * 768 + x];
        squares += (a - b) * (a - b);
      }
    }
    EXPECT_LT(std::sqrt(squares / (256 * 768)), 3.0) << SkyTileName(i);
    // The smallest level is the tile's average colour, give or take the rounding of 5:6:5.
    double mean[3] = {};
    for (std::size_t p = 0; p < tile.pixels().size(); ++p)
      mean[p % 3] += tile.pixels()[p] / 65536.0;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(dds.levels[8][k], mean[k], 6) << SkyTileName(i);
  }
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(folder_->Path() / "Gfx"))
    files += entry.path().filename().string().rfind("Background", 0) == 0;
  EXPECT_EQ(files, 48u);
}

TEST_F(GeneratedSky, ModelHoldsTheTilesInOrderInsideTheFrustumFacingTheOrigin) {
  ASSERT_EQ(objects_->size(), 24u);
  for (int i = 0; i < kSkyTileCount; ++i) {
    const SkyObject& object = (*objects_)[i];
    EXPECT_EQ(object.name, "\"" + SkyTileName(i) + "\"");
    ASSERT_FALSE(object.faces.empty());
    ASSERT_EQ(object.uv.size(), object.positions.size());
    for (const Point3& p : object.positions) {
      // Beyond the near plane (1) and inside the far plane (5000) whichever way the camera turns.
      EXPECT_GT(Length(p), 1.0);
      EXPECT_LT(Length(p), 5000.0);
    }
    for (const auto& uv : object.uv) {
      // Texel centre to texel centre: linear filtering never wraps round to the far side.
      for (double c : uv) {
        EXPECT_GE(c, 0.5 / 256 - 1e-6);
        EXPECT_LE(c, 255.5 / 256 + 1e-6);
      }
    }
    double area = 0;
    for (const auto& f : object.faces) {
      ASSERT_LT(static_cast<std::size_t>(std::max({f[0], f[1], f[2]})), object.positions.size());
      const Point3 a = object.positions[f[0]], b = object.positions[f[1]],
                   c = object.positions[f[2]];
      // Counter-clockwise seen from the origin: the winding's normal points back at it.
      const Point3 n = Cross(b - a, c - a);
      EXPECT_LT(Dot(n, a), 0) << object.name;
      area += Length(n) / 2;
    }
    // Together the tiles cover the whole cube: a quarter face each.
    EXPECT_NEAR(area, kSkyBoxHalfSize * kSkyBoxHalfSize, 1.0) << object.name;
  }
}

TEST_F(GeneratedSky, NeighbouringTilesAgreeAlongEveryEdgeTheyShare) {
  ASSERT_EQ(objects_->size(), 24u);
  auto same = [](Point3 a, Point3 b) { return Length(a - b) < 1e-3; };
  // An edge is a side of a triangle that no other triangle of the same object has.
  auto outline = [](const SkyObject& object) {
    std::vector<std::array<int, 2>> edges;
    for (const auto& f : object.faces) {
      for (int k = 0; k < 3; ++k) {
        const int a = f[k], b = f[(k + 1) % 3];
        int shared = 0;
        for (const auto& g : object.faces) {
          for (int l = 0; l < 3; ++l) shared += (g[l] == b && g[(l + 1) % 3] == a);
        }
        if (shared == 0) edges.push_back({a, b});
      }
    }
    return edges;
  };
  int sharedEdges = 0;
  double worst = 0, total = 0;
  int samples = 0;
  for (int i = 0; i < kSkyTileCount; ++i) {
    const SkyObject& first = (*objects_)[i];
    for (int j = i + 1; j < kSkyTileCount; ++j) {
      const SkyObject& second = (*objects_)[j];
      for (const auto& e : outline(first)) {
        for (const auto& f : outline(second)) {
          const Point3 p0 = first.positions[e[0]], p1 = first.positions[e[1]];
          int f0 = f[0], f1 = f[1];
          if (same(p0, second.positions[f1]) && same(p1, second.positions[f0])) std::swap(f0, f1);
          if (!same(p0, second.positions[f0]) || !same(p1, second.positions[f1])) continue;
          ++sharedEdges;
          for (int s = 0; s <= 200; ++s) {
            const double t = s / 200.0;
            auto along = [t](const std::array<double, 2>& a, const std::array<double, 2>& b,
                             int k) { return a[k] + t * (b[k] - a[k]); };
            const auto c1 = SampleLinear((*tiles_)[i], along(first.uv[e[0]], first.uv[e[1]], 0),
                                         along(first.uv[e[0]], first.uv[e[1]], 1));
            const auto c2 = SampleLinear((*tiles_)[j], along(second.uv[f0], second.uv[f1], 0),
                                         along(second.uv[f0], second.uv[f1], 1));
            for (int k = 0; k < 3; ++k) {
              const double d = std::abs(c1[k] - c2[k]);
              worst = std::max(worst, d);
              total += d;
              ++samples;
            }
          }
        }
      }
    }
  }
  // 6 faces x 4 tiles x 4 sides, each side shared by two tiles.
  EXPECT_EQ(sharedEdges, 48);
  // The two sides of an edge show the same directions: only the last bit of dithering differs.
  EXPECT_LE(worst, 2.0);
  EXPECT_LT(total / std::max(samples, 1), 0.5);
}

// Column-major 4 x 4 matrices with OpenGL's rules.
using Matrix = std::array<double, 16>;
Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      for (int k = 0; k < 4; ++k) m[4 * c + r] += a[4 * k + r] * b[4 * c + k];
    }
  }
  return m;
}
Matrix Identity() {
  return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}
Matrix Translation(double x, double y, double z) {
  Matrix m = Identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}
// glRotated about a coordinate axis.
Matrix Rotation(double degrees, int axis) {
  const double a = degrees * 3.14159265358979 / 180, c = std::cos(a), s = std::sin(a);
  Matrix m = Identity();
  const int p = (axis + 1) % 3, q = (axis + 2) % 3;
  m[4 * p + p] = c;
  m[4 * q + q] = c;
  m[4 * q + p] = -s;
  m[4 * p + q] = s;
  return m;
}
Matrix Frustum(double l, double r, double b, double t, double n, double f) {
  Matrix m{};
  m[0] = 2 * n / (r - l);
  m[5] = 2 * n / (t - b);
  m[8] = (r + l) / (r - l);
  m[9] = (t + b) / (t - b);
  m[10] = -(f + n) / (f - n);
  m[11] = -1;
  m[14] = -2 * f * n / (f - n);
  return m;
}

struct ScreenPoint {
  double x, y;
};

TEST_F(GeneratedSky, SunShinesWhereTheLensFlareIsDrawn) {
  ASSERT_EQ(objects_->size(), 24u);
  // The sun's burnt-out core: every pixel at full white, found through the model's own texture
  // coordinates, so the direction comes from what the saver will draw.
  Point3 sum{0, 0, 0};
  std::vector<Point3> core;
  for (int i = 0; i < kSkyTileCount; ++i) {
    const Texture& tile = (*tiles_)[i];
    for (int y = 0; y < 256; ++y) {
      for (int x = 0; x < 256; ++x) {
        const std::uint8_t* p = &tile.pixels()[(static_cast<std::size_t>(y) * 256 + x) * 3];
        if (std::min({p[0], p[1], p[2]}) < 250) continue;
        Point3 at;
        ASSERT_TRUE(PositionOf((*objects_)[i], (x + 0.5) / 256, (y + 0.5) / 256, &at));
        core.push_back(Normalized(at));
        sum = sum + core.back();
      }
    }
  }
  ASSERT_GE(core.size(), 8u);
  const Point3 sun = Normalized(sum);
  // One compact disc: no star burns out anywhere else.
  for (const Point3& d : core) EXPECT_GT(Dot(d, sun), std::cos(1.5 * 3.14159265 / 180));

  // The flare as the saver computes it, in the battle-start orbit around the origin
  // (translate (0, 0, -15), pitch about x, yaw about y), on a 1280 x 960 screen.
  const double W = 1280, H = 960;
  const Matrix projection = Frustum(-0.4444, 0.4444, -0.3333, 0.3333, 1, 5000);
  auto flare = [&](double pitch, double yaw) {
    const Matrix view =
        Multiply(Multiply(Translation(0, 0, -15), Rotation(pitch, 0)), Rotation(yaw, 1));
    double r[16];
    LensFlare::Combine(view.data(), projection.data(), r);
    LensFlare lensFlare;
    lensFlare.SetMatrix(r);
    double sx = 0, sy = 0, sz = 0;
    lensFlare.LightPoint(sx, sy, sz);
    EXPECT_GT(sz, 0);
    return ScreenPoint{W / 2 - sx, H / 2 + sy};
  };
  // Where the sky shows the sun: the background turns with the camera's rotation only.
  auto sunOnScreen = [&](double pitch, double yaw) {
    const Matrix clip = Multiply(projection, Multiply(Rotation(pitch, 0), Rotation(yaw, 1)));
    const double x = clip[0] * sun.x + clip[4] * sun.y + clip[8] * sun.z;
    const double y = clip[1] * sun.x + clip[5] * sun.y + clip[9] * sun.z;
    const double w = clip[3] * sun.x + clip[7] * sun.y + clip[11] * sun.z;
    EXPECT_GT(w, 0);  // in front of the eye
    return ScreenPoint{W / 2 * (1 + x / w), H / 2 * (1 - y / w)};
  };
  // The camera that looks straight at the sun: its view axis, (0, 0, -1) turned back, is the sun.
  const double pitch = -std::asin(sun.y) * 180 / 3.14159265358979;
  const double yaw = std::atan2(sun.x, -sun.z) * 180 / 3.14159265358979;
  const ScreenPoint centred = flare(pitch, yaw), seen = sunOnScreen(pitch, yaw);
  EXPECT_NEAR(seen.x, W / 2, 0.5);
  EXPECT_NEAR(seen.y, H / 2, 0.5);
  EXPECT_NEAR(centred.x, W / 2, 3);
  EXPECT_NEAR(centred.y, H / 2, 3);
  // Turned away a little, the flare follows the sun across the screen.
  for (const auto& turn : {std::array<double, 2>{4, 6}, std::array<double, 2>{-5, -3}}) {
    const ScreenPoint f = flare(pitch + turn[0], yaw + turn[1]);
    const ScreenPoint s = sunOnScreen(pitch + turn[0], yaw + turn[1]);
    EXPECT_GT(std::hypot(s.x - W / 2, s.y - H / 2), 100);
    EXPECT_LT(std::hypot(f.x - s.x, f.y - s.y), 25) << turn[0] << " " << turn[1];
  }
}

TEST_F(GeneratedSky, StarsAreSoftPointsOfSeveralColours) {
  int stars = 0, hard = 0, bluish = 0, reddish = 0;
  for (const Texture& tile : *tiles_) {
    auto at = [&](int x, int y, int k) {
      return static_cast<int>(tile.pixels()[(static_cast<std::size_t>(y) * 256 + x) * 3 + k]);
    };
    auto sum = [&](int x, int y) { return at(x, y, 0) + at(x, y, 1) + at(x, y, 2); };
    for (int y = 2; y < 254; ++y) {
      for (int x = 2; x < 254; ++x) {
        const int peak = sum(x, y);
        if (peak >= 3 * 250) continue;  // the sun
        int floor = peak;
        bool highest = true;
        for (int dy = -2; dy <= 2; ++dy) {
          for (int dx = -2; dx <= 2; ++dx) {
            if (dx == 0 && dy == 0) continue;
            floor = std::min(floor, sum(x + dx, y + dy));
            if (std::abs(dx) <= 1 && std::abs(dy) <= 1 && sum(x + dx, y + dy) >= peak)
              highest = false;
          }
        }
        if (!highest || peak - floor < 90) continue;
        ++stars;
        // A point drawn with a footprint lights its neighbours too.
        const double sides = (sum(x - 1, y) + sum(x + 1, y) + sum(x, y - 1) + sum(x, y + 1)) / 4.0;
        if (sides - floor < 0.12 * (peak - floor)) ++hard;
        const int r = at(x, y, 0), b = at(x, y, 2);
        bluish += b - r >= 15;
        reddish += r - b >= 40;
      }
    }
  }
  EXPECT_GT(stars, 300);
  EXPECT_EQ(hard, 0);
  EXPECT_GE(bluish, 10);
  EXPECT_GE(reddish, 10);
}

}  // namespace
}  // namespace ironwood::assetgen
