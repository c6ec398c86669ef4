#pragma once

// The lens flare: when the scene's light is in front of the camera and on screen, a chain of
// textured screen-space billboards along the line from the light's screen point through the
// screen centre. "LensFlare.lsf" names the textures and lists the elements.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "saver/assets/mesh.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"

namespace ironwood {

class LensFlare {
 public:
  struct NamedTexture {
    std::string name;
    Texture texture;
  };
  struct Element {
    Texture* texture = nullptr;
    float size = 0;      // pixels on a 1280-pixel-wide screen
    float position = 0;  // 0 at the light, -1 at the screen centre, -2 mirrored beyond
  };

  // The fixed scene light the flare belongs to.
  static constexpr float kLightX = 0, kLightY = -220, kLightZ = -1375;
  static constexpr std::size_t kMaxTokenLength = 255;
  // A flare file is a few lines; anything near this size is not one.
  static constexpr std::uintmax_t kMaxFileBytes = 1u << 20;
  // Each texture takes one of a context's 400 texture names.
  static constexpr int kMaxTextures = 400;

  // Reads installation + "LensFlare.lsf" and its textures from "Gfx". False, with the reason in
  // `why`, when the file is missing, not a regular file, larger than kMaxFileBytes, cut short or
  // gives impossible counts, or a texture does not load. An element naming no listed texture is
  // left out and reported in problems() (the first ten, then a count of the rest).
  bool Load(const std::string& installation, std::string* why);

  // Makes one listed texture from its colour and opacity file names (as the file gives them).
  using TextureLoader = std::function<bool(Texture& texture, const std::string& colour,
                                           const std::string& opacity, std::string* why)>;
  // Reads the text of a flare file as Load does, `label` (the file's path) starting each
  // reason, with every listed texture made by `loadTexture`.
  bool Parse(const std::string& text, const std::string& label, const TextureLoader& loadTexture,
             std::string* why);

  // Once per frame before Draw: `applyCamera` multiplies the camera's full transform onto the
  // modelview matrix; `projection` is the projection matrix saved after the OpenGL start.
  void UpdateProjection(const std::function<void()>& applyCamera, const double projection[16]);

  // Draws the chain with opacity 1 - fade on a width x height screen, using the billboard mesh.
  void Draw(float fade, int width, int height, const Mesh& billboard, const MeshDrawCaps& caps,
            TextureNamePool& pool);

  // R = V * P in OpenGL's column-major storage: the camera's view then the projection.
  static void Combine(const double view[16], const double projection[16], double out[16]);
  // The light's projected point (x, y, depth) as the visibility test sees it.
  void LightPoint(double& sx, double& sy, double& sz) const;
  static bool Visible(double sx, double sy, double sz, int width, int height);

  const std::vector<NamedTexture>& textures() const { return textures_; }
  const std::vector<Element>& elements() const { return elements_; }
  const std::vector<std::string>& problems() const { return problems_; }
  const double* matrix() const { return matrix_; }
  // Sets the combined matrix directly (what UpdateProjection computes).
  void SetMatrix(const double matrix[16]) { std::copy(matrix, matrix + 16, matrix_); }

 private:
  std::vector<NamedTexture> textures_;
  std::vector<Element> elements_;
  std::vector<std::string> problems_;
  double matrix_[16] = {};
};

}  // namespace ironwood
