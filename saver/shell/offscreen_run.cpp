#include "saver/shell/offscreen_run.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <optional>

#include "platform/headless/manual_clock.h"
#include "platform/paths.h"
#include "platform/clock.h"
#include "saver/shell/battle_stats.h"
#include "saver/shell/contact_sheet.h"
#include "saver/shell/flight_log.h"
#include "saver/shell/saver_app.h"
#include "saver/shell/screenshot.h"

namespace ironwood {

namespace {

bool ParseCount(std::string_view text, long long lowest, long long highest, long long& value) {
  const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
  return code == std::errc() && end == text.data() + text.size() && value >= lowest &&
         value <= highest;
}

bool EndsWithBmp(std::string_view name) {
  if (name.size() < 4) return false;
  std::string suffix(name.substr(name.size() - 4));
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return suffix == ".bmp";
}

}  // namespace

bool ExtractOffscreenOptions(std::vector<std::string>& arguments, OffscreenOptions& options,
                             std::string& error) {
  struct Count {
    std::string_view name;
    long long lowest, highest;
    void (*store)(OffscreenOptions&, long long);
  };
  static constexpr Count kCounts[] = {
      {"--frames=", 1, 100000000,
       [](OffscreenOptions& o, long long v) { o.frames = static_cast<int>(v); }},
      {"--frame-ms=", 0, 60000,
       [](OffscreenOptions& o, long long v) { o.frameMilliseconds = static_cast<int>(v); }},
      {"--seed=", 0, 0xFFFFFFFFLL,
       [](OffscreenOptions& o, long long v) { o.seed = static_cast<std::uint32_t>(v); }},
      {"--pictures-every=", 0, 100000000,
       [](OffscreenOptions& o, long long v) { o.picturesEvery = static_cast<int>(v); }},
      {"--flight-log-every=", 1, 100000000,
       [](OffscreenOptions& o, long long v) { o.flightLogEvery = static_cast<int>(v); }},
      {"--battle-stats=", 1, 1000000,
       [](OffscreenOptions& o, long long v) { o.battleStats = static_cast<int>(v); }},
  };
  std::vector<std::string> rest;
  for (const std::string& argument : arguments) {
    const std::string_view text = argument;
    if (text == "--offscreen") {
      options.enabled = true;
      continue;
    }
    if (text == "--null-gl") {
      options.nullGl = true;
      continue;
    }
    if (text.starts_with("--pictures-folder=")) {
      options.picturesFolder = argument.substr(18);
      continue;
    }
    if (text.starts_with("--contact-sheet=")) {
      options.contactSheet = argument.substr(16);
      // The sheet is written as a BMP; any other name would promise a format it is not.
      if (!EndsWithBmp(options.contactSheet)) {
        error = "--contact-sheet needs a file name ending in .bmp";
        return false;
      }
      continue;
    }
    if (text.starts_with("--flight-log=")) {
      options.flightLog = argument.substr(13);
      if (options.flightLog.empty()) {
        error = "--flight-log needs a file name";
        return false;
      }
      continue;
    }
    bool taken = false;
    for (const Count& count : kCounts) {
      if (!text.starts_with(count.name)) continue;
      long long value = 0;
      if (!ParseCount(text.substr(count.name.size()), count.lowest, count.highest, value)) {
        error = "bad value in " + argument;
        return false;
      }
      count.store(options, value);
      taken = true;
      break;
    }
    if (taken) continue;
    // A misspelt or unknown option would otherwise run a whole rendering run that does not
    // do what was asked. The screen-saver switches (one '/' or '-') go on to the mode scan.
    if (text.starts_with("--")) {
      error = "unknown option " + argument;
      return false;
    }
    rest.push_back(argument);
  }
  if (options.battleStats > 0) {
    // Statistics are about the simulation: no pixels are needed, so none are drawn.
    options.enabled = true;
    options.nullGl = true;
  }
  if (options.picturesEvery > 0 && options.picturesFolder.empty()) {
    error = "--pictures-every needs --pictures-folder";
    return false;
  }
  if (options.nullGl && !options.enabled) {
    error = "--null-gl needs --offscreen";
    return false;
  }
  if (options.picturesEvery > 0 && options.nullGl) {
    error = "--pictures-every cannot be used with --null-gl, which draws no pixels";
    return false;
  }
  if (!options.contactSheet.empty() && !options.enabled) {
    error = "--contact-sheet needs --offscreen";
    return false;
  }
  if (!options.contactSheet.empty() && options.nullGl) {
    error = "--contact-sheet cannot be used with --null-gl, which draws no pixels";
    return false;
  }
  arguments = std::move(rest);
  return true;
}

int RunOffscreen(const SaverServices& services, const std::string& workingDirectory,
                 const OffscreenOptions& options, std::FILE* report) {
  platform::ManualClock clock(0);
  platform::ScopedClock scopedClock(clock);
  SaverServices offscreenServices = services;
  if (options.seed) {
    const std::uint32_t seed = *options.seed;
    offscreenServices.calendarSeconds = [seed] { return seed; };
  }
  if (options.picturesEvery > 0) {
    std::error_code ignored;
    std::filesystem::create_directories(options.picturesFolder, ignored);
  }

  FlightLog flightLog;
  if (!options.flightLog.empty()) {
    std::string why;
    if (!flightLog.Open(options.flightLog, options.flightLogEvery, &why)) {
      std::fprintf(stderr, "Ironwood: %s\n", why.c_str());
      return 2;
    }
  }

  SaverApp app(offscreenServices, workingDirectory);
  if (flightLog.IsOpen()) {
    app.SetShipsObserver([&flightLog](const BattleManager& battle) {
      flightLog.Record(battle, platform::TimeMilliseconds());
    });
  }
  BattleStatistics statistics;
  BattleTally tallyBefore;
  bool unfinished = false;
  // The contact sheet: frames from the end of the first tunnel (the whole run while it lasts)
  // to the end of that battle or of the run, whichever comes first.
  const bool wantSheet = !options.contactSheet.empty();
  std::optional<ContactSheet> sheet;
  bool sheetFighting = false;
  bool sheetBattleOver = false;
  bool sheetDone = false;  // written, or tried once and failed
  bool sheetWritten = false;
  int sheetFirstFrame = 1;
  std::vector<float> sheetPixels;
  std::string sheetReport;
  if (wantSheet) {
    const std::filesystem::path folder = std::filesystem::path(options.contactSheet).parent_path();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  }
  if (options.battleStats > 0 || wantSheet) {
    app.SetBattleEndedObserver([&](const BattleManager& battle) {
      if (sheetFighting) sheetBattleOver = true;
      if (options.battleStats <= 0) return;
      BattleTally now = app.GetScene() != nullptr ? app.GetScene()->Tally() : BattleTally{};
      BattleTally battleTally{now.torpedoesLaunched - tallyBefore.torpedoesLaunched,
                              now.torpedoHits - tallyBefore.torpedoHits,
                              now.phaserHitMilliseconds - tallyBefore.phaserHitMilliseconds};
      tallyBefore = now;
      statistics.BattleEnded(battle, platform::TimeMilliseconds(), battleTally);
    });
  }
  int pictures = 0;
  app.SetFrameObserver([&](SaverApp& running) {
    clock.Advance(static_cast<std::uint32_t>(options.frameMilliseconds));
    const std::int32_t frame = running.Frames().frames;
    if (options.battleStats > 0) {
      const Scene* scene = running.GetScene();
      // The fight begins when the followed ship has left its tunnel.
      if (scene != nullptr && scene->TunnelFade() <= 0) {
        statistics.FightStarted(platform::TimeMilliseconds());
      }
      if (statistics.Battles() >= options.battleStats) running.RequestQuit();
      if (statistics.Fighting() &&
          platform::TimeMilliseconds() - statistics.FightStart() >
              static_cast<std::uint32_t>(options.battleLimitSeconds) * 1000u) {
        unfinished = true;
        running.RequestQuit();
      }
      return;
    }
    if (wantSheet && !sheetDone) {
      if (!sheet) sheet.emplace(running.Width(), running.Height());
      const Scene* scene = running.GetScene();
      // Without the 3D camera view there is no tunnel: the battle runs from the first frame.
      if (!sheetFighting &&
          (!running.Use3DCameraView() || (scene != nullptr && scene->TunnelFade() <= 0))) {
        sheetFighting = true;
        sheet->Restart();
        sheetFirstFrame = frame;
      }
      if (sheet->Offer() &&
          ReadFramePixels(0, 0, running.Width(), running.Height(), sheetPixels)) {
        sheet->Keep(sheetPixels.data());
      }
      if (sheetBattleOver || frame >= options.frames) {
        // This frame is the battle's last (the next one starts after it) or the run's.
        if (ReadFramePixels(0, 0, running.Width(), running.Height(), sheetPixels)) {
          sheet->KeepLast(sheetPixels.data());
        }
        const std::vector<float> pixels = sheet->Compose();
        sheetDone = true;
        sheetWritten =
            WriteBmpFile(options.contactSheet, pixels.data(), sheet->Width(), sheet->Height());
        if (sheetWritten) {
          const std::vector<int> chosen = sheet->ChosenFrames();
          char line[160];
          std::snprintf(line, sizeof line, "%dx%d, %d frames from %d to %d%s",
                        sheet->Width(), sheet->Height(), static_cast<int>(chosen.size()),
                        chosen.empty() ? 0 : sheetFirstFrame + chosen.front(),
                        chosen.empty() ? 0 : sheetFirstFrame + chosen.back(),
                        sheetBattleOver ? ", the whole battle" : "");
          sheetReport = line;
        }
      }
    }
    if (options.picturesEvery > 0 && frame % options.picturesEvery == 0) {
      char name[32];
      std::snprintf(name, sizeof name, "frame%06d.bmp", static_cast<int>(frame));
      std::string path = options.picturesFolder;
      if (!platform::EndsWithSeparator(path)) path += platform::kPathSeparator;
      if (WriteScreenshot(path + name, running.Width(), running.Height())) ++pictures;
    }
    if (frame >= options.frames) running.RequestQuit();
  });

  const auto started = std::chrono::steady_clock::now();
  const int code = app.Run();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const int frames = app.Frames().frames;
  std::fprintf(report, "Offscreen run: %d frames in %.3f s, %.1f frames per second, %d pictures\n",
               frames, seconds, seconds > 0 ? frames / seconds : 0.0, pictures);
  if (sheetWritten) {
    std::fprintf(report, "Contact sheet: %s, %s\n", options.contactSheet.c_str(),
                 sheetReport.c_str());
  }
  if (options.battleStats > 0) {
    statistics.Print(report);
    if (unfinished) {
      std::fprintf(report, "A battle was still going after %d s of simulated time: stopped\n",
                   options.battleLimitSeconds);
      return code != 0 ? code : 1;
    }
  }
  bool failed = false;
  if (wantSheet && !sheetWritten) {
    std::fprintf(stderr, "Ironwood: the contact sheet %s was not written%s\n",
                 options.contactSheet.c_str(), sheetDone ? "" : ": no frame was drawn");
    failed = true;
  }
  if (!flightLog.Close()) {
    std::fprintf(stderr, "Ironwood: the flight log %s was not written whole\n",
                 options.flightLog.c_str());
    failed = true;
  }
  return code == 0 && failed ? 1 : code;
}

}  // namespace ironwood
