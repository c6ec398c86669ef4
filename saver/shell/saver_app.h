#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/settings_store.h"
#include "saver/shell/command_line.h"
#include "saver/shell/startup_log.h"

namespace ironwood {

// What the saver asks of the world outside its own code. The platform entry fills it with the
// real services; tests fill it with stand-ins.
struct SaverServices {
  platform::SettingsStore& settings;
  // Starts a program as an independent process without waiting for it.
  std::function<bool(const std::string& path)> startProcess;
  // Calendar time in seconds, for seeding the random generator.
  std::function<std::uint32_t()> calendarSeconds;
};

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

// The installation folder from the settings, ending with a path separator (one is added when
// the stored text lacks it). Nothing when the value is absent or empty.
std::optional<std::string> ReadWorkingDirectory(platform::SettingsStore& settings);

// The whole process: reads the installation folder, decides the mode and runs it. Returns the
// process exit code.
int SaverMain(std::string_view commandLine, SaverServices& services);

// The run mode's single owner: start-up in a fixed order, the main loop, and the shutdown that
// releases everything in reverse.
class SaverApp {
 public:
  SaverApp(SaverServices& services, std::string workingDirectory);
  SaverApp(const SaverApp&) = delete;
  SaverApp& operator=(const SaverApp&) = delete;

  // Start-up, loop and shutdown; returns the quit parameter.
  int Run();

  const StartupLog& Log() const { return log_; }

 private:
  bool StartUp();
  void MainLoop();
  int Shutdown();

  SaverServices& services_;
  std::string workingDirectory_;
  StartupLog log_;
  FrameStats frameStats_;
  int quitParameter_ = 0;
};

}  // namespace ironwood
