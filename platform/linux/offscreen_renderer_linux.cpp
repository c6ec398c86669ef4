#include <cstring>
#include <map>
#include <mutex>

#include "platform/gl_system.h"
#include "platform/headless/offscreen_renderer.h"
#include "platform/linux/egl_target.h"

namespace ironwood::platform {

namespace {

// Large enough for any test or screenshot, small enough that the pixel count cannot overflow.
constexpr int kLargestSide = 16384;

// Renderers that fill the same table share it: the first one saves what was there and the last
// one to go puts it back, whatever order they are destroyed in.
struct TableUsers {
  int count = 0;
  opengl::EntryPoints saved;
};
std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<opengl::EntryPoints*, TableUsers>& Tables() {
  static std::map<opengl::EntryPoints*, TableUsers> tables;
  return tables;
}

class LinuxOffscreenRenderer : public OffscreenRenderer {
 public:
  LinuxOffscreenRenderer(int width, int height, opengl::EntryPoints& table,
                         const std::string& glLibrary, int samples)
      : width_(width), height_(height), table_(table) {
    samples_ = samples;
    Open(glLibrary.empty() ? SystemGl().SystemLibraries().front() : glLibrary);
  }

  ~LinuxOffscreenRenderer() override {
    if (filled_) {
      std::lock_guard<std::mutex> lock(TableMutex());
      auto users = Tables().find(&table_);
      if (users != Tables().end() && --users->second.count == 0) {
        table_ = users->second.saved;
        Tables().erase(users);
      }
    }
    if (target_ != nullptr) target_->ReleaseContext();
    SystemGl().CloseLibrary(gluLibrary_);
    SystemGl().CloseLibrary(glLibrary_);
  }

  bool Available() const override { return available_; }
  bool LibraryMissing() const override { return libraryMissing_; }
  const std::string& Error() const override { return error_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  int Samples() const override { return target_ != nullptr ? target_->Samples() : 0; }

  std::string Description() const override {
    if (!available_) return "no offscreen renderer: " + error_;
    auto text = [this](GLenum name) {
      const GLubyte* value = table_.glGetString(name);
      return value != nullptr ? std::string(reinterpret_cast<const char*>(value)) : "?";
    };
    return target_->Describe() + "; " + text(GL_RENDERER) + ", OpenGL " + text(GL_VERSION);
  }

  bool MakeCurrent() override {
    if (!available_) return false;
    if (target_->MakeCurrent()) return true;
    error_ = "MakeCurrent: " + target_->LastError();
    return false;
  }

  RgbImage ReadPixels() override {
    if (!MakeCurrent()) return {};
    target_->ResolveSamples();
    return CaptureFrame(width_, height_, &error_, table_);
  }

 private:
  void Open(const std::string& glLibrary) {
    if (width_ < 1 || height_ < 1 || width_ > kLargestSide || height_ > kLargestSide) {
      error_ = "offscreen size " + std::to_string(width_) + "x" + std::to_string(height_) +
               " is not a valid size";
      return;
    }
    std::string why;
    if (!EglTarget::LibraryAvailable(&why)) {
      libraryMissing_ = true;
      error_ = why;
      return;
    }
    GlSystem& system = SystemGl();
    glLibrary_ = system.OpenLibrary(glLibrary);
    if (glLibrary_ == nullptr) {
      libraryMissing_ = true;
      error_ = glLibrary + " could not be loaded";
      return;
    }

    target_ = EglTarget::Offscreen(width_, height_);
    target_->RequestSamples(samples_);
    const std::pair<const char*, bool (EglTarget::*)()> steps[] = {
        {"ChoosePixelFormat", &EglTarget::ChoosePixelFormat},
        {"SetPixelFormat", &EglTarget::SetPixelFormat},
        {"CreateContext", &EglTarget::CreateContext},
        {"MakeCurrent", &EglTarget::MakeCurrent},
    };
    for (const auto& [name, step] : steps) {
      if (!((*target_).*step)()) {
        error_ = std::string(name) + ": " + target_->LastError();
        return;
      }
    }

    // Filled into a copy first, so a library that lacks an entry leaves the table untouched.
    opengl::EntryPoints filled;
    for (const opengl::EntrySlot& entry : opengl::CoreSlots(filled)) {
      *entry.slot = system.Symbol(glLibrary_, entry.name);
      if (*entry.slot == nullptr) {
        error_ = glLibrary + " lacks " + entry.name;
        return;
      }
    }
    for (const opengl::EntrySlot& entry : opengl::ExtensionSlots(filled)) {
      *entry.slot = system.ExtensionAddress(glLibrary_, entry.name);
    }
    // GLU is optional: the saver draws without it.
    gluLibrary_ = system.OpenLibrary(system.GluLibraryFor(glLibrary));
    if (gluLibrary_ != nullptr) {
      for (const opengl::EntrySlot& entry : opengl::GluSlots(filled)) {
        *entry.slot = system.Symbol(gluLibrary_, entry.name);
      }
    }

    std::lock_guard<std::mutex> lock(TableMutex());
    TableUsers& users = Tables()[&table_];
    if (users.count++ == 0) users.saved = table_;
    table_ = filled;
    filled_ = true;
    available_ = true;
  }

  int width_;
  int height_;
  int samples_ = 0;  // asked for
  opengl::EntryPoints& table_;
  std::unique_ptr<EglTarget> target_;
  void* glLibrary_ = nullptr;
  void* gluLibrary_ = nullptr;
  bool filled_ = false;
  bool available_ = false;
  bool libraryMissing_ = false;
  std::string error_;
};

}  // namespace

std::unique_ptr<OffscreenRenderer> OpenOffscreenRenderer(int width, int height,
                                                         opengl::EntryPoints& table,
                                                         const std::string& glLibrary,
                                                         int samples) {
  return std::make_unique<LinuxOffscreenRenderer>(width, height, table, glLibrary, samples);
}

}  // namespace ironwood::platform
