#include "config/sound_page.h"

#include <algorithm>

#include "config/file_listing.h"
#include "config/page_common.h"

namespace ironwood::config {

namespace {

int SliderFor(int volume) { return std::clamp(100 - volume, 0, 100); }
int VolumeFor(int position) { return 100 - std::clamp(position, 0, 100); }

}  // namespace

int SoundPage::soundFXSlider() const { return SliderFor(settings_.soundFXVolume); }
int SoundPage::musicSlider() const { return SliderFor(settings_.musicVolume); }

void SoundPage::ClickSoundFX() { settings_.useSoundFX = !settings_.useSoundFX; }

void SoundPage::ClickCDMusic() {
  settings_.useCDAudio = !settings_.useCDAudio;
  settings_.useMP3Audio = false;
}

void SoundPage::ClickMP3Music() {
  settings_.useMP3Audio = !settings_.useMP3Audio;
  settings_.useCDAudio = false;
}

void SoundPage::SoundFXSliderMoved(int position) { settings_.soundFXVolume = VolumeFor(position); }
void SoundPage::MusicSliderMoved(int position) { settings_.musicVolume = VolumeFor(position); }

std::vector<std::string> SoundPage::trackRows() const {
  std::vector<std::string> rows;
  for (const auto& track : settings_.tracks) rows.push_back(track.title);
  SortFileNames(rows);
  return rows;
}

void SoundPage::SelectTrack(int index) {
  trackSelection_ = index >= 0 && index < static_cast<int>(settings_.tracks.size()) ? index : -1;
}

std::string SoundPage::AddTrack(const std::string& path) {
  const std::string title = BareFileName(path);
  if (settings_.tracks.size() >= static_cast<std::size_t>(ConfigSettings::kMaxListEntries)) {
    return "\"" + title + "\" was not added: the track list holds at most " +
           std::to_string(ConfigSettings::kMaxListEntries) + " tracks. Remove one first.";
  }
  if (title.size() > ConfigSettings::kMaxTrackTitle || path.size() > ConfigSettings::kMaxTrackPath) {
    return "\"" + title + "\" was not added: its name or folder is too long.";
  }
  settings_.tracks.push_back({title, path});
  return {};
}

void SoundPage::RemoveTrack() {
  if (trackSelection_ < 0) return;
  const std::string title = trackRows()[static_cast<std::size_t>(trackSelection_)];
  auto& tracks = settings_.tracks;
  const auto found = std::find_if(tracks.begin(), tracks.end(), [&](const auto& track) {
    return SameFileName(track.title, title);
  });
  if (found != tracks.end()) tracks.erase(found);
  trackSelection_ = SelectionAfterRemoval(trackSelection_, tracks.size());
}

}  // namespace ironwood::config
