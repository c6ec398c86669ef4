#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"

namespace ironwood {

// How a desktop's screen-saver daemon starts the saver as one of its display programs: into a
// window the daemon owns, and with switches that set a few settings for that run only.
//
//   --window-id ID (or -window-id ID, --window-id=ID): draw into that window; ID is decimal or
//                  0x-prefixed hexadecimal.
//   --root (or -root): draw into the window XSCREENSAVER_WINDOW names, or into the root window
//                  when it names none.
//   XSCREENSAVER_WINDOW alone (no other arguments): as --root.
//   --camera-3d / --no-camera-3d, --sound / --no-sound: the 3D camera view and the sound effects
//                  for this run, over the stored settings; accepted in every run mode.
struct HackOptions {
  bool enabled = false;     // draw into a window someone else owns
  unsigned long window = 0; // that window; 0: the root window of the default screen
  std::optional<bool> camera3D;
  std::optional<bool> soundEffects;
};

inline constexpr const char* kHackUsage =
    "usage: Ironwood [--root | --window-id ID] [--camera-3d | --no-camera-3d] "
    "[--sound | --no-sound]";

// Takes the switches above out of `arguments` (the rest stay, in order for the run-mode scan).
// `environmentWindow` is XSCREENSAVER_WINDOW's value, or nullptr when it is unset. False, with
// the reason in `error`, for a window id that is not a window id, a switch given twice with
// different meanings, or other arguments beside a window to draw in.
bool ExtractHackOptions(std::vector<std::string>& arguments, const char* environmentWindow,
                        HackOptions& options, std::string& error);

// A window id as the daemon writes it: decimal or 0x-prefixed hexadecimal, not 0, within 32 bits
// (X resource ids have 29). Nothing for anything else.
std::optional<unsigned long> ParseWindowId(std::string_view text);

// The stored settings with some of the program's values replaced for one run. Reads of those
// values give the replacement; every other read and every write go to the store underneath, so
// nothing of the replacement is ever stored.
class OverriddenSettings final : public platform::SettingsStore {
 public:
  OverriddenSettings(platform::SettingsStore& base, const HackOptions& options);

  std::optional<std::string> ReadText(platform::SettingsRoot root, std::string_view subKey,
                                      std::string_view name) override;
  bool ValueTooLong(platform::SettingsRoot root, std::string_view subKey,
                    std::string_view name) override;
  bool WriteText(platform::SettingsRoot root, std::string_view subKey, std::string_view name,
                 std::string_view text) override;

 private:
  platform::SettingsStore& base_;
  std::map<std::string, std::string, std::less<>> values_;  // by value name, program key only
};

}  // namespace ironwood
