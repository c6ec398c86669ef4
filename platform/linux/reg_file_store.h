#pragma once

#include <optional>
#include <string>

#include "platform/reg_text.h"
#include "platform/settings_store.h"

namespace ironwood::platform {

// Settings kept in two .reg files: the system layer installed with the program and the user
// layer, which takes every write and wins over the system layer on reads. Files are read
// afresh on each call, so the saver sees what the configuration program has just written.
class RegFileStore : public SettingsStore {
 public:
  RegFileStore(std::string userPath, std::string systemPath);

  std::optional<std::string> ReadText(SettingsRoot root, std::string_view subKey,
                                      std::string_view name) override;
  bool ValueTooLong(SettingsRoot root, std::string_view subKey, std::string_view name) override;

  // Under an advisory lock on "<user file>.lock": re-reads the user file, sets the value and
  // replaces the file through a synced temporary file and a rename.
  bool WriteText(SettingsRoot root, std::string_view subKey, std::string_view name,
                 std::string_view text) override;

  // The same for many values: one lock, one read, one replacement of the file.
  bool WriteTexts(SettingsRoot root, std::string_view subKey,
                  const std::vector<TextValue>& values) override;

 private:
  // The value as a read sees it: the user layer's, else the system layer's.
  std::optional<RegValue> FindValue(SettingsRoot root, std::string_view subKey,
                                    std::string_view name) const;

  std::string userPath_;
  std::string systemPath_;
};

// $IRONWOOD_SETTINGS, else $XDG_CONFIG_HOME/ironwood/settings.reg, else
// ~/.config/ironwood/settings.reg; empty when no home folder is known.
std::string UserSettingsPath();

// $IRONWOOD_SYSTEM_SETTINGS, else the path the build installs the system layer to.
std::string SystemSettingsPath();

}  // namespace ironwood::platform
