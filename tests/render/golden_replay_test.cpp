#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/gl_system.h"
#include "platform/headless/offscreen_window.h"
#include "platform/linux/reg_file_store.h"
#include "saver/assets/texture.h"
#include "saver/shell/offscreen_run.h"
#include "saver/shell/saver_app.h"
#include "tests/render/render_support.h"

namespace ironwood {
namespace {

namespace fs = std::filesystem;

#ifdef IRONWOOD_INSTALLATION_DIR

// A picture of the offscreen run as a top-down RGB image, through the saver's own BMP reader.
testing::Image LoadPicture(const fs::path& path, std::string& why) {
  Texture picture;
  if (!picture.LoadBmp(false, path.string(), "", &why)) return {};
  testing::Image image{picture.width(), picture.height(), {}};
  const std::size_t row = static_cast<std::size_t>(picture.width()) * 3;
  for (int y = picture.height() - 1; y >= 0; --y) {
    const auto from = picture.pixels().begin() + static_cast<std::ptrdiff_t>(row * y);
    image.rgb.insert(image.rgb.end(), from, from + static_cast<std::ptrdiff_t>(row));
  }
  return image;
}

// The whole saver, as `Ironwood /s --offscreen` runs it, on the generated installation: the
// fleet battle at 640x480 with seed 5 and 50 ms a frame. With the 3D camera view the followed
// ship's tunnel lasts to about frame 440; then the fleets close, fire and lose their first ships.
// Frames of the tunnel, of a ship seen close and of ships breaking up are compared with reviewed goldens,
// so any change to how a battle is drawn (or fought) shows here; after an intended change, run
// tests/render/update_goldens.sh GoldenReplay.* and look at the candidates.
TEST(GoldenReplay, TunnelShipAndBreakUpOfAFixedBattle) {
  const fs::path generated(IRONWOOD_INSTALLATION_DIR);
  if (!fs::exists(generated / "DefaultSettings.reg") ||
      !fs::exists(generated / "Scenarios" / "FleetBattle.ss3")) {
    GTEST_SKIP() << "no generated installation in " << generated;
  }
  {
    IRONWOOD_OPEN_OFFSCREEN(probe, 8, 8);  // skips where there is no driver
  }
  testing::TempFolder temp;
  const fs::path install = temp.Path() / "install";
  fs::copy(generated, install, fs::copy_options::recursive);

  // The generated defaults, with one scenario and the smallest resolution.
  std::ifstream defaults(generated / "DefaultSettings.reg", std::ios::binary);
  std::string line, values;
  while (std::getline(defaults, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("\"") && !line.starts_with("\"NumScenarios\"") &&
        !line.starts_with("\"Resolution\"") && !line.starts_with("\"Multisampling\"") &&
        !line.starts_with("\"Scenario(")) {
      values += line + "\n";
    }
  }
  const fs::path system = temp.Path() / "system.reg";
  std::ofstream(system, std::ios::binary)
      << "Windows Registry Editor Version 5.00\n\n"
      << "[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"
      << "\"WorkingDirectory\"=\"" << install.string() << "/\"\n"
      << "\"Resolution\"=\"640X480\"\n"
      // The goldens were reviewed with plain edges; multisampling has its own test.
      << values << "\"Multisampling\"=\"0\"\n\"NumScenarios\"=\"1\"\n\"Scenario(0)\"=\"FleetBattle.ss3\"\n";
  platform::RegFileStore store((temp.Path() / "user.reg").string(), system.string());
  SaverServices services{
      store,
      [](const std::string&) { return false; },
      [] { return 0u; },
      [] { return platform::CreateOffscreenWindow(); },
      &platform::SystemGl(),
      {},
      false,
      {},
  };
  OffscreenOptions options;
  options.enabled = true;
  options.frames = 1160;
  options.frameMilliseconds = 50;
  options.seed = 5;
  options.picturesEvery = 20;
  options.picturesFolder = (temp.Path() / "pictures").string();
  ASSERT_EQ(SaverMain("/s", services, &options), 0);

  struct Golden {
    int frame;
    const char* name;
  };
  for (const Golden& golden : {Golden{300, "replay_tunnel"}, Golden{880, "replay_ship"},
                               Golden{1160, "replay_break_up"}}) {
    char file[32];
    std::snprintf(file, sizeof file, "frame%06d.bmp", golden.frame);
    std::string why;
    const testing::Image picture = LoadPicture(temp.Path() / "pictures" / file, why);
    ASSERT_EQ(picture.width, 640) << file << ": " << why;
    // Whole scenes blend many layers: a little more room than a single pass needs.
    EXPECT_TRUE(testing::MatchesGolden(picture, golden.name, 12, 0.01)) << file;
  }
}

#endif

}  // namespace
}  // namespace ironwood
