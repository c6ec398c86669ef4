#include "saver/gl/renderer.h"

#include "common/settings.h"
#include "glapi/gl_table.h"

namespace ironwood {

namespace {

std::string GlString(GLenum name) {
  const GLubyte* text = gl.glGetString(name);
  return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

bool Renderer::Start(platform::RenderTarget* target, int width, int height,
                     platform::SettingsStore& settings) {
  if (target == nullptr) return false;
  target_ = target;
  width_ = width;
  height_ = height;

  use3DFX_ = settings::ReadFlag(settings, settings::kUse3DFX, use3DFX_);
  s3tc_ = settings::ReadFlag(settings, settings::kUseS3TC, s3tc_);
  textureLevel_ = settings::ReadInt(settings, settings::kTextureLevel, textureLevel_);
  const bool multisampling = settings::ReadFlag(settings, settings::kMultisampling, true);
  target->RequestSamples(multisampling ? kMultisamplingSamples : 0);

  log_.Write("BEGIN LOADING OPENGL SUB SYSTEM\n");
  log_.Write("    Attempting to Find OpenGL Driver...");
  driverName_ = binding_.ChooseDriver(use3DFX_);
  if (binding_.Bind(driverName_) != opengl::Binding::kBound) {
    log_.Write("Failed\n");
    // Where no dialog could tell the user, the log must.
    if (!binding_.FailureDetail().empty()) {
      log_.Write("        " + binding_.FailureDetail() + "\n");
    }
    return false;
  }
  bound_ = true;
  log_.Write("Success\n");
  log_.Write("        OpenGL Driver:" + driverName_ + "\n");
  binding_.FetchExtensions();

  // The target's steps, each completed with "Success\n" or a "Failed" without a line break.
  using Step = bool (platform::RenderTarget::*)();
  const std::pair<const char*, Step> steps[] = {
      {"    Attempting to Find PixelFormat...", &platform::RenderTarget::ChoosePixelFormat},
      {"    Attempting to Set PixelFormat...", &platform::RenderTarget::SetPixelFormat},
      {"    Attempting to Create Rendering Context...", &platform::RenderTarget::CreateContext},
      {"    Attempting to Make Rendering Context Current...", &platform::RenderTarget::MakeCurrent},
  };
  for (const auto& [line, step] : steps) {
    log_.Write(line);
    if (!(target->*step)()) {
      log_.Write("Failed");
      return false;
    }
    log_.Write("Success\n");
  }
  // Extension entry points belong to the context that is current.
  binding_.FetchExtensions();

  extensions_ = GlString(GL_EXTENSIONS);
  renderer_ = GlString(GL_RENDERER);
  version_ = GlString(GL_VERSION);
  vendor_ = GlString(GL_VENDOR);
  if (!vendor_.empty()) log_.Write("        Vendor: " + vendor_ + "\n");
  if (!version_.empty()) log_.Write("        OpenGL Version: " + version_ + "\n");
  if (!renderer_.empty()) log_.Write("        Renderer: " + renderer_ + "\n");
  if (!extensions_.empty()) log_.Write("        Extensions: " + extensions_ + "\n");

  DecideExtensions();
  SetInitialState();
  log_.Write("END LOADING OPENGL SUB SYSTEM\n\n");
  return true;
}

void Renderer::DecideExtensions() {
  if (extensions_.empty()) {
    multitexture_ = s3tc_ = compiledVertexArrays_ = false;
    return;
  }
  log_.Write("    Attempting to Find Extensions...\n");
  auto offers = [this](const char* name) { return extensions_.find(name) != std::string::npos; };
  multitexture_ = offers("GL_ARB_multitexture");
  if (s3tc_) {
    s3tc_ = offers("GL_ARB_texture_compression") && offers("GL_EXT_texture_compression_s3tc");
  }
  compiledVertexArrays_ = offers("GL_EXT_compiled_vertex_array");
  // An extension string can name an extension whose entry points the driver does not give us;
  // using it would call through an empty entry.
  if (gl.glActiveTextureARB == nullptr || gl.glClientActiveTextureARB == nullptr ||
      gl.glMultiTexCoord2fARB == nullptr) {
    multitexture_ = false;
  }
  if (gl.glLockArraysEXT == nullptr || gl.glUnlockArraysEXT == nullptr) {
    compiledVertexArrays_ = false;
  }
  log_.Write("    Found Externsions:\n");
  if (multitexture_) log_.Write("        GL_ARB_multitexture\n");
  if (s3tc_) log_.Write("        GL_EXT_texture_compression_s3tc\n");
  if (compiledVertexArrays_) log_.Write("        GL_EXT_compiled_vertex_array\n");
  log_.Write("\n");
}

double Renderer::FrustumHalfWidth(bool followsShape, int width, int height) {
  if (!followsShape || width <= 0 || height <= 0) return kHalfWidth4By3;
  return kHalfHeight * width / height;
}

void Renderer::SetProjection() const {
  gl.glMatrixMode(GL_PROJECTION);
  gl.glLoadIdentity();
  if (viewport_[2] > 0) {
    gl.glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
  } else {
    gl.glViewport(0, 0, width_, height_);
  }
  const double halfWidth = FrustumHalfWidth(frustumFollowsShape_, width_, height_);
  gl.glFrustum(-halfWidth, halfWidth, -kHalfHeight, kHalfHeight, 1.0, 5000.0);
  gl.glMatrixMode(GL_MODELVIEW);
}

void Renderer::Resize(int width, int height) {
  width_ = width > 0 ? width : 1;
  height_ = height > 0 ? height : 1;
  SetViewport(0, 0, width_, height_);
  SetProjection();
}

void Renderer::SetInitialState() const {
  gl.glClearColor(0, 0, 0, 0);
  SetProjection();
  gl.glLoadIdentity();

  gl.glEnableClientState(GL_VERTEX_ARRAY);
  gl.glEnableClientState(GL_NORMAL_ARRAY);
  if (multitexture_) gl.glClientActiveTextureARB(GL_TEXTURE0_ARB);
  gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  if (multitexture_) {
    gl.glClientActiveTextureARB(GL_TEXTURE1_ARB);
    gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  }

  gl.glDisable(GL_NORMALIZE);
  gl.glEnable(GL_DEPTH_TEST);
  gl.glFrontFace(GL_CCW);
  gl.glEnable(GL_CULL_FACE);
  if (target_ != nullptr && target_->Samples() > 0) gl.glEnable(GL_MULTISAMPLE_ARB);

  const GLfloat ambient[] = {0.25f, 0.25f, 0.25f, 0.0f};
  gl.glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
  gl.glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  const GLfloat lightDiffuse[] = {1, 1, 1, 0};
  const GLfloat lightSpecular[] = {0, 0, 0, 0};
  const GLfloat lightAmbient[] = {0.05f, 0.05f, 0.05f, 0};
  gl.glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
  gl.glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);
  gl.glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
  const GLfloat white[] = {1, 1, 1, 1};
  const GLfloat emission[] = {0, 0, 0, 1};
  gl.glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
  gl.glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, white);
  gl.glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
  gl.glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);

  gl.glShadeModel(GL_SMOOTH);
  gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gl.glAlphaFunc(GL_GEQUAL, 0.15f);
  gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

  if (multitexture_) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  gl.glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  gl.glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  gl.glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  gl.glEnable(GL_TEXTURE_2D);
  if (multitexture_) {
    gl.glActiveTextureARB(GL_TEXTURE1_ARB);
    gl.glDisable(GL_TEXTURE_2D);
  }
}

void Renderer::Shutdown() {
  if (target_ != nullptr) target_->ReleaseContext();
  target_ = nullptr;
  if (bound_) binding_.Unbind();
  bound_ = false;
}

}  // namespace ironwood
