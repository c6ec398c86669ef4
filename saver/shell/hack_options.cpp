#include "saver/shell/hack_options.h"

#include <cctype>
#include <cstdint>

#include "common/settings.h"

namespace ironwood {
namespace {

// Registry names match whatever their case.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Sets `slot` once; a second switch must agree with the first.
bool SetOnce(std::optional<bool>& slot, bool value, std::string_view name, std::string& error) {
  if (slot && *slot != value) {
    error = "conflicting switches for " + std::string(name);
    return false;
  }
  slot = value;
  return true;
}

}  // namespace

std::optional<unsigned long> ParseWindowId(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  if (value == 0 || value > 0xFFFFFFFFULL) return std::nullopt;
  return static_cast<unsigned long>(value);
}

bool ExtractHackOptions(std::vector<std::string>& arguments, const char* environmentWindow,
                        HackOptions& options, std::string& error) {
  bool root = false;
  std::optional<unsigned long> window;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view text = arguments[i];
    if (text == "--root" || text == "-root") {
      root = true;
      continue;
    }
    if (text == "--window-id" || text == "-window-id" || text.starts_with("--window-id=")) {
      std::string_view value;
      if (text.starts_with("--window-id=")) {
        value = text.substr(sizeof "--window-id=" - 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        error = std::string(text) + " needs a window id";
        return false;
      }
      const std::optional<unsigned long> id = ParseWindowId(value);
      if (!id) {
        error = "\"" + std::string(value) + "\" is not a window id";
        return false;
      }
      if (window && *window != *id) {
        error = "two different windows to draw in";
        return false;
      }
      window = id;
      continue;
    }
    if (text == "--camera-3d" || text == "--no-camera-3d") {
      if (!SetOnce(options.camera3D, text == "--camera-3d", "the 3D camera view", error)) {
        return false;
      }
      continue;
    }
    if (text == "--sound" || text == "--no-sound") {
      if (!SetOnce(options.soundEffects, text == "--sound", "the sound effects", error)) {
        return false;
      }
      continue;
    }
    rest.push_back(arguments[i]);
  }

  // The daemon names the window to draw in through the environment as well; an explicit window
  // id wins over it. On its own, without any other argument, the variable means the same.
  const bool environmentSet = environmentWindow != nullptr && *environmentWindow != '\0';
  const bool fromEnvironment = environmentSet && !window && (root || rest.empty());
  if (fromEnvironment) {
    const std::optional<unsigned long> id = ParseWindowId(environmentWindow);
    if (!id) {
      error = "XSCREENSAVER_WINDOW=\"" + std::string(environmentWindow) + "\" is not a window id";
      return false;
    }
    window = id;
  }
  options.enabled = root || window.has_value();
  options.window = window.value_or(0);
  if (options.enabled && !rest.empty()) {
    error = "\"" + rest.front() + "\" cannot go with a window to draw in";
    return false;
  }
  arguments = std::move(rest);
  return true;
}

OverriddenSettings::OverriddenSettings(platform::SettingsStore& base, const HackOptions& options)
    : base_(base) {
  if (options.camera3D) {
    values_[Lower(settings::kUse3DCameraView)] = *options.camera3D ? "1" : "0";
  }
  if (options.soundEffects) {
    values_[Lower(settings::kUseSoundFX)] = *options.soundEffects ? "1" : "0";
  }
}

std::optional<std::string> OverriddenSettings::ReadText(platform::SettingsRoot root,
                                                        std::string_view subKey,
                                                        std::string_view name) {
  if (root == platform::SettingsRoot::LocalMachine && SameName(subKey, settings::kKey)) {
    const auto found = values_.find(Lower(name));
    if (found != values_.end()) return found->second;
  }
  return base_.ReadText(root, subKey, name);
}

bool OverriddenSettings::ValueTooLong(platform::SettingsRoot root, std::string_view subKey,
                                      std::string_view name) {
  if (root == platform::SettingsRoot::LocalMachine && SameName(subKey, settings::kKey) &&
      values_.find(Lower(name)) != values_.end()) {
    return false;
  }
  return base_.ValueTooLong(root, subKey, name);
}

bool OverriddenSettings::WriteText(platform::SettingsRoot root, std::string_view subKey,
                                   std::string_view name, std::string_view text) {
  return base_.WriteText(root, subKey, name, text);
}

}  // namespace ironwood
