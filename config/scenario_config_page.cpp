#include "config/scenario_config_page.h"

#include <algorithm>

#include "config/page_common.h"

namespace ironwood::config {

ScenarioConfigPage::ScenarioConfigPage(ConfigSettings& settings,
                                       std::optional<std::string> workingDirectory,
                                       FileLister lister)
    : settings_(settings), workingDirectory_(std::move(workingDirectory)),
      lister_(std::move(lister)) {}

std::string ScenarioConfigPage::Show() {
  if (!workingDirectory_) {
    notice_ = NoInstallationNotice("scenario files");
    files_.clear();
    fileSelection_ = -1;
    return {};
  }
  const std::string chosen =
      fileSelection_ >= 0 ? files_[static_cast<std::size_t>(fileSelection_)] : std::string();
  const std::string folder = ScenarioFolder(*workingDirectory_);
  FolderListing listing = lister_(folder, ".ss3");
  files_ = std::move(listing.names);
  SortFileNames(files_);
  // Said once, not each time the page comes to the front; again only when the number changes.
  std::string message;
  if (listing.unlisted != reportedUnlisted_) {
    message = UnlistedFilesMessage(listing.unlisted, folder);
  }
  reportedUnlisted_ = listing.unlisted;
  const auto found = std::find(files_.begin(), files_.end(), chosen);
  if (!chosen.empty() && found != files_.end()) {
    fileSelection_ = static_cast<int>(found - files_.begin());
  } else {
    fileSelection_ = files_.empty() ? -1 : 0;
  }
  if (rowSelection_ >= static_cast<int>(settings_.scenarios.size())) rowSelection_ = -1;
  return message;
}

void ScenarioConfigPage::SelectFile(int index) {
  fileSelection_ = index >= 0 && index < static_cast<int>(files_.size()) ? index : -1;
}

std::vector<std::string> ScenarioConfigPage::rows() const {
  std::vector<std::string> rows = settings_.scenarios;
  SortFileNames(rows);
  return rows;
}

void ScenarioConfigPage::SelectRow(int index) {
  rowSelection_ = index >= 0 && index < static_cast<int>(settings_.scenarios.size()) ? index : -1;
}

std::string ScenarioConfigPage::Add() {
  if (fileSelection_ < 0) return {};
  const std::string& name = files_[static_cast<std::size_t>(fileSelection_)];
  auto& catalogue = settings_.scenarios;
  const bool listed = std::any_of(catalogue.begin(), catalogue.end(),
                                  [&](const std::string& s) { return SameFileName(s, name); });
  if (listed) return {};
  if (catalogue.size() >= static_cast<std::size_t>(ConfigSettings::kMaxListEntries)) {
    return "\"" + name + "\" was not added: the list of scenarios to play holds at most " +
           std::to_string(ConfigSettings::kMaxListEntries) + " scenarios. Remove one first.";
  }
  if (name.size() > ConfigSettings::kMaxScenarioName) {
    return "\"" + name + "\" was not added: its name is longer than " +
           std::to_string(ConfigSettings::kMaxScenarioName) + " characters.";
  }
  // The selected row keeps showing the same name after the list is sorted again.
  const std::vector<std::string> before = rows();
  catalogue.push_back(name);
  if (rowSelection_ >= 0) {
    const std::string selected = before[static_cast<std::size_t>(rowSelection_)];
    const std::vector<std::string> after = rows();
    rowSelection_ = static_cast<int>(std::find(after.begin(), after.end(), selected) - after.begin());
  }
  return {};
}

void ScenarioConfigPage::Remove() {
  if (rowSelection_ < 0) return;
  const std::string name = rows()[static_cast<std::size_t>(rowSelection_)];
  auto& catalogue = settings_.scenarios;
  // The row is a copy of a catalogue name, so the exact name is there; the first of equal ones
  // goes, and the rest move up one place.
  catalogue.erase(std::find(catalogue.begin(), catalogue.end(), name));
  rowSelection_ = SelectionAfterRemoval(rowSelection_, catalogue.size());
}

}  // namespace ironwood::config
