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

}  // namespace

RunMode ParseRunMode(std::string_view commandLine) {
  if (HasWord(commandLine, kWindowSwitch)) return RunMode::Window;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    if (commandLine[i] != '/' && commandLine[i] != '-') continue;
    if (i + 1 >= commandLine.size()) break;
    switch (commandLine[i + 1]) {
      case 'c':
      case 'C':
        return RunMode::Configure;
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
        break;  // not a mode: keep scanning after the switch character
    }
  }
  return RunMode::Configure;
}

}  // namespace ironwood
