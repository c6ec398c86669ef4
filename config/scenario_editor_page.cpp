#include "config/scenario_editor_page.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "config/page_common.h"

namespace ironwood::config {

ScenarioEditorPage::ScenarioEditorPage(std::optional<std::string> workingDirectory,
                                       FileLister lister)
    : workingDirectory_(std::move(workingDirectory)), lister_(std::move(lister)) {}

std::string ScenarioEditorPage::Show() {
  plugins_.clear();
  std::string message;
  if (workingDirectory_) {
    const std::string folder = PluginFolder(*workingDirectory_);
    FolderListing listing = lister_(folder, ".as3");
    plugins_ = std::move(listing.names);
    SortFileNames(plugins_);
    notice_.clear();
    message = UnlistedFilesMessage(listing.unlisted, folder);
  } else {
    notice_ = NoInstallationNotice("ship plug-ins");
  }
  const int first = plugins_.empty() ? -1 : 0;
  pluginSelection_[0] = pluginSelection_[1] = first;
  countText_[0] = countText_[1] = "1";
  return message;
}

void ScenarioEditorPage::SelectPlugin(int alliance, int index) {
  pluginSelection_[Index(alliance)] =
      index >= 0 && index < static_cast<int>(plugins_.size()) ? index : -1;
}

void ScenarioEditorPage::SetCountText(int alliance, std::string_view text) {
  countText_[Index(alliance)] = std::string(text.substr(0, kMaxScenarioLine));
}

void ScenarioEditorPage::SelectEntry(int alliance, int index) {
  const auto& list = lists_[Index(alliance)];
  entrySelection_[Index(alliance)] =
      index >= 0 && index < static_cast<int>(list.size()) ? index : -1;
}

std::string ScenarioEditorPage::Add(int alliance) {
  const std::size_t a = Index(alliance);
  if (pluginSelection_[a] < 0) return {};
  const std::string& name = plugins_[static_cast<std::size_t>(pluginSelection_[a])];
  auto& list = lists_[a];
  const auto listed = std::find_if(list.begin(), list.end(), [&](const std::string& entry) {
    return SameFileName(EntryName(entry), name);
  });
  if (listed == list.end() && list.size() >= kMaxAllianceEntries) {
    return "\"" + name + "\" was not added: alliance " + std::to_string(a + 1) +
           " holds at most " + std::to_string(kMaxAllianceEntries) + " entries. Remove one first.";
  }
  int& selection = entrySelection_[a];
  if (listed != list.end()) {
    const int removed = static_cast<int>(listed - list.begin());
    list.erase(listed);
    if (selection == removed) selection = -1;
    else if (selection > removed) --selection;
  }
  list.push_back(MakeEntry(NormaliseCountText(countText_[a]), name));
  return {};
}

void ScenarioEditorPage::Remove(int alliance) {
  const std::size_t a = Index(alliance);
  int& selection = entrySelection_[a];
  if (selection < 0) return;
  auto& list = lists_[a];
  list.erase(list.begin() + selection);
  selection = SelectionAfterRemoval(selection, list.size());
}

std::string ScenarioEditorPage::scenarioFolder() const {
  return workingDirectory_ ? ScenarioFolder(*workingDirectory_) : std::string();
}

void ScenarioEditorPage::PrepareScenarioFolder() const {
  if (!workingDirectory_) return;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(scenarioFolder()), ignored);
}

std::string ScenarioEditorPage::ReplaceQuestion(const std::string& chosenPath,
                                               const std::string& alreadyAsked) const {
  const std::string target = ScenarioSaveName(chosenPath);
  if (target == alreadyAsked) return {};
  // Anything standing under that name counts, a dangling link too.
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(target, error))) return {};
  return "\"" + std::filesystem::path(target).filename().string() +
         "\" already exists.\nDo you want to replace it?";
}

std::string ScenarioEditorPage::Save(const std::string& chosenPath) {
  lastFileName_ = chosenPath;
  return WriteScenarioFile(ScenarioSaveName(chosenPath), lists_);
}

std::string ScenarioEditorPage::Load(const std::string& chosenPath) {
  lastFileName_ = chosenPath;
  ScenarioFileRead read = ReadScenarioFile(chosenPath);
  if (!read.opened) return read.message;
  lists_ = std::move(read.lists);
  entrySelection_[0] = entrySelection_[1] = -1;
  return read.message;
}

}  // namespace ironwood::config
