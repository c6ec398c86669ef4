#include "saver/shell/command_line.h"

namespace ironwood {

RunMode ParseRunMode(std::string_view commandLine) {
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
