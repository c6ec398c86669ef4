// Turntable pictures of a ship plug-in, drawn the way the saver draws a class: the saver's
// renderer starts OpenGL on an EGL pbuffer of one view (initial state included), the saver's
// loader reads the plug-in and uploads its textures, and each view draws the intact hull as the
// hull pass does, the shield bubble faintly over it and the weapon mounts as markers. Each view is
// read back and placed in one sheet.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/settings.h"
#include "platform/gl_system.h"
#include "platform/headless/memory_settings_store.h"
#include "platform/linux/egl_target.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"
#include "saver/battle/ship_class.h"
#include "glapi/frame_capture.h"
#include "glapi/gl_table.h"
#include "saver/gl/renderer.h"
#include "saver/core/log_sink.h"
#include "tools/as3tool/inputs.h"
#include "tools/as3tool/render.h"
#include "tools/assetgen/font.h"
#include "tools/png/png_encoder.h"

namespace ironwood::as3tool {
namespace {

// The saver's frustum reaches +-0.3333 at distance 1 vertically; the square views keep that
// field of view in both directions.
constexpr double kHalfExtent = 0.3333;
constexpr float kElevationDegrees = 20;  // seen from above by this much
constexpr double kMargin = 1.08;         // the bounding sphere just inside the frame
constexpr float kShieldAlpha = 0.18f;
// Marker sizes as parts of the ship's radius.
constexpr float kMarkerSize = 0.03f;
constexpr float kAimLength = 0.25f;
constexpr float kHiddenBrightness = 0.35f;  // markers behind the hull show dimmed

struct Colour {
  float r, g, b;
};
constexpr Colour kPhaserColour{1.0f, 0.3f, 0.15f};
constexpr Colour kTorpedoColour{0.25f, 1.0f, 0.35f};

// The radius around the model origin that holds the shield ellipsoid and every hull vertex, so a
// hull poking out of its shield is still seen whole. 1 for a class with nothing finite in it.
double ShipRadius(const ShipClass& ship) {
  double radius = 0;
  for (float axis : ship.shieldAxes()) {
    if (std::isfinite(axis)) radius = std::max(radius, std::fabs(double{axis}));
  }
  for (const Mesh& mesh : ship.meshes()) {
    for (std::size_t i = 0; i + 2 < mesh.positions.size(); i += 3) {
      const double x = mesh.positions[i], y = mesh.positions[i + 1], z = mesh.positions[i + 2];
      const double r = std::sqrt(x * x + y * y + z * z);
      if (std::isfinite(r)) radius = std::max(radius, r);
    }
  }
  return radius > 0 ? radius : 1.0;
}

// The hull as the hull pass draws an intact class: per mesh, its first texture bound on unit 0,
// the mesh drawn inside the ship transform, unit 1 left disabled. No blending, no alpha test, no
// lighting; the renderer's initial state already says so.
void DrawHull(const ShipClass& ship, const Placement& placement, TextureNamePool& pool,
              const MeshDrawCaps& caps) {
  gl.glColor4f(1, 1, 1, 1);
  for (const Mesh& mesh : ship.meshes()) {
    if (caps.multitexture) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    if (mesh.texture != nullptr) mesh.texture->Bind(pool);
    DrawPlaced(placement, [&] { DrawMesh(mesh, caps); });
    if (caps.multitexture) {
      gl.glActiveTextureARB(GL_TEXTURE1_ARB);
      gl.glDisable(GL_TEXTURE_2D);
    }
  }
  if (caps.multitexture) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
}

// The bubble with its texture at a low alpha, blended as the shield pass blends: both sides, no
// depth writes, so the hull shows through it.
void DrawShield(const ShipClass& ship, const Placement& placement, TextureNamePool& pool,
                const MeshDrawCaps& caps) {
  Texture* texture = ship.shieldTexture();
  if (texture == nullptr || ship.shieldModel().faceCount == 0) return;
  texture->Bind(pool);
  gl.glEnable(GL_BLEND);
  gl.glDepthMask(GL_FALSE);
  gl.glDisable(GL_CULL_FACE);
  gl.glColor4f(1, 1, 1, kShieldAlpha);
  DrawPlaced(placement, [&] { DrawMesh(ship.shieldModel(), caps); });
  gl.glColor4f(1, 1, 1, 1);
  gl.glEnable(GL_CULL_FACE);
  gl.glDepthMask(GL_TRUE);
  gl.glDisable(GL_BLEND);
}

// A small octahedron at each mount and a line along its aim (normalised, so long aim vectors do
// not reach across the picture; a zero aim gets no line).
void DrawMountShapes(const ShipClass& ship, float radius, float brightness) {
  const float s = radius * kMarkerSize;
  const float reach = radius * kAimLength;
  struct Kind {
    int count;
    const WeaponMount& (ShipClass::*mount)(int) const;
    Colour colour;
  };
  const Kind kinds[] = {{ship.phaserMountCount(), &ShipClass::phaserMount, kPhaserColour},
                        {ship.torpedoMountCount(), &ShipClass::torpedoMount, kTorpedoColour}};
  for (const Kind& kind : kinds) {
    gl.glColor4f(kind.colour.r * brightness, kind.colour.g * brightness,
                 kind.colour.b * brightness, 1);
    for (int i = 0; i < kind.count; ++i) {
      const WeaponMount& mount = (ship.*kind.mount)(i);
      const auto& p = mount.position;
      const std::array<std::array<float, 3>, 6> tips = {{{p[0] + s, p[1], p[2]},
                                                          {p[0] - s, p[1], p[2]},
                                                          {p[0], p[1] + s, p[2]},
                                                          {p[0], p[1] - s, p[2]},
                                                          {p[0], p[1], p[2] + s},
                                                          {p[0], p[1], p[2] - s}}};
      gl.glBegin(GL_TRIANGLES);
      for (int xi : {0, 1}) {
        for (int yi : {2, 3}) {
          for (int zi : {4, 5}) {
            for (int tip : {xi, yi, zi}) gl.glVertex3f(tips[tip][0], tips[tip][1], tips[tip][2]);
          }
        }
      }
      gl.glEnd();
      const auto& a = mount.aim;
      const float length = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
      if (length > 0 && std::isfinite(length)) {
        const float k = reach / length;
        gl.glBegin(GL_LINES);
        gl.glVertex3f(p[0], p[1], p[2]);
        gl.glVertex3f(p[0] + a[0] * k, p[1] + a[1] * k, p[2] + a[2] * k);
        gl.glEnd();
      }
    }
  }
}

// Mounts hidden behind the hull first, dimmed and over everything, then the visible ones at full
// colour, so a mount sunk into the hull shows as dim only.
void DrawMounts(const ShipClass& ship, const Placement& placement, float radius) {
  gl.glDisable(GL_TEXTURE_2D);
  gl.glDisable(GL_CULL_FACE);
  DrawPlaced(placement, [&] {
    gl.glDisable(GL_DEPTH_TEST);
    DrawMountShapes(ship, radius, kHiddenBrightness);
    gl.glEnable(GL_DEPTH_TEST);
    DrawMountShapes(ship, radius, 1.0f);
  });
  gl.glColor4f(1, 1, 1, 1);
  gl.glEnable(GL_CULL_FACE);
  gl.glEnable(GL_TEXTURE_2D);
}

// A square frustum with the saver's vertical field of view, tight around the bounding sphere at
// `distance` for depth precision.
void SetProjection(double distance, double radius) {
  const double nearPlane = std::max((distance - radius) * 0.5, distance * 1e-3);
  const double farPlane = distance + radius * 2;
  gl.glMatrixMode(GL_PROJECTION);
  gl.glLoadIdentity();
  gl.glFrustum(-kHalfExtent * nearPlane, kHalfExtent * nearPlane, -kHalfExtent * nearPlane,
               kHalfExtent * nearPlane, nearPlane, farPlane);
  gl.glMatrixMode(GL_MODELVIEW);
}

// Starts the saver's renderer on an EGL pbuffer of side x side and runs `draw` with a texture
// pool; false with the fault (which names `name`) when OpenGL cannot start or `draw` fails.
template <typename Draw>
bool WithOffscreenGl(const std::string& name, int side, std::string* error, Draw draw) {
  std::string why;
  if (!platform::EglTarget::LibraryAvailable(&why)) {
    *error = name + ": cannot draw here: " + why;
    return false;
  }
  NullLog log;  // the messages that matter come back through `error`
  platform::MemorySettingsStore settings;
  // The pictures are read straight from the pbuffer, which a multisampled frame only reaches
  // at a swap.
  settings::WriteFlag(settings, settings::kMultisampling, false);
  std::unique_ptr<platform::EglTarget> target = platform::EglTarget::Offscreen(side, side);
  Renderer renderer(platform::SystemGl(), log);
  if (!renderer.Start(target.get(), side, side, settings)) {
    const std::string& detail = !target->LastError().empty()
                                    ? target->LastError()
                                    : renderer.Binding().FailureDetail();
    *error = name + ": cannot draw here: OpenGL did not start" +
             (detail.empty() ? "" : ": " + detail);
    return false;
  }
  const MeshDrawCaps caps{renderer.MultitextureAvailable(),
                          renderer.CompiledVertexArraysAvailable()};
  bool drawn = false;
  {
    // The classes' textures go back to the pool before the pool goes.
    TextureNamePool pool(caps.multitexture);
    drawn = draw(renderer, pool, caps);
  }
  renderer.Shutdown();
  return drawn;
}

// The distance at which a sphere of `radius` just fits the view.
double ViewDistance(double radius) { return radius * kMargin / std::sin(std::atan(kHalfExtent)); }

// One view of the ship turned to `heading`, copied into `sheet` at cell (column, row). False
// with the fault, naming `name`.
bool DrawView(const ShipClass& ship, const std::string& name, float heading, double distance,
              double radius, TextureNamePool& pool, const MeshDrawCaps& caps, int side,
              int column, int row, RgbImage* sheet, std::string* error) {
  gl.glClearColor(0, 0, 0, 0);
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gl.glLoadIdentity();
  gl.glTranslated(0, 0, -distance);
  gl.glRotatef(kElevationDegrees, 1, 0, 0);
  Placement placement;
  placement.heading = heading;
  DrawHull(ship, placement, pool, caps);
  DrawShield(ship, placement, pool, caps);
  DrawMounts(ship, placement, static_cast<float>(radius));
  const GLenum fault = gl.glGetError();
  if (fault != GL_NO_ERROR) {
    *error = name + ": OpenGL error " + std::to_string(fault) + " while drawing";
    return false;
  }
  std::string why;
  const RgbImage image = CaptureFrame(side, side, &why);
  if (image.width != side || image.height != side) {
    *error = name + ": could not read a view back: " + why;
    return false;
  }
  const std::size_t line = static_cast<std::size_t>(side) * 3;
  const std::size_t left = static_cast<std::size_t>(column) * line;
  const std::size_t top = static_cast<std::size_t>(row) * side;
  for (int y = 0; y < side; ++y) {
    std::copy_n(image.rgb.begin() + static_cast<std::ptrdiff_t>(line * y), line,
                sheet->rgb.begin() + static_cast<std::ptrdiff_t>(
                                         (top + y) * sheet->width * 3 + left));
  }
  return true;
}

// Draws every view of the plug-in at `options.input` into `sheet`. False with the fault, which
// names the file.
bool RenderTurntable(const RenderOptions& options, RgbImage* sheet, std::string* error) {
  const int side = options.size;
  return WithOffscreenGl(options.input, side, error, [&](Renderer& renderer,
                                                          TextureNamePool& pool,
                                                          const MeshDrawCaps& caps) {
    ShipClass ship;
    std::string why;
    if (!ship.Load(options.input, pool, renderer.TextureLevel(), false, &why)) {
      *error = why;  // names the file
      return false;
    }
    const double radius = ShipRadius(ship);
    const double distance = ViewDistance(radius);
    SetProjection(distance, radius);
    const int columns = SheetColumns(options.frames);
    sheet->width = columns * side;
    sheet->height = SheetRows(options.frames) * side;
    sheet->rgb.assign(static_cast<std::size_t>(sheet->width) * sheet->height * 3, 0);
    for (int view = 0; view < options.frames; ++view) {
      const float heading = 360.0f * static_cast<float>(view) / static_cast<float>(options.frames);
      if (!DrawView(ship, options.input, heading, distance, radius, pool, caps, side,
                    view % columns, view / columns, sheet, error)) {
        return false;
      }
    }
    return true;
  });
}

constexpr int kLabelHeight = 16;
constexpr float kComparisonHeadings[2] = {135, 90};  // three-quarter from the front, the side

// The file's name (without ".as3") and the hull's length, light grey in the strip below its
// column.
void Label(const std::string& path, const ShipClass& ship, int column, int side,
           RgbImage* sheet) {
  float low = 1e30f, high = -1e30f;
  for (const Mesh& mesh : ship.meshes()) {
    for (std::size_t i = 2; i < mesh.positions.size(); i += 3) {
      if (!std::isfinite(mesh.positions[i])) continue;
      low = std::min(low, mesh.positions[i]);
      high = std::max(high, mesh.positions[i]);
    }
  }
  std::string text = std::filesystem::path(path).stem().string();
  if (high >= low) {
    char length[32];
    std::snprintf(length, sizeof length, " L %.1f", static_cast<double>(high - low));
    text += length;
  }
  assetgen::TextStyle style;
  style.cell = 1.5f;
  const assetgen::Canvas coverage = assetgen::TextCoverage(side, kLabelHeight, text, 3, 3, style);
  const int top = sheet->height - kLabelHeight;
  for (int y = 0; y < kLabelHeight; ++y) {
    for (int x = 0; x < side; ++x) {
      const float a = std::clamp(coverage.at(x, y).a, 0.0f, 1.0f);
      std::uint8_t* p = &sheet->rgb[(static_cast<std::size_t>(top + y) * sheet->width +
                                     static_cast<std::size_t>(column) * side + x) * 3];
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(p[c] + (210 - p[c]) * a);
    }
  }
}

// Every plug-in of `options.inputs` in a column of its own, all drawn at the scale of the
// largest, so their sizes compare.
bool RenderComparison(const RenderOptions& options, RgbImage* sheet, std::string* error) {
  const int side = options.size;
  return WithOffscreenGl(options.inputs.front(), side, error, [&](Renderer& renderer,
                                                                   TextureNamePool& pool,
                                                                   const MeshDrawCaps& caps) {
    std::vector<std::unique_ptr<ShipClass>> ships;
    double radius = 0;
    for (const std::string& input : options.inputs) {
      auto ship = std::make_unique<ShipClass>();
      std::string why;
      if (!ship->Load(input, pool, renderer.TextureLevel(), false, &why)) {
        *error = why;  // names the file
        return false;
      }
      radius = std::max(radius, ShipRadius(*ship));
      ships.push_back(std::move(ship));
    }
    const double distance = ViewDistance(radius);
    SetProjection(distance, radius);
    const int rows = static_cast<int>(std::size(kComparisonHeadings));
    sheet->width = static_cast<int>(ships.size()) * side;
    sheet->height = rows * side + kLabelHeight;
    sheet->rgb.assign(static_cast<std::size_t>(sheet->width) * sheet->height * 3, 0);
    for (std::size_t i = 0; i < ships.size(); ++i) {
      for (int row = 0; row < rows; ++row) {
        if (!DrawView(*ships[i], options.inputs[i], kComparisonHeadings[row], distance, radius,
                      pool, caps, side, static_cast<int>(i), row, sheet, error)) {
          return false;
        }
      }
      Label(options.inputs[i], *ships[i], static_cast<int>(i), side, sheet);
    }
    return true;
  });
}

}  // namespace

int RenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  RenderOptions options;
  std::string error;
  if (!ParseRenderArguments(args, &options, &error)) {
    err << "as3tool render: " << error << "\n"
        << "usage: as3tool render FILE.as3 OUTPUT.png [--size N] [--frames K]\n"
        << "       as3tool render --sheet FILE.as3... OUTPUT.png [--size N]\n";
    return 2;
  }
  RgbImage sheet;
  if (!(options.sheet ? RenderComparison(options, &sheet, &error)
                      : RenderTurntable(options, &sheet, &error))) {
    err << error << "\n";
    return 1;
  }
  const Bytes png = png::EncodeRgbPng(sheet.width, sheet.height, sheet.rgb);
  if (png.empty() || !WriteFileBytes(options.output, png, &error)) {
    err << options.output << ": " << (png.empty() ? "the picture could not be encoded" : error)
        << "\n";
    return 1;
  }
  if (options.sheet) {
    out << options.output << ": " << options.inputs.size() << " plug-ins side by side at one "
        << "scale, two views of " << options.size << "x" << options.size << " each ("
        << sheet.width << "x" << sheet.height << ")\n";
    return 0;
  }
  out << options.output << ": " << options.frames << (options.frames == 1 ? " view" : " views")
      << " of " << options.size << "x" << options.size << " (" << sheet.width << "x"
      << sheet.height << ")\n";
  return 0;
}

}  // namespace ironwood::as3tool
