#include "saver/shell/saver_app.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/settings.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "saver/audio/music_control.h"
#include "saver/core/random.h"
#include "glapi/gl_table.h"
#include "saver/shell/offscreen_run.h"
#include "saver/shell/screenshot.h"
#include "saver/shell/title_screen.h"

namespace ironwood {

using settings::ReadWorkingDirectory;

namespace {

// A preview is a few hundred pixels across: the ships' two largest texture levels would never
// show there, and leaving them out makes its start quick.
constexpr int kPreviewTextureLevel = 2;

}  // namespace

std::string FormatFramesPerSecond(const FrameStats& stats) {
  const auto elapsed = static_cast<std::int32_t>(stats.lastFrame - stats.loopStart);
  double rate = 0.0;
  if (elapsed > 0) rate = static_cast<double>(stats.frames) / elapsed * 1000.0;
  char text[64];
  std::snprintf(text, sizeof text, "Frames Per Second:%f", rate);
  return text;
}

int SaverMain(std::string_view commandLine, SaverServices& services,
              const OffscreenOptions* offscreen) {
  const std::optional<std::string> workingDirectory = ReadWorkingDirectory(services.settings);
  if (!workingDirectory) {
    // Not installed: no mode is honoured. An offscreen run was asked for its results, though,
    // and must not pass for one that had them.
    if (offscreen != nullptr && offscreen->enabled) {
      std::fprintf(stderr,
                   "Ironwood: the settings name no installation folder (WorkingDirectory)\n");
      return 1;
    }
    return 0;
  }

  switch (ParseRunMode(commandLine)) {
    case RunMode::Configure:
      // The configuration program runs on its own; its failure to start is not ours to report.
      services.startProcess(*workingDirectory + "StarfraySSConfig" +
                            std::string(platform::kExecutableSuffix));
      return 0;
    case RunMode::Preview: {
      // Without a window to draw in the preview stays what it always was: nothing.
      const std::optional<std::uint64_t> parent = PreviewWindowHandle(commandLine);
      if (!parent || !services.createPreviewWindow) return 0;
      SaverApp preview(services, *workingDirectory, *parent);
      return preview.Run();
    }
    case RunMode::ChangePassword:
      RunChangePassword(services.settings, services.passwordDialogs);
      return 0;
    case RunMode::Window: {
      SaverApp app(services, *workingDirectory, true);
      return app.Run();
    }
    case RunMode::Run:
      break;
  }
  if (offscreen != nullptr && offscreen->enabled) {
    return RunOffscreen(services, *workingDirectory, *offscreen, stdout);
  }
  SaverApp app(services, *workingDirectory);
  return app.Run();
}

SaverApp::SaverApp(SaverServices& services, std::string workingDirectory, bool windowed)
    : services_(services),
      workingDirectory_(std::move(workingDirectory)),
      log_(workingDirectory_),
      windowed_(windowed) {}

SaverApp::SaverApp(SaverServices& services, std::string workingDirectory,
                   std::uint64_t previewParent)
    : SaverApp(services, std::move(workingDirectory)) {
  previewParent_ = previewParent;
}

SaverApp::~SaverApp() {
  RestoreDisplayMode();
}

int SaverApp::Run() {
  if (!StartUp()) return 0;
  return Shutdown(MainLoop());
}

// Only trying tells whether the installation folder takes files: permission bits say nothing of
// a read-only mount, and root passes them all. One that will not take the log gets neither the
// log nor the screenshots; they go to the user's own folders, under the same names.
void SaverApp::CreateLog() {
  if (log_.Create() || !services_.userFolders) return;
  const platform::UserFolders folders = services_.userFolders();
  screenshotFolder_ = folders.pictures;
  if (folders.state.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(folders.state).parent_path(), ignored);
  StartupLog userLog(folders.state);
  if (userLog.Create()) log_ = std::move(userLog);
}

bool SaverApp::StartUp() {
  // A preview handle that names no window ends as the preview always did, writing nothing.
  if (previewParent_) {
    if (services_.createPreviewWindow) window_ = services_.createPreviewWindow(*previewParent_);
    if (!window_) return false;
  }
  CreateLog();
  passwordGate_ = std::make_unique<PasswordGate>(
      services_.settings, services_.passwordDialogs,
      // A window of one's own is closed like any other, and nobody ends a preview but the window
      // it lives in; neither is guarded.
      !windowed_ && !previewParent_ &&
          ironwood::PasswordRequired(services_.settings, services_.desktop));
  if (services_.glSystem == nullptr) return false;
  if (!previewParent_) {
    const auto& createWindow = windowed_ ? services_.createPlainWindow : services_.createWindow;
    if (createWindow) window_ = createWindow();
  }
  if (!window_ || !window_->RegisterClass()) return false;
  SeedSaverRandom(services_.calendarSeconds());

  if (!StartWindowSystem()) {
    RestoreDisplayMode();
    return false;
  }
  renderer_ = std::make_unique<Renderer>(*services_.glSystem, log_);
  FitPictureToWindow();
  target_ = window_->CreateRenderTarget(renderer_->Binding().Libraries());
  if (!renderer_->Start(target_.get(), width_, height_, services_.settings)) {
    renderer_->Shutdown();
    RestoreDisplayMode();
    return false;
  }
  // A saver nobody watches need not draw faster than the display shows.
  if (!target_->SetSwapInterval(1) && gl.wglSwapIntervalEXT != nullptr) gl.wglSwapIntervalEXT(1);
  gl.glGetDoublev(GL_PROJECTION_MATRIX, projection_);
  textureNames_ = std::make_unique<TextureNamePool>(renderer_->MultitextureAvailable());

  window_->Show();
  DrawTitleScreen(workingDirectory_, width_, height_, *textureNames_, *target_, fillWindow_);
  if (LoadBattleFiles()) {
    started_ = true;
  } else {
    // The loop sees the quit first, so the normal shutdown (and its log line) still runs.
    RestoreDisplayMode();
    window_->PostQuit(0);
  }

  frameStats_.lastFrame = platform::TimeMilliseconds();
  frameStats_.loopStart = platform::TimeMilliseconds();
  return true;
}

bool SaverApp::StartWindowSystem() {
  const std::optional<std::string> resolution =
      settings::Read(services_.settings, settings::kResolution);
  const settings::ScreenSize size = settings::ResolutionToSize(resolution);
  const bool desktop = settings::IsDesktopResolution(resolution);
  width_ = size.width;
  height_ = size.height;
  // The preview is silent: no music player and no sound device.
  useMP3Audio_ =
      !previewParent_ && settings::ReadFlag(services_.settings, settings::kUseMP3Audio, false);
  use3DCameraView_ = settings::ReadFlag(services_.settings, settings::kUse3DCameraView, false);
  if (useMP3Audio_) HookUpMusic();

  if (windowed_) {
    ChooseWindowSize(desktop);
  } else if (previewParent_) {
    // The preview shares the desktop with the dialog it sits in; its size is its host's.
  } else if (desktop) {
    KeepDesktopResolution();
  } else {
    ChangeResolution();
  }
  fillWindow_ = desktop || windowed_ || previewParent_ || window_->SizedByOthers();

  log_.Write("BEGIN WINDOW SYSTEM\n");
  log_.Write("    Attempting to Create Window...");
  windowLogic_ = std::make_unique<WindowLogic>(
      *window_, WindowLogic::Hooks{.mayEnd = [this] { return passwordGate_->MayEnd(); },
                                   .passwordDialogShowing =
                                       [this] { return passwordGate_->DialogShowing(); },
                                   .screenshot = [this] { ++screenshotsWanted_; },
                                   .cycleFocus =
                                       [this] {
                                         if (battle_ && scene_ && scene_->TunnelFade() == 0) battle_->CycleFocus();
                                       },
                                   .passwordRequired =
                                       [this] { return passwordGate_->Required(); }},
      windowed_);
  if (!window_->Create(width_, height_, *windowLogic_)) {
    log_.Write("Failed");
    return false;
  }
  log_.Write("Success\n");
  log_.Write("END WINDOW SYSTEM\n\n");
  if (previewParent_) return true;
  // The sound start hooks the music up a second time, so the player hears its start commands
  // twice; the window system start stands or falls with it.
  return sound_.StartUp({.settings = &services_.settings,
                         .installation = workingDirectory_,
                         .log = &log_,
                         .music = musicPlayer_.get(),
                         .openOutput = services_.openSoundOutput,
                         .deviceRequired = services_.soundDeviceRequired});
}

void SaverApp::HookUpMusic() {
  if (!musicPlayer_ && services_.openMusicPlayer) musicPlayer_ = services_.openMusicPlayer();
  ironwood::HookUpMusic(musicPlayer_.get(), log_);
}

void SaverApp::ChangeResolution() {
  char line[128];
  log_.Write("BEGIN RESOLUTION CHANGE\n");
  std::snprintf(line, sizeof line, "    Attempting to Change Resolution to %ix%i 32bit...", width_,
                height_);
  log_.Write(line);
  displayChanged_ = window_->ChangeDisplayMode(width_, height_, 32);
  if (!displayChanged_) {
    log_.Write("Failed\n");
    // The 16-bit line has always run the two numbers together.
    std::snprintf(line, sizeof line, "    Attempting to Change Resolution to %i%i 16bit...", width_,
                  height_);
    log_.Write(line);
    displayChanged_ = window_->ChangeDisplayMode(width_, height_, 16);
  }
  if (displayChanged_) {
    log_.Write("Success\n");
  } else {
    log_.Write("Failed\n");
    log_.Write("     Continuing in Desktop Resolution...\n");
  }
  log_.Write("END RESOLUTION CHANGE\n\n");
}

// The primary monitor stays in the mode it is in, and the picture takes its size.
void SaverApp::KeepDesktopResolution() {
  log_.Write("BEGIN RESOLUTION CHANGE\n");
  log_.Write("    Attempting to Keep Desktop Resolution...");
  int width = 0, height = 0;
  if (window_->DesktopSize(width, height) && width > 0 && height > 0) {
    width_ = width;
    height_ = height;
    char line[96];
    std::snprintf(line, sizeof line, "Success\n        Desktop Resolution: %ix%i\n", width, height);
    log_.Write(line);
  } else {
    // The window still covers the monitor and says its size once it is made.
    log_.Write("Failed\n");
    log_.Write("     Continuing in Desktop Resolution...\n");
  }
  log_.Write("END RESOLUTION CHANGE\n\n");
}

// A plain window never changes the mode. It opens at the configured size (no larger than the
// desktop, keeping its shape), or with the desktop resolution at half the desktop's size.
void SaverApp::ChooseWindowSize(bool desktop) {
  log_.Write("BEGIN RESOLUTION CHANGE\n");
  log_.Write("    Attempting to Keep Desktop Resolution...Success\n");
  int desktopWidth = 0, desktopHeight = 0;
  if (window_->DesktopSize(desktopWidth, desktopHeight) && desktopWidth > 0 &&
      desktopHeight > 0) {
    if (desktop) {
      width_ = std::max(1, desktopWidth / 2);
      height_ = std::max(1, desktopHeight / 2);
    } else if (width_ > desktopWidth || height_ > desktopHeight) {
      const double scale = std::min(static_cast<double>(desktopWidth) / width_,
                                    static_cast<double>(desktopHeight) / height_);
      width_ = std::max(1, static_cast<int>(width_ * scale));
      height_ = std::max(1, static_cast<int>(height_ * scale));
    }
  }
  char line[64];
  std::snprintf(line, sizeof line, "        Window Size: %ix%i\n", width_, height_);
  log_.Write(line);
  log_.Write("END RESOLUTION CHANGE\n\n");
}

bool SaverApp::LoadBattleFiles() {
  battle_ = std::make_unique<BattleManager>(BattleServices{
      .settings = &services_.settings,
      .installation = workingDirectory_,
      .log = &log_,
      .textureNames = textureNames_.get(),
      .textureLevel = previewParent_ ? kPreviewTextureLevel : renderer_->TextureLevel(),
      .soundEffects = sound_.On(),
      .use3DCameraView = use3DCameraView_,
      .soundOutput = sound_.Output(),
      .torpedoDetonation = sound_.Detonation()});
  scene_ = std::make_unique<Scene>(
      Scene::Settings{.load = {.installation = workingDirectory_,
                               .compressedTextures = renderer_->S3TCAvailable(),
                               .width = width_,
                               .height = height_},
                      .use3DCameraView = use3DCameraView_,
                      .caps = {.multitexture = renderer_->MultitextureAvailable(),
                               .compiledVertexArrays = renderer_->CompiledVertexArraysAvailable()}},
      battle_.get());
  scene_->SetShipsObserver(shipsObserver_);
  battle_->SetBattleEnded(battleEndedObserver_);
  if (!scene_->Load(log_)) {
    scene_.reset();
    return false;
  }
  return true;
}

void SaverApp::DrawFrame() {
  FollowWindowSize();
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (scene_) scene_->Draw(projection_, *textureNames_);
  // F12 is answered here, between drawing and presenting: after a swap the back buffer holds
  // nothing defined.
  for (; screenshotsWanted_ > 0; --screenshotsWanted_) TakeScreenshot();
  target_->SwapBuffers();
  if (scene_) scene_->FinishFrame();
}

int SaverApp::MainLoop() {
  for (;;) {
    int quitParameter = 0;
    switch (window_->PollMessage(quitParameter)) {
      case platform::SaverWindow::Poll::Quit:
        return quitParameter;
      case platform::SaverWindow::Poll::Handled:
        break;
      case platform::SaverWindow::Poll::Idle:
        DrawFrame();
        ++frameStats_.frames;
        if (frameObserver_) frameObserver_(*this);
        frameStats_.lastFrame = platform::TimeMilliseconds();
        break;
    }
  }
}

void SaverApp::RequestQuit() {
  if (window_) window_->PostQuit(0);
}

bool SaverApp::TakeScreenshot() {
  // Only the area the picture fills: the black border around it is not part of it, and the
  // configured size read from the area's corner would run past it (or past the window).
  if (!screenshotFolder_.empty()) {
    return TakeScreenshotIn(screenshotFolder_, pictureWidth_, pictureHeight_, pictureX_,
                            pictureY_);
  }
  return ironwood::TakeScreenshot(workingDirectory_, pictureWidth_, pictureHeight_, pictureX_,
                                  pictureY_);
}

void SaverApp::FitPictureToWindow() {
  pictureX_ = 0;
  pictureY_ = 0;
  int windowWidth = 0, windowHeight = 0;
  const bool known = window_->DrawableSize(windowWidth, windowHeight);
  if (fillWindow_) {
    // All of the window, whatever its shape: the frustum takes that shape instead.
    if (known && windowWidth > 0 && windowHeight > 0) {
      width_ = windowWidth;
      height_ = windowHeight;
    }
    pictureWidth_ = width_;
    pictureHeight_ = height_;
    renderer_->SetFrustumFollowsShape(true);
    renderer_->SetViewport(0, 0, width_, height_);
    return;
  }
  pictureWidth_ = width_;
  pictureHeight_ = height_;
  if (!known) return;
  if (windowWidth == width_ && windowHeight == height_) return;
  // The largest area of the picture's shape that fits, centred; the rest stays black. The
  // picture is drawn at the configured size and scaled into it, so nothing else changes.
  const double scale = std::min(static_cast<double>(windowWidth) / width_,
                                static_cast<double>(windowHeight) / height_);
  pictureWidth_ = static_cast<int>(width_ * scale);
  pictureHeight_ = static_cast<int>(height_ * scale);
  pictureX_ = (windowWidth - pictureWidth_) / 2;
  pictureY_ = (windowHeight - pictureHeight_) / 2;
  renderer_->SetViewport(pictureX_, pictureY_, pictureWidth_, pictureHeight_);
}

// A window that someone resized since the last frame: the picture takes the new size at once,
// with its viewport, frustum, overlays, flare and screenshots. A window with no area (minimised)
// keeps the last picture's size until it has one again.
void SaverApp::FollowWindowSize() {
  if (!fillWindow_) return;
  int width = 0, height = 0;
  if (!window_->DrawableSize(width, height) || width <= 0 || height <= 0) return;
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  pictureWidth_ = width;
  pictureHeight_ = height;
  renderer_->Resize(width, height);
  gl.glGetDoublev(GL_PROJECTION_MATRIX, projection_);
  if (scene_) scene_->Resize(width, height);
}

int SaverApp::Shutdown(int quitParameter) {
  log_.Write(FormatFramesPerSecond(frameStats_));
  gl.glBindTexture(GL_TEXTURE_2D, 0);
  scene_.reset();
  battle_.reset();
  if (useMP3Audio_) StopMusic(musicPlayer_.get());
  sound_.Stop();
  renderer_->Shutdown();
  RestoreDisplayMode();
  return quitParameter;
}

void SaverApp::RestoreDisplayMode() {
  if (window_) window_->RestoreDisplayMode();
  displayChanged_ = false;
}

}  // namespace ironwood
