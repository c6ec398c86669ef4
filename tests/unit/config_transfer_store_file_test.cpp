// A settings file of the Linux store, carried to a Windows machine, imports there: the store and
// the import read and write through one .reg codec.

#include <gtest/gtest.h>

#include "common/settings.h"
#include "config/settings_transfer.h"
#include "platform/reg_text.h"

namespace ironwood::config {
namespace {

TEST(SettingsImport, ReadsWhatTheLinuxStoreWrites) {
  // Written as RegFileStore::WriteText writes: the key path of the machine root, LF line ends,
  // and text it cannot quote (here a tab) as UTF-16 data.
  platform::RegDocument document;
  const std::string key =
      platform::RegKeyPath(platform::SettingsRoot::LocalMachine, settings::kKey);
  document.SetText(key, settings::kWorkingDirectory, "/usr/share/ironwood/");
  document.SetText(key, settings::kPassword, "secret");
  document.SetText(key, settings::kNumScenarios, "1");
  document.SetText(key, "Scenario(0)", "Two\tFleets.ss3");
  document.SetText(key, settings::kResolution, "1280X1024");
  document.SetText(key, settings::kTextureLevel, "2");
  const std::string file = platform::SerializeRegText(document);
  ASSERT_NE(file.find("hex(1):"), std::string::npos) << file;

  ConfigSettings imported;
  std::string why;
  ASSERT_TRUE(ImportSettingsText(file, imported, &why)) << why << "\n" << file;
  EXPECT_EQ(imported.scenarios, std::vector<std::string>{"Two\tFleets.ss3"});
  EXPECT_EQ(imported.resolution, "1280X1024");
  EXPECT_EQ(imported.textureLevel, 2);
  // The export writes the tab the same way, and its file imports again.
  ConfigSettings again;
  ASSERT_TRUE(ImportSettingsText(ExportSettingsText(imported), again, &why)) << why;
  EXPECT_EQ(again.scenarios, imported.scenarios);
}

}  // namespace
}  // namespace ironwood::config
