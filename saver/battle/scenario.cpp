#include "saver/battle/scenario.h"

#include "platform/file_bytes.h"
#include "saver/assets/text_tokens.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>

#include "common/settings.h"
#include "platform/file_names.h"
#include "platform/paths.h"

namespace ironwood {
namespace {

bool Fail(std::string* why, const std::string& text) {
  if (why != nullptr) *why = text;
  return false;
}

// White-space separated tokens, split the way the C runtime's "%s" splits them.
class Tokens {
 public:
  explicit Tokens(std::string text) : text_(std::move(text)) {}

  // False at the end of the text.
  bool Next(std::string* token) {
    while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
    if (at_ == text_.size()) return false;
    const std::size_t start = at_;
    while (at_ < text_.size() && !IsSpace(text_[at_])) ++at_;
    token->assign(text_, start, at_ - start);
    return true;
  }

 private:
  static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

  std::string text_;
  std::size_t at_ = 0;
};

// Whether the text is a whole number and nothing else: an optional sign, then digits. "5abc" is
// not five: a count with anything after it is a damaged file, not a count.
bool IsWholeNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

std::string TooLongText() {
  return "too long (more than the " + std::to_string(platform::SettingsStore::kMaxValueBytes) +
         " bytes a setting may hold)";
}

// Whether the text starts as a number setting does: white space, an optional sign, a digit.
bool StartsWithNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

// One alliance's list: its entry count, then the entries. `battleShips` counts the ships of
// both lists read so far.
bool ReadList(Tokens& tokens, std::string_view installation, const std::string& what,
              AllianceList* list, int* battleShips, std::string* fault) {
  std::string token;
  if (!tokens.Next(&token)) {
    *fault = "the file ends before the " + what + " entry count";
    return false;
  }
  if (!IsWholeNumber(token)) {
    *fault = "the " + what + " entry count \"" + token + "\" is not a number";
    return false;
  }
  const int count = settings::TextToInt(token);
  if (count < 0) {
    *fault = "the " + what + " entry count " + std::to_string(count) + " is negative";
    return false;
  }
  int total = 0;
  for (int i = 0; i < count; ++i) {
    const std::string entry = what + " entry " + std::to_string(i + 1);
    std::string countToken, name;
    if (!tokens.Next(&countToken) || !tokens.Next(&name)) {
      *fault = "the file ends in " + entry + " of " + std::to_string(count);
      return false;
    }
    if (countToken.size() > kMaxCountToken) {
      *fault = entry + ": the count \"" + countToken + "\" is longer than " +
               std::to_string(kMaxCountToken) + " characters";
      return false;
    }
    // The first and last character are the brackets, whichever they are.
    std::string inner = countToken;
    inner.front() = ' ';
    inner.back() = ' ';
    const int ships = settings::TextToInt(inner);
    const std::string_view digits = std::string_view(countToken).substr(1, countToken.size() - 2);
    if (ships < 1 || !IsWholeNumber(digits)) {
      *fault = entry + ": the count \"" + countToken + "\" is not a number of 1 or more";
      return false;
    }
    if (ships > kMaxShipsPerEntry) {
      *fault = entry + ": " + std::to_string(ships) + " ships (at most " +
               std::to_string(kMaxShipsPerEntry) + " an entry)";
      return false;
    }
    // Checked as the entries come, so a huge list is refused before it is read to its end.
    if (*battleShips + ships > kMaxShipsPerBattle) {
      *fault = entry + ": the battle would field more than " +
               std::to_string(kMaxShipsPerBattle) + " ships";
      return false;
    }
    if (const std::string_view notPlain = platform::PlainFileNameFault(name); !notPlain.empty()) {
      *fault = entry + ": the plug-in name \"" + name + "\" is not a plain file name (" +
               std::string(notPlain) + ")";
      return false;
    }
    std::string pluginPath = platform::InstallationFile(installation, "Plugins", name);
    if (pluginPath.size() > kMaxScenarioPath) {
      *fault = entry + ": the plug-in path would be " + std::to_string(pluginPath.size()) +
               " characters (at most " + std::to_string(kMaxScenarioPath) + ")";
      return false;
    }
    total += ships;
    *battleShips += ships;
    list->entries.push_back({ships, std::move(pluginPath)});
  }
  list->total = total;
  return true;
}

// The check that drops unusable scenario files: the file must exist as a file, open for reading,
// and not be marked read-only (no write permission for anyone; on Windows the read-only
// attribute). It is never written. Whether this user could write it does not count: an
// installation folder belongs to the administrator, and its scenarios must play for everyone.
// Answers why the file drops out, or nothing when it is usable. `quiet` is set for the drop-outs
// a catalogue is expected to hold (a missing file, a folder, one marked read-only), which are
// named only when no scenario is left.
std::string DropReason(const std::string& path, bool* quiet) {
  namespace fs = std::filesystem;
  *quiet = false;
  // A path too long for any writer to have made cannot be a usable file either.
  if (path.size() > kMaxScenarioPath) {
    return "a scenario path of " + std::to_string(path.size()) + " characters (at most " +
           std::to_string(kMaxScenarioPath) + ")";
  }
  std::error_code error;
  const fs::file_status status = fs::status(platform::NativePath(path), error);
  if (!fs::exists(status)) {
    *quiet = true;
    return path + ": no such file";
  }
  if (fs::is_directory(status)) {
    *quiet = true;
    return path + ": a folder, not a scenario file";
  }
  // Only a plain file is opened: a folder opens for reading too, and a pipe would block.
  if (error || !fs::is_regular_file(status)) return path + ": not a plain file";
  std::ifstream file(platform::NativePath(path), std::ios::binary);
  if (!file) return path + ": cannot open the file for reading";
  const fs::perms perms = status.permissions();
  constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write |
                               fs::perms::others_write;
  if ((perms & kWrite) == fs::perms::none) {
    *quiet = true;
    return path + ": marked read-only";
  }
  return {};
}

// The first lines of `lines` joined for one log line, then how many more there were.
std::string Joined(const std::vector<std::string>& lines) {
  ProblemLines shown;
  for (const std::string& line : lines) shown.Add(line);
  std::string text;
  for (const std::string& line : shown.Lines()) text += (text.empty() ? "" : "; ") + line;
  return text;
}

}  // namespace

bool ReadScenarioFile(const std::string& path, std::string_view installation, Scenario* out,
                      std::string* why) {
  // Only a plain file is opened (a pipe or a device would block for ever), and only read when
  // it is no larger than the editor could write.
  std::string text;
  switch (platform::ReadWholeFile(path, kMaxScenarioFileBytes, &text)) {
    case platform::FileFault::kNone:
      break;
    case platform::FileFault::kMissing:
      return Fail(why, path + ": cannot open the file");
    case platform::FileFault::kNotRegular:
      return Fail(why, path + ": not a plain file");
    case platform::FileFault::kTooLarge: {
      std::error_code unknown;
      const std::uintmax_t size = std::filesystem::file_size(platform::NativePath(path), unknown);
      return Fail(why, path + ": not a scenario file (" + std::to_string(size) +
                           " bytes, at most " + std::to_string(kMaxScenarioFileBytes) + ")");
    }
    case platform::FileFault::kUnreadable:
      return Fail(why, path + ": cannot read the file");
  }
  Scenario scenario;
  std::string fault;
  if (!ParseScenarioText(std::move(text), installation, &scenario, &fault)) {
    return Fail(why, path + ": " + fault);
  }
  scenario.filePath = path;
  *out = std::move(scenario);
  return true;
}

bool ParseScenarioText(std::string text, std::string_view installation, Scenario* out,
                       std::string* why) {
  if (text.size() > kMaxScenarioFileBytes) {
    return Fail(why, "not a scenario file (" + std::to_string(text.size()) + " bytes, at most " +
                         std::to_string(kMaxScenarioFileBytes) + ")");
  }
  Tokens tokens(std::move(text));
  Scenario scenario;
  std::string fault;
  int battleShips = 0;
  if (!ReadList(tokens, installation, "alliance 1", &scenario.alliance1, &battleShips, &fault) ||
      !ReadList(tokens, installation, "alliance 2", &scenario.alliance2, &battleShips, &fault)) {
    return Fail(why, fault);
  }
  *out = std::move(scenario);
  return true;
}

bool ScenarioCatalogue::Load(platform::SettingsStore& store, std::string_view installation,
                             std::string* why) {
  const std::optional<std::string> countText = settings::Read(store, settings::kNumScenarios);
  if (!countText) {
    return Fail(why, std::string("the setting NumScenarios is ") +
                         (settings::TooLong(store, settings::kNumScenarios) ? TooLongText()
                                                                            : "absent"));
  }
  // Read as every number setting is read (its leading digits), but a text that does not start
  // with one is no count at all rather than 0.
  if (!StartsWithNumber(*countText)) {
    return Fail(why, "the setting NumScenarios is \"" + countText->substr(0, 40) +
                         "\", not a number");
  }
  const int count = settings::TextToInt(*countText);
  if (count <= 0) {
    return Fail(why, "the setting NumScenarios is " + std::to_string(count) + ", not positive");
  }

  // Names first: a missing one fails the whole catalogue, before any file is looked at. A name
  // that is no plain file name would read a file outside the scenario folder: it drops out.
  std::vector<std::string> paths;
  std::vector<std::string> problems;  // named after the step's "Success"
  std::vector<std::string> dropped;   // every reason, for a catalogue with nothing left
  for (int i = 0; i < count; ++i) {
    const std::string name = settings::IndexedName(settings::kScenario, i);
    const std::optional<std::string> value = settings::Read(store, name);
    if (!value) {
      return Fail(why, "the setting " + name + " is " +
                           (settings::TooLong(store, name) ? TooLongText() : "absent"));
    }
    if (const std::string_view notPlain = platform::PlainFileNameFault(*value); !notPlain.empty()) {
      const std::string reason = "the setting " + name + " \"" + *value +
                                 "\" is not a plain file name (" + std::string(notPlain) + ")";
      dropped.push_back(reason);
      problems.push_back(reason + "; left out");
      continue;
    }
    paths.push_back(platform::InstallationFile(installation, "Scenarios", *value));
  }

  // Files that are missing or read-only drop out; the rest keep their order. Every other
  // drop-out is named after the step's "Success", in the order of the catalogue.
  std::vector<Scenario> scenarios;
  bool anyUsable = false;
  for (const std::string& path : paths) {
    bool quiet = false;
    const std::string reason = DropReason(path, &quiet);
    if (!reason.empty()) {
      dropped.push_back(reason);
      if (!quiet) problems.push_back(reason + "; left out");
      continue;
    }
    anyUsable = true;
    Scenario scenario;
    std::string fault;
    if (ReadScenarioFile(path, installation, &scenario, &fault)) {
      scenarios.push_back(std::move(scenario));
    } else {
      problems.push_back(fault + "; left out");
    }
  }
  if (!anyUsable) {
    return Fail(why, "none of the " + std::to_string(count) + " scenario files can be used (" +
                         Joined(dropped) + ")");
  }
  if (scenarios.empty()) {
    return Fail(why, "none of the " + std::to_string(count) + " scenario files can be read" +
                         (problems.empty() ? std::string() : " (" + problems.front() + ")"));
  }
  scenarios_ = std::move(scenarios);
  problems_ = std::move(problems);
  refused_.assign(scenarios_.size(), false);
  current_ = 0;
  next_ = 0;
  return true;
}

const Scenario* ScenarioCatalogue::ChooseNext() {
  current_ = next_;
  if (current_ < 0 || current_ >= scenarioCount()) {
    current_ = 0;
    next_ = 0;
  }
  const int count = scenarioCount();
  for (int step = 0; step < count; ++step) {
    const int i = (current_ + step) % count;
    if (refused_[static_cast<std::size_t>(i)]) continue;
    current_ = i;
    return &scenarios_[static_cast<std::size_t>(i)];
  }
  return nullptr;
}

void ScenarioCatalogue::Refuse() {
  if (current_ < 0 || current_ >= scenarioCount()) return;
  refused_[static_cast<std::size_t>(current_)] = true;
  next_ = current_ + 1;
}

}  // namespace ironwood
