// A tiny software rasteriser for looking at the generated hulls: orthographic, depth-buffered,
// textured with the class's hull texture and shaded by the interpolated normal.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/assetgen/font.h"
#include "tools/assetgen/hull_geometry.h"
#include "tools/assetgen/ships.h"

namespace ironwood::assetgen {

namespace {

constexpr int kCell = 230;
constexpr int kLabelWidth = 170;
constexpr int kMargin = 12;

Vec3 Apply(const Mat3& m, const std::array<float, 3>& p) {
  return {m[0] * p[0] + m[1] * p[1] + m[2] * p[2], m[3] * p[0] + m[4] * p[1] + m[5] * p[2],
          m[6] * p[0] + m[7] * p[1] + m[8] * p[2]};
}

// Draws the hull into the cell at (left, top). The view matrix's rows give screen right,
// screen up and the direction towards the viewer.
void DrawHull(Canvas& canvas, const ShipClassAsset& ship, const Mat3& view, int left, int top,
              float scale) {
  std::vector<float> depth(static_cast<std::size_t>(kCell) * kCell, -1e30f);
  const Vec3 light = Normalized({-0.45f, 0.6f, 0.65f});
  const Canvas& texture = ship.hullTexture;
  const float half = kCell / 2.0f;
  for (const PluginMesh& mesh : ship.plugin.meshes) {
    std::vector<Vec3> screen, normals;
    for (const PluginVertex& v : mesh.vertices) {
      const Vec3 p = Apply(view, v.position);
      screen.push_back({half + p.x * scale, half - p.y * scale, p.z});
      normals.push_back(Apply(view, v.normal));
    }
    for (const auto& tri : mesh.triangles) {
      const Vec3 a = screen[tri[0]], b = screen[tri[1]], c = screen[tri[2]];
      const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
      if (std::abs(area) < 1e-8f) continue;
      const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
      const int x1 = std::min(kCell - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
      const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
      const int y1 = std::min(kCell - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
      for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
          const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
          const float w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
          const float w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
          const float w2 = 1 - w0 - w1;
          if (w0 < 0 || w1 < 0 || w2 < 0) continue;
          const float z = w0 * a.z + w1 * b.z + w2 * c.z;
          float& stored = depth[static_cast<std::size_t>(y) * kCell + x];
          if (z <= stored) continue;
          stored = z;
          const PluginVertex& va = mesh.vertices[tri[0]];
          const PluginVertex& vb = mesh.vertices[tri[1]];
          const PluginVertex& vc = mesh.vertices[tri[2]];
          const float u = w0 * va.texCoord[0] + w1 * vb.texCoord[0] + w2 * vc.texCoord[0];
          const float v = w0 * va.texCoord[1] + w1 * vb.texCoord[1] + w2 * vc.texCoord[1];
          Vec3 n = Normalized(normals[tri[0]] * w0 + normals[tri[1]] * w1 + normals[tri[2]] * w2);
          if (n.z < 0) n = n * -1.0f;  // a face seen from behind (the mirrored views)
          const float lambert = std::max(0.0f, Dot(n, light));
          const Rgba t = texture.Sample(u * texture.width(), (1 - v) * texture.height());
          const float shade = 0.25f + 0.75f * lambert;
          canvas.at(left + x, top + y) = {t.r * shade, t.g * shade, t.b * shade, 1};
        }
      }
    }
  }
}

// The shield's outline in a view along an axis: semi-axes `across` and `up` in model units.
void DrawEllipse(Canvas& canvas, int left, int top, float across, float up, float scale,
                 Rgba colour) {
  const float half = kCell / 2.0f;
  for (int i = 0; i < 720; ++i) {
    const float t = static_cast<float>(i) / 720 * 6.2831853f;
    const int x = left + static_cast<int>(half + std::cos(t) * across * scale);
    const int y = top + static_cast<int>(half - std::sin(t) * up * scale);
    if (x >= left && x < left + kCell && y >= top && y < top + kCell)
      canvas.Over(x, y, colour, 0.6f);
  }
}

}  // namespace

Canvas ShipPreview(const std::vector<ShipClassAsset>& classes) {
  const int width = kMargin * 2 + kLabelWidth + 3 * kCell + 2 * kMargin;
  const int height = kMargin + static_cast<int>(classes.size()) * (kCell + kMargin);
  Canvas canvas(width, height, {0.07f, 0.08f, 0.1f, 1});
  // Rows give screen right, screen up, towards the viewer.
  const Mat3 top = {1, 0, 0, 0, 0, 1, 0, 1, 0};        // nose up, seen from above
  const Mat3 side = {0, 0, 1, 0, 1, 0, 1, 0, 0};       // nose right, seen from +x
  const Mat3 quarter = RotationX(25) * RotationY(60);  // from above, ahead, +x side
  const TextStyle big{3, 1, 0}, small{2, 1, 0};
  for (std::size_t i = 0; i < classes.size(); ++i) {
    const ShipClassAsset& ship = classes[i];
    const int rowTop = kMargin + static_cast<int>(i) * (kCell + kMargin);
    const auto& axes = ship.plugin.shieldAxes;
    const float radius = std::max({axes[0], axes[1], axes[2]});
    const float scale = kCell * 0.47f / radius;
    char line[64];
    DrawText(canvas, ship.name, kMargin, static_cast<float>(rowTop + 8), big,
             {0.9f, 0.92f, 0.95f, 1});
    std::snprintf(line, sizeof line, "ALLIANCE %d", ship.alliance);
    DrawText(canvas, line, kMargin, static_cast<float>(rowTop + 40), small, {0.7f, 0.74f, 0.8f, 1});
    DrawText(canvas, ship.role, kMargin, static_cast<float>(rowTop + 60), small,
             {0.7f, 0.74f, 0.8f, 1});
    std::snprintf(line, sizeof line, "RADIUS %.2f", static_cast<double>(radius));
    DrawText(canvas, line, kMargin, static_cast<float>(rowTop + 80), small, {0.7f, 0.74f, 0.8f, 1});
    std::snprintf(line, sizeof line, "MESHES %zu", ship.plugin.meshes.size());
    DrawText(canvas, line, kMargin, static_cast<float>(rowTop + 100), small,
             {0.7f, 0.74f, 0.8f, 1});
    const Mat3 views[] = {top, side, quarter};
    for (int v = 0; v < 3; ++v) {
      const int left = kMargin + kLabelWidth + v * (kCell + kMargin);
      for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) canvas.at(left + x, rowTop + y) = {0.13f, 0.14f, 0.17f, 1};
      }
      DrawHull(canvas, ship, views[v], left, rowTop, scale);
      const Rgba outline =
          ship.alliance == 1 ? Rgba{0.3f, 0.6f, 1.0f, 1} : Rgba{1.0f, 0.5f, 0.2f, 1};
      if (v == 0) DrawEllipse(canvas, left, rowTop, axes[0], axes[2], scale, outline);
      if (v == 1) DrawEllipse(canvas, left, rowTop, axes[2], axes[1], scale, outline);
    }
  }
  return canvas;
}

}  // namespace ironwood::assetgen
