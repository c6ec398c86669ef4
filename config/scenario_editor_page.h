#pragma once

// The "   Scenario Editor   " page: composes a scenario from the installed ship plug-ins and
// saves it to, or loads it from, a ".ss3" file.
//
// What the face does: on first show it calls Show() and fills both drop-downs from plugins()
// with pluginSelection() selected, both "Number of:" edits from countText(), both lists from
// entries(); when notice() is not empty it shows that text where the drop-downs would be, and a
// message Show() returns it shows in a message box once the page is on screen. It
// reports picks with SelectPlugin() / SelectEntry(), every change of an edit with
// SetCountText(), and "Add >>" / "<< Remove" with Add() / Remove(), then shows the lists
// again; a message Add() returns goes in a message box.
//
// "Save Scenario...": PrepareScenarioFolder(), then the save dialog (kSaveDialogTitle,
// kScenarioFilterName with kScenarioFilterPattern, starting in scenarioFolder() with
// lastFileName(); it does not require that the file exist). On OK: when
// ReplaceQuestion(chosen path, the name the dialog itself asked about, if any) is not empty, ask
// it with caption kReplaceCaption, Yes and No (No the default), over the dialog; No goes back to
// the dialog. Then Save(chosen path) and show the message it returns, if any.
//
// "Load Scenario...": when HasEntries(), ask kSaveQuestion with caption kSaveQuestionCaption,
// Yes and No (the Windows face gives it no owner window; GTK's is centred over the sheet); on
// Yes run the save steps (a cancelled save dialog saves nothing and loading goes on). Then
// PrepareScenarioFolder() and the load dialog (kLoadDialogTitle, the same filter, the file must
// exist); on OK: Load(chosen path), show its message if any, and show the lists again.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/file_listing.h"
#include "config/scenario_file.h"

namespace ironwood::config {

inline constexpr std::string_view kSaveDialogTitle = "Save Scenario";
inline constexpr std::string_view kLoadDialogTitle = "Load Scenario";
inline constexpr std::string_view kScenarioFilterName =
    "Starfray ScreenSaver Scenario Files (*.ss3)";
inline constexpr std::string_view kScenarioFilterPattern = "*.ss3";
inline constexpr std::string_view kSaveQuestion = "Do you want to save this Scenario?";
inline constexpr std::string_view kSaveQuestionCaption = "Save Scenario";
inline constexpr std::string_view kReplaceCaption = "Replace Scenario";

class ScenarioEditorPage {
 public:
  explicit ScenarioEditorPage(std::optional<std::string> workingDirectory,
                              FileLister lister = ListFiles);

  // Lists the plug-ins into both drop-downs, selecting the first, and sets both counts to "1".
  // Returns a message for a message box when the folder holds plug-ins it cannot list.
  std::string Show();

  // Alliances are 0 (alliance 1) and 1 (alliance 2).
  const std::vector<std::string>& plugins() const { return plugins_; }
  int pluginSelection(int alliance) const { return pluginSelection_[Index(alliance)]; }
  void SelectPlugin(int alliance, int index);

  const std::string& countText(int alliance) const { return countText_[Index(alliance)]; }
  void SetCountText(int alliance, std::string_view text);

  const std::vector<std::string>& entries(int alliance) const { return lists_[Index(alliance)]; }
  const AllianceLists& lists() const { return lists_; }
  int entrySelection(int alliance) const { return entrySelection_[Index(alliance)]; }
  void SelectEntry(int alliance, int index);

  // Appends "(count) plug-in" for the chosen plug-in; an entry already naming that plug-in
  // (whole name, letter case ignored) is taken out first, so it moves to the end with its new
  // count. A full list refuses with the message returned; otherwise the result is empty.
  std::string Add(int alliance);
  // Takes the selected entry out.
  void Remove(int alliance);

  bool HasEntries() const { return !lists_[0].empty() || !lists_[1].empty(); }

  // The folder the file dialogs start in; empty when there is no installation folder.
  std::string scenarioFolder() const;
  // Creates the scenario folder when it is missing; a failure shows in the dialog.
  void PrepareScenarioFolder() const;
  // The last name chosen in either dialog during this run.
  const std::string& lastFileName() const { return lastFileName_; }

  // The question to ask before saving to the chosen path: not empty when the file Save() would
  // write (ScenarioSaveName) exists, unless that is the name the dialog already asked about.
  std::string ReplaceQuestion(const std::string& chosenPath,
                              const std::string& alreadyAsked = {}) const;

  // Writes both lists to the chosen file (".ss3" appended unless the name holds it). Empty on
  // success, otherwise a message saying it could not be saved and why.
  std::string Save(const std::string& chosenPath);
  // Replaces both lists from the chosen file. A file that cannot be opened leaves the lists as
  // they were. Returns a message when the file could not be opened or was not read whole.
  std::string Load(const std::string& chosenPath);

  const std::string& notice() const { return notice_; }

 private:
  static std::size_t Index(int alliance) { return alliance == 1 ? 1 : 0; }

  std::optional<std::string> workingDirectory_;
  FileLister lister_;
  std::vector<std::string> plugins_;
  int pluginSelection_[2] = {-1, -1};
  std::string countText_[2] = {"1", "1"};
  AllianceLists lists_;
  int entrySelection_[2] = {-1, -1};
  std::string lastFileName_;
  std::string notice_;
};

}  // namespace ironwood::config
