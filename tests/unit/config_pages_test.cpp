// The configuration program's pages, driven as a face drives them: picks, clicks and typed text
// in, what the controls show and what the settings hold out.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/settings.h"
#include "config/config_program.h"
#include "config/file_listing.h"
#include "config/scenario_config_page.h"
#include "config/scenario_editor_page.h"
#include "config/scenario_file.h"
#include "config/sound_page.h"
#include "config/video_page.h"
#include "platform/file_bytes.h"
#include "platform/file_replace.h"
#include "platform/headless/memory_settings_store.h"
#include "platform/paths.h"
#include "tests/support/test_files.h"

namespace ironwood::config {
namespace {

using Names = std::vector<std::string>;

// A lister that serves fixed names and records which folder it was asked for.
struct FakeFiles {
  Names scenarios;
  Names plugins;
  std::size_t unlisted = 0;  // files of either kind whose names cannot be shown
  std::vector<std::string> asked;

  FileLister Lister() {
    return [this](const std::string& folder, std::string_view extension) {
      asked.push_back(folder + "|" + std::string(extension));
      return FolderListing(extension == ".ss3" ? scenarios : plugins, unlisted);
    };
  }
};

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Find(const Names& rows, const std::string& name) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i] == name) return static_cast<int>(i);
  }
  return -1;
}

// ---------------------------------------------------------------- Scenario configuration page

class ScenarioConfigPageTest : public ::testing::Test {
 protected:
  ConfigSettings settings;
  FakeFiles files;
  ScenarioConfigPage page{settings, std::string("/inst/"), files.Lister()};

  void AddFile(const std::string& name) {
    page.SelectFile(Find(page.files(), name));
    ASSERT_GE(page.fileSelection(), 0) << name;
    EXPECT_EQ(page.Add(), "");
  }
  void RemoveRow(const std::string& name) {
    page.SelectRow(Find(page.rows(), name));
    ASSERT_GE(page.rowSelection(), 0) << name;
    page.Remove();
  }
  // The list always shows exactly the catalogue.
  void ExpectListMatchesCatalogue() {
    Names sorted = settings.scenarios;
    SortFileNames(sorted);
    EXPECT_EQ(page.rows(), sorted);
  }
};

TEST_F(ScenarioConfigPageTest, FirstShowListsTheScenarioFolderSortedAndPicksTheFirst) {
  files.scenarios = {"zulu.ss3", "Alpha.ss3", "beta.ss3"};
  settings.scenarios = {"b.ss3", "a.ss3"};
  page.Show();
  ASSERT_EQ(files.asked.size(), 1u);
  EXPECT_EQ(files.asked[0], std::string("/inst/Scenarios") + platform::kPathSeparator + "|.ss3");
  EXPECT_EQ(page.files(), (Names{"Alpha.ss3", "beta.ss3", "zulu.ss3"}));
  EXPECT_EQ(page.fileSelection(), 0);
  EXPECT_EQ(page.rows(), (Names{"a.ss3", "b.ss3"}));
  EXPECT_EQ(page.notice(), "");
}

TEST_F(ScenarioConfigPageTest, AddAppendsInOrderAndAddingAgainChangesNothing) {
  files.scenarios = {"Duel.ss3", "Fleet.ss3"};
  page.Show();
  AddFile("Fleet.ss3");
  AddFile("Duel.ss3");
  AddFile("Fleet.ss3");
  EXPECT_EQ(settings.scenarios, (Names{"Fleet.ss3", "Duel.ss3"}));
  ExpectListMatchesCatalogue();
}

TEST_F(ScenarioConfigPageTest, NamesMatchWholeAndWithoutCase) {
  files.scenarios = {"A.ss3", "BA.ss3", "duel.ss3"};
  settings.scenarios = {"BA.ss3", "DUEL.SS3"};
  page.Show();
  AddFile("A.ss3");  // "BA.ss3" holds "A.ss3", but it is another file
  EXPECT_EQ(settings.scenarios, (Names{"BA.ss3", "DUEL.SS3", "A.ss3"}));
  AddFile("duel.ss3");  // the same file as "DUEL.SS3"
  EXPECT_EQ(settings.scenarios, (Names{"BA.ss3", "DUEL.SS3", "A.ss3"}));
  ExpectListMatchesCatalogue();
  RemoveRow("A.ss3");
  EXPECT_EQ(settings.scenarios, (Names{"BA.ss3", "DUEL.SS3"}));
  ExpectListMatchesCatalogue();
}

TEST_F(ScenarioConfigPageTest, RemoveKeepsTheOrderAndMovesTheSelection) {
  settings.scenarios = {"c.ss3", "a.ss3", "b.ss3", "a.ss3"};
  page.Show();
  page.SelectRow(1);  // rows: a a b c
  page.Remove();
  EXPECT_EQ(settings.scenarios, (Names{"c.ss3", "b.ss3", "a.ss3"}));
  EXPECT_EQ(page.rowSelection(), 1);
  page.SelectRow(2);  // the last row, c
  page.Remove();
  EXPECT_EQ(settings.scenarios, (Names{"b.ss3", "a.ss3"}));
  EXPECT_EQ(page.rowSelection(), 1);
  page.Remove();
  page.Remove();
  EXPECT_TRUE(settings.scenarios.empty());
  EXPECT_EQ(page.rowSelection(), -1);
  page.Remove();  // nothing selected: nothing happens
  EXPECT_TRUE(settings.scenarios.empty());
}

TEST_F(ScenarioConfigPageTest, AFullCatalogueRefusesWithAMessage) {
  for (int i = 0; i < 100; ++i) settings.scenarios.push_back("s" + std::to_string(i) + ".ss3");
  files.scenarios = {"new.ss3", "s5.ss3"};
  page.Show();
  page.SelectFile(0);
  const std::string message = page.Add();
  EXPECT_NE(message.find("new.ss3"), std::string::npos) << message;
  EXPECT_NE(message.find("100"), std::string::npos) << message;
  EXPECT_EQ(settings.scenarios.size(), 100u);
  page.SelectFile(1);  // one already listed is no addition
  EXPECT_EQ(page.Add(), "");
  EXPECT_EQ(settings.scenarios.size(), 100u);
}

TEST_F(ScenarioConfigPageTest, NoFilesAndNoInstallationFolder) {
  page.Show();
  EXPECT_EQ(page.fileSelection(), -1);
  EXPECT_EQ(page.Add(), "");
  EXPECT_TRUE(settings.scenarios.empty());

  ScenarioConfigPage homeless(settings, std::nullopt, files.Lister());
  files.asked.clear();
  homeless.Show();
  EXPECT_TRUE(files.asked.empty()) << "the current folder must not be listed";
  EXPECT_TRUE(homeless.files().empty());
  EXPECT_NE(homeless.notice().find("WorkingDirectory"), std::string::npos);
}

TEST_F(ScenarioConfigPageTest, ShowingAgainFindsNewFilesAndKeepsTheChoice) {
  files.scenarios = {"b.ss3", "c.ss3"};
  page.Show();
  page.SelectFile(1);
  files.scenarios = {"a.ss3", "b.ss3", "c.ss3"};
  page.Show();
  EXPECT_EQ(page.files(), (Names{"a.ss3", "b.ss3", "c.ss3"}));
  EXPECT_EQ(page.fileSelection(), 2);
}

// Files the listing could not name are said once, with their number and folder; the page shown
// again says nothing more until the number changes.
TEST_F(ScenarioConfigPageTest, FilesThatCannotBeListedAreReportedOnce) {
  files.scenarios = {"a.ss3"};
  EXPECT_EQ(page.Show(), "");
  files.unlisted = 1;
  EXPECT_EQ(page.Show(), "1 file in /inst/Scenarios" + std::string(1, platform::kPathSeparator) +
                             " has a name this system cannot show, so it is not listed.");
  EXPECT_EQ(page.files(), (Names{"a.ss3"}));
  EXPECT_EQ(page.Show(), "");
  files.unlisted = 3;
  EXPECT_NE(page.Show().find("3 files in /inst/Scenarios"), std::string::npos);
  EXPECT_EQ(page.Show(), "");

  ScenarioEditorPage editor(std::string("/inst/"), files.Lister());
  EXPECT_NE(editor.Show().find("3 files in /inst/Plugins"), std::string::npos);
  files.unlisted = 0;
  ScenarioEditorPage clean(std::string("/inst/"), files.Lister());
  EXPECT_EQ(clean.Show(), "");
}

// ---------------------------------------------------------------- Scenario editor page

class ScenarioEditorPageTest : public ::testing::Test {
 protected:
  FakeFiles files;
  ScenarioEditorPage page{std::string("/inst/"), files.Lister()};

  std::string AddPlugin(int alliance, const std::string& name, const std::string& count) {
    page.SelectPlugin(alliance, Find(page.plugins(), name));
    page.SetCountText(alliance, count);
    return page.Add(alliance);
  }
};

TEST(ScenarioEntryText, CountTextNormalisation) {
  EXPECT_EQ(NormaliseCountText("0"), "1");
  EXPECT_EQ(NormaliseCountText("-3"), "1");
  EXPECT_EQ(NormaliseCountText(""), "1");
  EXPECT_EQ(NormaliseCountText("ships"), "1");
  EXPECT_EQ(NormaliseCountText("250"), "100");
  EXPECT_EQ(NormaliseCountText("101"), "100");
  EXPECT_EQ(NormaliseCountText("100"), "100");
  EXPECT_EQ(NormaliseCountText("07"), "07");
  EXPECT_EQ(NormaliseCountText("1"), "1");
  // White space would split the entry where the saver reads it.
  EXPECT_EQ(NormaliseCountText(" 5"), "5");
  EXPECT_EQ(NormaliseCountText("5 ships"), "5");
  EXPECT_EQ(EntryName("(2) BigFighter.as3"), "BigFighter.as3");
  EXPECT_EQ(EntryName("  (12)\tFighter.as3  "), "Fighter.as3");
  EXPECT_EQ(EntryName("Fighter.as3"), "");
  EXPECT_EQ(ScenarioSaveName("Duel"), "Duel.ss3");
  EXPECT_EQ(ScenarioSaveName("Duel.ss3.bak"), "Duel.ss3.bak");
  EXPECT_EQ(ScenarioSaveName("Duel.ss3"), "Duel.ss3");
  EXPECT_EQ(ScenarioSaveName("my.ss3files/Duel"), "my.ss3files/Duel.ss3");
}

TEST_F(ScenarioEditorPageTest, FirstShowFillsBothDropDownsAndCounts) {
  files.plugins = {"Fighter.as3", "Cruiser.as3"};
  page.SetCountText(0, "9");
  page.Show();
  EXPECT_EQ(files.asked.at(0), std::string("/inst/Plugins") + platform::kPathSeparator + "|.as3");
  EXPECT_EQ(page.plugins(), (Names{"Cruiser.as3", "Fighter.as3"}));
  EXPECT_EQ(page.pluginSelection(0), 0);
  EXPECT_EQ(page.pluginSelection(1), 0);
  EXPECT_EQ(page.countText(0), "1");
  EXPECT_EQ(page.countText(1), "1");
}

TEST_F(ScenarioEditorPageTest, AddUsesTheCountAndMovesAReaddedPluginToTheEnd) {
  files.plugins = {"Fighter.as3", "Cruiser.as3", "BigFighter.as3"};
  page.Show();
  EXPECT_EQ(AddPlugin(0, "Cruiser.as3", "0"), "");
  EXPECT_EQ(AddPlugin(0, "Fighter.as3", "-3"), "");
  EXPECT_EQ(AddPlugin(0, "BigFighter.as3", ""), "");
  EXPECT_EQ(AddPlugin(0, "Cruiser.as3", "250"), "");
  EXPECT_EQ(AddPlugin(1, "Fighter.as3", "07"), "");
  EXPECT_EQ(page.entries(0),
            (Names{"(1) Fighter.as3", "(1) BigFighter.as3", "(100) Cruiser.as3"}));
  EXPECT_EQ(page.entries(1), (Names{"(07) Fighter.as3"}));
  // The edit itself keeps what was typed.
  EXPECT_EQ(page.countText(0), "250");
}

TEST_F(ScenarioEditorPageTest, ReaddingMatchesTheWholePluginName) {
  files.plugins = {"Fighter.as3", "BigFighter.as3"};
  page.Show();
  AddPlugin(0, "BigFighter.as3", "2");
  AddPlugin(0, "Fighter.as3", "3");
  EXPECT_EQ(page.entries(0), (Names{"(2) BigFighter.as3", "(3) Fighter.as3"}));
  // A loaded entry spelled in other letter case is the same plug-in.
  files.plugins = {"fighter.AS3", "BigFighter.as3"};
  page.Show();
  AddPlugin(0, "fighter.AS3", "4");
  EXPECT_EQ(page.entries(0), (Names{"(2) BigFighter.as3", "(4) fighter.AS3"}));
}

TEST_F(ScenarioEditorPageTest, RemoveMovesTheSelectionAndANothingSelectedRemoveDoesNothing) {
  files.plugins = {"a.as3", "b.as3", "c.as3"};
  page.Show();
  for (const char* name : {"a.as3", "b.as3", "c.as3"}) AddPlugin(1, name, "1");
  page.Remove(1);
  EXPECT_EQ(page.entries(1).size(), 3u);
  page.SelectEntry(1, 2);
  page.Remove(1);
  EXPECT_EQ(page.entrySelection(1), 1);
  page.SelectEntry(1, 0);
  page.Remove(1);
  EXPECT_EQ(page.entries(1), (Names{"(1) b.as3"}));
  EXPECT_EQ(page.entrySelection(1), 0);
  EXPECT_TRUE(page.entries(0).empty());
}

TEST_F(ScenarioEditorPageTest, EachAllianceHoldsAtMostAHundredEntries) {
  for (int i = 0; i < 101; ++i) files.plugins.push_back("p" + std::to_string(i) + ".as3");
  page.Show();
  for (int i = 0; i < 100; ++i) ASSERT_EQ(AddPlugin(0, "p" + std::to_string(i) + ".as3", "1"), "");
  const std::string message = AddPlugin(0, "p100.as3", "1");
  EXPECT_NE(message.find("alliance 1"), std::string::npos) << message;
  EXPECT_EQ(page.entries(0).size(), 100u);
  // Replacing a listed plug-in is no addition, and the other alliance is not full.
  EXPECT_EQ(AddPlugin(0, "p7.as3", "5"), "");
  EXPECT_EQ(page.entries(0).back(), "(5) p7.as3");
  EXPECT_EQ(AddPlugin(1, "p100.as3", "1"), "");
}

TEST_F(ScenarioEditorPageTest, NoInstallationFolder) {
  ScenarioEditorPage homeless(std::nullopt, files.Lister());
  homeless.Show();
  EXPECT_TRUE(files.asked.empty());
  EXPECT_NE(homeless.notice().find("WorkingDirectory"), std::string::npos);
  EXPECT_EQ(homeless.Add(0), "");
  EXPECT_TRUE(homeless.entries(0).empty());
  EXPECT_EQ(homeless.scenarioFolder(), "");
}

// ---------------------------------------------------------------- Scenario files

class ScenarioFileTest : public ::testing::Test {
 protected:
  testing::TempFolder folder;
  FakeFiles files;
  ScenarioEditorPage page{folder.WithSeparator(), files.Lister()};

  std::string PathOf(const std::string& name) { return (folder.Path() / name).string(); }
};

TEST_F(ScenarioFileTest, SaveNamesTheFileAndWritesCountsAndEntries) {
  files.plugins = {"Fighter.as3", "Cruiser.as3"};
  page.Show();
  page.SelectPlugin(0, 1);
  page.SetCountText(0, "3");
  page.Add(0);
  page.SelectPlugin(1, 0);
  page.Add(1);
  page.SelectPlugin(1, 1);
  page.Add(1);
  EXPECT_EQ(page.Save(PathOf("Duel")), "");
  EXPECT_EQ(ReadWhole(PathOf("Duel.ss3")),
            "1\r\n(3) Fighter.as3\r\n2\r\n(1) Cruiser.as3\r\n(1) Fighter.as3\r\n");
  EXPECT_EQ(page.Save(PathOf("Duel.ss3.bak")), "");
  EXPECT_TRUE(std::filesystem::exists(PathOf("Duel.ss3.bak")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("Duel.ss3.bak.ss3")));
  EXPECT_EQ(page.lastFileName(), PathOf("Duel.ss3.bak"));

  // The question before a save is about the file written, not the name typed.
  EXPECT_NE(page.ReplaceQuestion(PathOf("Duel")).find("\"Duel.ss3\" already exists"),
            std::string::npos);
  EXPECT_EQ(page.ReplaceQuestion(PathOf("Duel.ss3"), PathOf("Duel.ss3")), "")
      << "the dialog asked about this very name already";
  EXPECT_EQ(page.ReplaceQuestion(PathOf("Fleet")), "");

  ScenarioEditorPage empty(folder.WithSeparator(), files.Lister());
  EXPECT_EQ(empty.Save(PathOf("Empty")), "");
  EXPECT_EQ(ReadWhole(PathOf("Empty.ss3")), "0\r\n0\r\n");
}

TEST_F(ScenarioFileTest, AFileThatCannotBeWrittenIsReportedWithItsReasonAndKeptWhole) {
  std::string message = page.Save(PathOf("no-such-folder/Duel"));
  EXPECT_NE(message.find("could not be saved"), std::string::npos) << message;
  EXPECT_NE(message.find("Duel.ss3"), std::string::npos) << message;
  EXPECT_GT(message.size(), message.find(": ") + 3) << "a reason follows: " << message;

  // A disk that fills part-way through leaves the old scenario byte for byte, and nothing beside.
  ASSERT_EQ(page.Save(PathOf("Duel")), "");
  const std::string before = ReadWhole(PathOf("Duel.ss3"));
  files.plugins = {"Fighter.as3"};
  page.Show();
  for (int i = 0; i < 5; ++i) page.Add(0);
  platform::FailNextFileReplaceWrite();
  message = page.Save(PathOf("Duel"));
  EXPECT_NE(message.find("could not be saved"), std::string::npos) << message;
  EXPECT_EQ(ReadWhole(PathOf("Duel.ss3")), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_EQ(page.Save(PathOf("Duel")), "") << "the fault was one write only";
  EXPECT_NE(ReadWhole(PathOf("Duel.ss3")), before);
}

TEST_F(ScenarioFileTest, LoadGivesBackWhatSaveWroteForGeneratedScenarios) {
  std::mt19937 random(17);
  for (int round = 0; round < 40; ++round) {
    files.plugins.clear();
    const int plugins = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < plugins; ++i) {
      files.plugins.push_back("Ship" + std::to_string(random() % 1000) + "_" + std::to_string(i) +
                              ".as3");
    }
    ScenarioEditorPage writer(folder.WithSeparator(), files.Lister());
    writer.Show();
    for (int step = 0; step < 30; ++step) {
      const int alliance = static_cast<int>(random() % 2);
      writer.SelectPlugin(alliance, static_cast<int>(random() % writer.plugins().size()));
      writer.SetCountText(alliance, std::to_string(static_cast<int>(random() % 130) - 10));
      writer.Add(alliance);
      if (random() % 5 == 0 && !writer.entries(alliance).empty()) {
        writer.SelectEntry(alliance, static_cast<int>(random() % writer.entries(alliance).size()));
        writer.Remove(alliance);
      }
    }
    ASSERT_EQ(writer.Save(PathOf("round")), "");
    ScenarioEditorPage reader(folder.WithSeparator(), files.Lister());
    ASSERT_EQ(reader.Load(PathOf("round.ss3")), "");
    EXPECT_EQ(reader.lists(), writer.lists()) << "round " << round;
  }
}

TEST_F(ScenarioFileTest, ShortFilesAndBadCountsLoadWhatCanBeRead) {
  files.plugins = {"x.as3"};
  page.Show();
  page.Add(0);
  folder.Write("short.ss3", testing::Bytes{'3', '\r', '\n', 'a', '\n', 'b'});
  std::string message = page.Load(PathOf("short.ss3"));
  EXPECT_EQ(page.entries(0), (Names{"a", "b"}));
  EXPECT_TRUE(page.entries(1).empty());
  EXPECT_NE(message.find("2 of the 3"), std::string::npos) << message;

  const std::string text = "many\n(1) a.as3\n1\n(2) b.as3\n";
  folder.Write("word.ss3", testing::Bytes(text.begin(), text.end()));
  message = page.Load(PathOf("word.ss3"));
  // Alliance 1's count is no number: nothing for it, and the next line is alliance 2's count.
  EXPECT_TRUE(page.entries(0).empty());
  EXPECT_TRUE(page.entries(1).empty());
  EXPECT_NE(message.find("not a number"), std::string::npos) << message;

  const std::string second = "1\n(1) a.as3\nlots\n";
  folder.Write("second.ss3", testing::Bytes(second.begin(), second.end()));
  page.Load(PathOf("second.ss3"));
  EXPECT_EQ(page.entries(0), (Names{"(1) a.as3"}));
  EXPECT_TRUE(page.entries(1).empty());

  std::string big = "150\n";
  for (int i = 0; i < 150; ++i) big += "(1) s" + std::to_string(i) + ".as3\n";
  big += "0\n";
  folder.Write("big.ss3", testing::Bytes(big.begin(), big.end()));
  message = page.Load(PathOf("big.ss3"));
  EXPECT_EQ(page.entries(0).size(), 100u);
  EXPECT_EQ(page.entries(0).back(), "(1) s99.as3");
  EXPECT_NE(message.find("first 100"), std::string::npos) << message;
}

TEST_F(ScenarioFileTest, AFileThatCannotBeOpenedLeavesTheListsAlone) {
  files.plugins = {"x.as3"};
  page.Show();
  page.Add(1);
  std::string message = page.Load(PathOf("missing.ss3"));
  EXPECT_NE(message.find("missing.ss3"), std::string::npos);
  EXPECT_EQ(page.entries(1), (Names{"(1) x.as3"}));
  message = page.Load(folder.Path().string());  // a folder
  EXPECT_NE(message.find("not a scenario file"), std::string::npos) << message;
  folder.Write("huge.ss3", testing::Bytes((2 << 20) + 1, '\n'));
  message = page.Load(PathOf("huge.ss3"));
  EXPECT_NE(message.find("too large"), std::string::npos) << message;
  EXPECT_EQ(page.entries(1), (Names{"(1) x.as3"}));
}

TEST_F(ScenarioFileTest, TheRealListerMatchesExtensionsWithoutCase) {
  const testing::Bytes none;
  folder.Write("Scenarios/b.SS3", none);
  folder.Write("Scenarios/a.ss3", none);
  folder.Write("Scenarios/c.ss3.bak", none);
  folder.Write("Scenarios/.ss3x", none);
  std::filesystem::create_directories(folder.Path() / "Scenarios" / "folder.ss3");
  EXPECT_EQ(ListFiles((folder.Path() / "Scenarios").string(), ".ss3").names,
            (Names{"a.ss3", "b.SS3"}));
  EXPECT_TRUE(ListFiles((folder.Path() / "absent").string(), ".ss3").names.empty());
  // The page's folder is made before a dialog opens.
  std::filesystem::remove_all(folder.Path() / "Scenarios");
  page.PrepareScenarioFolder();
  EXPECT_TRUE(std::filesystem::is_directory(page.scenarioFolder()));
}

#ifdef _WIN32
// The lists, the settings and the saver keep names in the ANSI code page (1252 in Wine's
// default set-up). A name beyond ASCII that it holds is listed in that form and opens; one it
// cannot hold is counted, never listed under a look-alike or thrown over.
TEST_F(ScenarioFileTest, TheRealListerGivesCodePageNamesAndCountsTheOthers) {
  const std::filesystem::path scenarios = folder.Path() / "Scenarios";
  std::filesystem::create_directories(scenarios);
  for (const wchar_t* name : {L"\u00DCberfall.ss3", L"\u041D\u0430\u0431\u0435\u0433.ss3",
                              L"\u6F22.ss3", L"\u6F22.txt", L"Plain.ss3"}) {
    std::ofstream(scenarios / name, std::ios::binary) << "1\r\n(1) A.as3\r\n0\r\n";
  }
  const FolderListing listing = ListFiles(scenarios.string(), ".ss3");
  const std::string ansi = "\xDC" "berfall.ss3";
  Names expected{"Plain.ss3", ansi};
  SortFileNames(expected);
  EXPECT_EQ(listing.names, expected);
  EXPECT_EQ(listing.unlisted, 2u) << "the .txt file is not one of the kind listed";
  std::string bytes;
  std::string why;
  EXPECT_TRUE(platform::ReadWholeFile(scenarios.string() + "\\" + ansi, 1000, &bytes, &why)) << why;
  EXPECT_EQ(bytes, "1\r\n(1) A.as3\r\n0\r\n");
}
#endif

// ---------------------------------------------------------------- Sound page

TEST(SoundPage, SlidersShowOneHundredMinusTheVolume) {
  ConfigSettings settings;
  settings.soundFXVolume = 75;
  settings.musicVolume = 0;
  SoundPage page(settings);
  page.Show();
  EXPECT_EQ(page.soundFXSlider(), 25);
  EXPECT_EQ(page.musicSlider(), 100);
  page.SoundFXSliderMoved(100);
  page.MusicSliderMoved(30);
  EXPECT_EQ(settings.soundFXVolume, 0);
  EXPECT_EQ(settings.musicVolume, 70);
  settings.musicVolume = 150;
  EXPECT_EQ(page.musicSlider(), 0);
}

TEST(SoundPage, AtMostOneMusicSourceAfterAClick) {
  ConfigSettings settings;
  settings.useCDAudio = settings.useMP3Audio = true;
  SoundPage page(settings);
  page.Show();
  EXPECT_TRUE(page.cdMusicOn());
  EXPECT_TRUE(page.mp3MusicOn());
  page.ClickCDMusic();
  EXPECT_FALSE(settings.useCDAudio);
  EXPECT_FALSE(settings.useMP3Audio);
  page.ClickMP3Music();
  EXPECT_TRUE(settings.useMP3Audio);
  page.ClickCDMusic();
  EXPECT_TRUE(settings.useCDAudio);
  EXPECT_FALSE(settings.useMP3Audio);
  page.ClickSoundFX();
  EXPECT_TRUE(settings.useSoundFX);
  EXPECT_TRUE(settings.useCDAudio);
}

TEST(SoundPage, TrackListAddsTitlesRemovesWholeNamesAndStopsAtAHundred) {
  ConfigSettings settings;
  SoundPage page(settings);
  page.Show();
  EXPECT_EQ(page.AddTrack("/music/BigTheme.mp3"), "");
  EXPECT_EQ(page.AddTrack("C:\\music\\Theme.mp3"), "");
  EXPECT_EQ(page.trackRows(), (Names{"BigTheme.mp3", "Theme.mp3"}));
  page.SelectTrack(1);
  page.RemoveTrack();
  ASSERT_EQ(settings.tracks.size(), 1u);
  EXPECT_EQ(settings.tracks[0].title, "BigTheme.mp3");
  EXPECT_EQ(settings.tracks[0].path, "/music/BigTheme.mp3");
  EXPECT_EQ(page.trackSelection(), 0);
  for (int i = 1; i < 100; ++i) ASSERT_EQ(page.AddTrack("/m/t" + std::to_string(i) + ".mp3"), "");
  EXPECT_NE(page.AddTrack("/m/extra.mp3").find("100"), std::string::npos);
  EXPECT_EQ(settings.tracks.size(), 100u);
}

// ---------------------------------------------------------------- Video page

TEST(VideoPage, FirstShowPicksTheFirstResolutionFoundInTheStoredText) {
  ConfigSettings settings;
  VideoPage page(settings);
  const std::pair<const char*, int> cases[] = {
      {"1600X1200", 5}, {"800X600", 1}, {"x2048X1536", 7}, {"DESKTOP", 8}, {"1024x768", -1}, {"", -1},
      {"640X4801024X768", 0}};
  for (const auto& [stored, choice] : cases) {
    settings.resolution = stored;
    page.Show();
    EXPECT_EQ(page.resolutionChoice(), choice) << stored;
    EXPECT_EQ(settings.resolution, stored) << "showing changes nothing";
  }
  page.ChooseResolution(2);
  EXPECT_EQ(settings.resolution, "1024X768");
  EXPECT_EQ(page.resolutionChoice(), 2);
  page.ChooseResolution(8);
  EXPECT_EQ(settings.resolution, "DESKTOP");
}

TEST(VideoPage, TheCameraPairEndsWithExactlyOneOnAfterAnyClick) {
  ConfigSettings settings;
  VideoPage page(settings);
  page.Click254DCamera();
  EXPECT_TRUE(settings.use254DCameraView);
  EXPECT_FALSE(settings.use3DCameraView);
  page.Click254DCamera();
  EXPECT_FALSE(settings.use254DCameraView);
  EXPECT_TRUE(settings.use3DCameraView);
  settings.use254DCameraView = settings.use3DCameraView = true;
  page.ClickFull3DCamera();
  EXPECT_FALSE(settings.use3DCameraView);
  EXPECT_TRUE(settings.use254DCameraView);
}

TEST(VideoPage, FlagsInvertAndTheTextureSliderStaysInItsRange) {
  ConfigSettings settings;
  settings.textureLevel = 7;
  VideoPage page(settings);
  page.Show();
  EXPECT_EQ(page.textureSlider(), 2);
  page.TextureSliderMoved(1);
  EXPECT_EQ(settings.textureLevel, 1);
  page.Click3DFX();
  page.ClickDynamicLighting();
  page.ClickS3TC();
  page.ClickS3TC();
  EXPECT_TRUE(page.multisampling());  // on until someone turns it off, as the saver reads it
  page.ClickMultisampling();
  EXPECT_TRUE(settings.use3DFX);
  EXPECT_TRUE(settings.useDynamicLighting);
  EXPECT_FALSE(settings.useS3TC);
  EXPECT_FALSE(settings.multisampling);
}

// ---------------------------------------------------------------- The program

TEST(ConfigProgram, OkOnAnEmptyStoreWritesEveryValueWithCountsZero) {
  platform::MemorySettingsStore store;
  ConfigProgram program(store);
  program.LoadSettings();
  program.video.Show();
  EXPECT_EQ(program.video.resolutionChoice(), -1);
  EXPECT_EQ(program.sound.soundFXSlider(), 100);
  EXPECT_TRUE(program.SaveSettings());
  EXPECT_EQ(settings::Read(store, settings::kNumScenarios), "0");
  EXPECT_EQ(settings::Read(store, settings::kNumMP3s), "0");
  EXPECT_EQ(settings::Read(store, settings::kUse254DCameraView), "0");
  EXPECT_EQ(settings::Read(store, settings::kResolution), "");
  EXPECT_EQ(settings::Read(store, settings::kMultisampling), "1");  // absent reads as on
  EXPECT_EQ(store.writes, 15);  // every value of the write pass
  EXPECT_FALSE(settings::Read(store, settings::kWorkingDirectory)) << "never written";
}

TEST(ConfigProgram, WorkingDirectoryGetsItsSeparatorAndEmptyCountsAsAbsent) {
  platform::MemorySettingsStore store;
  EXPECT_FALSE(ReadWorkingDirectory(store));
  settings::Write(store, settings::kWorkingDirectory, "");
  EXPECT_FALSE(ReadWorkingDirectory(store));
  settings::Write(store, settings::kWorkingDirectory, "/opt/ironwood");
  EXPECT_EQ(ReadWorkingDirectory(store), std::string("/opt/ironwood") + platform::kPathSeparator);
  ConfigProgram program(store);
  EXPECT_EQ(program.workingDirectory(), ReadWorkingDirectory(store));
}

TEST(ConfigProgram, AScenarioSavedInTheEditorAppearsInTheConfigurationDropDown) {
  testing::TempFolder folder;
  platform::MemorySettingsStore store;
  settings::Write(store, settings::kWorkingDirectory, folder.WithSeparator());
  folder.Write("Plugins/Fighter.as3", {});
  ConfigProgram program(store);
  program.LoadSettings();
  program.scenarioConfig.Show();
  EXPECT_TRUE(program.scenarioConfig.files().empty());
  program.scenarioEditor.Show();
  program.scenarioEditor.Add(0);
  program.scenarioEditor.PrepareScenarioFolder();
  ASSERT_EQ(program.scenarioEditor.Save(program.scenarioEditor.scenarioFolder() + "Duel"), "");
  program.scenarioConfig.Show();
  ASSERT_EQ(program.scenarioConfig.files(), (Names{"Duel.ss3"}));
  EXPECT_EQ(program.scenarioConfig.Add(), "");
  program.SaveSettings();
  EXPECT_EQ(settings::Read(store, settings::kNumScenarios), "1");
  EXPECT_EQ(settings::Read(store, "Scenario(0)"), "Duel.ss3");
}

}  // namespace
}  // namespace ironwood::config
