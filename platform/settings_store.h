#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ironwood::platform {

// The two registry roots the system touches: the program's own key lives under the machine
// root, the desktop's password flags under the user root.
enum class SettingsRoot { LocalMachine, CurrentUser };

// A value's name and its text.
using TextValue = std::pair<std::string, std::string>;

// Text values in a key/value tree shaped like the registry. Every value is text; readers that
// want numbers convert it themselves. Implementations never throw.
class SettingsStore {
 public:
  // The longest value a read returns, in bytes; longer values read as absent.
  static constexpr std::size_t kMaxValueBytes = 1024;

  virtual ~SettingsStore() = default;

  // The value's text, or nothing when the value is absent, unreadable or too long.
  virtual std::optional<std::string> ReadText(SettingsRoot root, std::string_view subKey,
                                              std::string_view name) = 0;

  // Whether the value is there but longer than kMaxValueBytes, which ReadText answers as absent,
  // so that a reader can say which of the two it met. False where a store cannot tell.
  virtual bool ValueTooLong(SettingsRoot, std::string_view, std::string_view) { return false; }

  // Creates the key when missing and stores the text. False when nothing was stored.
  virtual bool WriteText(SettingsRoot root, std::string_view subKey, std::string_view name,
                         std::string_view text) = 0;

  // Stores every value under one key, as WriteText does each; a store that keeps its values in
  // one file writes it once, so the values arrive together or not at all. A value that cannot be
  // stored is passed over and the rest are still stored. False when any was not stored.
  virtual bool WriteTexts(SettingsRoot root, std::string_view subKey,
                          const std::vector<TextValue>& values) {
    bool all = true;
    for (const auto& [name, text] : values) all = WriteText(root, subKey, name, text) && all;
    return all;
  }
};

// The store of the platform the program runs on: the registry on Windows, the layered
// .reg-format text files on Linux.
std::unique_ptr<SettingsStore> OpenSettingsStore();

}  // namespace ironwood::platform
