#include "common/settings.h"

#include <array>
#include <climits>
#include <cstdint>

#include "platform/paths.h"

namespace ironwood::settings {

std::string IndexedName(std::string_view base, int index) {
  std::string name(base);
  name += '(';
  name += IntToText(index);
  name += ')';
  return name;
}

int TextToInt(std::string_view text) {
  std::size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t magnitude = 0;
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude >= limit) {
      magnitude = limit;
      break;
    }
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

std::string IntToText(int value) {
  return std::to_string(value);
}

bool TextToFlag(std::string_view text) {
  return TextToInt(text) != 0;
}

ScreenSize ResolutionToSize(std::optional<std::string_view> text) {
  struct Mode {
    std::string_view text;
    ScreenSize size;
  };
  static constexpr std::array<Mode, 8> kModes{{
      {"640X480", {640, 480}},
      {"800X600", {800, 600}},
      {"1024X768", {1024, 768}},
      {"1152X864", {1152, 864}},
      {"1280X1024", {1280, 1024}},
      {"1600X1200", {1600, 1200}},
      {"1920X1440", {1920, 1440}},
      {"2048X1536", {2048, 1536}},
  }};
  if (text) {
    for (const Mode& mode : kModes) {
      if (*text == mode.text) return mode.size;
    }
  }
  return ScreenSize{};
}

bool IsDesktopResolution(std::optional<std::string_view> text) {
  return text && *text == kDesktopResolution;
}

std::optional<std::string> Read(platform::SettingsStore& store, std::string_view name) {
  return store.ReadText(platform::SettingsRoot::LocalMachine, kKey, name);
}

std::optional<std::string> ReadWorkingDirectory(platform::SettingsStore& store) {
  std::optional<std::string> folder = Read(store, kWorkingDirectory);
  if (!folder || folder->empty()) return std::nullopt;
  // Every file name is the folder text with a relative name appended, so the separator must be
  // there; a hand-written value often lacks it.
  if (!platform::EndsWithSeparator(*folder)) folder->push_back(platform::kPathSeparator);
  return folder;
}

bool TooLong(platform::SettingsStore& store, std::string_view name) {
  return store.ValueTooLong(platform::SettingsRoot::LocalMachine, kKey, name);
}

bool Write(platform::SettingsStore& store, std::string_view name, std::string_view text) {
  return store.WriteText(platform::SettingsRoot::LocalMachine, kKey, name, text);
}

int ReadInt(platform::SettingsStore& store, std::string_view name, int whenAbsent) {
  auto text = Read(store, name);
  return text ? TextToInt(*text) : whenAbsent;
}

bool ReadFlag(platform::SettingsStore& store, std::string_view name, bool whenAbsent) {
  auto text = Read(store, name);
  return text ? TextToFlag(*text) : whenAbsent;
}

bool WriteInt(platform::SettingsStore& store, std::string_view name, int value) {
  return Write(store, name, IntToText(value));
}

bool WriteFlag(platform::SettingsStore& store, std::string_view name, bool value) {
  return WriteInt(store, name, value ? 1 : 0);
}

}  // namespace ironwood::settings
