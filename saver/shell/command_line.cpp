#include "saver/shell/command_line.h"

namespace ironwood {

namespace {

bool HasWord(std::string_view line, std::string_view word) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && blank(line[i])) ++i;
    std::size_t end = i;
    while (end < line.size() && !blank(line[end])) ++end;
    if (line.substr(i, end - i) == word) return true;
    i = end;
  }
  return false;
}

// Where the deciding switch's letter is; npos when no switch decides.
std::size_t ModeLetter(std::string_view commandLine) {
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    if (commandLine[i] != '/' && commandLine[i] != '-') continue;
    if (i + 1 >= commandLine.size()) break;
    switch (commandLine[i + 1]) {
      case 'c':
      case 'C':
      case 's':
      case 'S':
      case 'p':
      case 'P':
      case 'l':
      case 'L':
      case 'a':
      case 'A':
        return i + 1;
      default:
        break;  // not a mode: keep scanning after the switch character
    }
  }
  return std::string_view::npos;
}

bool Blank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

RunMode ParseRunMode(std::string_view commandLine) {
  if (HasWord(commandLine, kWindowSwitch)) return RunMode::Window;
  const std::size_t letter = ModeLetter(commandLine);
  if (letter == std::string_view::npos) return RunMode::Configure;
  switch (commandLine[letter]) {
    case 's':
    case 'S':
      return RunMode::Run;
    case 'p':
    case 'P':
    case 'l':
    case 'L':
      return RunMode::Preview;
    case 'a':
    case 'A':
      return RunMode::ChangePassword;
    default:
      return RunMode::Configure;
  }
}

std::optional<std::uint64_t> PreviewWindowHandle(std::string_view commandLine) {
  const std::size_t letter = ModeLetter(commandLine);
  if (letter == std::string_view::npos) return std::nullopt;
  if (commandLine[letter] != 'p' && commandLine[letter] != 'P') return std::nullopt;
  std::size_t at = letter + 1;
  if (at < commandLine.size() && commandLine[at] == ':') {
    ++at;
  } else {
    while (at < commandLine.size() && Blank(commandLine[at])) ++at;
  }
  // Window handles carry 32 significant bits on every Windows, 64-bit ones included.
  constexpr std::uint64_t kLargest = 0xFFFFFFFFu;
  std::uint64_t handle = 0;
  const std::size_t first = at;
  for (; at < commandLine.size() && commandLine[at] >= '0' && commandLine[at] <= '9'; ++at) {
    handle = handle * 10 + static_cast<std::uint64_t>(commandLine[at] - '0');
    if (handle > kLargest) return std::nullopt;
  }
  if (at == first || handle == 0) return std::nullopt;
  if (at < commandLine.size() && !Blank(commandLine[at])) return std::nullopt;
  return handle;
}

}  // namespace ironwood
