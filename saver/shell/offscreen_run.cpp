#include "saver/shell/offscreen_run.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

#include "platform/clock.h"
#include "platform/headless/manual_clock.h"
#include "saver/shell/battle_stats_recorder.h"
#include "saver/shell/command_line.h"
#include "saver/shell/contact_sheet_recorder.h"
#include "saver/shell/flight_log_recorder.h"
#include "saver/shell/memory_recorder.h"
#include "saver/shell/picture_recorder.h"
#include "saver/shell/saver_app.h"

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

// One offscreen option: a switch ("--name"), a count ("--name=N" in a range) or a text
// ("--name=TEXT", with a check that gives the refusal or nothing).
struct Option {
  enum class Value { None, Count, Text };
  std::string_view name;
  Value value;
  long long lowest = 0, highest = 0;
  const char* (*check)(std::string_view text) = nullptr;
  void (*store)(OffscreenOptions&, std::string_view text, long long count);
};

int AsInt(long long count) {
  return static_cast<int>(count);
}

constexpr Option kOptions[] = {
    {"--offscreen", Option::Value::None, 0, 0, nullptr,
     [](OffscreenOptions& o, std::string_view, long long) { o.enabled = true; }},
    {"--null-gl", Option::Value::None, 0, 0, nullptr,
     [](OffscreenOptions& o, std::string_view, long long) { o.nullGl = true; }},
    {"--pictures-folder", Option::Value::Text, 0, 0, nullptr,
     [](OffscreenOptions& o, std::string_view t, long long) { o.picturesFolder = t; }},
    // The sheet is written as a BMP; any other name would promise a format it is not.
    {"--contact-sheet", Option::Value::Text, 0, 0,
     [](std::string_view t) -> const char* {
       return EndsWithBmp(t) ? nullptr : "--contact-sheet needs a file name ending in .bmp";
     },
     [](OffscreenOptions& o, std::string_view t, long long) { o.contactSheet = t; }},
    {"--flight-log", Option::Value::Text, 0, 0,
     [](std::string_view t) -> const char* {
       return t.empty() ? "--flight-log needs a file name" : nullptr;
     },
     [](OffscreenOptions& o, std::string_view t, long long) { o.flightLog = t; }},
    {"--frames", Option::Value::Count, 1, 100000000, nullptr,
     [](OffscreenOptions& o, std::string_view, long long v) { o.frames = AsInt(v); }},
    // A clock that never moves would never end a battle's time limit.
    {"--frame-ms", Option::Value::Count, 1, 60000, nullptr,
     [](OffscreenOptions& o, std::string_view, long long v) { o.frameMilliseconds = AsInt(v); }},
    {"--seed", Option::Value::Count, 0, 0xFFFFFFFFLL, nullptr,
     [](OffscreenOptions& o, std::string_view, long long v) {
       o.seed = static_cast<std::uint32_t>(v);
     }},
    {"--pictures-every", Option::Value::Count, 0, 100000000, nullptr,
     [](OffscreenOptions& o, std::string_view, long long v) { o.picturesEvery = AsInt(v); }},
    {"--flight-log-every", Option::Value::Count, 1, 100000000, nullptr,
     [](OffscreenOptions& o, std::string_view, long long v) { o.flightLogEvery = AsInt(v); }},
    {"--battle-stats", Option::Value::Count, 1, 1000000, nullptr,
     [](OffscreenOptions& o, std::string_view, long long v) { o.battleStats = AsInt(v); }},
    {"--memory-every", Option::Value::Count, 1, 100000000, nullptr,
     [](OffscreenOptions& o, std::string_view, long long v) { o.memoryEvery = AsInt(v); }},
};

// The options that cannot go together, checked in this order once all are read.
struct Rule {
  bool (*broken)(const OffscreenOptions&);
  const char* why;
};

constexpr Rule kRules[] = {
    {[](const OffscreenOptions& o) { return o.picturesEvery > 0 && o.picturesFolder.empty(); },
     "--pictures-every needs --pictures-folder"},
    {[](const OffscreenOptions& o) { return o.nullGl && !o.enabled; },
     "--null-gl needs --offscreen"},
    {[](const OffscreenOptions& o) { return o.picturesEvery > 0 && o.nullGl; },
     "--pictures-every cannot be used with --null-gl, which draws no pixels"},
    {[](const OffscreenOptions& o) { return !o.contactSheet.empty() && !o.enabled; },
     "--contact-sheet needs --offscreen"},
    {[](const OffscreenOptions& o) { return !o.contactSheet.empty() && o.nullGl; },
     "--contact-sheet cannot be used with --null-gl, which draws no pixels"},
    {[](const OffscreenOptions& o) { return o.memoryEvery > 0 && !o.enabled; },
     "--memory-every needs --offscreen"},
};

// The row `text` names, with its value after the '='; none for anything else.
const Option* FindOption(std::string_view text, std::string_view& value) {
  for (const Option& option : kOptions) {
    if (!text.starts_with(option.name)) continue;
    const std::string_view after = text.substr(option.name.size());
    if (option.value == Option::Value::None ? after.empty() : after.starts_with('=')) {
      value = after.empty() ? after : after.substr(1);
      return &option;
    }
  }
  return nullptr;
}

// Why the saver did not start, from its start-up log: every step that failed (the resolution
// change's fallbacks aside), from its "Attempting" line to its "Failed" and the lines under that.
std::string StartFailure(const StartupLog& log) {
  std::ifstream file(log.Path());
  if (!file) return "its start-up log " + log.Path() + " could not be written";
  std::string reasons, line;
  std::vector<std::string> step;  // the lines of the step the log is in
  bool resolution = false;
  std::size_t failedIndent = std::string::npos;  // the failed line's, while its reasons follow
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos) continue;
    if (line == "BEGIN RESOLUTION CHANGE") resolution = true;
    if (line == "END RESOLUTION CHANGE") resolution = false;
    if (resolution) continue;
    if (failedIndent != std::string::npos && indent > failedIndent) {
      reasons += "\n" + line;
      continue;
    }
    failedIndent = std::string::npos;
    if (line.find("Attempting") != std::string::npos) step.clear();
    step.push_back(line);
    if (line.ends_with("Failed")) {
      for (const std::string& part : step) reasons += "\n" + part;
      step.clear();
      failedIndent = indent;
    }
  }
  if (reasons.empty()) return "see its start-up log " + log.Path();
  return "from its start-up log " + log.Path() + ":" + reasons;
}

}  // namespace

bool ExtractOffscreenOptions(std::vector<std::string>& arguments, OffscreenOptions& options,
                             std::string& error) {
  std::vector<std::string> rest;
  for (const std::string& argument : arguments) {
    std::string_view value;
    const Option* option = FindOption(argument, value);
    if (option == nullptr) {
      // A misspelt or unknown option would otherwise run a whole rendering run that does not
      // do what was asked. The screen-saver switches (one '/' or '-') go on to the mode scan.
      if (argument.starts_with("--") && argument != kWindowSwitch) {
        error = "unknown option " + argument;
        return false;
      }
      rest.push_back(argument);
      continue;
    }
    long long count = 0;
    if (option->value == Option::Value::Count &&
        !ParseCount(value, option->lowest, option->highest, count)) {
      error = "bad value in " + argument;
      return false;
    }
    if (option->check != nullptr) {
      if (const char* why = option->check(value)) {
        error = why;
        return false;
      }
    }
    option->store(options, value, count);
  }
  if (options.battleStats > 0) {
    // Statistics are about the simulation: no pixels are needed, so none are drawn.
    options.enabled = true;
    options.nullGl = true;
  }
  for (const Rule& rule : kRules) {
    if (rule.broken(options)) {
      error = rule.why;
      return false;
    }
  }
  arguments = std::move(rest);
  return true;
}

int RunOffscreen(const SaverServices& services, const std::string& workingDirectory,
                 const OffscreenOptions& options, std::FILE* report) {
  platform::ManualClock clock(0);
  platform::ScopedClock scopedClock(clock);
  // A file there would pass every read as a missing asset, and lose the log that says so.
  if (!std::filesystem::is_directory(workingDirectory)) {
    std::fprintf(stderr,
                 "Ironwood: the installation folder %s (WorkingDirectory) is not a folder\n",
                 workingDirectory.c_str());
    return 1;
  }
  SaverServices offscreenServices = services;
  if (options.seed) {
    const std::uint32_t seed = *options.seed;
    offscreenServices.calendarSeconds = [seed] { return seed; };
  }

  // The pictures' folder is made first and a flight log that cannot be created stops the run
  // before anything else is made; then every recorder in the order it is called, each frame
  // and at the end.
  std::unique_ptr<PictureRecorder> pictures;
  if (options.picturesEvery > 0) {
    pictures = std::make_unique<PictureRecorder>(options.picturesFolder, options.picturesEvery);
  }
  std::unique_ptr<FlightLogRecorder> flightLog;
  if (!options.flightLog.empty()) {
    std::string why;
    flightLog = FlightLogRecorder::Open(options.flightLog, options.flightLogEvery, why);
    if (!flightLog) {
      std::fprintf(stderr, "Ironwood: %s\n", why.c_str());
      return 2;
    }
  }
  std::vector<std::unique_ptr<OffscreenRecorder>> recorders;
  if (!options.contactSheet.empty()) {
    recorders.push_back(
        std::make_unique<ContactSheetRecorder>(options.contactSheet, options.frames));
  }
  const PictureRecorder* picturesMade = pictures.get();
  if (pictures) recorders.push_back(std::move(pictures));
  if (options.battleStats > 0) {
    recorders.push_back(std::make_unique<BattleStatsRecorder>(
        options.battleStats, options.battleLimitSeconds, options.frameMilliseconds));
  }
  if (flightLog) recorders.push_back(std::move(flightLog));
  if (options.memoryEvery > 0) {
    recorders.push_back(
        std::make_unique<MemoryRecorder>(report, options.memoryEvery, options.frameMilliseconds));
  }

  SaverApp app(offscreenServices, workingDirectory);
  app.SetShipsObserver([&recorders](const BattleManager& battle) {
    for (const auto& recorder : recorders) recorder->ShipsMoved(battle);
  });
  app.SetBattleEndedObserver([&](const BattleManager& battle) {
    for (const auto& recorder : recorders) recorder->BattleEnded(app, battle);
  });
  app.SetFrameObserver([&](SaverApp& running) {
    clock.Advance(static_cast<std::uint32_t>(options.frameMilliseconds));
    bool end = false;
    for (const auto& recorder : recorders) end = recorder->Frame(running) || end;
    // A statistics run lasts as many battles as it asked for, however many frames that takes.
    if (options.battleStats <= 0 && running.Frames().frames >= options.frames) end = true;
    if (end) running.RequestQuit();
  });

  const auto started = std::chrono::steady_clock::now();
  const int code = app.Run();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const int frames = app.Frames().frames;
  std::fprintf(report, "Offscreen run: %d frames in %.3f s, %.1f frames per second, %d pictures\n",
               frames, seconds, seconds > 0 ? frames / seconds : 0.0,
               picturesMade != nullptr ? picturesMade->Written() : 0);
  if (!app.Started()) {
    // Nothing was recorded: no lines of the recorders, which would read as an empty result.
    std::fprintf(stderr, "Ironwood: the saver did not start; %s\n",
                 StartFailure(app.Log()).c_str());
    return 1;
  }
  bool failed = false;
  for (const auto& recorder : recorders) failed = recorder->Finish(report) || failed;
  return code == 0 && failed ? 1 : code;
}

}  // namespace ironwood
