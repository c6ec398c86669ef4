#include "config/video_page.h"

#include <algorithm>

namespace ironwood::config {

void VideoPage::Show() {
  resolutionChoice_ = -1;
  for (std::size_t i = 0; i < kResolutions.size(); ++i) {
    if (settings_.resolution.find(kResolutions[i].value) != std::string::npos) {
      resolutionChoice_ = static_cast<int>(i);
      return;
    }
  }
}

void VideoPage::ChooseResolution(int index) {
  if (index < 0 || index >= static_cast<int>(kResolutions.size())) return;
  resolutionChoice_ = index;
  settings_.resolution = std::string(kResolutions[static_cast<std::size_t>(index)].value);
}

void VideoPage::Click254DCamera() {
  settings_.use254DCameraView = !settings_.use254DCameraView;
  settings_.use3DCameraView = !settings_.use254DCameraView;
}

void VideoPage::ClickFull3DCamera() {
  settings_.use3DCameraView = !settings_.use3DCameraView;
  settings_.use254DCameraView = !settings_.use3DCameraView;
}

int VideoPage::textureSlider() const { return std::clamp(settings_.textureLevel, 0, 2); }

void VideoPage::TextureSliderMoved(int position) {
  settings_.textureLevel = std::clamp(position, 0, 2);
}

}  // namespace ironwood::config
