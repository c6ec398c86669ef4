// Settings carried between machines as .reg files: what --export writes, what --import accepts,
// and that a faulty file changes nothing.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/settings.h"
#include "config/settings_transfer.h"
#include "platform/file_replace.h"
#include "platform/headless/memory_settings_store.h"
#include "tests/support/test_files.h"

namespace ironwood::config {
namespace {

bool Same(const ConfigSettings& a, const ConfigSettings& b) {
  if (a.tracks.size() != b.tracks.size()) return false;
  for (std::size_t i = 0; i < a.tracks.size(); ++i) {
    if (a.tracks[i].title != b.tracks[i].title || a.tracks[i].path != b.tracks[i].path) return false;
  }
  return a.scenarios == b.scenarios && a.useSoundFX == b.useSoundFX &&
         a.useCDAudio == b.useCDAudio && a.useMP3Audio == b.useMP3Audio &&
         a.resolution == b.resolution && a.use3DFX == b.use3DFX &&
         a.useDynamicLighting == b.useDynamicLighting && a.useS3TC == b.useS3TC &&
         a.use3DCameraView == b.use3DCameraView && a.use254DCameraView == b.use254DCameraView &&
         a.soundFXVolume == b.soundFXVolume && a.musicVolume == b.musicVolume &&
         a.textureLevel == b.textureLevel;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::string kHead =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\r\n";

TEST(SettingsExport, WritesTheKeyAndEveryValueInTheSheetsOrder) {
  ConfigSettings settings;
  settings.scenarios = {"Duel.ss3"};
  settings.tracks = {{"Theme \"A\".mp3", "C:\\Music\\Theme \"A\".mp3"}};
  settings.resolution = "1024X768";
  settings.soundFXVolume = 75;
  const std::string text = ExportSettingsText(settings);
  EXPECT_EQ(text.substr(0, kHead.size()), kHead);
  EXPECT_NE(text.find("\r\n\"NumScenarios\"=\"1\"\r\n\"Scenario(0)\"=\"Duel.ss3\"\r\n\"NumMP3s\"=\"1\"\r\n"
                      "\"MP3(0)\"=\"Theme \\\"A\\\".mp3\"\r\n"
                      "\"MP3Path(0)\"=\"C:\\\\Music\\\\Theme \\\"A\\\".mp3\"\r\n\"UseSoundFX\"=\"0\"\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\"SoundFXVolume\"=\"75\"\r\n\"MusicVolume\"=\"0\"\r\n\"TextureLevel\"=\"0\"\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("WorkingDirectory"), std::string::npos);
}

TEST(SettingsExport, ImportGivesBackWhatExportWroteForGeneratedSettings) {
  std::mt19937 random(8);
  auto word = [&random](std::size_t length) {
    const std::string letters = "abcXYZ09 _-.\\\"'()[]=;";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += letters[random() % letters.size()];
    return text;
  };
  for (int round = 0; round < 30; ++round) {
    ConfigSettings settings;
    for (unsigned i = random() % 6; i > 0; --i) settings.scenarios.push_back(word(1 + random() % 20));
    for (unsigned i = random() % 4; i > 0; --i) settings.tracks.push_back({word(9), word(30)});
    settings.useSoundFX = random() % 2;
    settings.useMP3Audio = random() % 2;
    settings.resolution = word(random() % 12);
    settings.use254DCameraView = random() % 2;
    settings.soundFXVolume = static_cast<int>(random() % 101);
    settings.musicVolume = static_cast<int>(random() % 101);
    settings.textureLevel = static_cast<int>(random() % 3);
    ConfigSettings imported;
    std::string why;
    ASSERT_TRUE(ImportSettingsText(ExportSettingsText(settings), imported, &why)) << why;
    EXPECT_TRUE(Same(settings, imported)) << "round " << round;
  }
}

TEST(SettingsImport, ReadsTheRegistryEditorsOwnFiles) {
  // UTF-16LE with its mark, the 64-bit editor's view of the key, a dword, comments, and values
  // that belong to the installation.
  const std::string utf8 =
      "Windows Registry Editor Version 5.00\r\n\r\n; carried over\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quillon\\Starfray ScreenSaver\\2.60]\r\n"
      "\"WorkingDirectory\"=\"C:\\\\Program Files\\\\Starfray\\\\\"\r\n"
      "\"Password\"=\"secret\"\r\n"
      "\"TextureLevel\"=dword:00000002\r\n"
      "\"Resolution\"=\"1600X1200\"\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : utf8) {
    utf16 += c;
    utf16 += '\0';
  }
  ConfigSettings settings;
  settings.soundFXVolume = 40;
  std::string why;
  ASSERT_TRUE(ImportSettingsText(utf16, settings, &why)) << why;
  EXPECT_EQ(settings.textureLevel, 2);
  EXPECT_EQ(settings.resolution, "1600X1200");
  EXPECT_EQ(settings.soundFXVolume, 40) << "a value the file does not name keeps its own";
  ASSERT_TRUE(ImportSettingsText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray "
                                 "ScreenSaver\\2.60]\n\"MusicVolume\"=dword:ffffffff\n",
                                 settings, &why))
      << why;
  EXPECT_EQ(settings.musicVolume, -1);
}

TEST(SettingsImport, AFaultyFileChangesNothingAndSaysWhere) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "empty"},
      {"[HKEY_LOCAL_MACHINE\\x]\r\n", "line 1"},
      {"Windows Registry Editor Version 5.00\r\n\"Resolution\"=\"800X600\"\r\n", "before the key"},
      {kHead + "\"Resolution\"=\"800X600\r\n", "line 4"},
      {kHead + "\"Resolution\"=800X600\r\n", "Resolution"},
      {kHead + "\"TextureLevel\"=dword:0000000g\r\n", "not hex"},
      {kHead + "[HKEY_CURRENT_USER\\Control Panel\\desktop]\r\n", "line 4"},
      {kHead + "\"NumScenarios\"=\"2\"\r\n\"Scenario(0)\"=\"a.ss3\"\r\n", "Scenario(1)"},
      {kHead + "\"NumMP3s\"=\"101\"\r\n", "0 to 100"},
      {kHead + "\"NumMP3s\"=\"1\"\r\n\"MP3(0)\"=\"a\"\r\n", "MP3Path(0)"},
      {"Windows Registry Editor Version 5.00\r\n", "no key"},
      {"\xFF\xFE" "a", "UTF-16"},
  };
  for (const auto& [text, reason] : cases) {
    ConfigSettings settings;
    settings.resolution = "1024X768";
    settings.scenarios = {"keep.ss3"};
    std::string why;
    EXPECT_FALSE(ImportSettingsText(text, settings, &why)) << text;
    EXPECT_NE(why.find(reason), std::string::npos) << "'" << why << "' for " << text;
    EXPECT_EQ(settings.resolution, "1024X768");
    EXPECT_EQ(settings.scenarios, std::vector<std::string>{"keep.ss3"});
  }
}

class SettingsTransferCommand : public ::testing::Test {
 protected:
  testing::TempFolder folder;
  platform::MemorySettingsStore store;

  std::optional<TransferResult> Run(std::vector<std::string> args, bool open = false) {
    return RunSettingsTransfer(args, store, open);
  }
  std::string File(const std::string& name) { return (folder.Path() / name).string(); }
};

TEST_F(SettingsTransferCommand, ExportThenImportCarriesTheSettings) {
  EXPECT_FALSE(Run({}));
  EXPECT_FALSE(Run({"/c"}));
  settings::Write(store, settings::kNumScenarios, "1");
  settings::Write(store, "Scenario(0)", "Fleet.ss3");
  settings::Write(store, settings::kResolution, "1280X1024");
  auto result = Run({"--export", File("carried.reg")});
  ASSERT_TRUE(result);
  EXPECT_EQ(result->exitCode, 0) << result->report;

  platform::MemorySettingsStore other;
  result = RunSettingsTransfer({"--import=" + File("carried.reg")}, other, false);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->exitCode, 0) << result->report;
  EXPECT_EQ(settings::Read(other, settings::kResolution), "1280X1024");
  EXPECT_EQ(settings::Read(other, "Scenario(0)"), "Fleet.ss3");
  EXPECT_EQ(settings::Read(other, settings::kUse3DFX), std::nullopt) << "never set, never carried";
}

TEST_F(SettingsTransferCommand, ExportCarriesWhatTheStoreHoldsAndTellsWhatItRepaired) {
  // A fresh installation: a few values, most absent.
  settings::Write(store, settings::kWorkingDirectory, "/opt/ironwood/");
  settings::Write(store, settings::kNumScenarios, "1");
  settings::Write(store, "Scenario(0)", "Duel.ss3");
  settings::Write(store, settings::kUseCDAudio, "1");
  settings::Write(store, settings::kResolution, "1024X768");
  std::string report;
  const std::string text = ExportStoredSettings(store, &report);
  EXPECT_EQ(text, kHead + "\"NumScenarios\"=\"1\"\r\n\"Scenario(0)\"=\"Duel.ss3\"\r\n"
                          "\"UseCDAudio\"=\"1\"\r\n\"Resolution\"=\"1024X768\"\r\n\r\n");
  EXPECT_EQ(report, "");

  // Imported into an installation of its own, it changes what it carries and nothing else.
  folder.Write("fresh.reg", testing::Bytes(text.begin(), text.end()));
  platform::MemorySettingsStore other;
  settings::Write(other, settings::kUseS3TC, "1");
  settings::Write(other, settings::kResolution, "800X600");
  settings::Write(other, settings::kMusicVolume, "40");
  ASSERT_EQ(RunSettingsTransfer({"--import", File("fresh.reg")}, other, false)->exitCode, 0);
  EXPECT_EQ(settings::Read(other, settings::kUseS3TC), "1");
  EXPECT_EQ(settings::Read(other, settings::kMusicVolume), "40");
  EXPECT_EQ(settings::Read(other, settings::kResolution), "1024X768");
  EXPECT_EQ(settings::Read(other, settings::kUseCDAudio), "1");
  EXPECT_EQ(settings::Read(other, settings::kUse3DFX), std::nullopt);
  EXPECT_EQ(settings::Read(other, settings::kNumMP3s), std::nullopt);
  EXPECT_EQ(settings::Read(other, settings::kWorkingDirectory), std::nullopt);

  // Counts a list cannot hold are written as the sheet reads them, and said so.
  settings::Write(store, settings::kNumScenarios, "99999999");
  settings::Write(store, settings::kNumMP3s, "-1");
  auto result = Run({"--export", File("repaired.reg")});
  EXPECT_EQ(result->exitCode, 0);
  EXPECT_NE(result->report.find("\"NumScenarios\" is \"99999999\" here; it was exported as 100"),
            std::string::npos)
      << result->report;
  EXPECT_NE(result->report.find("\"NumMP3s\" is \"-1\" here; it was exported as 0"),
            std::string::npos);
  EXPECT_NE(result->report.find("99 of the entries \"NumScenarios\" takes in"), std::string::npos);
  platform::MemorySettingsStore third;
  result = RunSettingsTransfer({"--import", File("repaired.reg")}, third, false);
  EXPECT_EQ(result->exitCode, 0) << "the repaired file imports: " << result->report;
  EXPECT_EQ(settings::Read(third, "Scenario(0)"), "Duel.ss3");
}

TEST_F(SettingsTransferCommand, FailuresSayWhyAndWriteNothing) {
  const std::string bad = "Windows Registry Editor Version 5.00\r\nnonsense\r\n";
  folder.Write("bad.reg", testing::Bytes(bad.begin(), bad.end()));
  auto result = Run({"--import", File("bad.reg")});
  ASSERT_TRUE(result);
  EXPECT_EQ(result->exitCode, 1);
  EXPECT_NE(result->report.find("line 2"), std::string::npos) << result->report;
  EXPECT_EQ(store.writes, 0);

  result = Run({"--import", File("missing.reg")});
  EXPECT_EQ(result->exitCode, 1);
  EXPECT_NE(result->report.find("does not exist"), std::string::npos) << result->report;
  result = Run({"--import", folder.Path().string()});
  EXPECT_EQ(result->exitCode, 1);
  EXPECT_NE(result->report.find("not a plain file"), std::string::npos) << result->report;

  ASSERT_EQ(Run({"--export", File("good.reg")})->exitCode, 0);
  store.writes = 0;
  result = Run({"--import", File("good.reg")}, /*open=*/true);
  EXPECT_EQ(result->exitCode, 1);
  EXPECT_NE(result->report.find("open"), std::string::npos);
  EXPECT_EQ(store.writes, 0);

  // An export that fails part-way leaves the file it would replace as it was.
  const std::string good = ReadWhole(File("good.reg"));
  settings::Write(store, settings::kResolution, "1600X1200");
  platform::FailNextFileReplaceWrite();
  result = Run({"--export", File("good.reg")});
  EXPECT_EQ(result->exitCode, 1);
  EXPECT_EQ(ReadWhole(File("good.reg")), good);  // and nothing beside it:
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            2) << "bad.reg and good.reg";

  result = Run({"--export", File("no-folder/x.reg")});
  EXPECT_EQ(result->exitCode, 1);
  EXPECT_NE(result->report.find("could not be written"), std::string::npos);
  EXPECT_EQ(Run({"--export"})->exitCode, 2);
  EXPECT_EQ(Run({"--export", "a", "--import", "b"})->exitCode, 2);
  EXPECT_EQ(Run({"--import="})->exitCode, 2);
}

}  // namespace
}  // namespace ironwood::config
