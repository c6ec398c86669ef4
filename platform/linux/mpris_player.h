#pragma once

// The music player on Linux: any media player on the session bus that speaks the freedesktop
// media-player interface (MPRIS). The saver starts no player and never waits for one: a player
// already running is driven, and without a bus or a player the hook-up fails at once.
//
// The command identifiers map to: repeat toggle (40022) -> the player's LoopStatus flipped
// between "None" and "Playlist"; play (40045) -> Play; stop (40047) -> Stop, then the loop status
// each toggled player had before the run's first toggle, where it differs now; close (40001) ->
// Quit. Every call waits at most kMprisCallTimeoutMs for its answer.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/music_player.h"

namespace ironwood::platform {

inline constexpr int kMprisCallTimeoutMs = 1000;
inline constexpr const char* kMprisNamePrefix = "org.mpris.MediaPlayer2.";

// The session bus's address: DBUS_SESSION_BUS_ADDRESS when set, otherwise the socket "bus" in
// XDG_RUNTIME_DIR when one is there, otherwise empty (no bus). No bus is ever started for the
// saver.
std::string SessionBusAddress(const char* addressVariable, const char* runtimeDirectory);

// The player to drive among the bus's names that start with kMprisNamePrefix and have something
// after it: in sorted order, the first that is playing, else the first that is paused, else the
// first; empty when there is none. `playbackStatus` answers a name's PlaybackStatus ("" when it
// does not say); without it the first name is taken.
std::string ChooseMprisPlayer(
    std::vector<std::string> busNames,
    const std::function<std::string(const std::string&)>& playbackStatus = {});

// The loop status the repeat toggle sets, given the current one: "None" becomes "Playlist", any
// repeat ("Playlist", "Track") becomes "None".
std::string ToggledLoopStatus(const std::string& current);

// The player on the session bus of this process's environment.
std::unique_ptr<MusicPlayer> OpenMprisPlayer();
// The player on the bus at `busAddress` (empty: no bus).
std::unique_ptr<MusicPlayer> OpenMprisPlayer(const std::string& busAddress);

}  // namespace ironwood::platform
