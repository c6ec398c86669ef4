#pragma once

#include <string>

#include "platform/gl_system.h"
#include "platform/render_target.h"
#include "platform/settings_store.h"
#include "saver/gl/gl_binding.h"
#include "saver/core/log_sink.h"

namespace ironwood {

// The saver's one renderer: binds the driver, creates the rendering context on the target, logs
// what the driver reports, decides which extensions to use and sets the initial OpenGL state.
class Renderer {
 public:
  Renderer(platform::GlSystem& system, const LogSink& log) : binding_(system), log_(log) {}
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;
  ~Renderer() { Shutdown(); }

  // Reads the graphics settings and starts OpenGL on the target, logging every step. False on
  // the first failed step (the log then ends with that step's failure text).
  // Samples a pixel asked of the target while the Multisampling setting is on.
  static constexpr int kMultisamplingSamples = 4;

  bool Start(platform::RenderTarget* target, int width, int height,
             platform::SettingsStore& settings);
  // Draws into this part of the window instead of all of it (set before Start): the saver keeps
  // its picture's proportions in a window larger than the picture.
  void SetViewport(int x, int y, int width, int height) {
    viewport_[0] = x;
    viewport_[1] = y;
    viewport_[2] = width;
    viewport_[3] = height;
  }
  // Widens the frustum to the picture's own shape (set before Start): the vertical extent stays
  // that of the 4:3 frustum and the horizontal one follows width / height, so a wide picture
  // shows more of the battle instead of a stretched one. Off: the 4:3 frustum at every size.
  void SetFrustumFollowsShape(bool follows) { frustumFollowsShape_ = follows; }
  // A picture of a new size after Start (the window was resized): the viewport covers all of it
  // and the frustum takes its shape. Sizes below 1 pixel are taken as 1.
  void Resize(int width, int height);
  // The frustum's half-width at the near plane: 0.4444, or 0.3333 x width / height when it
  // follows the shape.
  static constexpr double kHalfHeight = 0.3333;
  static constexpr double kHalfWidth4By3 = 0.4444;
  static double FrustumHalfWidth(bool followsShape, int width, int height);
  // Makes no context current, deletes it and unbinds the libraries. Safe to call again.
  void Shutdown();

  bool S3TCAvailable() const { return s3tc_; }
  int TextureLevel() const { return textureLevel_; }
  bool MultitextureAvailable() const { return multitexture_; }
  bool CompiledVertexArraysAvailable() const { return compiledVertexArrays_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  const std::string& DriverName() const { return driverName_; }
  const std::string& Extensions() const { return extensions_; }
  opengl::Binding& Binding() { return binding_; }

 private:
  void DecideExtensions();
  void SetInitialState() const;
  void SetProjection() const;

  opengl::Binding binding_;
  const LogSink& log_;
  platform::RenderTarget* target_ = nullptr;
  bool bound_ = false;
  bool use3DFX_ = true;
  bool s3tc_ = true;
  int textureLevel_ = 0;
  std::string driverName_;
  int width_ = 0;
  int height_ = 0;
  int viewport_[4] = {0, 0, 0, 0};  // x, y, width, height; a width of 0: the whole window
  bool frustumFollowsShape_ = false;
  bool multitexture_ = true;
  bool compiledVertexArrays_ = true;
  std::string extensions_, renderer_, version_, vendor_;
};

}  // namespace ironwood
