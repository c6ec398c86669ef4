#include "tests/support/plugin_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace ironwood::testing {

PluginTexture PatternTexture(int width, int height, bool alpha, int seed) {
  PluginTexture t{width, height, alpha, {}};
  t.pixels.resize(static_cast<std::size_t>(width) * height * (alpha ? 4 : 3));
  for (std::size_t i = 0; i < t.pixels.size(); ++i) {
    t.pixels[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(seed) * 31);
  }
  return t;
}

PluginTexture SolidTexture(int side, std::array<std::uint8_t, 3> rgb, bool alpha) {
  PluginTexture texture{side, side, alpha, {}};
  for (int i = 0; i < side * side; ++i) {
    texture.pixels.insert(texture.pixels.end(), rgb.begin(), rgb.end());
    if (alpha) texture.pixels.push_back(static_cast<std::uint8_t>(i * 7));
  }
  return texture;
}

PluginMesh StripMesh(std::uint32_t vertices, std::uint32_t pair, float base) {
  PluginMesh m;
  m.pairIndex = pair;
  for (std::uint32_t i = 0; i < vertices; ++i) {
    const float f = base + static_cast<float>(i);
    m.vertices.push_back({{f, 2 * f, -f * f}, {0, 0, 1}, {f / 4, 1 - f / 4}});
  }
  for (std::uint32_t i = 0; i + 2 < vertices; ++i) m.triangles.push_back({i, i + 1, i + 2});
  return m;
}

PluginMesh TriangleMesh(float size) {
  PluginMesh mesh;
  mesh.vertices = {{{0, 0, size}, {0, 1, 0}, {0.5f, 1}},
                   {{-size, 0, -size}, {0, 1, 0}, {0, 0}},
                   {{size, 0, -size}, {0, 1, 0}, {1, 0}}};
  mesh.triangles = {{0, 1, 2}};
  return mesh;
}

PluginMesh BoxMesh(float hx, float hy, float hz) {
  PluginMesh mesh;
  const std::array<float, 3> half = {hx, hy, hz};
  for (int axis = 0; axis < 3; ++axis) {
    for (float sign : {1.0f, -1.0f}) {
      // u x v = the outward normal.
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertices.size());
      const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
      for (const auto& c : corners) {
        PluginVertex vertex;
        vertex.position[axis] = sign * half[axis];
        vertex.position[u] = c[0] * sign * half[u];
        vertex.position[v] = c[1] * half[v];
        vertex.normal[axis] = sign;
        vertex.texCoord = {(c[0] + 1) / 2, (c[1] + 1) / 2};
        mesh.vertices.push_back(vertex);
      }
      mesh.triangles.push_back({first, first + 1, first + 2});
      mesh.triangles.push_back({first, first + 2, first + 3});
    }
  }
  return mesh;
}

PluginModel PatternModel(int seed) {
  return {PatternTexture(4, 4, true, seed), PatternTexture(2, 1, false, seed + 1),
          StripMesh(3, 0, 10.0f * static_cast<float>(seed))};
}

PluginSound PcmSound(std::size_t bytes, int channels) {
  PluginSound s{PcmFormat(channels, 11025), {}};
  for (std::size_t i = 0; i < bytes; ++i) s.data.push_back(static_cast<std::uint8_t>(i * 3 + 1));
  return s;
}

PluginFile FlyingShipPlugin(float angleLimit) {
  PluginFile f;
  f.flight = {30, 0.5f, 40, angleLimit, 0.75f, 20};
  f.textures = {SolidTexture(2, {0x80, 0x80, 0x80}), SolidTexture(2, {0x80, 0x80, 0x80})};
  f.meshes.push_back(StripMesh(3, 0, 0));
  f.shieldAxes = {2, 1, 1};
  f.shieldStrength = 80;
  f.shield = PatternModel(1);
  return f;
}

Bytes EncodePlugin(const PluginFile& file) {
  std::string error;
  Bytes bytes = EncodePluginFile(file, &error);
  if (bytes.empty()) ADD_FAILURE() << "the test's plug-in is refused: " << error;
  return bytes;
}

}  // namespace ironwood::testing
