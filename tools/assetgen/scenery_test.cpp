// The generated scenery files read back the way the saver reads them: ASCII scene files through a
// token scanner with the saver's rules, images through its own BMP reader, and the lens-flare
// description token by token.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "saver/assets/texture.h"
#include "tests/support/test_files.h"
#include "tools/assetgen/images.h"
#include "tools/assetgen/scenery.h"

namespace ironwood::assetgen {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// ---- The saver's way of reading an ASCII scene file ----

class Tokens {
 public:
  explicit Tokens(const std::string& text) : in_(text) {}
  bool Next(std::string& token) { return static_cast<bool>(in_ >> token); }
  std::string Next() {
    std::string token;
    if (!Next(token)) ok_ = false;
    return token;
  }
  // Reads up to and including the keyword; false at the end of the text.
  bool SkipTo(const std::string& keyword) {
    std::string token;
    while (Next(token)) {
      if (token == keyword) return true;
    }
    ok_ = false;
    return false;
  }
  int Int() { return std::atoi(Next().c_str()); }
  float Real() { return static_cast<float>(std::atof(Next().c_str())); }
  bool ok() const { return ok_; }

 private:
  std::istringstream in_;
  bool ok_ = true;
};

struct AseMaterialRead {
  std::string diffuse, selfIllum;
  bool selfIllumSeen = false;
};

struct Vertex {
  float x, y, z, u, v;
};

struct AseObject {
  std::string name;
  std::vector<Vertex> vertices;
  std::vector<std::array<int, 3>> faces;
  int material = -1;
};

struct AseFile {
  std::vector<AseMaterialRead> materials;
  std::vector<AseObject> objects;
  bool ok = false;  // no search ran off the end inside a material or an object
};

std::string StripEnds(const std::string& quoted) {
  return quoted.size() >= 2 ? quoted.substr(1, quoted.size() - 2) : std::string();
}

AseFile ReadAse(const std::string& text, bool withMaterials) {
  AseFile file;
  Tokens tokens(text);
  if (withMaterials) {
    tokens.SkipTo("*MATERIAL_COUNT");
    const int count = tokens.Int();
    for (int k = 0; k < count && tokens.ok(); ++k) {
      AseMaterialRead material;
      tokens.SkipTo("*MATERIAL");
      std::string token;
      while (tokens.Next(token)) {
        if (token == "}") {
          if (!tokens.Next(token) || token == "}") break;
        }
        std::string* name = token == "*MAP_DIFFUSE"     ? &material.diffuse
                            : token == "*MAP_SELFILLUM" ? &material.selfIllum
                                                        : nullptr;
        if (token == "*MAP_OPACITY" || token == "*MAP_SPECULAR") {
          tokens.SkipTo("*BITMAP");
          tokens.Next();
        } else if (name != nullptr) {
          tokens.SkipTo("*BITMAP");
          *name = StripEnds(tokens.Next());
          if (token == "*MAP_SELFILLUM") material.selfIllumSeen = true;
        }
      }
      file.materials.push_back(material);
    }
  }
  std::string token;
  while (file.objects.size() < 30 && tokens.ok() && tokens.SkipTo("*GEOMOBJECT")) {
    AseObject object;
    tokens.SkipTo("*NODE_NAME");
    object.name = tokens.Next();
    int vertexCount = 0, faceCount = 0;
    while (tokens.Next(token)) {
      if (token == "*MESH_NUMVERTEX") vertexCount = tokens.Int();
      if (token == "*MESH_NUMFACES") {
        faceCount = tokens.Int();
        break;
      }
    }
    tokens.SkipTo("*MESH_VERTEX_LIST");
    tokens.Next();
    for (int i = 0; i < vertexCount; ++i) {
      tokens.Next();
      tokens.Next();
      const float x = tokens.Real() / 300, y = tokens.Real() / 300, z = tokens.Real() / 300;
      object.vertices.push_back({x, y, z, 0, 0});
    }
    for (int j = 0; j < faceCount; ++j) {
      tokens.SkipTo("*MESH_FACE");
      tokens.Next();
      tokens.Next();
      const int a = tokens.Int();
      tokens.Next();
      const int b = tokens.Int();
      tokens.Next();
      const int c = tokens.Int();
      object.faces.push_back({a, b, c});
    }
    tokens.SkipTo("*MESH_TVERTLIST");
    tokens.Next();
    for (Vertex& v : object.vertices) {
      tokens.Next();
      tokens.Next();
      v.u = tokens.Real();
      v.v = tokens.Real();
      tokens.Next();
    }
    if (withMaterials) {
      tokens.SkipTo("*MATERIAL_REF");
      object.material = tokens.Int();
    }
    if (!tokens.ok()) return file;
    file.objects.push_back(object);
  }
  file.ok = true;
  return file;
}

// ---- Geometry ----

struct P3 {
  double x, y, z;
};
P3 operator-(P3 a, P3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P3 Cross(P3 a, P3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(P3 a, P3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
double Length(P3 a) {
  return std::sqrt(Dot(a, a));
}
P3 At(const AseObject& object, int index) {
  const Vertex& v = object.vertices[static_cast<std::size_t>(index)];
  return {v.x, v.y, v.z};
}
// The face's normal by the right-hand rule: towards whoever sees it counter-clockwise.
P3 FaceNormal(const AseObject& object, const std::array<int, 3>& f) {
  const P3 a = At(object, f[0]);
  return Cross(At(object, f[1]) - a, At(object, f[2]) - a);
}
P3 Centroid(const AseObject& object, const std::array<int, 3>& f) {
  const P3 a = At(object, f[0]), b = At(object, f[1]), c = At(object, f[2]);
  return {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
}

void ExpectIndicesInRange(const AseObject& object) {
  for (const auto& f : object.faces) {
    for (int index : f) {
      ASSERT_GE(index, 0) << object.name;
      ASSERT_LT(static_cast<std::size_t>(index), object.vertices.size()) << object.name;
    }
  }
}

struct Box {
  P3 low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
};
Box Bounds(const AseObject& object) {
  Box box;
  for (const Vertex& v : object.vertices) {
    box.low = {std::min<double>(box.low.x, v.x), std::min<double>(box.low.y, v.y),
               std::min<double>(box.low.z, v.z)};
    box.high = {std::max<double>(box.high.x, v.x), std::max<double>(box.high.y, v.y),
                std::max<double>(box.high.z, v.z)};
  }
  return box;
}

bool PowerOfTwo(int n) {
  return n > 0 && (n & (n - 1)) == 0;
}

// ---- The folder as the installation target writes it ----

class SceneryFolder : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    std::string error;
    ASSERT_TRUE(WriteImages(folder_->Path().string(), &error)) << error;
    ASSERT_TRUE(WriteScenery(folder_->Path().string(), &error)) << error;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Text(const std::string& name) {
    const auto bytes = TempFolder::Read(folder_->Path() / name);
    return std::string(bytes.begin(), bytes.end());
  }
  static AseFile Ase(const std::string& name, bool withMaterials) {
    const std::string text = Text(name);
    EXPECT_FALSE(text.empty()) << name;
    return ReadAse(text, withMaterials);
  }
  // Loads an image from Gfx/ with the saver's reader and checks its sides.
  static Texture Image(const std::string& colour, const std::string& opacity) {
    Texture texture;
    std::string why;
    const fs::path gfx = folder_->Path() / "Gfx";
    EXPECT_TRUE(texture.LoadBmp(!opacity.empty(), (gfx / colour).string(),
                                opacity.empty() ? "" : (gfx / opacity).string(), &why))
        << colour << ": " << why;
    EXPECT_TRUE(PowerOfTwo(texture.width()) && PowerOfTwo(texture.height())) << colour;
    EXPECT_LE(std::max(texture.width(), texture.height()), 512) << colour;
    return texture;
  }

 protected:
  static TempFolder* folder_;
};

TempFolder* SceneryFolder::folder_ = nullptr;

TEST_F(SceneryFolder, BillboardsAreUnitQuadsFacingOutWithUprightImages) {
  const AseFile uni = Ase("UniBillboard.ase", false);
  ASSERT_TRUE(uni.ok);
  ASSERT_EQ(uni.objects.size(), 1u);
  const AseObject& quad = uni.objects[0];
  ExpectIndicesInRange(quad);
  ASSERT_EQ(quad.faces.size(), 2u);
  double area = 0;
  for (const auto& f : quad.faces) {
    const P3 n = FaceNormal(quad, f);
    EXPECT_GT(n.z, 0) << "the quad must face +z";
    area += Length(n) / 2;
  }
  EXPECT_NEAR(area, 1.0, 1e-4);  // one unit wide: the shock wave's scale is its size
  for (const Vertex& v : quad.vertices) {
    EXPECT_NEAR(std::abs(v.x), 0.5, 1e-4);
    EXPECT_NEAR(std::abs(v.y), 0.5, 1e-4);
    EXPECT_EQ(v.z, 0.0f);
    // The image's bottom row (v = 0) along the bottom edge, its left column on the left.
    EXPECT_NEAR(v.u, v.x + 0.5, 1e-4);
    EXPECT_NEAR(v.v, v.y + 0.5, 1e-4);
  }

  const AseFile tri = Ase("TriBillboard.ase", false);
  ASSERT_TRUE(tri.ok);
  ASSERT_EQ(tri.objects.size(), 1u);
  const AseObject& cross = tri.objects[0];
  ExpectIndicesInRange(cross);
  // Two triangles in each of the three axis planes, one unit square each, centred.
  std::map<int, double> areaByAxis;
  for (const auto& f : cross.faces) {
    const P3 n = FaceNormal(cross, f);
    const double length = Length(n);
    const int axis = std::abs(n.x) > 0.999 * length   ? 0
                     : std::abs(n.y) > 0.999 * length ? 1
                     : std::abs(n.z) > 0.999 * length ? 2
                                                      : -1;
    ASSERT_NE(axis, -1) << "a face off the axis planes";
    areaByAxis[axis] += length / 2;
  }
  ASSERT_EQ(areaByAxis.size(), 3u);
  for (const auto& [axis, sum] : areaByAxis) EXPECT_NEAR(sum, 1.0, 1e-4) << axis;
  const Box box = Bounds(cross);
  for (double d : {box.low.x, box.low.y, box.low.z}) EXPECT_NEAR(d, -0.5, 1e-4);
  for (double d : {box.high.x, box.high.y, box.high.z}) EXPECT_NEAR(d, 0.5, 1e-4);
  for (const Vertex& v : cross.vertices) {
    EXPECT_TRUE(v.u >= 0 && v.u <= 1 && v.v >= 0 && v.v <= 1);
  }
}

// Mean difference of opacity-weighted brightness between two rows or columns of an image.
double LineDifference(const Texture& t, bool columns, int a, int b) {
  const int count = columns ? t.height() : t.width();
  double sum = 0;
  for (int i = 0; i < count; ++i) {
    const int xa = columns ? a : i, ya = columns ? i : a;
    const int xb = columns ? b : i, yb = columns ? i : b;
    const auto* p = &t.pixels()[(static_cast<std::size_t>(ya) * t.width() + xa) * 4];
    const auto* q = &t.pixels()[(static_cast<std::size_t>(yb) * t.width() + xb) * 4];
    sum += std::abs(p[1] * p[3] - q[1] * q[3]) / 255.0;
  }
  return sum / count;
}

TEST_F(SceneryFolder, StarTunnelIsSeenFromInsideWithinTheFrustumAndTilesItsStreaks) {
  const AseFile tunnel = Ase("StarTunnel.ase", true);
  ASSERT_TRUE(tunnel.ok);
  ASSERT_GE(tunnel.objects.size(), 1u);
  ASSERT_LE(tunnel.objects.size(), 30u);
  ASSERT_EQ(tunnel.materials.size(), tunnel.objects.size());
  for (const AseMaterialRead& material : tunnel.materials) {
    // The self-illumination map is what makes the streaks see-through.
    ASSERT_TRUE(material.selfIllumSeen);
    const Texture texture = Image(material.diffuse, material.selfIllum);
    ASSERT_TRUE(texture.HasAlpha());
    // The tube wraps round (u) and scrolls along (v): both pairs of edges must meet without
    // a seam, that is no more different than any two neighbouring lines inside.
    for (const bool columns : {true, false}) {
      const int last = (columns ? texture.width() : texture.height()) - 1;
      double inside = 0;
      for (int i = 0; i < last; ++i) {
        inside = std::max(inside, LineDifference(texture, columns, i, i + 1));
      }
      EXPECT_LE(LineDifference(texture, columns, last, 0), inside)
          << material.diffuse << (columns ? " left and right" : " top and bottom");
    }
  }
  std::set<int> materialsUsed;
  for (const AseObject& tube : tunnel.objects) {
    ExpectIndicesInRange(tube);
    ASSERT_GE(tube.material, 0);
    ASSERT_LT(static_cast<std::size_t>(tube.material), tunnel.materials.size());
    materialsUsed.insert(tube.material);
    double nearest = 1e9, farthest = 0, lowZ = 0, highZ = 0;
    for (const Vertex& v : tube.vertices) {
      nearest = std::min<double>(nearest, std::hypot(v.x, v.y));
      farthest = std::max(farthest, Length({v.x, v.y, v.z}));
      lowZ = std::min<double>(lowZ, v.z);
      highZ = std::max<double>(highZ, v.z);
      EXPECT_TRUE(v.u >= 0 && v.u <= 1) << tube.name;
    }
    // Well inside the far plane at 5000, never near the near plane at 1, and long enough both
    // ways to fill the view whichever way the camera swings.
    EXPECT_LT(farthest, 4000) << tube.name;
    EXPECT_GT(nearest, 20) << tube.name;
    EXPECT_LT(lowZ, -1000) << tube.name;
    EXPECT_GT(highZ, 1000) << tube.name;
    for (const auto& f : tube.faces) {
      const P3 n = FaceNormal(tube, f);
      const P3 c = Centroid(tube, f);
      // Front-facing for the eye at the origin and for any point of the axis beside the face.
      ASSERT_GT(Dot(n, P3{0, 0, 0} - c), 0) << tube.name;
      ASSERT_GT(Dot(n, P3{0, 0, c.z} - c), 0) << tube.name;
      // v runs along the tube, growing with z: no edge goes backwards.
      for (int k = 0; k < 3; ++k) {
        const Vertex& a = tube.vertices[static_cast<std::size_t>(f[k])];
        const Vertex& b = tube.vertices[static_cast<std::size_t>(f[(k + 1) % 3])];
        if (std::abs(a.z - b.z) > 1e-3) {
          ASSERT_GT((a.v - b.v) * (a.z - b.z), 0) << tube.name;
        } else {
          ASSERT_NEAR(a.v, b.v, 1e-5) << tube.name;
        }
      }
    }
  }
  EXPECT_EQ(materialsUsed.size(), tunnel.materials.size());
}

TEST_F(SceneryFolder, DebrisFragmentsAreSmallClosedOutwardFacingSolids) {
  const AseFile debris = Ase("Debris.ase", true);
  ASSERT_TRUE(debris.ok);
  ASSERT_GE(debris.objects.size(), 6u);
  ASSERT_LE(debris.objects.size(), 10u);
  ASSERT_GE(debris.materials.size(), 1u);
  ASSERT_LE(debris.materials.size(), 2u);
  for (const AseMaterialRead& material : debris.materials) {
    Image(material.diffuse, material.selfIllumSeen ? material.selfIllum : "");
  }
  for (const AseObject& piece : debris.objects) {
    ExpectIndicesInRange(piece);
    ASSERT_GE(piece.material, 0);
    ASSERT_LT(static_cast<std::size_t>(piece.material), debris.materials.size());
    const Box box = Bounds(piece);
    const double across =
        std::max({box.high.x - box.low.x, box.high.y - box.low.y, box.high.z - box.low.z});
    EXPECT_GE(across, 0.3) << piece.name;
    EXPECT_LE(across, 1.2) << piece.name;
    // Tumbling turns it about its own origin.
    EXPECT_NEAR(box.low.x + box.high.x, 0, 0.02) << piece.name;
    EXPECT_NEAR(box.low.y + box.high.y, 0, 0.02) << piece.name;
    EXPECT_NEAR(box.low.z + box.high.z, 0, 0.02) << piece.name;
    // Closed and consistently wound: every edge, keyed by its end positions (faces may use
    // their own copies of a corner), is run once each way.
    std::map<std::array<long, 6>, int> edges;
    const auto key = [&](int a, int b) {
      const Vertex& p = piece.vertices[static_cast<std::size_t>(a)];
      const Vertex& q = piece.vertices[static_cast<std::size_t>(b)];
      const auto round = [](float value) { return std::lround(value * 1e4); };
      return std::array<long, 6>{round(p.x), round(p.y), round(p.z),
                                 round(q.x), round(q.y), round(q.z)};
    };
    double volume = 0;
    for (const auto& f : piece.faces) {
      for (int k = 0; k < 3; ++k) ++edges[key(f[k], f[(k + 1) % 3])];
      volume += Dot(At(piece, f[0]), Cross(At(piece, f[1]), At(piece, f[2]))) / 6;
    }
    for (const auto& [edge, count] : edges) {
      const std::array<long, 6> reverse{edge[3], edge[4], edge[5], edge[0], edge[1], edge[2]};
      ASSERT_EQ(count, 1) << piece.name << ": an edge run twice the same way";
      ASSERT_EQ(edges.count(reverse), 1u) << piece.name << ": an open edge";
    }
    EXPECT_GT(volume, 0) << piece.name << " faces inwards";
    for (const Vertex& v : piece.vertices) {
      EXPECT_TRUE(v.u >= 0 && v.u <= 1 && v.v >= 0 && v.v <= 1) << piece.name;
    }
  }
}

TEST_F(SceneryFolder, LensFlareListsLoadableTexturesAndElementsThatNameThem) {
  std::istringstream in(Text("LensFlare.lsf"));
  std::string label;
  int textures = -1;
  ASSERT_TRUE(in >> label >> textures);
  ASSERT_GE(textures, 4);
  ASSERT_LE(textures, 8);
  std::set<std::string> names;
  for (int i = 0; i < textures; ++i) {
    std::string name, colour, opacity;
    ASSERT_TRUE(in >> label >> name >> colour >> opacity);
    EXPECT_TRUE(names.insert(name).second) << name << " twice";
    const Texture texture = Image(colour, opacity);
    // The element is a square on the screen: its edges must not show.
    const int w = texture.width(), h = texture.height();
    int edge = 0, largest = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int alpha = texture.pixels()[(static_cast<std::size_t>(y) * w + x) * 4 + 3];
        largest = std::max(largest, alpha);
        if (x == 0 || y == 0 || x == w - 1 || y == h - 1) edge = std::max(edge, alpha);
      }
    }
    EXPECT_LE(edge, 1) << colour;
    EXPECT_GT(largest, 40) << colour << " draws nothing";
  }
  std::string elementsLabel;
  int elements = -1;
  ASSERT_TRUE(in >> elementsLabel >> elements);
  ASSERT_GE(elements, textures);
  std::set<std::string> used;
  bool atTheLight = false;
  for (int i = 0; i < elements; ++i) {
    std::string name, size, reserved, position;
    ASSERT_TRUE(in >> label >> name >> size >> reserved >> position);
    EXPECT_EQ(names.count(name), 1u) << name << " is not among the textures";
    used.insert(name);
    EXPECT_GT(std::atof(size.c_str()), 0) << name;
    EXPECT_LE(std::atof(size.c_str()), 1280) << name;
    const double at = std::atof(position.c_str());
    EXPECT_GE(at, -2.5) << name;
    EXPECT_LE(at, 0.0) << name;
    atTheLight = atTheLight || at == 0;
  }
  EXPECT_TRUE(atTheLight);
  EXPECT_EQ(used, names);
  EXPECT_FALSE(in >> label) << "tokens after the last element: " << label;
}

}  // namespace
}  // namespace ironwood::assetgen
