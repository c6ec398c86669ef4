#include <windows.h>

#include <string>

#include "config/settings_block.h"
#include "platform/settings_store.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  auto store = ironwood::platform::OpenSettingsStore();
  ironwood::config::ConfigSettings settings;
  ironwood::config::LoadSettings(*store, settings);
  const std::string text = "The settings pages are not part of this build yet; " +
                           std::to_string(settings.scenarios.size()) +
                           " scenario(s) are configured.";
  MessageBoxA(nullptr, text.c_str(), "Starfray SS Configuration", MB_OK | MB_ICONINFORMATION);
  return 0;
}
