#include "config/settings_block.h"

#include <algorithm>
#include <optional>

#include "common/settings.h"

namespace ironwood::config {

namespace {

using platform::SettingsStore;

void LoadFlag(SettingsStore& store, std::string_view name, bool& field) {
  if (auto text = settings::Read(store, name)) field = settings::TextToFlag(*text);
}

void LoadInt(SettingsStore& store, std::string_view name, int& field) {
  if (auto text = settings::Read(store, name)) field = settings::TextToInt(*text);
}

void LoadText(SettingsStore& store, std::string_view name, std::size_t limit, std::string& field) {
  if (auto text = settings::Read(store, name)) field = text->substr(0, limit);
}

// A list's stored length, kept within what the list can hold; nothing when the count is absent.
std::optional<std::size_t> LoadCount(SettingsStore& store, std::string_view name) {
  auto text = settings::Read(store, name);
  if (!text) return std::nullopt;
  return static_cast<std::size_t>(
      std::clamp(settings::TextToInt(*text), 0, ConfigSettings::kMaxListEntries));
}

}  // namespace

void LoadSettings(SettingsStore& store, ConfigSettings& s) {
  if (auto count = LoadCount(store, settings::kNumScenarios)) {
    s.scenarios.resize(*count);
    for (std::size_t i = 0; i < s.scenarios.size(); ++i) {
      LoadText(store, settings::IndexedName(settings::kScenario, static_cast<int>(i)),
               ConfigSettings::kMaxScenarioName, s.scenarios[i]);
    }
  }
  if (auto count = LoadCount(store, settings::kNumMP3s)) {
    s.tracks.resize(*count);
    for (std::size_t i = 0; i < s.tracks.size(); ++i) {
      LoadText(store, settings::IndexedName(settings::kMP3, static_cast<int>(i)),
               ConfigSettings::kMaxTrackTitle, s.tracks[i].title);
    }
    for (std::size_t i = 0; i < s.tracks.size(); ++i) {
      LoadText(store, settings::IndexedName(settings::kMP3Path, static_cast<int>(i)),
               ConfigSettings::kMaxTrackPath, s.tracks[i].path);
    }
  }
  LoadFlag(store, settings::kUseSoundFX, s.useSoundFX);
  LoadFlag(store, settings::kUseCDAudio, s.useCDAudio);
  LoadFlag(store, settings::kUseMP3Audio, s.useMP3Audio);
  LoadText(store, settings::kResolution, ConfigSettings::kMaxResolution, s.resolution);
  LoadFlag(store, settings::kUse3DFX, s.use3DFX);
  LoadFlag(store, settings::kUseDynamicLighting, s.useDynamicLighting);
  LoadFlag(store, settings::kUseS3TC, s.useS3TC);
  LoadFlag(store, settings::kUse3DCameraView, s.use3DCameraView);
  LoadFlag(store, settings::kUse254DCameraView, s.use254DCameraView);
  LoadInt(store, settings::kSoundFXVolume, s.soundFXVolume);
  LoadInt(store, settings::kMusicVolume, s.musicVolume);
  LoadInt(store, settings::kTextureLevel, s.textureLevel);
  LoadFlag(store, settings::kMultisampling, s.multisampling);
}

std::vector<platform::TextValue> SheetValues(const ConfigSettings& s) {
  std::vector<platform::TextValue> values;
  auto write = [&](std::string_view name, std::string_view text) {
    values.emplace_back(std::string(name), std::string(text));
  };
  auto writeInt = [&](std::string_view name, int value) {
    write(name, settings::IntToText(value));
  };
  auto indexed = [](std::string_view base, std::size_t i) {
    return settings::IndexedName(base, static_cast<int>(i));
  };

  const std::size_t scenarioCount =
      std::min(s.scenarios.size(), std::size_t{ConfigSettings::kMaxListEntries});
  const std::size_t trackCount =
      std::min(s.tracks.size(), std::size_t{ConfigSettings::kMaxListEntries});

  writeInt(settings::kNumScenarios, static_cast<int>(scenarioCount));
  for (std::size_t i = 0; i < scenarioCount; ++i) {
    write(indexed(settings::kScenario, i), s.scenarios[i]);
  }
  writeInt(settings::kNumMP3s, static_cast<int>(trackCount));
  for (std::size_t i = 0; i < trackCount; ++i) write(indexed(settings::kMP3, i), s.tracks[i].title);
  for (std::size_t i = 0; i < trackCount; ++i) {
    write(indexed(settings::kMP3Path, i), s.tracks[i].path);
  }
  writeInt(settings::kUseSoundFX, s.useSoundFX);
  writeInt(settings::kUseCDAudio, s.useCDAudio);
  writeInt(settings::kUseMP3Audio, s.useMP3Audio);
  write(settings::kResolution, s.resolution);
  writeInt(settings::kUse3DFX, s.use3DFX);
  writeInt(settings::kUseDynamicLighting, s.useDynamicLighting);
  writeInt(settings::kUseS3TC, s.useS3TC);
  writeInt(settings::kUse3DCameraView, s.use3DCameraView);
  writeInt(settings::kUse254DCameraView, s.use254DCameraView);
  writeInt(settings::kSoundFXVolume, s.soundFXVolume);
  writeInt(settings::kMusicVolume, s.musicVolume);
  writeInt(settings::kTextureLevel, s.textureLevel);
  writeInt(settings::kMultisampling, s.multisampling);
  return values;
}

bool SaveSettings(SettingsStore& store, const ConfigSettings& s) {
  // One write for all, so the saver never reads half a sheet and the file store syncs once.
  return store.WriteTexts(platform::SettingsRoot::LocalMachine, settings::kKey, SheetValues(s));
}

}  // namespace ironwood::config
