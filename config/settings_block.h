#pragma once

#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace ironwood::config {

// Every setting the configuration program edits, held while its pages are open. Everything
// starts at 0, off or empty, except multisampling, which starts on as the saver reads it when
// absent; an absent value leaves a field as it started.
struct ConfigSettings {
  // List capacities and the longest text each list entry keeps, in bytes.
  static constexpr int kMaxListEntries = 100;
  static constexpr std::size_t kMaxScenarioName = 511;
  static constexpr std::size_t kMaxTrackTitle = 255;
  static constexpr std::size_t kMaxTrackPath = 511;
  static constexpr std::size_t kMaxResolution = 127;

  struct Track {
    std::string title;
    std::string path;
  };

  std::vector<std::string> scenarios;
  std::vector<Track> tracks;
  bool useSoundFX = false;
  bool useCDAudio = false;
  bool useMP3Audio = false;
  std::string resolution;
  bool use3DFX = false;
  bool useDynamicLighting = false;
  bool useS3TC = false;
  bool use3DCameraView = false;
  bool use254DCameraView = false;
  int soundFXVolume = 0;
  int musicVolume = 0;
  int textureLevel = 0;
  bool multisampling = true;
};

// Reads every value into `settings`; absent values leave their fields as they are. A count is
// read first, then that many indexed entries (at most the list capacity).
void LoadSettings(platform::SettingsStore& store, ConfigSettings& settings);

// Every value the sheet writes, as name and text, in the fixed order: counts first, then the
// entries 0 .. count - 1, then the flags and numbers, and last the ones the design never had.
std::vector<platform::TextValue> SheetValues(const ConfigSettings& settings);

// Writes SheetValues() in one WriteTexts. Entries beyond a smaller new count stay in the store untouched. A value
// that cannot be written is skipped and the rest are still written; the result says whether
// all of them were.
bool SaveSettings(platform::SettingsStore& store, const ConfigSettings& settings);

}  // namespace ironwood::config
