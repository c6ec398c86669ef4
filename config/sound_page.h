#pragma once

// The "   Sound   " page: sound effects, the music source, both volumes and the stored track
// list.
//
// What the face does: on first show it calls Show() and sets the "Enable" boxes from
// soundFXOn(), cdMusicOn() and mp3MusicOn(), both vertical sliders (range 0 .. 100, the top
// loudest) from soundFXSlider() and musicSlider(), and the hidden sorted track list from
// trackRows(). Clicks go to ClickSoundFX(), ClickCDMusic(), ClickMP3Music(), after which it sets
// all three boxes again (a music click clears the other source); slider moves go to
// SoundFXSliderMoved() / MusicSliderMoved(). The hidden track controls, should a face ever show
// them: "Add Track..." opens a file dialog (kTrackDialogTitle, kTrackFilterName with
// kTrackFilterPattern) and passes the chosen path to AddTrack(), showing the message it
// returns; "Remove Track.." calls RemoveTrack(); "Play " and "Stop" do nothing.

#include <string>
#include <string_view>
#include <vector>

#include "config/settings_block.h"

namespace ironwood::config {

inline constexpr std::string_view kTrackDialogTitle = "Find MP3 Track";
inline constexpr std::string_view kTrackFilterName = "MP3 Music files (*.mp3)";
inline constexpr std::string_view kTrackFilterPattern = "*.mp3";

class SoundPage {
 public:
  explicit SoundPage(ConfigSettings& settings) : settings_(settings) {}

  void Show() { trackSelection_ = -1; }

  bool soundFXOn() const { return settings_.useSoundFX; }
  bool cdMusicOn() const { return settings_.useCDAudio; }
  bool mp3MusicOn() const { return settings_.useMP3Audio; }
  // Slider positions: 100 - volume, kept within 0 .. 100.
  int soundFXSlider() const;
  int musicSlider() const;

  void ClickSoundFX();
  // Inverts the clicked source and turns the other one off.
  void ClickCDMusic();
  void ClickMP3Music();
  // The volume becomes 100 - position.
  void SoundFXSliderMoved(int position);
  void MusicSliderMoved(int position);

  // The track titles as the sorted list shows them.
  std::vector<std::string> trackRows() const;
  int trackSelection() const { return trackSelection_; }
  void SelectTrack(int index);
  // Appends the file (title = its name without folder). A full list refuses with the message
  // returned; otherwise the result is empty.
  std::string AddTrack(const std::string& path);
  // Takes the selected track out of the list (whole title, letter case ignored).
  void RemoveTrack();

 private:
  ConfigSettings& settings_;
  int trackSelection_ = -1;
};

}  // namespace ironwood::config
