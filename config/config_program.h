#pragma once

// The configuration program's state while its sheet is open: the settings block, the working
// directory and the four pages that edit them.
//
// What the face does: it makes one ConfigProgram over the platform's settings store, calls
// LoadSettings() before any page fills its controls, shows the pages of kPages in that order
// under the caption kSheetCaption with OK and Cancel (no Apply), and calls SaveSettings() only
// when the user closes the sheet with OK; when it fails, it shows kSettingsNotSaved in a message
// box. Cancel, or closing the window, saves nothing.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "config/page_common.h"
#include "config/scenario_config_page.h"
#include "config/scenario_editor_page.h"
#include "config/settings_block.h"
#include "config/sound_page.h"
#include "config/video_page.h"
#include "platform/settings_store.h"

namespace ironwood::config {

inline constexpr std::string_view kSettingsNotSaved =
    "Some settings could not be saved, so the screen saver will not see all of the changes "
    "made here.";

struct PageTab {
  std::string_view templateName;  // the dialog template of the page
  std::string_view title;         // the tab's text, three spaces each side
};

inline constexpr std::array<PageTab, 4> kPages = {{
    {"SCENARIOCONFIG", "   Scenario Configuration   "},
    {"SCENARIOEDITOR", "   Scenario Editor   "},
    {"SOUND", "   Sound   "},
    {"VIDEO", "   Video   "},
}};

class ConfigProgram {
 public:
  // Reads the working directory once; it stays the same for the whole run.
  ConfigProgram(platform::SettingsStore& store, FileLister lister = ListFiles);

  void LoadSettings();
  // True when every value was written.
  bool SaveSettings();

  const std::optional<std::string>& workingDirectory() const { return workingDirectory_; }

  ConfigSettings settings;

 private:
  platform::SettingsStore& store_;
  std::optional<std::string> workingDirectory_;

 public:
  ScenarioConfigPage scenarioConfig;
  ScenarioEditorPage scenarioEditor;
  SoundPage sound;
  VideoPage video;
};

}  // namespace ironwood::config
