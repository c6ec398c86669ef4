#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/settings_store.h"
#include "programs/win32/config_sheet.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  const std::vector<std::string> arguments(__argv + 1, __argv + __argc);
  auto store = ironwood::platform::OpenSettingsStore();
  return ironwood::platform::win32config::RunConfigurationProgram(instance, showCommand, *store,
                                                                  arguments);
}
