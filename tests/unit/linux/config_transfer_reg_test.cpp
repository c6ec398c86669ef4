// An exported settings file is a settings file the Linux store reads as it stands.

#include <gtest/gtest.h>

#include "common/settings.h"
#include "config/settings_transfer.h"
#include "platform/linux/reg_file_store.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

TEST(SettingsExportOnLinux, TheStoreReadsAnExportedFile) {
  testing::TempFolder folder;
  config::ConfigSettings settings;
  settings.scenarios = {"Duel.ss3", "Fleet.ss3"};
  settings.tracks = {{"A \"b\".mp3", "/music/A \"b\".mp3"}};
  settings.resolution = "800X600";
  settings.use3DFX = true;
  const std::string text = config::ExportSettingsText(settings);
  const std::string path = folder.Write("exported.reg", testing::Bytes(text.begin(), text.end()));
  platform::RegFileStore store(path, (folder.Path() / "none.reg").string());
  EXPECT_EQ(settings::Read(store, settings::kNumScenarios), "2");
  EXPECT_EQ(settings::Read(store, "Scenario(1)"), "Fleet.ss3");
  EXPECT_EQ(settings::Read(store, "MP3Path(0)"), "/music/A \"b\".mp3");
  EXPECT_EQ(settings::Read(store, settings::kUse3DFX), "1");
  EXPECT_EQ(settings::Read(store, settings::kResolution), "800X600");
}

}  // namespace
}  // namespace ironwood
