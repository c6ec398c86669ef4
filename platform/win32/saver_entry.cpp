#include <windows.h>

#include <ctime>

#include "platform/gl_system.h"
#include "platform/password_dialogs.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "platform/win32/win32_saver_window.h"
#include "saver/shell/saver_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  auto settings = ironwood::platform::OpenSettingsStore();
  ironwood::SaverServices services{
      *settings,
      ironwood::platform::StartDetachedProcess,
      [] { return static_cast<std::uint32_t>(std::time(nullptr)); },
      [instance, showCommand] {
        return ironwood::platform::CreateWin32SaverWindow(instance, showCommand);
      },
      &ironwood::platform::SystemGl(),
  };
  auto passwordDialogs = ironwood::platform::CreatePasswordDialogs();
  services.desktop = ironwood::platform::CurrentDesktopKind();
  services.passwordDialogs = passwordDialogs.get();
  return ironwood::SaverMain(commandLine != nullptr ? commandLine : "", services);
}
