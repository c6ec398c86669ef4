#pragma once

// Scenario files as the editor writes and reads them: the alliance 1 entry count on a line, one
// entry text a line, then the same for alliance 2. Entries are "(count) plug-in file name".
// Lines end with CR LF on every platform, so a file carries between machines.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ironwood::config {

// The two alliance lists being edited, alliance 1 first.
using AllianceLists = std::array<std::vector<std::string>, 2>;

// The most entries one alliance list holds.
inline constexpr std::size_t kMaxAllianceEntries = 100;
// The longest line an entry or count keeps, in characters.
inline constexpr std::size_t kMaxScenarioLine = 1023;
// The largest file the editor loads; far more than 200 entries of the longest lines.
inline constexpr std::uintmax_t kMaxScenarioFileBytes = 2 << 20;

// The ship count an entry gets from the "Number of:" text: below 1 (0, -3, nothing) gives "1",
// above 100 gives "100"; a plain run of digits such as "07" stays as typed. Anything else that
// reads as 1 .. 100 ("5 ships", " 5") becomes its number ("5"), since the saver splits entries
// at white space.
std::string NormaliseCountText(std::string_view typed);

// "(count) name".
std::string MakeEntry(std::string_view countText, std::string_view pluginName);

// The plug-in file name of an entry: what follows its count token and the white space after it.
std::string EntryName(std::string_view entry);

// The file a save writes: the chosen path with ".ss3" appended unless its file name (after the
// last folder separator) already holds ".ss3" somewhere ("Duel" -> "Duel.ss3", "Duel.ss3.bak"
// unchanged).
std::string ScenarioSaveName(std::string_view chosen);

// Writes both lists to `path`, replacing the file. Empty on success; otherwise a message
// saying the scenario could not be saved and why.
std::string WriteScenarioFile(const std::string& path, const AllianceLists& lists);

struct ScenarioFileRead {
  bool opened = false;   // false: the lists must stay as they were
  AllianceLists lists;   // what was read
  std::string message;   // empty when the file read cleanly; otherwise what was wrong
};

// Reads a scenario file (a plain file of at most 2 MB; anything else is not opened). A file shorter than its counts announce gives what was read up to its
// end; a count that is not a number gives no entries for that alliance (the next line is read
// as the next count); at most 100 entries an alliance are kept. Each such fault is described in
// `message`.
ScenarioFileRead ReadScenarioFile(const std::string& path);

}  // namespace ironwood::config
