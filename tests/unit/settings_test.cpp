#include <gtest/gtest.h>

#include "common/settings.h"
#include "config/settings_block.h"
#include "platform/headless/memory_settings_store.h"

namespace ironwood {
namespace {

using settings::ResolutionToSize;
using settings::ScreenSize;
using settings::TextToInt;

TEST(SettingsText, IntegersReadLikeTheRuntime) {
  EXPECT_EQ(TextToInt("42"), 42);
  EXPECT_EQ(TextToInt("  \t-17xyz"), -17);
  EXPECT_EQ(TextToInt("+8"), 8);
  EXPECT_EQ(TextToInt("12 34"), 12);
  EXPECT_EQ(TextToInt(""), 0);
  EXPECT_EQ(TextToInt("abc"), 0);
  EXPECT_EQ(TextToInt("- 5"), 0);
  EXPECT_EQ(TextToInt("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(TextToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(TextToInt("-99999999999"), INT32_MIN);
  EXPECT_EQ(settings::IntToText(-250), "-250");
  EXPECT_EQ(settings::IndexedName("Scenario", 12), "Scenario(12)");
}

TEST(SettingsText, FlagsAreNonZeroIntegers) {
  EXPECT_TRUE(settings::TextToFlag("1"));
  EXPECT_TRUE(settings::TextToFlag("2"));
  EXPECT_TRUE(settings::TextToFlag("-1"));
  EXPECT_FALSE(settings::TextToFlag("0"));
  EXPECT_FALSE(settings::TextToFlag("yes"));
  EXPECT_FALSE(settings::TextToFlag(""));
}

TEST(SettingsText, ResolutionTextToSize) {
  EXPECT_EQ(ResolutionToSize("640X480"), (ScreenSize{640, 480}));
  EXPECT_EQ(ResolutionToSize("1152X864"), (ScreenSize{1152, 864}));
  EXPECT_EQ(ResolutionToSize("2048X1536"), (ScreenSize{2048, 1536}));
  // The desktop's own resolution is no size of its own: the saver asks the monitor.
  EXPECT_EQ(ResolutionToSize("DESKTOP"), (ScreenSize{800, 600}));
  EXPECT_TRUE(settings::IsDesktopResolution("DESKTOP"));
  EXPECT_FALSE(settings::IsDesktopResolution("Desktop"));
  EXPECT_FALSE(settings::IsDesktopResolution(std::nullopt));
  // Exact, case-sensitive matches only; everything else is 800 x 600.
  EXPECT_EQ(ResolutionToSize("1024x768"), (ScreenSize{800, 600}));
  EXPECT_EQ(ResolutionToSize(" 1024X768"), (ScreenSize{800, 600}));
  EXPECT_EQ(ResolutionToSize("1024X7680"), (ScreenSize{800, 600}));
  EXPECT_EQ(ResolutionToSize("1366X768"), (ScreenSize{800, 600}));
  EXPECT_EQ(ResolutionToSize(std::nullopt), (ScreenSize{800, 600}));
}

TEST(SettingsStore, TypedReadsFallBackWhenAbsent) {
  platform::MemorySettingsStore store;
  EXPECT_TRUE(settings::ReadFlag(store, settings::kUse3DFX, true));
  EXPECT_FALSE(settings::ReadFlag(store, settings::kUseSoundFX, false));
  EXPECT_EQ(settings::ReadInt(store, settings::kTextureLevel, 0), 0);
  ASSERT_TRUE(settings::WriteFlag(store, settings::kUse3DFX, false));
  ASSERT_TRUE(settings::WriteInt(store, settings::kTextureLevel, 2));
  EXPECT_EQ(settings::Read(store, settings::kUse3DFX), "0");
  EXPECT_FALSE(settings::ReadFlag(store, settings::kUse3DFX, true));
  EXPECT_EQ(settings::ReadInt(store, settings::kTextureLevel, 0), 2);
  // Values beyond the read limit are absent, as with the registry's fixed buffer.
  ASSERT_TRUE(settings::Write(store, settings::kResolution, std::string(1025, 'x')));
  EXPECT_FALSE(settings::Read(store, settings::kResolution));
  ASSERT_TRUE(settings::Write(store, settings::kResolution, std::string(1024, 'x')));
  EXPECT_TRUE(settings::Read(store, settings::kResolution));
}

TEST(ConfigSettings, SaveWritesEveryValueAndLoadReadsThemBack) {
  platform::MemorySettingsStore store;
  config::ConfigSettings empty;
  ASSERT_TRUE(config::SaveSettings(store, empty));
  // Every value exists after one save, untouched flags as "0" and counts as "0".
  for (auto name : {settings::kNumScenarios, settings::kNumMP3s, settings::kUseSoundFX,
                    settings::kUseCDAudio, settings::kUseMP3Audio, settings::kResolution,
                    settings::kUse3DFX, settings::kUseDynamicLighting, settings::kUseS3TC,
                    settings::kUse3DCameraView, settings::kUse254DCameraView,
                    settings::kSoundFXVolume, settings::kMusicVolume, settings::kTextureLevel}) {
    EXPECT_TRUE(settings::Read(store, name)) << name;
  }
  EXPECT_EQ(settings::Read(store, settings::kUse3DFX), "0");
  EXPECT_EQ(settings::Read(store, settings::kNumScenarios), "0");

  config::ConfigSettings saved;
  saved.scenarios = {"One.ss3", "Two.ss3", "Three.ss3", "Four.ss3", "Five.ss3"};
  saved.tracks = {{"Theme", "/music/theme.mp3"}};
  saved.useSoundFX = true;
  saved.resolution = "1024X768";
  saved.use3DCameraView = true;
  saved.soundFXVolume = 80;
  saved.textureLevel = 2;
  ASSERT_TRUE(config::SaveSettings(store, saved));

  config::ConfigSettings loaded;
  config::LoadSettings(store, loaded);
  EXPECT_EQ(loaded.scenarios, saved.scenarios);
  ASSERT_EQ(loaded.tracks.size(), 1u);
  EXPECT_EQ(loaded.tracks[0].path, "/music/theme.mp3");
  EXPECT_TRUE(loaded.useSoundFX);
  EXPECT_FALSE(loaded.useMP3Audio);
  EXPECT_EQ(loaded.resolution, "1024X768");
  EXPECT_TRUE(loaded.use3DCameraView);
  EXPECT_EQ(loaded.soundFXVolume, 80);
  EXPECT_EQ(loaded.textureLevel, 2);

  // A shorter list leaves the old entries in the store; readers stop at the count.
  saved.scenarios.resize(3);
  ASSERT_TRUE(config::SaveSettings(store, saved));
  EXPECT_EQ(settings::Read(store, "Scenario(3)"), "Four.ss3");
  EXPECT_EQ(settings::Read(store, "Scenario(4)"), "Five.ss3");
  config::ConfigSettings reloaded;
  config::LoadSettings(store, reloaded);
  EXPECT_EQ(reloaded.scenarios.size(), 3u);
}

TEST(ConfigSettings, LoadKeepsListsWithinCapacityAndFieldsWhenAbsent) {
  platform::MemorySettingsStore store;
  settings::Write(store, settings::kNumScenarios, "250");
  settings::Write(store, "Scenario(99)", std::string(600, 's'));
  settings::Write(store, settings::kNumMP3s, "-4");
  config::ConfigSettings loaded;
  loaded.musicVolume = 55;  // absent in the store: stays
  config::LoadSettings(store, loaded);
  ASSERT_EQ(loaded.scenarios.size(), 100u);
  EXPECT_EQ(loaded.scenarios[99].size(), config::ConfigSettings::kMaxScenarioName);
  EXPECT_TRUE(loaded.scenarios[0].empty());
  EXPECT_TRUE(loaded.tracks.empty());
  EXPECT_EQ(loaded.musicVolume, 55);
}

TEST(ConfigSettings, FailedWritesAreReportedButDoNotStopThePass) {
  platform::MemorySettingsStore store;
  store.failName = settings::kNumScenarios;
  config::ConfigSettings settings;
  settings.scenarios = {"A.ss3"};
  settings.textureLevel = 1;
  EXPECT_FALSE(config::SaveSettings(store, settings));
  EXPECT_EQ(store.writes, 15);  // everything but the failed count: a name, a count, 13 options
  EXPECT_EQ(settings::Read(store, "Scenario(0)"), "A.ss3");
  EXPECT_EQ(settings::Read(store, settings::kTextureLevel), "1");
}

}  // namespace
}  // namespace ironwood
