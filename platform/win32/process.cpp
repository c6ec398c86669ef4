#include <windows.h>

#include "platform/process.h"

namespace ironwood::platform {

bool StartDetachedProcess(const std::string& path) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  char commandLine[1] = {'\0'};  // CreateProcessA may write to it, so it cannot be a literal
  const BOOL started = CreateProcessA(path.c_str(), commandLine, nullptr, nullptr, FALSE,
                                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                                      &startup, &process);
  if (!started) return false;
  // We never wait for it; holding the handles would only keep its kernel objects alive.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace ironwood::platform
