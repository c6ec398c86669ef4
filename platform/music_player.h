#pragma once

// The external music player the saver drives with four commands. The saver decodes no music of
// its own: it asks the player that is already running (or, where the platform does so, one it
// starts) to repeat and play at start-up, and to stop (and close, when the saver started it) at
// shutdown.

namespace ironwood::platform {

class MusicPlayer {
 public:
  virtual ~MusicPlayer() = default;
  // Finds the player, starting it first where the platform does; true when one is known after.
  virtual bool HookUp() = 0;
  // Delivers one command identifier (see saver/audio/music_control.h) to the known player; false,
  // doing nothing, when no player is known.
  virtual bool SendCommand(int identifier) = 0;
  // True once the saver itself started the player process.
  virtual bool Launched() const = 0;
};

}  // namespace ironwood::platform
