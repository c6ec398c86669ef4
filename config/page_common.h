#pragma once

// What every page shares: the installation folders, the message caption and the selection rule
// of the lists.

#include <optional>
#include <string>
#include <string_view>

#include "common/settings.h"
#include "platform/settings_store.h"

namespace ironwood::config {

// The caption of the sheet and of the message boxes the pages ask the face to show.
inline constexpr std::string_view kSheetCaption = "Starfray SS Configuration System";

// The working directory the installation stored, ending with a separator; nothing when it is
// absent or empty (the saver reads it the same way).
using settings::ReadWorkingDirectory;

// "<working directory>Scenarios<separator>" and "<working directory>Plugins<separator>".
std::string ScenarioFolder(const std::string& workingDirectory);
std::string PluginFolder(const std::string& workingDirectory);

// The text a page shows where its file lists would be when no working directory is set.
std::string NoInstallationNotice(std::string_view what);

// The selection after the entry at `removed` left a list that now holds `size` entries: the
// same index, the new last entry when the removed one was last, -1 when the list is empty.
inline int SelectionAfterRemoval(int removed, std::size_t size) {
  if (size == 0) return -1;
  const int last = static_cast<int>(size) - 1;
  return removed < last ? removed : last;
}

}  // namespace ironwood::config
