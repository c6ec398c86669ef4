#pragma once

// Start-up and shutdown of the music: the hook-up with its log lines and the player commands.

#include "platform/music_player.h"
#include "saver/core/log_sink.h"

namespace ironwood {

// The player's command identifiers.
namespace music_command {
inline constexpr int kToggleRepeat = 40022;
inline constexpr int kPlay = 40045;
inline constexpr int kStop = 40047;
inline constexpr int kClose = 40001;
}  // namespace music_command

inline constexpr const char* kMusicHookUpLine = "    Attempting to Initalize WinAmp...";

// Logs the attempt, hooks up the player, logs "Success\n" or "Failed\n", then sends the repeat
// toggle and play commands whether or not a player was found (they are dropped without one).
// Without a player object the hook-up fails.
void HookUpMusic(platform::MusicPlayer* player, const LogSink& log);

// The stop command, then the close command when the saver started the player.
void StopMusic(platform::MusicPlayer* player);

}  // namespace ironwood
