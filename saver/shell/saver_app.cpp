#include "saver/shell/saver_app.h"

#include <cstdio>

#include "common/settings.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "saver/assets/random.h"

namespace ironwood {

std::string FormatFramesPerSecond(const FrameStats& stats) {
  const auto elapsed = static_cast<std::int32_t>(stats.lastFrame - stats.loopStart);
  double rate = 0.0;
  if (elapsed > 0) rate = static_cast<double>(stats.frames) / elapsed * 1000.0;
  char text[64];
  std::snprintf(text, sizeof text, "Frames Per Second:%f", rate);
  return text;
}

std::optional<std::string> ReadWorkingDirectory(platform::SettingsStore& settings) {
  std::optional<std::string> folder = settings::Read(settings, settings::kWorkingDirectory);
  if (!folder || folder->empty()) return std::nullopt;
  // Every file name is the folder text with a relative name appended, so the separator must be
  // there; a hand-written value often lacks it.
  if (!platform::EndsWithSeparator(*folder)) folder->push_back(platform::kPathSeparator);
  return folder;
}

int SaverMain(std::string_view commandLine, SaverServices& services) {
  const std::optional<std::string> workingDirectory = ReadWorkingDirectory(services.settings);
  if (!workingDirectory) return 0;  // not installed: no mode is honoured

  switch (ParseRunMode(commandLine)) {
    case RunMode::Configure:
      // The configuration program runs on its own; its failure to start is not ours to report.
      services.startProcess(*workingDirectory + "StarfraySSConfig" +
                            std::string(platform::kExecutableSuffix));
      return 0;
    case RunMode::Preview:
      return 0;
    case RunMode::ChangePassword:
      // The change-password dialog is not part of this build yet.
      return 0;
    case RunMode::Run:
      break;
  }
  SaverApp app(services, *workingDirectory);
  return app.Run();
}

SaverApp::SaverApp(SaverServices& services, std::string workingDirectory)
    : services_(services),
      workingDirectory_(std::move(workingDirectory)),
      log_(workingDirectory_) {}

int SaverApp::Run() {
  if (!StartUp()) return 0;
  MainLoop();
  return Shutdown();
}

bool SaverApp::StartUp() {
  log_.Create();
  SeedSaverRandom(services_.calendarSeconds());
  // The window, the rendering context and the battle are not part of this build yet, so the
  // start-up ends here and the loop below ends at once.
  frameStats_.lastFrame = platform::TimeMilliseconds();
  frameStats_.loopStart = platform::TimeMilliseconds();
  return true;
}

void SaverApp::MainLoop() {
  // No window means no messages and no frames: the loop ends before its first turn, as it does
  // after a failed load.
}

int SaverApp::Shutdown() {
  log_.Write(FormatFramesPerSecond(frameStats_));
  return quitParameter_;
}

}  // namespace ironwood
