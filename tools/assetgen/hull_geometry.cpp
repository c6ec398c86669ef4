#include "tools/assetgen/hull_geometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

namespace ironwood::assetgen {

Profile SuperEllipse(int points, float power) {
  Profile profile;
  for (int i = 0; i < points; ++i) {
    const float angle =
        2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(points);
    const float c = std::cos(angle), s = std::sin(angle);
    const float e = 2.0f / power;
    profile.push_back(
        {std::copysign(std::pow(std::abs(c), e), c), std::copysign(std::pow(std::abs(s), e), s)});
  }
  return profile;
}

Profile Polygon(const Profile& corners, int perEdge) {
  Profile profile;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const auto& a = corners[i];
    const auto& b = corners[(i + 1) % corners.size()];
    for (int k = 0; k < perEdge; ++k) {
      const float t = static_cast<float>(k) / static_cast<float>(perEdge);
      profile.push_back({a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t});
    }
  }
  return profile;
}

RawMesh Loft(const Profile& profile, const std::vector<Section>& sections, LoftCap rear,
             LoftCap front) {
  RawMesh mesh;
  const auto k = static_cast<std::uint32_t>(profile.size());
  const auto rings = static_cast<std::uint32_t>(sections.size());
  for (const Section& s : sections) {
    for (const auto& p : profile)
      mesh.positions.push_back({s.cx + s.w * p[0], s.cy + s.h * p[1], s.z});
  }
  for (std::uint32_t i = 0; i + 1 < rings; ++i) {
    for (std::uint32_t j = 0; j < k; ++j) {
      const std::uint32_t a = i * k + j, b = i * k + (j + 1) % k;
      const std::uint32_t c = b + k, d = a + k;
      mesh.faces.push_back({a, b, c});
      mesh.faces.push_back({a, c, d});
    }
  }
  // The rear cap faces -z, the front cap +z: the fans run in opposite directions.
  auto cap = [&](const Section& s, const LoftCap& end, std::uint32_t ring, bool isFront) {
    const auto centre = static_cast<std::uint32_t>(mesh.positions.size());
    mesh.positions.push_back(end.pointed ? end.tip : Vec3{s.cx, s.cy, s.z});
    for (std::uint32_t j = 0; j < k; ++j) {
      const std::uint32_t a = ring * k + j, b = ring * k + (j + 1) % k;
      if (isFront) {
        mesh.faces.push_back({centre, a, b});
      } else {
        mesh.faces.push_back({centre, b, a});
      }
    }
  };
  cap(sections.front(), rear, 0, false);
  cap(sections.back(), front, rings - 1, true);
  return mesh;
}

RawMesh BevelBox(Vec3 centre, Vec3 half, float bevel) {
  if (bevel <= 0) {
    const Profile square = {{1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
    return Loft(square, {{centre.z - half.z, centre.x, centre.y, half.x, half.y},
                         {centre.z + half.z, centre.x, centre.y, half.x, half.y}});
  }
  const float bx = bevel / half.x, by = bevel / half.y;
  const Profile chamfered = {{1, -(1 - by)}, {1, 1 - by},     {1 - bx, 1},     {-(1 - bx), 1},
                             {-1, 1 - by},   {-1, -(1 - by)}, {-(1 - bx), -1}, {1 - bx, -1}};
  const float ix = half.x - bevel, iy = half.y - bevel;
  return Loft(chamfered, {{centre.z - half.z, centre.x, centre.y, ix, iy},
                          {centre.z - half.z + bevel, centre.x, centre.y, half.x, half.y},
                          {centre.z + half.z - bevel, centre.x, centre.y, half.x, half.y},
                          {centre.z + half.z, centre.x, centre.y, ix, iy}});
}

Mat3 RotationX(float degrees) {
  const float r = degrees * std::numbers::pi_v<float> / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  return {1, 0, 0, 0, c, -s, 0, s, c};
}
Mat3 RotationY(float degrees) {
  const float r = degrees * std::numbers::pi_v<float> / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  return {c, 0, s, 0, 1, 0, -s, 0, c};
}
Mat3 RotationZ(float degrees) {
  const float r = degrees * std::numbers::pi_v<float> / 180.0f;
  const float c = std::cos(r), s = std::sin(r);
  return {c, -s, 0, s, c, 0, 0, 0, 1};
}
Mat3 operator*(const Mat3& a, const Mat3& b) {
  Mat3 m{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < 3; ++k) m[i * 3 + j] += a[i * 3 + k] * b[k * 3 + j];
    }
  }
  return m;
}

RawMesh Transformed(const RawMesh& mesh, const Mat3& m, Vec3 offset) {
  RawMesh out;
  for (const Vec3& p : mesh.positions) {
    out.positions.push_back({m[0] * p.x + m[1] * p.y + m[2] * p.z + offset.x,
                             m[3] * p.x + m[4] * p.y + m[5] * p.z + offset.y,
                             m[6] * p.x + m[7] * p.y + m[8] * p.z + offset.z});
  }
  const float det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                    m[2] * (m[3] * m[7] - m[4] * m[6]);
  out.faces = mesh.faces;
  if (det < 0) {
    for (auto& f : out.faces) std::swap(f[1], f[2]);
  }
  return out;
}

RawMesh Translated(const RawMesh& mesh, Vec3 offset) {
  return Transformed(mesh, {1, 0, 0, 0, 1, 0, 0, 0, 1}, offset);
}

RawMesh MirroredX(const RawMesh& mesh) {
  return Transformed(mesh, {-1, 0, 0, 0, 1, 0, 0, 0, 1});
}

RawMesh WithMirror(const RawMesh& mesh) {
  RawMesh both = mesh;
  Append(both, MirroredX(mesh));
  return both;
}

void Append(RawMesh& into, const RawMesh& part) {
  const auto base = static_cast<std::uint32_t>(into.positions.size());
  into.positions.insert(into.positions.end(), part.positions.begin(), part.positions.end());
  for (const auto& f : part.faces) into.faces.push_back({f[0] + base, f[1] + base, f[2] + base});
}

ModelMesh Finish(const RawMesh& mesh, const std::string& name, float creaseDegrees,
                 const UvProjection& project, int pairIndex) {
  const std::size_t faceCount = mesh.faces.size();
  std::vector<Vec3> weighted(faceCount), unit(faceCount);
  std::vector<std::vector<std::uint32_t>> around(mesh.positions.size());
  for (std::size_t f = 0; f < faceCount; ++f) {
    const auto& face = mesh.faces[f];
    const Vec3 a = mesh.positions[face[0]], b = mesh.positions[face[1]],
               c = mesh.positions[face[2]];
    weighted[f] = Cross(b - a, c - a);
    unit[f] = Normalized(weighted[f]);
    for (std::uint32_t corner : face) around[corner].push_back(static_cast<std::uint32_t>(f));
  }
  const float cosCrease = std::cos(creaseDegrees * std::numbers::pi_v<float> / 180.0f);
  ModelMesh out;
  out.name = name;
  out.material = pairIndex;
  // Corners are merged on exact position and on normal and coordinate rounded finely enough
  // that only genuinely equal values meet.
  std::map<std::tuple<std::uint32_t, long, long, long, long, long>, std::uint32_t> vertexOf;
  for (std::size_t f = 0; f < faceCount; ++f) {
    std::array<std::uint32_t, 3> indices{};
    for (int c = 0; c < 3; ++c) {
      const std::uint32_t p = mesh.faces[f][c];
      Vec3 sum;
      for (std::uint32_t g : around[p]) {
        if (Dot(unit[g], unit[f]) >= cosCrease) sum = sum + weighted[g];
      }
      Vec3 n = Normalized(sum);
      if (Length(n) == 0) n = Length(unit[f]) > 0 ? unit[f] : Vec3{0, 1, 0};
      const Vec3 position = mesh.positions[p];
      const auto uv = project(position, unit[f]);
      const auto key = std::make_tuple(p, std::lround(n.x * 1e4f), std::lround(n.y * 1e4f),
                                       std::lround(n.z * 1e4f), std::lround(uv[0] * 1e5f),
                                       std::lround(uv[1] * 1e5f));
      const auto found = vertexOf.find(key);
      if (found != vertexOf.end()) {
        indices[c] = found->second;
        continue;
      }
      const auto index = static_cast<std::uint32_t>(out.vertices.size());
      vertexOf.emplace(key, index);
      out.vertices.push_back({position.x, position.y, position.z, n.x, n.y, n.z, uv[0], uv[1]});
      indices[c] = index;
    }
    out.faces.push_back(indices);
  }
  return out;
}

bool CastRay(const std::vector<ModelMesh>& meshes, Vec3 origin, Vec3 direction, Vec3* hit,
             Vec3* normal) {
  float best = 1e30f;
  bool found = false;
  for (const ModelMesh& mesh : meshes) {
    for (const auto& face : mesh.faces) {
      const ModelVertex& va = mesh.vertices[face[0]];
      const ModelVertex& vb = mesh.vertices[face[1]];
      const ModelVertex& vc = mesh.vertices[face[2]];
      const Vec3 a{va.x, va.y, va.z}, b{vb.x, vb.y, vb.z}, c{vc.x, vc.y, vc.z};
      const Vec3 e1 = b - a, e2 = c - a;
      const Vec3 p = Cross(direction, e2);
      const float det = Dot(e1, p);
      if (std::abs(det) < 1e-12f) continue;
      const float inv = 1.0f / det;
      const Vec3 s = origin - a;
      const float u = Dot(s, p) * inv;
      if (u < 0 || u > 1) continue;
      const Vec3 q = Cross(s, e1);
      const float v = Dot(direction, q) * inv;
      if (v < 0 || u + v > 1) continue;
      const float t = Dot(e2, q) * inv;
      if (t <= 1e-6f || t >= best) continue;
      best = t;
      found = true;
      if (hit != nullptr) *hit = origin + direction * t;
      if (normal != nullptr) *normal = Normalized(Cross(e1, e2));
    }
  }
  return found;
}

double SignedVolume6(const ModelMesh& mesh) {
  double sum = 0;
  for (const auto& face : mesh.faces) {
    const ModelVertex& a = mesh.vertices[face[0]];
    const ModelVertex& b = mesh.vertices[face[1]];
    const ModelVertex& c = mesh.vertices[face[2]];
    const double cx = static_cast<double>(b.y) * c.z - static_cast<double>(b.z) * c.y;
    const double cy = static_cast<double>(b.z) * c.x - static_cast<double>(b.x) * c.z;
    const double cz = static_cast<double>(b.x) * c.y - static_cast<double>(b.y) * c.x;
    sum += a.x * cx + a.y * cy + a.z * cz;
  }
  return sum;
}

}  // namespace ironwood::assetgen
