// A screen-saver daemon's switches: which window the saver draws in, the settings it sets for
// one run, and what is refused.
#include "saver/shell/hack_options.h"

#include <gtest/gtest.h>

#include "common/settings.h"
#include "platform/headless/memory_settings_store.h"

namespace ironwood {
namespace {

struct Extracted {
  bool ok = false;
  HackOptions options;
  std::vector<std::string> rest;
  std::string error;
};

Extracted Extract(std::vector<std::string> arguments, const char* environment = nullptr) {
  Extracted result;
  result.ok = ExtractHackOptions(arguments, environment, result.options, result.error);
  result.rest = arguments;
  return result;
}

TEST(HackOptions, TheWindowComesFromTheSwitchesOrTheEnvironment) {
  // The daemon's spellings, one dash or two.
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"-window-id", "0x1e00007"}, {"--window-id", "31457287"}, {"--window-id=0x1E00007"}}) {
    const Extracted got = Extract(arguments);
    ASSERT_TRUE(got.ok) << got.error;
    EXPECT_TRUE(got.options.enabled);
    EXPECT_EQ(got.options.window, 0x1e00007UL);
    EXPECT_TRUE(got.rest.empty());
  }
  // --root alone draws into the root window; with the variable set, into the window it names.
  Extracted got = Extract({"-root"});
  ASSERT_TRUE(got.ok);
  EXPECT_TRUE(got.options.enabled);
  EXPECT_EQ(got.options.window, 0UL);
  got = Extract({"--root"}, "0x400001");
  ASSERT_TRUE(got.ok);
  EXPECT_EQ(got.options.window, 0x400001UL);
  // The variable alone means the same; an explicit window id wins over it.
  got = Extract({}, "4194305");
  ASSERT_TRUE(got.ok);
  EXPECT_TRUE(got.options.enabled);
  EXPECT_EQ(got.options.window, 4194305UL);
  got = Extract({"--window-id", "0x99"}, "0x400001");
  ASSERT_TRUE(got.ok);
  EXPECT_EQ(got.options.window, 0x99UL);
}

TEST(HackOptions, OtherRunModesAreLeftAlone) {
  // A run mode with the variable set in the environment (a settings program started from a
  // daemon's session) is that run mode, not a drawing into the daemon's window.
  Extracted got = Extract({"/c"}, "0x400001");
  ASSERT_TRUE(got.ok);
  EXPECT_FALSE(got.options.enabled);
  EXPECT_EQ(got.rest, (std::vector<std::string>{"/c"}));
  // The settings switches work in the ordinary run too and never reach the run-mode scan
  // (where "--no-sound" would read as /s).
  got = Extract({"/s", "--no-sound", "--offscreen", "--camera-3d"});
  ASSERT_TRUE(got.ok);
  EXPECT_FALSE(got.options.enabled);
  EXPECT_EQ(got.rest, (std::vector<std::string>{"/s", "--offscreen"}));
  EXPECT_EQ(got.options.soundEffects, std::optional<bool>(false));
  EXPECT_EQ(got.options.camera3D, std::optional<bool>(true));
  got = Extract({});
  ASSERT_TRUE(got.ok);
  EXPECT_FALSE(got.options.enabled);
  EXPECT_FALSE(got.options.soundEffects.has_value());
}

TEST(HackOptions, BadWindowIdsAndConflictsAreRefusedWithAReason) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"--window-id"},                        // no value
           {"--window-id", "0"},                   // no window
           {"--window-id", "12ab"},                // not a number
           {"--window-id", "0x"},                  // no digits
           {"--window-id", "0x100000000"},         // beyond 32 bits
           {"--window-id", "-5"},                  // signed
           {"--window-id=99999999999999999999"},   // overflow
           {"--window-id", "5", "--window-id", "6"},
           {"--sound", "--no-sound"},
           {"--camera-3d", "--no-camera-3d"},
           {"--root", "/c"},                       // a window to draw in and another mode
       }) {
    const Extracted got = Extract(arguments);
    EXPECT_FALSE(got.ok) << arguments.front();
    EXPECT_FALSE(got.error.empty());
  }
  // The same switch twice with one meaning is harmless.
  EXPECT_TRUE(Extract({"--sound", "--sound", "--root", "--root"}).ok);
  // A variable that is not a window id is refused when it would be used, not otherwise.
  EXPECT_FALSE(Extract({"--root"}, "screen").ok);
  EXPECT_FALSE(Extract({}, "0").ok);
  EXPECT_TRUE(Extract({"--window-id", "7"}, "screen").ok);
  EXPECT_TRUE(Extract({"/c"}, "screen").ok);
  // An empty variable counts as unset.
  const Extracted got = Extract({}, "");
  EXPECT_TRUE(got.ok);
  EXPECT_FALSE(got.options.enabled);
}

TEST(HackOptions, OverridesApplyForTheRunAndAreNeverStored) {
  platform::MemorySettingsStore stored;
  ASSERT_TRUE(settings::WriteFlag(stored, settings::kUse3DCameraView, true));
  ASSERT_TRUE(settings::WriteFlag(stored, settings::kUseSoundFX, true));
  ASSERT_TRUE(settings::Write(stored, settings::kResolution, "1024X768"));

  HackOptions options;
  options.camera3D = false;
  OverriddenSettings run(stored, options);
  EXPECT_FALSE(settings::ReadFlag(run, settings::kUse3DCameraView, true));
  // Registry names match whatever their case.
  EXPECT_EQ(run.ReadText(platform::SettingsRoot::LocalMachine,
                         "SOFTWARE\\quillon\\starfray screensaver\\2.60", "use3dcameraview"),
            std::optional<std::string>("0"));
  // What the switches leave alone reads as stored.
  EXPECT_TRUE(settings::ReadFlag(run, settings::kUseSoundFX, false));
  EXPECT_EQ(settings::Read(run, settings::kResolution), std::optional<std::string>("1024X768"));
  // The same name under another key or root is not the program's setting.
  EXPECT_FALSE(run.ReadText(platform::SettingsRoot::CurrentUser, settings::kKey,
                            settings::kUse3DCameraView)
                   .has_value());
  // Writes go to the store, and the store keeps its own value.
  ASSERT_TRUE(settings::WriteFlag(run, settings::kUseSoundFX, false));
  EXPECT_FALSE(settings::ReadFlag(stored, settings::kUseSoundFX, true));
  EXPECT_TRUE(settings::ReadFlag(stored, settings::kUse3DCameraView, false));

  options = HackOptions{};
  options.soundEffects = true;
  OverriddenSettings sound(stored, options);
  EXPECT_TRUE(settings::ReadFlag(sound, settings::kUseSoundFX, false));
  EXPECT_TRUE(settings::ReadFlag(sound, settings::kUse3DCameraView, false));
}

}  // namespace
}  // namespace ironwood
