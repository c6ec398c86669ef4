#pragma once

// Scenarios: which ship classes fight for each alliance, and how many ships of each. A scenario
// is a ".ss3" text file in the installation's "Scenarios" folder; the catalogue is the ordered
// list of them named in the settings ("NumScenarios", "Scenario(%d)"), played in turn.
//
// The ".ss3" file is white-space separated tokens: the alliance 1 entry count A, A entries,
// the alliance 2 entry count B, B entries. An entry is a count token, the ship count between
// two bracket characters ("(3)"; the reader only drops the first and last character, so "[3]"
// reads the same), and a plug-in file name (no folder, no white space). Writers put one item on
// a line; readers do not care about lines.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"

namespace ironwood {

struct ScenarioEntry {
  int shipCount = 0;       // 1 or more
  std::string pluginPath;  // installation, "Plugins", the file name
};

struct AllianceList {
  std::vector<ScenarioEntry> entries;
  int total = 0;  // the sum of the entries' ship counts: the ships the alliance fields

  int entryCount() const { return static_cast<int>(entries.size()); }
};

struct Scenario {
  std::string filePath;  // the ".ss3" file
  AllianceList alliance1;
  AllianceList alliance2;

  // 1 or 2.
  const AllianceList& alliance(int which) const { return which == 2 ? alliance2 : alliance1; }
};

// Limits every scenario reader keeps, so no path or count token outgrows what the writers
// produce (and what fixed buffers elsewhere hold).
inline constexpr std::size_t kMaxScenarioPath = 1023;   // characters, without a terminator
inline constexpr std::size_t kMaxCountToken = 11;       // "(" count ")" included
// The configuration program writes 1 to 100 ships an entry; a battle of both alliances holds a
// few hundred usually and two thousand at the very most, so anything past these is a damaged or
// hostile file, not a scenario.
inline constexpr int kMaxShipsPerEntry = 100;
inline constexpr int kMaxShipsPerBattle = 2000;
// The largest file those limits allow (2000 entries of the longest tokens) is about two megabytes.
inline constexpr std::size_t kMaxScenarioFileBytes = 2 << 20;

// Reads one ".ss3" file. Plug-in paths are made with the installation folder (ending with a
// separator). The counts are read the C runtime's way (digits up to the first other
// character), but the file is refused, with the fault in `why`, when it is cut short, when a
// list count is negative or not a number, when a count token is longer than 11 characters or
// gives a ship count below 1 or above 100, when both alliances together would field more than
// 1000 ships, when a plug-in path would reach 1024 characters, or when it is no plain file of
// at most 2 MB (a pipe or a device is never opened). Whether the plug-ins exist is not checked
// here. `out` is only written on success.
bool ReadScenarioFile(const std::string& path, std::string_view installation, Scenario* out,
                      std::string* why = nullptr);
// The same from the file's text (the reason names no file; `filePath` is left empty).
bool ParseScenarioText(std::string text, std::string_view installation, Scenario* out,
                       std::string* why = nullptr);

// The ordered list of scenarios and the rotation through them.
class ScenarioCatalogue {
 public:
  // Reads "NumScenarios" and "Scenario(0)" ... from the store, drops every scenario file that
  // is missing, a folder or marked read-only (it is opened and closed, never changed), then
  // reads the rest in order. A file that is no plain file (a device, a pipe), cannot be opened
  // or cannot be read (malformed, too large) drops out too, its reason kept in problems(): one
  // broken file must not stop every other battle. Fails, with the reason in `why` (naming every
  // file that dropped out when none is left to read) and the catalogue left as it was, when the
  // count is absent, too long, not a number or not positive, a name is absent or too long, or
  // no readable file remains. On success both indices are 0.
  bool Load(platform::SettingsStore& store, std::string_view installation,
            std::string* why = nullptr);
  // Why each file read by the last Load dropped out, one line a file.
  const std::vector<std::string>& problems() const { return problems_; }

  int scenarioCount() const { return static_cast<int>(scenarios_.size()); }
  const Scenario& scenario(int i) const { return scenarios_.at(static_cast<std::size_t>(i)); }
  int currentIndex() const { return current_; }
  int nextIndex() const { return next_; }

  // The scenario of the next battle: the current index becomes the next index, wrapping to 0
  // (both) past the end, and moves on past scenarios refused earlier. Null when the catalogue
  // is empty or every scenario has been refused.
  const Scenario* ChooseNext();
  // The battle from the chosen scenario started: the next one follows it.
  void Commit() { next_ = current_ + 1; }
  // The chosen scenario cannot start (a plug-in is missing, it fields no alliance 1 ship): the
  // rotation passes over it from now on, and the next one follows it.
  void Refuse();
  bool Refused(int i) const { return refused_.at(static_cast<std::size_t>(i)); }

 private:
  std::vector<Scenario> scenarios_;
  std::vector<bool> refused_;  // one a scenario
  std::vector<std::string> problems_;
  int current_ = 0;
  int next_ = 0;
};

}  // namespace ironwood
