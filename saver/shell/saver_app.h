#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <memory>

#include "platform/gl_system.h"
#include "platform/music_player.h"
#include "platform/password_dialogs.h"
#include "platform/saver_window.h"
#include "platform/settings_store.h"
#include "platform/user_folders.h"
#include "saver/assets/texture.h"
#include "saver/audio/sound_system.h"
#include "saver/gl/renderer.h"
#include "saver/shell/command_line.h"
#include "saver/shell/password.h"
#include "saver/render/scene.h"
#include "saver/shell/startup_log.h"
#include "saver/shell/window_logic.h"

namespace ironwood {

// What the saver asks of the world outside its own code. The platform entry fills it with the
// real services; tests fill it with stand-ins.
struct SaverServices {
  platform::SettingsStore& settings;
  // Starts a program as an independent process without waiting for it.
  std::function<bool(const std::string& path)> startProcess;
  // Calendar time in seconds, for seeding the random generator.
  std::function<std::uint32_t()> calendarSeconds;
  // The window the run mode draws into (full screen, or an offscreen buffer).
  std::function<std::unique_ptr<platform::SaverWindow>()> createWindow;
  // Loads the OpenGL libraries.
  platform::GlSystem* glSystem = nullptr;
  // Opens the sound device for the sound effects; none: the run is silent.
  SoundOutputOpener openSoundOutput;
  // True where a sound device that cannot be opened fails the start (Windows, as designed);
  // false where the saver logs the reason and runs on silently (Linux, where machines without
  // a sound device are common).
  bool soundDeviceRequired = false;
  // The external music player; none: every hook-up fails and no command goes anywhere.
  std::function<std::unique_ptr<platform::MusicPlayer>()> openMusicPlayer;
  // The desktop whose settings say whether the saver asks for a password before it ends, and
  // the dialogs that ask for it and change it. Without dialogs the saver never asks and the
  // change-password mode shows nothing.
  platform::DesktopKind desktop = platform::DesktopKind::Other;
  platform::PasswordDialogs* passwordDialogs = nullptr;
  // Where the log and screenshots go when the installation folder will not take them.
  std::function<platform::UserFolders()> userFolders = platform::FindUserFolders;
  // The plain, resizable window of the --window mode; none: that mode has nowhere to draw.
  std::function<std::unique_ptr<platform::SaverWindow>()> createPlainWindow = {};
  // The preview's window: a child of the given window, at its size; null when that is no
  // window. None, or null: the preview mode draws nothing, writes nothing and ends at once.
  std::function<std::unique_ptr<platform::SaverWindow>(std::uint64_t parent)> createPreviewWindow =
      nullptr;
};

class SaverApp;
// Called after every frame the loop draws (offscreen runs count frames, advance their clock and
// take pictures here).
using FrameObserver = std::function<void(SaverApp& app)>;

// Frame counts for the closing frames-per-second line.
struct FrameStats {
  std::int32_t frames = 0;
  std::uint32_t loopStart = 0;
  std::uint32_t lastFrame = 0;
};

// "Frames Per Second:" followed by frames / elapsed * 1000 in "%f" form. The elapsed time is the
// wrap-safe difference of the two clock readings; when it is 0 or negative (no frame was drawn)
// the rate is printed as 0.000000 rather than as an infinity or NaN.
std::string FormatFramesPerSecond(const FrameStats& stats);

struct OffscreenOptions;

// The whole process: reads the installation folder, decides the mode and runs it. Returns the
// process exit code. With offscreen options, the run mode runs offscreen (see offscreen_run.h).
int SaverMain(std::string_view commandLine, SaverServices& services,
              const OffscreenOptions* offscreen = nullptr);

// The run mode's single owner: start-up in a fixed order, the main loop, and the shutdown that
// releases everything in reverse. Members are declared in the order shutdown needs them gone
// last-to-first.
class SaverApp {
 public:
  // `windowed`: the --window mode, in a plain window of its own (WindowLogic's windowed rules),
  // never a mode change and never a password.
  SaverApp(SaverServices& services, std::string workingDirectory, bool windowed = false);
  // The preview: the battle in a child of `previewParent`, silent, with no display mode change,
  // no password and no end by keys or the mouse; it ends when that window goes.
  SaverApp(SaverServices& services, std::string workingDirectory, std::uint64_t previewParent);
  SaverApp(const SaverApp&) = delete;
  SaverApp& operator=(const SaverApp&) = delete;
  ~SaverApp();

  // Start-up, loop and shutdown; returns the quit parameter (0 when start-up failed).
  int Run();

  void SetFrameObserver(FrameObserver observer) { frameObserver_ = std::move(observer); }
  // Called after every frame's ship updates (the flight recorder).
  void SetShipsObserver(Scene::ShipsObserver observer) { shipsObserver_ = std::move(observer); }
  // Called when a battle is over, before the next one starts (battle statistics).
  void SetBattleEndedObserver(BattleManager::BattleEnded observer) {
    battleEndedObserver_ = std::move(observer);
  }
  // The frame and the battle while the run mode runs; none before start-up or after it failed.
  Scene* GetScene() const { return scene_.get(); }
  // Ends the loop after the messages already waiting, as a user's key press would.
  void RequestQuit();
  // Writes the picture on screen, at the size it is drawn, to the next free "ScreenShots" file
  // of the installation folder (the user's pictures folder when the log could not go there).
  bool TakeScreenshot();

  // Whether the last Run got as far as the battle (start-up and the battle files' load
  // succeeded); the reason it did not is in the start-up log.
  bool Started() const { return started_; }
  const StartupLog& Log() const { return log_; }
  const FrameStats& Frames() const { return frameStats_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Use3DCameraView() const { return use3DCameraView_; }
  // The sound effects of the run (on only with the setting on and a device open).
  const SoundSystem& Sound() const { return sound_; }
  // Whether ending the run asks for the password (decided at start-up).
  bool PasswordRequired() const { return passwordGate_ && passwordGate_->Required(); }

 private:
  bool StartUp();
  void CreateLog();
  bool StartWindowSystem();
  void HookUpMusic();
  void ChangeResolution();
  void KeepDesktopResolution();
  void ChooseWindowSize(bool desktop);
  void FollowWindowSize();
  bool LoadBattleFiles();
  void DrawFrame();
  int MainLoop();
  int Shutdown(int quitParameter);
  void RestoreDisplayMode();
  void FitPictureToWindow();

  SaverServices& services_;
  std::string workingDirectory_;
  std::optional<std::uint64_t> previewParent_;  // set for the preview
  StartupLog log_;
  std::string screenshotFolder_;  // empty: the installation's
  FrameStats frameStats_;
  bool started_ = false;
  FrameObserver frameObserver_;
  Scene::ShipsObserver shipsObserver_;
  BattleManager::BattleEnded battleEndedObserver_;
  bool windowed_ = false;
  // The picture fills the window at the window's shape, with the frustum widened to it, and
  // follows its size: the desktop's resolution, the --window mode and windows whose size
  // someone else decides. Otherwise the picture keeps the configured size and its 4:3 shape.
  bool fillWindow_ = false;
  int width_ = 800;
  int height_ = 600;
  bool useMP3Audio_ = false;
  bool use3DCameraView_ = false;
  double projection_[16] = {};
  int screenshotsWanted_ = 0;  // F12 presses since the last frame
  // Where the picture is drawn in the window and its real size there: the whole window at the
  // configured size, or a centred area of another size when the window covers a screen of a
  // different size.
  int pictureX_ = 0;
  int pictureY_ = 0;
  int pictureWidth_ = 800;
  int pictureHeight_ = 600;

  // The window's handler outlives the window; the window outlives the target drawn on it; the
  // renderer releases its context on the target before either goes; textures give their names
  // back to the pool before it goes.
  std::unique_ptr<PasswordGate> passwordGate_;
  std::unique_ptr<WindowLogic> windowLogic_;
  std::unique_ptr<platform::SaverWindow> window_;
  bool displayChanged_ = false;
  std::unique_ptr<platform::RenderTarget> target_;
  std::unique_ptr<Renderer> renderer_;
  std::unique_ptr<TextureNamePool> textureNames_;
  // The music player and the sound device outlive the battle: ships and torpedoes hold buffers
  // the device made.
  std::unique_ptr<platform::MusicPlayer> musicPlayer_;
  SoundSystem sound_;
  std::unique_ptr<BattleManager> battle_;
  std::unique_ptr<Scene> scene_;  // after a successful load
};

}  // namespace ironwood
