#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "common/settings.h"
#include "platform/headless/manual_clock.h"
#include "platform/headless/memory_settings_store.h"
#include "platform/paths.h"
#include "saver/core/random.h"
#include "saver/shell/offscreen_run.h"
#include "saver/shell/saver_app.h"
#include "tests/support/fake_platform.h"
#include "tests/support/recording_sound.h"
#include "tests/support/minimal_installation.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

namespace fs = std::filesystem;

TEST(RunMode, FirstModeSwitchDecides) {
  struct Case {
    const char* line;
    RunMode mode;
  };
  const Case cases[] = {
      {"/s", RunMode::Run},
      {"/S", RunMode::Run},
      {"-s", RunMode::Run},
      {"/c", RunMode::Configure},
      {"/c:1234", RunMode::Configure},
      {"-C:1234", RunMode::Configure},
      {"", RunMode::Configure},
      {"no switch here", RunMode::Configure},
      {"/p 1234", RunMode::Preview},
      {"/P", RunMode::Preview},
      {"/l", RunMode::Preview},
      {"-L", RunMode::Preview},
      {"-a 55", RunMode::ChangePassword},
      {"/A", RunMode::ChangePassword},
      {"/x /s", RunMode::Run},     // unknown letters are skipped
      {"//s", RunMode::Run},       // a switch character is not a mode letter
      {"/x", RunMode::Configure},  // nothing recognised at all
      {"/", RunMode::Configure},   // a lone switch at the end
      {"/s /p", RunMode::Run},     // the first mode wins
      {"/p /s", RunMode::Preview},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseRunMode(c.line), c.mode) << "'" << c.line << "'";
}

TEST(RunMode, WindowSwitchIsAWholeWordAnywhere) {
  EXPECT_EQ(ParseRunMode("--window"), RunMode::Window);
  EXPECT_EQ(ParseRunMode("/s --window"), RunMode::Window);
  EXPECT_EQ(ParseRunMode("--window\t/c"), RunMode::Window);
  // Anything else keeps the switch scan's reading.
  EXPECT_EQ(ParseRunMode("--windows"), RunMode::Configure);
  EXPECT_EQ(ParseRunMode("-window"), RunMode::Configure);
  EXPECT_EQ(ParseRunMode("/s--window"), RunMode::Run);
}

// The display settings pass "/p HANDLE"; anything that is not a plain handle keeps the preview's
// old do-nothing.
TEST(RunMode, PreviewTakesTheWindowHandleAfterP) {
  EXPECT_EQ(PreviewWindowHandle("/p 123456"), 123456u);
  EXPECT_EQ(PreviewWindowHandle("/p:123456"), 123456u);
  EXPECT_EQ(PreviewWindowHandle("-P  77 "), 77u);
  EXPECT_EQ(PreviewWindowHandle("/x /p 4294967295"), 4294967295u);
  for (const char* line : {"/p", "/p ", "/p 0", "/p:x", "/p 12x", "/p 4294967296", "/p -5",
                           "/p: 5", "/l 123", "/s /p 5", "/c 5"}) {
    EXPECT_FALSE(PreviewWindowHandle(line).has_value()) << "'" << line << "'";
  }
}

// Only the offscreen options pass; any other "--" option stops the program before anything runs,
// while the screen-saver switches keep their leniency for the mode scan.
TEST(OffscreenOptions, UnknownDoubleDashOptionsAreRefused) {
  for (const char* unknown : {"--flight-recorder=x.csv", "--offscreen=1", "--frame=3", "--", "--s",
                              "--pictures-folder"}) {
    std::vector<std::string> arguments = {"/s", "--offscreen", "--frames=100", unknown};
    OffscreenOptions options;
    std::string error;
    EXPECT_FALSE(ExtractOffscreenOptions(arguments, options, error)) << unknown;
    EXPECT_EQ(error, std::string("unknown option ") + unknown);
  }
  std::vector<std::string> arguments = {"-s", "/x", "/p", "1234", "-c:55", "--offscreen"};
  OffscreenOptions options;
  std::string error;
  ASSERT_TRUE(ExtractOffscreenOptions(arguments, options, error)) << error;
  EXPECT_EQ(arguments, (std::vector<std::string>{"-s", "/x", "/p", "1234", "-c:55"}));
}

TEST(FramesPerSecond, RateAndDegenerateElapsedTimes) {
  EXPECT_EQ(FormatFramesPerSecond({600, 1000, 11000}), "Frames Per Second:60.000000");
  EXPECT_EQ(FormatFramesPerSecond({1, 0, 3}), "Frames Per Second:333.333333");
  // No frame drawn: 0 ms or a last frame time one tick before the loop start.
  EXPECT_EQ(FormatFramesPerSecond({0, 500, 500}), "Frames Per Second:0.000000");
  EXPECT_EQ(FormatFramesPerSecond({0, 500, 499}), "Frames Per Second:0.000000");
  // The clock wrapped during the run: the true elapsed time still counts.
  EXPECT_EQ(FormatFramesPerSecond({100, 0xFFFFFF00u, 0x00000300u}), "Frames Per Second:97.656250");
}

// A saver wired to an in-memory store, a recording process starter, a scripted window, OpenGL
// that records its calls, and a temporary installation folder.
class SaverMainTest : public ::testing::Test {
 protected:
  std::string FolderText() const { return temp_.WithSeparator(); }
  int Main(std::string_view line) { return SaverMain(line, services_); }
  std::string LogText() const {
    std::ifstream file(folder_ / "SYlog.log", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::string s = text.str();
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
  }
  bool LogEndsWith(const std::string& end) const {
    const std::string log = LogText();
    return log.size() >= end.size() && log.compare(log.size() - end.size(), end.size(), end) == 0;
  }

  testing::TempFolder temp_;
  const fs::path folder_ = temp_.Path();
  // The user's own folders, not yet made.
  testing::TempFolder user_;
  const fs::path userState_ = user_.Path() / "state" / "ironwood";
  const fs::path userPictures_ = user_.Path() / "Pictures" / "Ironwood";
  platform::MemorySettingsStore store_;
  std::vector<std::string> started_;
  testing::RecordingGl recording_;
  opengl::EntryPoints recorders_ = gl;
  testing::FakeGlSystem glSystem_{recorders_};
  std::vector<std::unique_ptr<testing::ScriptedWindow>> windows_;
  testing::ScriptedWindow* window_ = nullptr;  // the last window the saver made
  std::function<void(testing::ScriptedWindow&)> prepareWindow_ = [](testing::ScriptedWindow& w) {
    w.offeredModes = {{800, 600, 32}, {1024, 768, 16}};
  };
  SaverServices services_{
      store_,
      [this](const std::string& path) {
        started_.push_back(path);
        return true;
      },
      [] { return 1u; },
      [this]() -> std::unique_ptr<platform::SaverWindow> {
        windows_.push_back(std::make_unique<testing::ScriptedWindow>());
        window_ = windows_.back().get();
        prepareWindow_(*window_);
        return std::make_unique<testing::BorrowedWindow>(*window_);
      },
      &glSystem_,
      {},
      false,
      {},
      platform::DesktopKind::Other,
      nullptr,
      [this] {
        const std::string end(1, platform::kPathSeparator);
        return platform::UserFolders{userState_.string() + end, userPictures_.string() + end};
      },
      [this]() -> std::unique_ptr<platform::SaverWindow> {
        windows_.push_back(std::make_unique<testing::ScriptedWindow>());
        window_ = windows_.back().get();
        prepareWindow_(*window_);
        return std::make_unique<testing::BorrowedWindow>(*window_);
      },
  };
};

TEST_F(SaverMainTest, WithoutWorkingDirectoryNoModeDoesAnything) {
  for (const char* line : {"/s", "/c", "", "/p 5", "/a"}) {
    EXPECT_EQ(Main(line), 0) << line;
  }
  EXPECT_TRUE(started_.empty());
  EXPECT_TRUE(fs::is_empty(folder_));
  // An empty value is as good as none.
  settings::Write(store_, settings::kWorkingDirectory, "");
  EXPECT_EQ(Main("/c"), 0);
  EXPECT_TRUE(started_.empty());
}

TEST_F(SaverMainTest, ConfigureStartsTheConfigurationProgramOnly) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  EXPECT_EQ(Main("/c:1234"), 0);
  EXPECT_EQ(Main(""), 0);
  ASSERT_EQ(started_.size(), 2u);
  EXPECT_EQ(started_[0],
            FolderText() + "StarfraySSConfig" + std::string(platform::kExecutableSuffix));
  EXPECT_FALSE(fs::exists(folder_ / "SYlog.log"));
  // A program that fails to start is not an error of the saver.
  services_.startProcess = [](const std::string&) { return false; };
  EXPECT_EQ(Main("/c"), 0);
}

TEST_F(SaverMainTest, WorkingDirectoryGainsAMissingSeparator) {
  settings::Write(store_, settings::kWorkingDirectory, folder_.string());
  EXPECT_EQ(Main("/c"), 0);
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0].rfind(FolderText(), 0), 0u) << started_[0];
}

TEST_F(SaverMainTest, PreviewAndPasswordStartNothingAndWriteNothing) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  EXPECT_EQ(Main("/p 1234"), 0);
  EXPECT_EQ(Main("/l"), 0);
  EXPECT_EQ(Main("-a 1"), 0);
  EXPECT_TRUE(started_.empty());
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(SaverMainTest, PreviewDrawsInTheGivenWindowSilentlyWithoutAModeChange) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  testing::WriteMinimalInstallation(temp_);
  testing::WriteMinimalCatalogue(store_);
  settings::WriteInt(store_, settings::kUseSoundFX, 1);
  settings::WriteInt(store_, settings::kUseMP3Audio, 1);
  int soundOpened = 0, playersMade = 0;
  services_.openSoundOutput = [&](std::string*) -> std::unique_ptr<platform::SoundOutput> {
    ++soundOpened;
    return nullptr;
  };
  services_.openMusicPlayer = [&]() -> std::unique_ptr<platform::MusicPlayer> {
    ++playersMade;
    return nullptr;
  };
  std::vector<std::uint64_t> parents;
  services_.createPreviewWindow = [&](std::uint64_t parent) {
    parents.push_back(parent);
    return services_.createWindow();
  };
  prepareWindow_ = [](testing::ScriptedWindow& w) {
    w.offeredModes = {{800, 600, 32}};
    w.drawable = {152, 112};
  };
  services_.soundDeviceRequired = true;  // a device that would fail the run is never asked for
  ASSERT_EQ(Main("/p 65630"), 0);
  EXPECT_EQ(parents, (std::vector<std::uint64_t>{65630}));
  ASSERT_NE(window_, nullptr);
  EXPECT_GE(window_->idles, 3);  // frames were drawn
  EXPECT_TRUE(window_->modeRequests.empty());
  EXPECT_EQ(soundOpened + playersMade, 0);
  const std::string log = LogText();
  EXPECT_EQ(log.rfind("BEGIN WINDOW SYSTEM\n    Attempting to Create Window...Success\n"
                      "END WINDOW SYSTEM\n\nBEGIN LOADING OPENGL SUB SYSTEM\n",
                      0),
            0u)
      << log;
  EXPECT_NE(log.find("END LOADING ASSOCIATED FILES\nFrames Per Second:"), std::string::npos);
  // The picture fills the little window, the view widened to its shape.
  EXPECT_EQ(recording_.Named("glViewport").at(0).Text(), "glViewport(0, 0, 152, 112)");

  // No handle, or a handle that names no window: nothing, as before.
  parents.clear();
  EXPECT_EQ(Main("/p"), 0);
  EXPECT_TRUE(parents.empty());
  services_.createPreviewWindow = [](std::uint64_t) { return nullptr; };
  fs::remove(folder_ / "SYlog.log");
  EXPECT_EQ(Main("/p 65630"), 0);
  EXPECT_FALSE(fs::exists(folder_ / "SYlog.log"));
}

TEST_F(SaverMainTest, RunStartsInOrderDrawsUntilAKeyAndShutsDown) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  testing::WriteMinimalInstallation(temp_);
  testing::WriteMinimalCatalogue(store_);
  std::ofstream(folder_ / "SYlog.log") << "the previous run's lines\n";
  platform::ManualClock clock(5000);
  platform::ScopedClock scoped(clock);
  EXPECT_EQ(Main("/x /s"), 0);

  const std::string log = LogText();
  EXPECT_EQ(log.rfind("BEGIN RESOLUTION CHANGE\n"
                      "    Attempting to Change Resolution to 800x600 32bit...Success\n"
                      "END RESOLUTION CHANGE\n\n"
                      "BEGIN WINDOW SYSTEM\n"
                      "    Attempting to Create Window...Success\n"
                      "END WINDOW SYSTEM\n\n"
                      "BEGIN LOADING OPENGL SUB SYSTEM\n",
                      0),
            0u)
      << log;
  EXPECT_NE(log.find("END LOADING OPENGL SUB SYSTEM\n\n"
                     "Attempting to initalize scenario files...Success\n"
                     "Attempting to Load First Scenario File..."
                     "Attempting to Load Alliance 2 Models...Success\n"
                     "BEGIN LOADING ASSOCIATED FILES\n"
                     "    Attempting To Load UniBillboard...Success\n"
                     "    Attempting To Load TriBillboard...Success\n"
                     "    Attempting to Load Phaser Flare...Success\n"
                     "    Attempting to Load Background...Success\n"
                     "    Attempting to Load Universe...Success\n"
                     "    Attempting to Load Overlays...Success\n"
                     "    Attempting to Load lens flare...Success\n"
                     "    Attempting to Load Explosion maps...Success\n"
                     "    Attempting to Initalize Spark System...Success\n"
                     "    Attempting to Initalize Debris System...Success\n"
                     "END LOADING ASSOCIATED FILES\n"
                     "Frames Per Second:"),
            std::string::npos)
      << log;
  EXPECT_TRUE(LogEndsWith("Frames Per Second:0.000000"));  // the clock never moved
  ASSERT_NE(window_, nullptr);
  EXPECT_EQ(window_->created, (std::pair<int, int>{800, 600}));
  EXPECT_EQ(window_->shows, 1);
  EXPECT_EQ(window_->idles, 4);  // three frames, then the key, then the quit
  EXPECT_GE(window_->restores, 1);
  EXPECT_GE(window_->cursorHides, 1);
  int projectionReads = 0;  // the projection is saved once; the flare reads the view per frame
  for (const auto& call : recording_.Named("glGetDoublev")) {
    projectionReads += call.args[0] == std::to_string(GL_PROJECTION_MATRIX);
  }
  EXPECT_EQ(projectionReads, 1);
  // The title screen and every frame present what they drew.
  EXPECT_TRUE(started_.empty());
}

TEST_F(SaverMainTest, ResolutionFallsBackTo16BitsAndThenToTheDesktop) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  settings::Write(store_, settings::kResolution, "1024X768");
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_NE(LogText().find("    Attempting to Change Resolution to 1024x768 32bit...Failed\n"
                           "    Attempting to Change Resolution to 1024768 16bit...Success\n"
                           "END RESOLUTION CHANGE\n\n"),
            std::string::npos)
      << LogText();

  settings::Write(store_, settings::kResolution, "2048X1536");
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_NE(LogText().find("    Attempting to Change Resolution to 2048x1536 32bit...Failed\n"
                           "    Attempting to Change Resolution to 20481536 16bit...Failed\n"
                           "     Continuing in Desktop Resolution...\n"
                           "END RESOLUTION CHANGE\n\n"),
            std::string::npos)
      << LogText();
  EXPECT_EQ(window_->created, (std::pair<int, int>{2048, 1536}));
  EXPECT_TRUE(LogEndsWith("Frames Per Second:0.000000"));
}

TEST_F(SaverMainTest, PictureKeepsItsShapeInAWiderWindow) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  prepareWindow_ = [](testing::ScriptedWindow& w) { w.drawable = {1280, 720}; };
  ASSERT_EQ(Main("/s"), 0);  // 800 x 600 is not offered: the desktop's 1280 x 720 stays
  // 4:3 scaled to the window's height and centred: 960 x 720 from x = 160.
  EXPECT_EQ(recording_.Named("glViewport").at(0).Text(), "glViewport(160, 0, 960, 720)");
  EXPECT_EQ(recording_.Named("glOrtho").at(0).Text(), "glOrtho(0, 800, 0, 600, -1, 1)");
}

// "DESKTOP": no mode change, the picture at the monitor's size with the frustum widened to its
// shape; a window sized by someone else gets the same picture under the designed log lines.
TEST_F(SaverMainTest, DesktopResolutionKeepsTheModeAndFillsTheMonitor) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  settings::Write(store_, settings::kResolution, "DESKTOP");
  prepareWindow_ = [](testing::ScriptedWindow& w) {
    w.desktop = {1600, 900};
    w.drawable = {1600, 900};
  };
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_TRUE(window_->modeRequests.empty());
  EXPECT_NE(LogText().find("BEGIN RESOLUTION CHANGE\n"
                           "    Attempting to Keep Desktop Resolution...Success\n"
                           "        Desktop Resolution: 1600x900\n"
                           "END RESOLUTION CHANGE\n\n"
                           "BEGIN WINDOW SYSTEM\n"),
            std::string::npos)
      << LogText();
  EXPECT_EQ(recording_.Named("glViewport").at(0).Text(), "glViewport(0, 0, 1600, 900)");
  EXPECT_EQ(recording_.Named("glFrustum").at(0).Text(),
            "glFrustum(-0.592533, 0.592533, -0.3333, 0.3333, 1, 5000)");
  EXPECT_EQ(recording_.Named("glOrtho").at(0).Text(), "glOrtho(0, 1600, 0, 900, -1, 1)");

  // A desktop whose size cannot be told: the designed fallback line, and the window's size.
  recording_.calls.clear();
  prepareWindow_ = [](testing::ScriptedWindow& w) { w.drawable = {1280, 720}; };
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_NE(LogText().find("    Attempting to Keep Desktop Resolution...Failed\n"
                           "     Continuing in Desktop Resolution...\n"
                           "END RESOLUTION CHANGE\n\n"),
            std::string::npos)
      << LogText();
  EXPECT_EQ(recording_.Named("glViewport").at(0).Text(), "glViewport(0, 0, 1280, 720)");

  // A fixed resolution in a daemon's window: the designed attempts, then the whole window.
  recording_.calls.clear();
  settings::Write(store_, settings::kResolution, "800X600");
  prepareWindow_ = [](testing::ScriptedWindow& w) {
    w.drawable = {1280, 720};
    w.sizedByOthers = true;
  };
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_NE(LogText().find("     Continuing in Desktop Resolution...\n"), std::string::npos);
  EXPECT_EQ(recording_.Named("glViewport").at(0).Text(), "glViewport(0, 0, 1280, 720)");
  EXPECT_EQ(recording_.Named("glFrustum").at(0).Text(),
            "glFrustum(-0.592533, 0.592533, -0.3333, 0.3333, 1, 5000)");
}

// --window: a plain window of the configured size, no mode change and no password, which the
// pointer and other keys leave running; the picture follows the window's new size.
TEST_F(SaverMainTest, WindowModeFollowsItsWindowUntilEscape) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  testing::WriteMinimalInstallation(temp_);
  testing::WriteMinimalCatalogue(store_);
  platform::ManualClock clock(5000);
  platform::ScopedClock scoped(clock);
  settings::Write(store_, settings::kResolution, "2048X1536");
  prepareWindow_ = [](testing::ScriptedWindow& w) {
    w.desktop = {1600, 900};
    w.sizedByOthers = true;
    w.drawable = {1200, 900};
    w.resizeAfterFrames = 3;
    w.resizeTo = {900, 400};
    w.keyAfterFrames = 6;
    w.endKey = platform::kKeyEscape;
    w.script = {{platform::WindowMessageKind::KeyDown, 'A'},
                {platform::WindowMessageKind::MouseMove, 0},
                {platform::WindowMessageKind::ActivateApp, 0}};
  };
  ASSERT_EQ(Main("--window"), 0);
  EXPECT_TRUE(window_->modeRequests.empty());
  // 2048 x 1536 does not fit the 1600 x 900 desktop: the largest of its shape that does.
  EXPECT_EQ(window_->created, (std::pair<int, int>{1200, 900}));
  EXPECT_NE(LogText().find("    Attempting to Keep Desktop Resolution...Success\n"
                           "        Window Size: 1200x900\n"
                           "END RESOLUTION CHANGE\n\n"),
            std::string::npos)
      << LogText();
  EXPECT_EQ(window_->idles, 7);  // neither the key, the pointer nor the focus ended it
  EXPECT_EQ(window_->cursorHides, 0);
  EXPECT_EQ(recording_.Named("glViewport").back().Text(), "glViewport(0, 0, 900, 400)");
  EXPECT_EQ(recording_.Named("glFrustum").back().Text(),
            "glFrustum(-0.749925, 0.749925, -0.3333, 0.3333, 1, 5000)");

  // With the desktop's resolution the window is half the desktop.
  settings::Write(store_, settings::kResolution, "DESKTOP");
  prepareWindow_ = [](testing::ScriptedWindow& w) {
    w.desktop = {1600, 900};
    w.sizedByOthers = true;
    w.endKey = platform::kKeyEscape;
  };
  ASSERT_EQ(Main("--window"), 0);
  EXPECT_EQ(window_->created, (std::pair<int, int>{800, 450}));
}

TEST_F(SaverMainTest, StartFailuresRestoreTheDisplayAndSkipTheShutdownLine) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  prepareWindow_ = [](testing::ScriptedWindow& w) { w.creates = false; };
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_TRUE(LogEndsWith("    Attempting to Create Window...Failed")) << LogText();
  EXPECT_GE(window_->restores, 1);

  prepareWindow_ = [](testing::ScriptedWindow& w) { w.targetFailAt = "create"; };
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_TRUE(LogEndsWith("    Attempting to Create Rendering Context...Failed")) << LogText();
  EXPECT_GE(window_->restores, 1);
  EXPECT_EQ(window_->idles, 0);
  EXPECT_EQ(glSystem_.open["opengl32.dll"], 0);  // the libraries went again

  prepareWindow_ = [](testing::ScriptedWindow& w) { w.registers = false; };
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_EQ(LogText(), "");  // created, then nothing: no window class, nothing changed
  EXPECT_TRUE(window_->modeRequests.empty());
}

TEST_F(SaverMainTest, MusicIsHookedUpTwiceAndStoppedAfterTheBattleIsReleased) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  testing::WriteMinimalInstallation(temp_);
  testing::WriteMinimalCatalogue(store_);
  settings::WriteInt(store_, settings::kUseMP3Audio, 1);
  settings::WriteInt(store_, settings::kUseSoundFX, 1);
  testing::RecordingPlayer player;
  player.launched = true;
  int playersMade = 0;
  services_.openMusicPlayer = [&]() -> std::unique_ptr<platform::MusicPlayer> {
    ++playersMade;
    return std::make_unique<testing::BorrowedPlayer>(player);
  };
  testing::RecordingSound sound;
  services_.openSoundOutput = [&](std::string*) -> std::unique_ptr<platform::SoundOutput> {
    return std::make_unique<testing::BorrowedSound>(sound);
  };
  ASSERT_EQ(Main("/s"), 0);
  const std::string log = LogText();
  const std::string hookUp = "    Attempting to Initalize WinAmp...Success\n";
  EXPECT_EQ(log.rfind(hookUp + "BEGIN RESOLUTION CHANGE\n", 0), 0u) << log;
  // The minimal installation has no sound files: each missing one is one line after the hook-up.
  EXPECT_NE(log.find("END WINDOW SYSTEM\n\n" + hookUp + "    Sound not loaded: cannot open "),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("PhotonExplosionFinal.wav\nBEGIN LOADING OPENGL"), std::string::npos) << log;
  EXPECT_EQ(playersMade, 1);  // the second hook-up asks the same player again
  EXPECT_EQ(player.hookUps, 2);
  EXPECT_EQ(player.commands, (std::vector<int>{40022, 40045, 40022, 40045, 40047, 40001}));

  // With music off no player is made or asked, not even at shutdown.
  settings::WriteInt(store_, settings::kUseMP3Audio, 0);
  player.commands.clear();
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_EQ(playersMade, 1);
  EXPECT_TRUE(player.commands.empty());
  EXPECT_EQ(LogText().find("WinAmp"), std::string::npos);
}

TEST_F(SaverMainTest, ARequiredSoundDeviceThatFailsEndsTheStartAfterTheWindow) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  settings::WriteInt(store_, settings::kUseSoundFX, 1);
  services_.openSoundOutput = [](std::string* why) -> std::unique_ptr<platform::SoundOutput> {
    *why = "device busy";
    return nullptr;
  };
  services_.soundDeviceRequired = true;
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_TRUE(LogEndsWith("END WINDOW SYSTEM\n\n")) << LogText();
  EXPECT_GE(window_->restores, 1);
  EXPECT_EQ(window_->idles, 0);

  // Where the device is optional the reason is logged and the saver runs on, silent.
  services_.soundDeviceRequired = false;
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_NE(LogText().find("END WINDOW SYSTEM\n\n    No sound device, sound effects off: device "
                           "busy\nBEGIN LOADING OPENGL"),
            std::string::npos)
      << LogText();
  EXPECT_TRUE(LogEndsWith("Frames Per Second:0.000000")) << LogText();
}

TEST_F(SaverMainTest, ScreenshotKeyWritesAFileAndTheSaverGoesOn) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  testing::WriteMinimalInstallation(temp_);
  testing::WriteMinimalCatalogue(store_);
  prepareWindow_ = [](testing::ScriptedWindow& w) {
    w.offeredModes = {{800, 600, 32}};
    w.script = {{platform::WindowMessageKind::KeyDown, platform::kKeyF12},
                {platform::WindowMessageKind::KeyDown, platform::kKeyF12}};
  };
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_TRUE(fs::exists(folder_ / "ScreenShots" / "SFScreenShot00.bmp"));
  EXPECT_TRUE(fs::exists(folder_ / "ScreenShots" / "SFScreenShot01.bmp"));
  EXPECT_EQ(window_->idles, 4);  // the shots did not end it; the key after three frames did
}

// In a window of the desktop's size the shot is the letterboxed area the picture fills, read
// from that area's corner at the area's size, whether the window is larger or smaller than the
// configured picture.
TEST_F(SaverMainTest, ScreenshotInADesktopSizedWindowIsTheDrawnArea) {
  struct Case {
    std::pair<int, int> window;
    const char* resolution;
    const char* read;  // glReadPixels' position and size
    std::uint32_t width, height;
  };
  const Case cases[] = {
      // 800 x 600 on a 1280 x 1024 screen: 1280 x 960, 32 rows of border above and below.
      {{1280, 1024}, "800X600", "glReadPixels(0, 32, 1280, 960", 1280, 960},
      // 1600 x 1200 on a 1024 x 768 screen: it shrinks to fill the screen exactly.
      {{1024, 768}, "1600X1200", "glReadPixels(0, 0, 1024, 768", 1024, 768},
      // 800 x 600 on a 1280 x 720 screen: 960 x 720 from x = 160.
      {{1280, 720}, "800X600", "glReadPixels(160, 0, 960, 720", 960, 720},
  };
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  testing::WriteMinimalInstallation(temp_);
  testing::WriteMinimalCatalogue(store_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.read);
    settings::Write(store_, settings::kResolution, c.resolution);
    prepareWindow_ = [&c](testing::ScriptedWindow& w) {
      w.drawable = c.window;  // no mode is offered: the desktop's stays
      w.script = {{platform::WindowMessageKind::KeyDown, platform::kKeyF12}};
    };
    fs::remove_all(folder_ / "ScreenShots");
    recording_.calls.clear();
    ASSERT_EQ(Main("/s"), 0);
    const std::vector<testing::GlCall> reads = recording_.Named("glReadPixels");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].Text().rfind(c.read, 0), 0u) << reads[0].Text();

    std::ifstream shot(folder_ / "ScreenShots" / "SFScreenShot00.bmp", std::ios::binary);
    std::vector<unsigned char> header(54);
    ASSERT_TRUE(shot.read(reinterpret_cast<char*>(header.data()), 54));
    const auto at = [&header](int offset) {
      return std::uint32_t{header[offset]} | std::uint32_t{header[offset + 1]} << 8 |
             std::uint32_t{header[offset + 2]} << 16 | std::uint32_t{header[offset + 3]} << 24;
    };
    EXPECT_EQ(at(18), c.width);
    EXPECT_EQ(at(22), c.height);
    shot.seekg(0, std::ios::end);
    EXPECT_EQ(static_cast<std::uint64_t>(shot.tellg()), 54u + std::uint64_t{c.width} * 3 * c.height);
  }
}

// An installation folder that will not take the log sends the log and the screenshots to the
// user's folders, made as needed; one that does keeps both. Root passes every permission bit,
// so the log is kept out by a folder in its place.
TEST_F(SaverMainTest, LogAndScreenshotsGoToTheUserFoldersWhenTheInstallationTakesNoLog) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  testing::WriteMinimalInstallation(temp_);
  testing::WriteMinimalCatalogue(store_);
  prepareWindow_ = [](testing::ScriptedWindow& w) {
    w.offeredModes = {{800, 600, 32}};
    w.script = {{platform::WindowMessageKind::KeyDown, platform::kKeyF12},
                {platform::WindowMessageKind::KeyDown, platform::kKeyF12}};
  };
  fs::create_directory(folder_ / "SYlog.log");
  ASSERT_EQ(Main("/s"), 0);
  std::stringstream userLog;
  userLog << std::ifstream(userState_ / "SYlog.log", std::ios::binary).rdbuf();
  EXPECT_EQ(userLog.str().rfind("BEGIN RESOLUTION CHANGE", 0), 0u) << userLog.str();
  EXPECT_NE(userLog.str().find("Frames Per Second:"), std::string::npos) << userLog.str();
  EXPECT_TRUE(fs::exists(userPictures_ / "SFScreenShot00.bmp"));
  EXPECT_TRUE(fs::exists(userPictures_ / "SFScreenShot01.bmp"));
  EXPECT_FALSE(fs::exists(folder_ / "ScreenShots"));

  fs::remove(folder_ / "SYlog.log");
  fs::remove_all(user_.Path() / "state");
  fs::remove_all(user_.Path() / "Pictures");
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_EQ(LogText().rfind("BEGIN RESOLUTION CHANGE", 0), 0u) << LogText();
  EXPECT_TRUE(fs::exists(folder_ / "ScreenShots" / "SFScreenShot01.bmp"));
  EXPECT_FALSE(fs::exists(user_.Path() / "state"));
  EXPECT_FALSE(fs::exists(user_.Path() / "Pictures"));
}

TEST_F(SaverMainTest, AFailedLoadEndsAtOnceThroughTheNormalShutdown) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  testing::WriteMinimalInstallation(temp_, "Gfx/BackgroundLeft03.bmp");
  testing::WriteMinimalCatalogue(store_);
  prepareWindow_ = [](testing::ScriptedWindow& w) { w.offeredModes = {{800, 600, 32}}; };
  EXPECT_EQ(Main("/s"), 0);
  const std::string log = LogText();
  // The step's own failure text, the reason on a line of its own, then the shutdown's line.
  const std::string failed = "    Attempting to Load Background...Failed\n        ";
  ASSERT_NE(log.find(failed), std::string::npos) << log;
  EXPECT_NE(log.find("BackgroundLeft03.bmp", log.find(failed)), std::string::npos) << log;
  EXPECT_EQ(log.find("Attempting to Load Universe"), std::string::npos);
  EXPECT_TRUE(LogEndsWith("\nFrames Per Second:0.000000")) << log;
  EXPECT_EQ(window_->idles, 0);  // the quit came first: no frame was drawn
  EXPECT_GE(window_->restores, 1);
}

TEST_F(SaverMainTest, RunSeedsTheGeneratorFromTheCalendarTime) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  services_.calendarSeconds = [] { return 1u; };
  prepareWindow_ = [](testing::ScriptedWindow& w) { w.creates = false; };
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_EQ(SaverRandom().Next(), 26500);  // the fourth draw of seed 1
}

TEST_F(SaverMainTest, RunWithAMissingFolderStillEndsNormally) {
  settings::Write(store_, settings::kWorkingDirectory, (folder_ / "absent").string() + "/");
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_FALSE(fs::exists(folder_ / "absent"));
}

#ifndef _WIN32
// The Linux lookup: the XDG base variables when absolute, else the home folder's defaults, and
// the pictures folder as user-dirs.dirs names it.
TEST(UserFolders, LinuxFollowsTheXdgVariablesAndUserDirs) {
  const char* names[] = {"HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME"};
  std::vector<std::optional<std::string>> saved;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
  }
  testing::TempFolder temp;
  const std::string home = temp.Path().string();
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_STATE_HOME");
  unsetenv("XDG_CONFIG_HOME");
  platform::UserFolders found = platform::FindUserFolders();
  EXPECT_EQ(found.state, home + "/.local/state/ironwood/");
  EXPECT_EQ(found.pictures, home + "/Pictures/Ironwood/");

  const auto write = [&temp](const std::string& path, const std::string& text) {
    temp.Write(path, testing::Bytes(text.begin(), text.end()));
  };
  write(".config/user-dirs.dirs",
        "# XDG_PICTURES_DIR=\"/commented\"\n"
        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        "XDG_PICTURES_DIR=\"$HOME/Bilder/\"\n");
  EXPECT_EQ(platform::FindUserFolders().pictures, home + "/Bilder/Ironwood/");

  setenv("XDG_STATE_HOME", "/var/state-of/me", 1);
  setenv("XDG_CONFIG_HOME", (home + "/other").c_str(), 1);
  write("other/user-dirs.dirs", "  XDG_PICTURES_DIR = \"/srv/my \\\"shots\\\"\"  \n");
  found = platform::FindUserFolders();
  EXPECT_EQ(found.state, "/var/state-of/me/ironwood/");
  EXPECT_EQ(found.pictures, "/srv/my \"shots\"/Ironwood/");

  // Relative values are not honoured: neither base variable nor a pictures entry.
  setenv("XDG_STATE_HOME", "relative/state", 1);
  write("other/user-dirs.dirs", "XDG_PICTURES_DIR=\"Pictures\"\n");
  found = platform::FindUserFolders();
  EXPECT_EQ(found.state, home + "/.local/state/ironwood/");
  EXPECT_EQ(found.pictures, home + "/Pictures/Ironwood/");

  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i]) setenv(names[i], saved[i]->c_str(), 1);
    else unsetenv(names[i]);
  }
}
#else
// The Windows lookup: %LOCALAPPDATA% as set, and the Pictures known folder.
TEST(UserFolders, WindowsFollowsLocalAppDataAndThePicturesFolder) {
  const char* saved = std::getenv("LOCALAPPDATA");
  const std::string before = saved ? saved : "";
  _putenv_s("LOCALAPPDATA", "C:\\elsewhere\\local");
  const platform::UserFolders found = platform::FindUserFolders();
  _putenv_s("LOCALAPPDATA", before.c_str());
  EXPECT_EQ(found.state, "C:\\elsewhere\\local\\Ironwood\\");
  const std::string end = "\\Ironwood\\";
  ASSERT_GT(found.pictures.size(), end.size() + 3) << found.pictures;
  EXPECT_EQ(found.pictures.substr(1, 2), ":\\") << found.pictures;
  EXPECT_EQ(found.pictures.substr(found.pictures.size() - end.size()), end) << found.pictures;
}
#endif

}  // namespace
}  // namespace ironwood
