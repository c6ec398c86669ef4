#pragma once

// The "   Scenario Configuration   " page: which scenario files the saver plays, in order.
//
// What the face does: when the page is first shown (and each time it is shown again, so a file
// the editor saved appears) it calls Show() and fills the drop-down from files() with
// fileSelection() selected, and the list from rows() with rowSelection() selected; when
// notice() is not empty it shows that text where the lists would be; a message Show() returns
// goes in a message box once the page is on screen. It reports a pick in the
// drop-down with SelectFile(), a pick in the list with SelectRow(), and the buttons "Add >>"
// and "<< Remove" with Add() and Remove(); after each it shows the lists again, and a message
// Add() returns in a message box.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "config/file_listing.h"
#include "config/settings_block.h"

namespace ironwood::config {

class ScenarioConfigPage {
 public:
  ScenarioConfigPage(ConfigSettings& settings, std::optional<std::string> workingDirectory,
                     FileLister lister = ListFiles);

  // Lists the scenario files of the scenario folder again. The chosen file stays chosen while
  // it is still there; otherwise the first one is. Returns a message for a message box when the
  // folder holds scenario files it cannot list, the first time it finds that many.
  std::string Show();

  const std::vector<std::string>& files() const { return files_; }
  int fileSelection() const { return fileSelection_; }
  void SelectFile(int index);

  // The catalogue as the sorted list shows it.
  std::vector<std::string> rows() const;
  int rowSelection() const { return rowSelection_; }
  void SelectRow(int index);

  // Puts the chosen file in the catalogue, at its end, unless a file of that name (letter case
  // ignored) is already there. A full catalogue refuses with the message returned; otherwise
  // the result is empty.
  std::string Add();
  // Takes the selected entry out of the catalogue; later names move up one place.
  void Remove();

  // Shown instead of the file list when there is no installation folder; empty otherwise.
  const std::string& notice() const { return notice_; }

 private:
  ConfigSettings& settings_;
  std::optional<std::string> workingDirectory_;
  FileLister lister_;
  std::vector<std::string> files_;
  int fileSelection_ = -1;
  int rowSelection_ = -1;
  std::string notice_;
  std::size_t reportedUnlisted_ = 0;
};

}  // namespace ironwood::config
