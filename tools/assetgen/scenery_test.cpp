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

#include "saver/assets/ase_model.h"
#include "saver/assets/texture.h"
#include "saver/effects/lens_flare.h"
#include "tests/support/test_files.h"
#include "tools/assetgen/images.h"
#include "tools/assetgen/scenery.h"
#include "tools/assetgen/vec3.h"

namespace ironwood::assetgen {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// ---- The scene files as the saver's own reader loads them ----

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
  AseModel model;                  // with the materials' textures, pair k at 2k
  std::vector<AseObject> objects;  // the meshes, as the checks below look at them
  bool ok = false;                 // loaded, and the reader had nothing to complain about
  std::size_t MaterialCount() const { return model.materials.size() / 2; }
};

AseFile ReadAse(const std::string& installation, const std::string& name, bool withMaterials) {
  AseFile file;
  std::string why;
  if (!LoadAse(installation + name, installation, withMaterials, true, &file.model, &why)) {
    ADD_FAILURE() << why;
    return file;
  }
  for (const std::string& problem : file.model.problems) ADD_FAILURE() << name << ": " << problem;
  for (const Mesh& mesh : file.model.meshes) {
    AseObject object;
    object.name = mesh.name;
    for (std::size_t i = 0; i < mesh.vertexCount; ++i) {
      object.vertices.push_back({mesh.positions[3 * i], mesh.positions[3 * i + 1],
                                 mesh.positions[3 * i + 2], mesh.texCoords[2 * i],
                                 mesh.texCoords[2 * i + 1]});
    }
    for (const auto& f : mesh.workFaces) object.faces.push_back({f[0], f[1], f[2]});
    if (mesh.texture != nullptr) {
      object.material = static_cast<int>((mesh.texture - file.model.materials.data()) / 2);
    }
    file.objects.push_back(std::move(object));
  }
  file.ok = file.model.problems.empty();
  return file;
}

// ---- Geometry ----

using P3 = Vec3;

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
    box.low = {std::min(box.low.x, v.x), std::min(box.low.y, v.y),
               std::min(box.low.z, v.z)};
    box.high = {std::max(box.high.x, v.x), std::max(box.high.y, v.y),
                std::max(box.high.z, v.z)};
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
    return ReadAse(folder_->WithSeparator(), name, withMaterials);
  }
  // An image as the saver loaded it: there, with sides it can draw.
  static void CheckSides(const Texture& texture, const std::string& name) {
    EXPECT_TRUE(PowerOfTwo(texture.width()) && PowerOfTwo(texture.height())) << name;
    EXPECT_LE(std::max(texture.width(), texture.height()), 512) << name;
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
  ASSERT_EQ(tunnel.MaterialCount(), tunnel.objects.size());
  for (std::size_t k = 0; k < tunnel.MaterialCount(); ++k) {
    const Texture& texture = tunnel.model.materials[2 * k];
    const std::string material = "material " + std::to_string(k);
    CheckSides(texture, material);
    // The self-illumination map is what makes the streaks see-through.
    ASSERT_TRUE(texture.HasAlpha()) << material;
    // The tube wraps round (u) and scrolls along (v): both pairs of edges must meet without
    // a seam, that is no more different than any two neighbouring lines inside.
    for (const bool columns : {true, false}) {
      const int last = (columns ? texture.width() : texture.height()) - 1;
      double inside = 0;
      for (int i = 0; i < last; ++i) {
        inside = std::max(inside, LineDifference(texture, columns, i, i + 1));
      }
      EXPECT_LE(LineDifference(texture, columns, last, 0), inside)
          << material << (columns ? " left and right" : " top and bottom");
    }
  }
  std::set<int> materialsUsed;
  for (const AseObject& tube : tunnel.objects) {
    ExpectIndicesInRange(tube);
    ASSERT_GE(tube.material, 0);
    ASSERT_LT(static_cast<std::size_t>(tube.material), tunnel.MaterialCount());
    materialsUsed.insert(tube.material);
    double nearest = 1e9, farthest = 0, lowZ = 0, highZ = 0;
    for (const Vertex& v : tube.vertices) {
      nearest = std::min<double>(nearest, std::hypot(v.x, v.y));
      farthest = std::max<double>(farthest, Length({v.x, v.y, v.z}));
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
  EXPECT_EQ(materialsUsed.size(), tunnel.MaterialCount());
}

TEST_F(SceneryFolder, DebrisFragmentsAreSmallClosedOutwardFacingSolids) {
  const AseFile debris = Ase("Debris.ase", true);
  ASSERT_TRUE(debris.ok);
  ASSERT_GE(debris.objects.size(), 6u);
  ASSERT_LE(debris.objects.size(), 10u);
  ASSERT_GE(debris.MaterialCount(), 1u);
  ASSERT_LE(debris.MaterialCount(), 2u);
  for (std::size_t k = 0; k < debris.MaterialCount(); ++k) {
    CheckSides(debris.model.materials[2 * k], "material " + std::to_string(k));
  }
  for (const AseObject& piece : debris.objects) {
    ExpectIndicesInRange(piece);
    ASSERT_GE(piece.material, 0);
    ASSERT_LT(static_cast<std::size_t>(piece.material), debris.MaterialCount());
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
  LensFlare flare;
  std::string why;
  ASSERT_TRUE(flare.Load(folder_->WithSeparator(), &why)) << why;
  // Every element names one of the textures.
  EXPECT_TRUE(flare.problems().empty()) << flare.problems().front();
  const std::size_t textures = flare.textures().size();
  ASSERT_GE(textures, 4u);
  ASSERT_LE(textures, 8u);
  std::set<std::string> names;
  for (const LensFlare::NamedTexture& entry : flare.textures()) {
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name << " twice";
    const Texture& texture = entry.texture;
    CheckSides(texture, entry.name);
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
    EXPECT_LE(edge, 1) << entry.name;
    EXPECT_GT(largest, 40) << entry.name << " draws nothing";
  }
  ASSERT_GE(flare.elements().size(), textures);
  std::set<const Texture*> used;
  bool atTheLight = false;
  for (const LensFlare::Element& element : flare.elements()) {
    used.insert(element.texture);
    EXPECT_GT(element.size, 0);
    EXPECT_LE(element.size, 1280);
    EXPECT_GE(element.position, -2.5);
    EXPECT_LE(element.position, 0.0);
    atTheLight = atTheLight || element.position == 0;
  }
  EXPECT_TRUE(atTheLight);
  EXPECT_EQ(used.size(), textures);
  // Nothing after the last element: two counts, four tokens a texture and five an element.
  std::istringstream in(Text("LensFlare.lsf"));
  std::size_t tokens = 0;
  for (std::string token; in >> token;) ++tokens;
  EXPECT_EQ(tokens, 4 + 4 * textures + 5 * flare.elements().size());
}

}  // namespace
}  // namespace ironwood::assetgen
