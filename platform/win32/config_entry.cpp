#include <windows.h>

#include "platform/settings_store.h"
#include "platform/win32/config_sheet.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  auto store = ironwood::platform::OpenSettingsStore();
  return ironwood::platform::win32config::RunConfigurationProgram(instance, showCommand, *store);
}
