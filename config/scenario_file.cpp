#include "config/scenario_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/settings.h"
#include "platform/file_replace.h"

namespace ironwood::config {

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Digits with nothing else, short enough for the saver's count token.
bool PlainDigits(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

// A count line is a number when, after leading white space and a sign, a digit follows.
bool ReadsAsNumber(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsSpace(line[i])) ++i;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
  return i < line.size() && IsDigit(line[i]);
}

std::string AllianceName(int index) { return "alliance " + std::to_string(index + 1); }

}  // namespace

std::string NormaliseCountText(std::string_view typed) {
  const int n = settings::TextToInt(typed);
  if (n <= 0) return "1";
  if (n > 100) return "100";
  if (PlainDigits(typed)) return std::string(typed);
  return std::to_string(n);
}

std::string MakeEntry(std::string_view countText, std::string_view pluginName) {
  std::string entry = "(";
  entry += countText;
  entry += ") ";
  entry += pluginName;
  return entry;
}

std::string EntryName(std::string_view entry) {
  std::size_t i = 0;
  while (i < entry.size() && IsSpace(entry[i])) ++i;
  while (i < entry.size() && !IsSpace(entry[i])) ++i;
  while (i < entry.size() && IsSpace(entry[i])) ++i;
  std::size_t end = entry.size();
  while (end > i && IsSpace(entry[end - 1])) --end;
  return std::string(entry.substr(i, end - i));
}

std::string ScenarioSaveName(std::string_view chosen) {
  std::string name(chosen);
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  if (name.find(".ss3", start) == std::string::npos) name += ".ss3";
  return name;
}

std::string WriteScenarioFile(const std::string& path, const AllianceLists& lists) {
  std::string text;
  for (const auto& list : lists) {
    text += std::to_string(list.size()) + "\r\n";
    for (const auto& entry : list) text += entry + "\r\n";
  }
  // Written whole or not at all: a full disk leaves the old scenario as it was.
  std::string why;
  if (!platform::ReplaceFileAtomically(path, text, &why)) {
    return "The scenario could not be saved to \"" + path + "\": " + why + ".";
  }
  return {};
}

ScenarioFileRead ReadScenarioFile(const std::string& path) {
  ScenarioFileRead result;
  // Only plain files of a scenario's size: a pipe or a device would never end.
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    result.message = "\"" + path + "\" is not a scenario file.";
    return result;
  }
  if (!error && std::filesystem::exists(status) &&
      std::filesystem::file_size(path, error) > kMaxScenarioFileBytes) {
    result.message = "\"" + path + "\" is too large to be a scenario file.";
    return result;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.message = "The scenario \"" + path + "\" could not be opened: " +
                     std::strerror(errno) + ".";
    return result;
  }
  result.opened = true;
  auto readLine = [&in](std::string* line) {
    if (!std::getline(in, *line)) return false;
    while (!line->empty() && (line->back() == '\r' || line->back() == '\n')) line->pop_back();
    if (line->size() > kMaxScenarioLine) line->resize(kMaxScenarioLine);
    return true;
  };
  std::string line;
  for (int a = 0; a < 2; ++a) {
    if (!readLine(&line)) {
      result.message = "The scenario \"" + path + "\" ends before the " + AllianceName(a) +
                       " entry count; what it held before that was loaded.";
      return result;
    }
    if (!ReadsAsNumber(line)) {
      result.message += "The " + AllianceName(a) + " entry count \"" + line +
                        "\" is not a number, so nothing was loaded for " + AllianceName(a) + ". ";
      continue;
    }
    const int count = settings::TextToInt(line);
    for (int i = 0; i < count; ++i) {
      if (!readLine(&line)) {
        result.message += "The scenario \"" + path + "\" ends after " + std::to_string(i) +
                          " of the " + std::to_string(count) + " entries of " + AllianceName(a) +
                          "; those were loaded.";
        return result;
      }
      if (result.lists[a].size() < kMaxAllianceEntries) {
        result.lists[a].push_back(line);
      } else if (result.lists[a].size() == kMaxAllianceEntries && i == count - 1) {
        result.message += "Only the first " + std::to_string(kMaxAllianceEntries) + " of the " +
                          std::to_string(count) + " entries of " + AllianceName(a) +
                          " were loaded. ";
      }
    }
  }
  while (!result.message.empty() && result.message.back() == ' ') result.message.pop_back();
  return result;
}

}  // namespace ironwood::config
