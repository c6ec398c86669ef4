#include "tools/assetgen/scenery.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "tools/assetgen/ase_writer.h"
#include "tools/assetgen/canvas.h"
#include "tools/assetgen/flare_images.h"
#include "tools/assetgen/image_files.h"

namespace ironwood::assetgen {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

struct Point {
  float x = 0, y = 0, z = 0;
};

Point operator-(Point a, Point b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Point Cross(Point a, Point b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Point a, Point b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

Point Position(const ModelVertex& v) {
  return {v.x, v.y, v.z};
}

std::uint32_t AddVertex(ModelMesh& mesh, Point p, float u, float v) {
  ModelVertex vertex;
  vertex.x = p.x;
  vertex.y = p.y;
  vertex.z = p.z;
  vertex.u = u;
  vertex.v = v;
  mesh.vertices.push_back(vertex);
  return static_cast<std::uint32_t>(mesh.vertices.size() - 1);
}

// A unit quad spanned by the unit vectors `right` and `up`, facing right x up; texture
// coordinates run with them, v = 0 along the bottom.
void AddQuad(ModelMesh& mesh, Point right, Point up) {
  const auto corner = [&](float a, float b) {
    return Point{right.x * a + up.x * b, right.y * a + up.y * b, right.z * a + up.z * b};
  };
  const std::uint32_t first = AddVertex(mesh, corner(-0.5f, -0.5f), 0, 0);
  AddVertex(mesh, corner(0.5f, -0.5f), 1, 0);
  AddVertex(mesh, corner(0.5f, 0.5f), 1, 1);
  AddVertex(mesh, corner(-0.5f, 0.5f), 0, 1);
  mesh.faces.push_back({first, first + 1, first + 2});
  mesh.faces.push_back({first, first + 2, first + 3});
}

// ---- Debris ----

// Moves the mesh so that its bounding box is centred on the origin: fragments tumble about
// their own origin.
void Centre(ModelMesh& mesh) {
  Point low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
  for (const ModelVertex& v : mesh.vertices) {
    low = {std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
    high = {std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
  }
  const Point centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
  for (ModelVertex& v : mesh.vertices) {
    v.x -= centre.x;
    v.y -= centre.y;
    v.z -= centre.z;
  }
}

// A torn plate: a jagged outline (every other point pulled in, like metal ripped along rivet
// lines) extruded to a thin slab and bent as hull plating is. Top, bottom and each edge have
// their own vertices so their normals and texture mapping stay separate.
ModelMesh TornPlate(std::uint32_t seed, float radius) {
  Sequence random(seed);
  const int n = 7 + static_cast<int>(random.Next() * 4.999f);
  const float thickness = random.Range(0.045f, 0.085f);
  const float bend = random.Range(0.25f, 0.6f) * (random.Next() < 0.5f ? -1.0f : 1.0f);
  const float twist = random.Range(-0.3f, 0.3f);
  const float mapAngle = random.Range(0, 2 * kPi);
  std::vector<Point> outline;
  for (int k = 0; k < n; ++k) {
    const float step = 2 * kPi / static_cast<float>(n);
    const float angle = step * (static_cast<float>(k) + random.Range(-0.3f, 0.3f));
    float r = radius * random.Range(0.7f, 1.0f);
    if (k % 2 == 1) r *= random.Range(0.5f, 0.75f);
    outline.push_back({r * std::cos(angle), r * std::sin(angle), 0});
  }
  const auto shape = [&](Point p, float side) {
    return Point{p.x, p.y, side * thickness / 2 + bend * p.x * p.x + twist * p.x * p.y};
  };
  // Plating coordinates: the plate's own xy turned by a random angle, so each fragment shows
  // another part of the texture.
  const auto map = [&](Point p, float& u, float& v) {
    const float c = std::cos(mapAngle), s = std::sin(mapAngle);
    u = 0.5f + (c * p.x - s * p.y) / 1.25f;
    v = 0.5f + (s * p.x + c * p.y) / 1.25f;
  };
  ModelMesh mesh;
  for (const float side : {1.0f, -1.0f}) {
    float u, v;
    map({}, u, v);
    const std::uint32_t centre = AddVertex(mesh, shape({}, side), u, v);
    for (const Point& p : outline) {
      map(p, u, v);
      AddVertex(mesh, shape(p, side), u, v);
    }
    for (int k = 0; k < n; ++k) {
      const std::uint32_t a = centre + 1 + static_cast<std::uint32_t>(k);
      const std::uint32_t b = centre + 1 + static_cast<std::uint32_t>((k + 1) % n);
      // The outline runs counter-clockwise seen from +z: the top keeps that order, the
      // bottom faces the other way.
      if (side > 0) {
        mesh.faces.push_back({centre, a, b});
      } else {
        mesh.faces.push_back({centre, b, a});
      }
    }
  }
  for (int k = 0; k < n; ++k) {
    const Point& p = outline[static_cast<std::size_t>(k)];
    const Point& q = outline[static_cast<std::size_t>((k + 1) % n)];
    float pu, pv, qu, qv;
    map(p, pu, pv);
    map(q, qu, qv);
    const std::uint32_t topP = AddVertex(mesh, shape(p, 1), pu, pv);
    const std::uint32_t bottomP = AddVertex(mesh, shape(p, -1), pu, pv + 0.03f);
    const std::uint32_t bottomQ = AddVertex(mesh, shape(q, -1), qu, qv + 0.03f);
    const std::uint32_t topQ = AddVertex(mesh, shape(q, 1), qu, qv);
    mesh.faces.push_back({topP, bottomP, bottomQ});
    mesh.faces.push_back({topP, bottomQ, topQ});
  }
  return mesh;
}

// A chunk of structure: a coarse sphere whose vertices are pushed in by random amounts and
// squashed, split per face so it looks faceted. Every vertex moves along its own ray from the
// centre, so the faces keep the outward winding they have on the sphere.
ModelMesh Chunk(std::uint32_t seed, float radius) {
  Sequence random(seed);
  constexpr int kStacks = 4, kSlices = 6;
  const Point scale{1.0f, random.Range(0.7f, 0.9f), random.Range(0.55f, 0.75f)};
  std::vector<Point> unit, pushed;
  const auto add = [&](Point direction) {
    unit.push_back(direction);
    const float r = radius * random.Range(0.62f, 1.0f);
    pushed.push_back(
        {direction.x * r * scale.x, direction.y * r * scale.y, direction.z * r * scale.z});
    return static_cast<std::uint32_t>(unit.size() - 1);
  };
  const std::uint32_t north = add({0, 1, 0});
  std::vector<std::uint32_t> rings;
  for (int i = 1; i < kStacks; ++i) {
    const float polar = kPi * static_cast<float>(i) / kStacks;
    for (int j = 0; j < kSlices; ++j) {
      // Every other ring turned by half a slice, so the facets do not line up.
      const float around = 2 * kPi * (static_cast<float>(j) + 0.5f * (i % 2)) / kSlices;
      rings.push_back(add({std::sin(polar) * std::cos(around), std::cos(polar),
                           std::sin(polar) * std::sin(around)}));
    }
  }
  const std::uint32_t south = add({0, -1, 0});
  const auto at = [&](int ring, int slice) {
    return rings[static_cast<std::size_t>(ring * kSlices + (slice % kSlices))];
  };
  std::vector<std::array<std::uint32_t, 3>> triangles;
  for (int j = 0; j < kSlices; ++j) {
    triangles.push_back({north, at(0, j), at(0, j + 1)});
    triangles.push_back({south, at(kStacks - 2, j), at(kStacks - 2, j + 1)});
    for (int i = 0; i + 1 < kStacks - 1; ++i) {
      triangles.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
      triangles.push_back({at(i, j + 1), at(i + 1, j), at(i + 1, j + 1)});
    }
  }
  ModelMesh mesh;
  for (auto& t : triangles) {
    // Wind each triangle outwards, judged on the unit sphere where that is unambiguous.
    const Point a = unit[t[0]], b = unit[t[1]], c = unit[t[2]];
    const Point centroid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
    if (Dot(Cross(b - a, c - a), centroid) < 0) std::swap(t[1], t[2]);
    const Point p = pushed[t[0]], q = pushed[t[1]], r = pushed[t[2]];
    // Box mapping: project on the plane the face is closest to.
    const Point normal = Cross(q - p, r - p);
    const float ax = std::abs(normal.x), ay = std::abs(normal.y), az = std::abs(normal.z);
    const auto uv = [&](Point s, float& u, float& v) {
      const float first = ax >= ay && ax >= az ? s.y : s.x;
      const float second = az >= ax && az >= ay ? s.y : s.z;
      u = 0.5f + first / 1.25f;
      v = 0.5f + second / 1.25f;
    };
    std::array<std::uint32_t, 3> face{};
    for (int k = 0; k < 3; ++k) {
      float u, v;
      const Point s = pushed[t[static_cast<std::size_t>(k)]];
      uv(s, u, v);
      face[static_cast<std::size_t>(k)] = AddVertex(mesh, s, u, v);
    }
    mesh.faces.push_back(face);
  }
  return mesh;
}

// ---- Star tunnel ----

struct TubeLayer {
  float radius;
  float repeats;  // texture repeats along the tube's length
  const char* name;
  int texture;  // StarTunnelLayer number
};

// Radii and length keep the tube well inside the background's frustum (near 1, far 5000)
// whichever way the camera turns: the eye is on the axis, at least 44 units from any wall.
constexpr float kTubeHalfLength = 2600;
constexpr int kTubeSlices = 32, kTubeRings = 40;
constexpr TubeLayer kTubeLayers[] = {
    {260, 2.0f, "StarTunnelOuter", 3},
    {170, 3.0f, "StarTunnelMiddle", 2},
    {110, 4.0f, "StarTunnelInner", 1},
};

ModelMesh Tube(const TubeLayer& layer, int material) {
  ModelMesh mesh;
  mesh.name = layer.name;
  mesh.material = material;
  for (int i = 0; i <= kTubeRings; ++i) {
    const float along = static_cast<float>(i) / kTubeRings;
    const float z = -kTubeHalfLength + 2 * kTubeHalfLength * along;
    // Narrowing towards both ends, so the streaks draw together into the distance instead of
    // ending in a hard rim.
    const float taper = 1 - 0.6f * SmoothStep(0.55f, 1.0f, std::abs(2 * along - 1));
    const float r = layer.radius * taper;
    for (int j = 0; j <= kTubeSlices; ++j) {
      const float u = static_cast<float>(j) / kTubeSlices;
      const float angle = 2 * kPi * u;
      // v grows with z: the frame scrolls v upwards, which moves the streaks towards -z.
      AddVertex(mesh, {r * std::cos(angle), r * std::sin(angle), z}, u, layer.repeats * along);
    }
  }
  const auto at = [](int ring, int slice) {
    return static_cast<std::uint32_t>(ring * (kTubeSlices + 1) + slice);
  };
  for (int i = 0; i < kTubeRings; ++i) {
    for (int j = 0; j < kTubeSlices; ++j) {
      // Counter-clockwise seen from the axis: the tube is seen from inside with culling on.
      mesh.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
      mesh.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
    }
  }
  return mesh;
}

std::vector<AseMaterial> StarTunnelMaterials() {
  std::vector<AseMaterial> materials;
  for (const TubeLayer& layer : kTubeLayers) {
    // The saver takes the self-illumination map as the diffuse map's opacity.
    materials.push_back(
        {layer.name, StarTunnelColourFile(layer.texture), StarTunnelOpacityFile(layer.texture)});
  }
  return materials;
}

std::vector<AseMaterial> DebrisMaterials() {
  return {{"DebrisPlating", DebrisPlatingFile(0), ""}, {"DebrisCharred", DebrisPlatingFile(1), ""}};
}

std::string TwoDigits(int n) {
  return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

}  // namespace

void ComputeNormals(ModelMesh& mesh) {
  std::vector<Point> sums(mesh.vertices.size());
  for (const auto& face : mesh.faces) {
    const Point a = Position(mesh.vertices[face[0]]);
    const Point n =
        Cross(Position(mesh.vertices[face[1]]) - a, Position(mesh.vertices[face[2]]) - a);
    for (std::uint32_t index : face) {
      sums[index] = {sums[index].x + n.x, sums[index].y + n.y, sums[index].z + n.z};
    }
  }
  for (std::size_t i = 0; i < sums.size(); ++i) {
    const float length = std::sqrt(Dot(sums[i], sums[i]));
    ModelVertex& v = mesh.vertices[i];
    if (length > 0) {
      v.nx = sums[i].x / length;
      v.ny = sums[i].y / length;
      v.nz = sums[i].z / length;
    }
  }
}

ModelMesh UniBillboard() {
  ModelMesh mesh;
  mesh.name = "UniBillboard";
  AddQuad(mesh, {1, 0, 0}, {0, 1, 0});
  ComputeNormals(mesh);
  return mesh;
}

ModelMesh TriBillboard() {
  // Each quad is single-sided: every pass that draws billboards (effects, torpedoes, lens
  // flare) turns face culling off, and a second, reversed copy would only double the light
  // where the images are blended.
  ModelMesh mesh;
  mesh.name = "TriBillboard";
  AddQuad(mesh, {1, 0, 0}, {0, 1, 0});   // xy plane, facing +z
  AddQuad(mesh, {0, 0, -1}, {0, 1, 0});  // yz plane, facing +x
  AddQuad(mesh, {1, 0, 0}, {0, 0, -1});  // xz plane, facing +y
  ComputeNormals(mesh);
  return mesh;
}

std::vector<ModelMesh> StarTunnel() {
  std::vector<ModelMesh> meshes;
  int material = 0;
  for (const TubeLayer& layer : kTubeLayers) {
    meshes.push_back(Tube(layer, material++));
    // Facing the axis.
    for (ModelVertex& v : meshes.back().vertices) {
      const float r = std::hypot(v.x, v.y);
      v.nx = -v.x / r;
      v.ny = -v.y / r;
      v.nz = 0;
    }
  }
  return meshes;
}

std::vector<ModelMesh> DebrisFragments() {
  // Plates of torn hull and chunks of the structure beneath; most plates keep their plating,
  // the chunks and one plate are charred.
  struct Piece {
    bool plate;
    float radius;
    int material;
  };
  constexpr Piece kPieces[] = {
      {true, 0.5f, 0},  {true, 0.38f, 0},  {false, 0.26f, 1}, {true, 0.3f, 1},
      {true, 0.55f, 0}, {false, 0.21f, 1}, {true, 0.24f, 0},  {false, 0.3f, 1},
  };
  std::vector<ModelMesh> meshes;
  std::uint32_t seed = 500;
  for (const Piece& piece : kPieces) {
    ModelMesh mesh = piece.plate ? TornPlate(seed, piece.radius) : Chunk(seed, piece.radius);
    ++seed;
    Centre(mesh);
    ComputeNormals(mesh);
    mesh.name = "Debris" + TwoDigits(static_cast<int>(meshes.size()) + 1);
    mesh.material = piece.material;
    meshes.push_back(std::move(mesh));
  }
  return meshes;
}

std::vector<SceneryFile> SceneryFiles() {
  return {
      {"UniBillboard.ase", EncodeAse({UniBillboard()}, {}, "Ironwood unit billboard")},
      {"TriBillboard.ase", EncodeAse({TriBillboard()}, {}, "Ironwood crossed billboard")},
      {"StarTunnel.ase", EncodeAse(StarTunnel(), StarTunnelMaterials(), "Ironwood star tunnel")},
      {"Debris.ase", EncodeAse(DebrisFragments(), DebrisMaterials(), "Ironwood debris")},
      {"LensFlare.lsf", LensFlareDescription()},
  };
}

bool WriteScenery(const std::string& folder, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code failure;
  fs::create_directories(folder, failure);
  if (failure) {
    if (error != nullptr) *error = "cannot create " + folder + ": " + failure.message();
    return false;
  }
  for (const SceneryFile& file : SceneryFiles()) {
    const fs::path path = fs::path(folder) / file.name;
    if (!WriteFile(path.string(), Bytes(file.contents.begin(), file.contents.end()))) {
      if (error != nullptr) *error = "cannot write " + path.string();
      return false;
    }
  }
  return true;
}

}  // namespace ironwood::assetgen
