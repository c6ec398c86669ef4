#pragma once

// The music player on Windows: a program whose main window takes command identifiers as
// WM_COMMAND messages. The saver finds its window by class, or starts the program from its
// default installation path and looks again after a fixed wait.

#include <memory>
#include <string>

#include "platform/music_player.h"

namespace ironwood::platform {

struct WindowMessagePlayerOptions {
  // The class of the player's main window.
  std::string windowClass = "Winamp v1.x";
  // Where the player is installed when it is not running.
  std::string programPath = "C:\\program files\\winamp\\winamp.exe";
  // How long the saver waits for a player it started to open its window.
  unsigned startWaitMs = 4000;
};

// The player the saver drives on Windows.
std::unique_ptr<MusicPlayer> OpenWindowMessagePlayer();
// The same with other options (tests: another class, another path, no wait).
std::unique_ptr<MusicPlayer> OpenWindowMessagePlayer(const WindowMessagePlayerOptions& options);

}  // namespace ironwood::platform
