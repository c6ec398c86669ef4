#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "common/settings.h"
#include "platform/gl_system.h"
#include "platform/headless/null_gl.h"
#include "platform/headless/offscreen_window.h"
#include "platform/linux/mpris_player.h"
#include "platform/linux/openal_output.h"
#include "platform/password_dialogs.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "saver/shell/command_line.h"
#include "saver/shell/hack_options.h"
#include "saver/shell/offscreen_run.h"
#include "saver/shell/saver_app.h"

#if __has_include("platform/linux/x11_saver_window.h")
#include "platform/linux/x11_hack_window.h"
#include "platform/linux/x11_saver_window.h"
#define IW_HAVE_X11_WINDOW 1
#endif

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // A screen-saver daemon's switches first: a window to draw in, and settings for this run.
  ironwood::HackOptions hack;
  std::string error;
  if (!ironwood::ExtractHackOptions(arguments, std::getenv("XSCREENSAVER_WINDOW"), hack, error)) {
    std::fprintf(stderr, "Ironwood: %s; %s\n", error.c_str(), ironwood::kHackUsage);
    return 2;
  }
  ironwood::OffscreenOptions offscreen;
  if (!ironwood::ExtractOffscreenOptions(arguments, offscreen, error)) {
    std::fprintf(stderr, "Ironwood: %s; %s\n", error.c_str(), ironwood::kSaverUsage);
    return 2;
  }
  // Started into a daemon's window, the saver only ever runs.
  if (hack.enabled) arguments.assign(1, "/s");
  // The saver reads its switches from one command-line text, as the screen-saver machinery
  // passes it on the other platform.
  std::string commandLine;
  for (const std::string& argument : arguments) {
    if (!commandLine.empty()) commandLine += ' ';
    commandLine += argument;
  }
  // The offscreen options run the saver; with another mode (or none, which is the configure
  // mode) they would be dropped without a word.
  if (offscreen.enabled && ironwood::ParseRunMode(commandLine) != ironwood::RunMode::Run) {
    std::fprintf(stderr, "Ironwood: the offscreen options need /s; %s\n", ironwood::kSaverUsage);
    return 2;
  }
  auto storedSettings = ironwood::platform::OpenSettingsStore();
  ironwood::OverriddenSettings settings(*storedSettings, hack);
  // The daemon shows nobody the saver's silence: say why a window stays black.
  if (hack.enabled && !ironwood::settings::ReadWorkingDirectory(settings)) {
    std::fprintf(stderr, "Ironwood: no WorkingDirectory in the settings; nothing to draw\n");
  }
  ironwood::SaverServices services{
      settings,
      ironwood::platform::StartDetachedProcess,
      [] { return static_cast<std::uint32_t>(std::time(nullptr)); },
      [&offscreen, &hack]() -> std::unique_ptr<ironwood::platform::SaverWindow> {
        if (offscreen.enabled && offscreen.nullGl) return ironwood::platform::CreateNullWindow();
        if (offscreen.enabled) return ironwood::platform::CreateOffscreenWindow();
#ifdef IW_HAVE_X11_WINDOW
        if (hack.enabled) return ironwood::platform::CreateX11HackWindow(hack.window);
        return ironwood::platform::CreateX11SaverWindow();
#else
        return nullptr;
#endif
      },
      offscreen.enabled && offscreen.nullGl ? &ironwood::platform::NullGl()
                                            : &ironwood::platform::SystemGl(),
      {},
      false,
      {},
  };
  // Statistics runs draw nothing and are heard by nobody: no sound device, no music player.
  if (!(offscreen.enabled && offscreen.nullGl)) {
    services.openSoundOutput = [](std::string* why) {
      return ironwood::platform::OpenOpenAlOutput(why);
    };
    services.openMusicPlayer = [] { return ironwood::platform::OpenMprisPlayer(); };
  }
  services.soundDeviceRequired = false;
#ifdef IW_HAVE_X11_WINDOW
  services.createPlainWindow = [] { return ironwood::platform::CreateX11PlainWindow(); };
#endif
  // Never asks for a password here (the desktop's locker guards the session); the dialogs serve
  // the change-password mode where the platform has them.
  auto passwordDialogs = ironwood::platform::CreatePasswordDialogs();
  services.desktop = ironwood::platform::CurrentDesktopKind();
  services.passwordDialogs = passwordDialogs.get();
  return ironwood::SaverMain(commandLine, services, offscreen.enabled ? &offscreen : nullptr);
}
