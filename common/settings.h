#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace ironwood::settings {

// The key both programs share, under the machine root.
inline constexpr std::string_view kKey = "software\\Quillon\\Starfray ScreenSaver\\2.60";

// Value names. Every value is text; numbers are decimal, flags the digits 0 and 1.
inline constexpr std::string_view kWorkingDirectory = "WorkingDirectory";
inline constexpr std::string_view kResolution = "Resolution";
inline constexpr std::string_view kUseSoundFX = "UseSoundFX";
inline constexpr std::string_view kUseCDAudio = "UseCDAudio";
inline constexpr std::string_view kUseMP3Audio = "UseMP3Audio";
inline constexpr std::string_view kUse3DFX = "Use3DFX";
inline constexpr std::string_view kUseS3TC = "UseS3TC";
inline constexpr std::string_view kTextureLevel = "TextureLevel";
inline constexpr std::string_view kUse3DCameraView = "Use3DCameraView";
// Smooth edges where the driver offers a multisampled format; absent: on.
inline constexpr std::string_view kMultisampling = "Multisampling";
inline constexpr std::string_view kUseDynamicLighting = "UseDynamicLighting";
inline constexpr std::string_view kUse254DCameraView = "Use254DCameraView";
inline constexpr std::string_view kSoundFXVolume = "SoundFXVolume";
inline constexpr std::string_view kMusicVolume = "MusicVolume";
inline constexpr std::string_view kNumScenarios = "NumScenarios";
inline constexpr std::string_view kScenario = "Scenario";  // Scenario(%d)
inline constexpr std::string_view kNumMP3s = "NumMP3s";
inline constexpr std::string_view kMP3 = "MP3";          // MP3(%d)
inline constexpr std::string_view kMP3Path = "MP3Path";  // MP3Path(%d)
inline constexpr std::string_view kPassword = "Password";

// The desktop's own password flags, under the user root; read, never written.
inline constexpr std::string_view kDesktopKey = "Control Panel\\desktop";
inline constexpr std::string_view kScreenSaveUsePassword = "ScreenSaveUsePassword";
inline constexpr std::string_view kScreenSaverIsSecure = "ScreenSaverIsSecure";

// "Scenario" and 3 give "Scenario(3)".
std::string IndexedName(std::string_view base, int index);

// Decimal text to integer the way the C runtime's atoi reads it: leading white space, an
// optional sign, then digits up to the first other character; no digits give 0. Values beyond
// the 32-bit range saturate instead of wrapping.
int TextToInt(std::string_view text);

// Integer to decimal text (base 10, a minus sign for negative values).
std::string IntToText(int value);

// A flag is on when its text reads as a non-zero integer: "2" is on, "yes" is off.
bool TextToFlag(std::string_view text);

struct ScreenSize {
  int width = 800;
  int height = 600;
  friend bool operator==(const ScreenSize&, const ScreenSize&) = default;
};

// One of the eight resolution texts ("640X480" ... "2048X1536", compared case-sensitively) to
// its size; anything else, or no text at all, is 800 x 600.
ScreenSize ResolutionToSize(std::optional<std::string_view> text);

// The resolution text that keeps the primary monitor's own mode and shape: no mode change, the
// picture at the monitor's real size. Compared case-sensitively, as the eight sizes are.
inline constexpr std::string_view kDesktopResolution = "DESKTOP";
bool IsDesktopResolution(std::optional<std::string_view> text);

// Reads and writes in the shared key.
std::optional<std::string> Read(platform::SettingsStore& store, std::string_view name);
// Whether a value that Read answers as absent is in fact there but too long to be read.
bool TooLong(platform::SettingsStore& store, std::string_view name);
bool Write(platform::SettingsStore& store, std::string_view name, std::string_view text);
int ReadInt(platform::SettingsStore& store, std::string_view name, int whenAbsent);
bool ReadFlag(platform::SettingsStore& store, std::string_view name, bool whenAbsent);
bool WriteInt(platform::SettingsStore& store, std::string_view name, int value);
bool WriteFlag(platform::SettingsStore& store, std::string_view name, bool value);

// The installation folder both programs read their files from, ending with a path separator
// (one is added when the stored text lacks it). Nothing when the value is absent or empty.
std::optional<std::string> ReadWorkingDirectory(platform::SettingsStore& store);

}  // namespace ironwood::settings
