#include "saver/audio/music_control.h"

namespace ironwood {

void HookUpMusic(platform::MusicPlayer* player, const LogSink& log) {
  log.Write(kMusicHookUpLine);
  const bool found = player != nullptr && player->HookUp();
  log.Write(found ? "Success\n" : "Failed\n");
  if (player == nullptr) return;
  player->SendCommand(music_command::kToggleRepeat);
  player->SendCommand(music_command::kPlay);
}

void StopMusic(platform::MusicPlayer* player) {
  if (player == nullptr) return;
  player->SendCommand(music_command::kStop);
  if (player->Launched()) player->SendCommand(music_command::kClose);
}

}  // namespace ironwood
