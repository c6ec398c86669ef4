#include <windows.h>

#include <ctime>

#include "platform/process.h"
#include "platform/settings_store.h"
#include "saver/shell/saver_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  auto settings = ironwood::platform::OpenSettingsStore();
  ironwood::SaverServices services{
      *settings,
      ironwood::platform::StartDetachedProcess,
      [] { return static_cast<std::uint32_t>(std::time(nullptr)); },
  };
  return ironwood::SaverMain(commandLine != nullptr ? commandLine : "", services);
}
