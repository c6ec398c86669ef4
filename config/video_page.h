#pragma once

// The "   Video   " page: the display resolution, the graphics options and the model texture
// detail.
//
// What the face does: on first show it calls Show() and checks the radio button
// resolutionChoice() (none when -1) among the nine of kResolutions in order, sets each check
// box from its getter, and sets the horizontal slider (range 0 .. 2, "High", "Medium", "Low")
// to textureSlider(). The S3TC box is never shown. Clicks go to ChooseResolution(i) and the
// Click...() functions; after a camera click it sets both camera boxes again, since they form
// a pair. Slider moves go to TextureSliderMoved().

#include <array>
#include <string_view>

#include "config/settings_block.h"

namespace ironwood::config {

struct ResolutionChoice {
  std::string_view label;  // the radio button's text
  std::string_view value;  // what the setting stores
};

// The eight sizes, then the desktop's own mode and shape.
inline constexpr std::array<ResolutionChoice, 9> kResolutions = {{
    {"640x480", "640X480"},
    {"800x600", "800X600"},
    {"1024x768", "1024X768"},
    {"1152x864", "1152X864"},
    {"1280x1024", "1280X1024"},
    {"1600x1200", "1600X1200"},
    {"1920x1440", "1920X1440"},
    {"2048x1536", "2048X1536"},
    {"Desktop", "DESKTOP"},
}};

class VideoPage {
 public:
  explicit VideoPage(ConfigSettings& settings) : settings_(settings) {}

  // Picks the first resolution, in the order above, whose text occurs anywhere in the stored
  // resolution; none when no text does.
  void Show();

  int resolutionChoice() const { return resolutionChoice_; }
  void ChooseResolution(int index);

  bool use3DFX() const { return settings_.use3DFX; }
  bool useDynamicLighting() const { return settings_.useDynamicLighting; }
  bool useS3TC() const { return settings_.useS3TC; }
  bool use254DCamera() const { return settings_.use254DCameraView; }
  bool useFull3DCamera() const { return settings_.use3DCameraView; }
  bool multisampling() const { return settings_.multisampling; }

  void Click3DFX() { settings_.use3DFX = !settings_.use3DFX; }
  void ClickDynamicLighting() { settings_.useDynamicLighting = !settings_.useDynamicLighting; }
  void ClickS3TC() { settings_.useS3TC = !settings_.useS3TC; }
  void ClickMultisampling() { settings_.multisampling = !settings_.multisampling; }
  // The camera pair: the clicked view is inverted and the other becomes its opposite, so after
  // any click exactly one of the two is on.
  void Click254DCamera();
  void ClickFull3DCamera();

  // 0 = "High", 1 = "Medium", 2 = "Low"; a stored value outside shows at the nearest end.
  int textureSlider() const;
  void TextureSliderMoved(int position);

 private:
  ConfigSettings& settings_;
  int resolutionChoice_ = -1;
};

}  // namespace ironwood::config
