#include <windows.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/gl_system.h"
#include "platform/password_dialogs.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "platform/win32/directsound_output.h"
#include "platform/win32/win32_saver_window.h"
#include "platform/win32/window_message_player.h"
#include "saver/shell/saver_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  auto settings = ironwood::platform::OpenSettingsStore();
  // The window the run made, for DirectSound's cooperative level; the saver opens the sound
  // device after creating the window and closes it before destroying the window.
  const ironwood::platform::SaverWindow* saverWindow = nullptr;
  ironwood::SaverServices services{
      *settings,
      ironwood::platform::StartDetachedProcess,
      [] { return static_cast<std::uint32_t>(std::time(nullptr)); },
      [instance, showCommand, &saverWindow] {
        auto window = ironwood::platform::CreateWin32SaverWindow(instance, showCommand);
        saverWindow = window.get();
        return window;
      },
      &ironwood::platform::SystemGl(),
      {},
      false,
      [] { return ironwood::platform::OpenWindowMessagePlayer(); },
  };
  services.createPreviewWindow = [instance, &saverWindow](std::uint64_t parent) {
    auto window = ironwood::platform::CreateWin32PreviewWindow(
        instance, reinterpret_cast<HWND>(static_cast<std::uintptr_t>(parent)));
    saverWindow = window.get();
    return window;
  };
  services.openSoundOutput = [&saverWindow](std::string* why) {
    const HWND window =
        saverWindow != nullptr ? ironwood::platform::SaverWindowHandle(*saverWindow) : nullptr;
    return ironwood::platform::OpenDirectSoundOutput(window, why);
  };
  services.createPlainWindow = [instance, showCommand, &saverWindow] {
    auto window = ironwood::platform::CreateWin32PlainWindow(instance, showCommand);
    saverWindow = window.get();
    return window;
  };
  // A sound device that cannot be started ends the run, as designed for this platform.
  services.soundDeviceRequired = true;
  auto passwordDialogs = ironwood::platform::CreatePasswordDialogs();
  services.desktop = ironwood::platform::CurrentDesktopKind();
  services.passwordDialogs = passwordDialogs.get();
  return ironwood::SaverMain(commandLine != nullptr ? commandLine : "", services);
}
