#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "common/settings.h"
#include "platform/headless/memory_settings_store.h"
#include "platform/paths.h"
#include "saver/battle/scenario.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::TempFolder;

std::string WriteText(const TempFolder& folder, const std::string& relative,
                      const std::string& text) {
  return folder.Write(relative, testing::Bytes(text.begin(), text.end()));
}

std::string Plugin(const TempFolder& folder, const std::string& name) {
  return platform::InstallationFile(folder.WithSeparator(), "Plugins", name);
}

// Reads `text` as a scenario file; "accepted" or the refusal.
std::string Outcome(const std::string& text, Scenario* out = nullptr) {
  TempFolder folder;
  const std::string path = WriteText(folder, "S.ss3", text);
  Scenario scratch;
  std::string why;
  if (!ReadScenarioFile(path, folder.WithSeparator(), out ? out : &scratch, &why)) return why;
  return "accepted";
}

TEST(ScenarioFile, ReadsWhatTheEditorWritesAndAnyLayoutOfTheSameTokens) {
  TempFolder folder;
  const std::string path =
      WriteText(folder, "Scenarios/Big.ss3", "2\r\n(3) Cruiser.as3\r\n(12) Scout.as3\r\n"
                                             "1\r\n[12] Cruiser.as3\r\n");
  Scenario s;
  std::string why;
  ASSERT_TRUE(ReadScenarioFile(path, folder.WithSeparator(), &s, &why)) << why;
  EXPECT_EQ(s.filePath, path);
  ASSERT_EQ(s.alliance1.entryCount(), 2);
  EXPECT_EQ(s.alliance1.entries[0].shipCount, 3);
  EXPECT_EQ(s.alliance1.entries[0].pluginPath, Plugin(folder, "Cruiser.as3"));
  EXPECT_EQ(s.alliance1.entries[1].shipCount, 12);
  EXPECT_EQ(s.alliance1.total, 15);
  // Square brackets read like parentheses: only the first and last character go.
  ASSERT_EQ(s.alliance2.entryCount(), 1);
  EXPECT_EQ(s.alliance2.entries[0].shipCount, 12);
  EXPECT_EQ(s.alliance2.total, 12);

  // Both entries on one line, tabs, no final line break: the same scenario.
  Scenario oneLine;
  ASSERT_EQ(Outcome("2 (3) Cruiser.as3\t(12) Scout.as3 1\n[12] Cruiser.as3", &oneLine),
            "accepted");
  EXPECT_EQ(oneLine.alliance1.total, 15);

  // Leading zeros and a sign are still a count.
  Scenario loose;
  ASSERT_EQ(Outcome("+1\n(007) A.as3\n0\n", &loose), "accepted");
  EXPECT_EQ(loose.alliance1.entries[0].shipCount, 7);
  EXPECT_EQ(loose.alliance2.entryCount(), 0);

  // Empty lists read; an empty first list is the battle start's business.
  Scenario empty;
  ASSERT_EQ(Outcome("0\n1\n(2) B.as3\n", &empty), "accepted");
  EXPECT_EQ(empty.alliance1.entryCount(), 0);
  EXPECT_EQ(empty.alliance2.total, 2);
}

TEST(ScenarioFile, RefusesWhatNoWriterProducesInsteadOfGuessing) {
  EXPECT_NE(Outcome("").find("ends before the alliance 1 entry count"), std::string::npos);
  EXPECT_NE(Outcome("1\n(1) A.as3\n").find("ends before the alliance 2"), std::string::npos);
  EXPECT_NE(Outcome("2\n(1) A.as3\n(1)\n").find("ends in alliance 1 entry 2"),
            std::string::npos);
  EXPECT_NE(Outcome("x\n").find("not a number"), std::string::npos);
  // A number with more after it is a damaged count, not the number.
  EXPECT_NE(Outcome("5abc\n").find("entry count \"5abc\" is not a number"), std::string::npos);
  EXPECT_NE(Outcome("-1\n0\n").find("negative"), std::string::npos);
  // A count that is no number of ships, or brackets with nothing between them.
  for (const char* entry : {"(0)", "(-4)", "(x)", "()", "3", "(7", "(007x)"}) {
    EXPECT_NE(Outcome(std::string("1\n") + entry + " A.as3\n0\n").find("not a number of 1"),
              std::string::npos)
        << entry;
  }
  // Count tokens: 11 characters fit, 12 do not.
  Scenario s;
  ASSERT_EQ(Outcome("1\n(000000012) A.as3\n0\n", &s), "accepted");
  EXPECT_EQ(s.alliance1.total, 12);
  EXPECT_NE(Outcome("1\n(0000000012) A.as3\n0\n").find("longer than 11"), std::string::npos);
}

TEST(ScenarioFile, SizesStayWithinWhatTheEditorWrites) {
  // 100 ships an entry at most, as the editor writes them.
  Scenario s;
  ASSERT_EQ(Outcome("1\n(100) A.as3\n1\n(1) B.as3\n", &s), "accepted");
  EXPECT_EQ(s.alliance1.total, 100);
  EXPECT_NE(Outcome("1\n(101) A.as3\n0\n").find("alliance 1 entry 1: 101 ships (at most 100"),
            std::string::npos);
  EXPECT_NE(Outcome("0\n1\n(99999999) A.as3\n").find("alliance 2 entry 1: 99999999 ships"),
            std::string::npos);

  // 2000 ships in a battle, both alliances together.
  auto entries = [](int n, const char* last = "") {
    std::string text = std::to_string(n + (*last != 0 ? 1 : 0)) + "\n";
    for (int i = 0; i < n; ++i) text += "(100) A.as3\n";
    return text + last;
  };
  ASSERT_EQ(Outcome(entries(12) + entries(8), &s), "accepted");
  EXPECT_EQ(s.alliance1.total + s.alliance2.total, kMaxShipsPerBattle);
  EXPECT_NE(Outcome(entries(12) + entries(8, "(1) A.as3\n"))
                .find("alliance 2 entry 9: the battle would field more than 2000 ships"),
            std::string::npos);
  // A list claiming millions of entries is refused at the first ship too many.
  EXPECT_NE(Outcome("99999999\n" + entries(21).substr(3)).find("alliance 1 entry 21"),
            std::string::npos);

  // The file itself: the largest the editor could write fits; anything past the limit is not
  // read at all.
  std::string padded = "1\n(1) A.as3\n0\n";
  padded.resize(kMaxScenarioFileBytes, ' ');
  EXPECT_EQ(Outcome(padded), "accepted");
  padded += ' ';
  EXPECT_NE(Outcome(padded).find("not a scenario file (" +
                                 std::to_string(kMaxScenarioFileBytes + 1) + " bytes"),
            std::string::npos);
}

#ifndef _WIN32
// A pipe named as a scenario would block the reader for ever; it is never opened.
TEST(ScenarioFile, OnlyPlainFilesAreOpened) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "Scenarios");
  const std::string pipe = (folder.Path() / "Scenarios" / "Pipe.ss3").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
  Scenario s;
  std::string why;
  EXPECT_FALSE(ReadScenarioFile(pipe, folder.WithSeparator(), &s, &why));
  EXPECT_NE(why.find("not a plain file"), std::string::npos) << why;
  EXPECT_FALSE(
      ReadScenarioFile((folder.Path() / "Scenarios").string(), folder.WithSeparator(), &s, &why));

  // In the catalogue it drops out like a missing file.
  platform::MemorySettingsStore store;
  WriteText(folder, "Scenarios/A.ss3", "1\n(2) A.as3\n0\n");
  settings::Write(store, settings::kNumScenarios, "2");
  settings::Write(store, settings::IndexedName(settings::kScenario, 0), "Pipe.ss3");
  settings::Write(store, settings::IndexedName(settings::kScenario, 1), "A.ss3");
  ScenarioCatalogue c;
  ASSERT_TRUE(c.Load(store, folder.WithSeparator(), &why)) << why;
  ASSERT_EQ(c.scenarioCount(), 1);
  EXPECT_EQ(c.scenario(0).alliance1.total, 2);
}
#endif

TEST(ScenarioFile, PluginPathsStayBelow1024Characters) {
  TempFolder folder;
  const std::string installation = folder.WithSeparator();
  const std::size_t prefix = Plugin(folder, "").size();
  ASSERT_LT(prefix, 1000u);
  const std::string fits(kMaxScenarioPath - prefix, 'n');
  const std::string path = WriteText(folder, "S.ss3", "1\n(1) " + fits + "\n1\n(1) " + fits +
                                                          "x\n");
  Scenario s;
  std::string why;
  EXPECT_FALSE(ReadScenarioFile(path, installation, &s, &why));
  EXPECT_NE(why.find("alliance 2 entry 1: the plug-in path would be 1024"), std::string::npos)
      << why;
  EXPECT_TRUE(s.alliance1.entries.empty());  // nothing of a refused file is kept

  WriteText(folder, "S.ss3", "1\n(1) " + fits + "\n0\n");
  ASSERT_TRUE(ReadScenarioFile(path, installation, &s, &why)) << why;
  EXPECT_EQ(s.alliance1.entries[0].pluginPath.size(), kMaxScenarioPath);

  EXPECT_FALSE(ReadScenarioFile((folder.Path() / "Missing.ss3").string(), installation, &s, &why));
}

// A folder with scenario files and a store naming them.
struct CatalogueFixture {
  TempFolder folder;
  platform::MemorySettingsStore store;

  void Name(int index, const std::string& file) {
    settings::Write(store, settings::IndexedName(settings::kScenario, index), file);
  }
  // Scenario `file` with one alliance 1 entry of `ships` ships (0: an empty first list).
  void Make(const std::string& file, int ships) {
    WriteText(folder, "Scenarios/" + file,
              ships > 0 ? "1\n(" + std::to_string(ships) + ") A.as3\n1\n(1) B.as3\n"
                        : "0\n1\n(1) B.as3\n");
  }
  bool Load(ScenarioCatalogue& catalogue, std::string* why = nullptr) {
    return catalogue.Load(store, folder.WithSeparator(), why);
  }
};

// Names from the settings and from scenario files are joined to an installation folder; one
// that climbs out of it or into a subfolder is refused with its reason, and the file it names is
// never read.
TEST(ScenarioCatalogue, NamesThatAreNoPlainFileNamesAreRefused) {
  TempFolder folder;
  // Playable files that such names would reach.
  WriteText(folder, "Outside.ss3", "1\n(1) A.as3\n0\n");
  WriteText(folder, "Scenarios/Sub/Deeper.ss3", "1\n(1) A.as3\n0\n");
  WriteText(folder, "Scenarios/Good.ss3", "1\n(1) A.as3\n0\n");
  const char* refused[] = {"../Outside.ss3", "Sub\\Deeper.ss3", "Sub/Deeper.ss3", ".."};
  platform::MemorySettingsStore store;
  settings::Write(store, settings::kNumScenarios, "5");
  for (int i = 0; i < 4; ++i) {
    settings::Write(store, settings::IndexedName(settings::kScenario, i), refused[i]);
  }
  settings::Write(store, settings::IndexedName(settings::kScenario, 4), "Good.ss3");
  ScenarioCatalogue c;
  std::string why;
  ASSERT_TRUE(c.Load(store, folder.WithSeparator(), &why)) << why;
  ASSERT_EQ(c.scenarioCount(), 1);
  EXPECT_EQ(c.scenario(0).filePath,
            platform::InstallationFile(folder.WithSeparator(), "Scenarios", "Good.ss3"));
  ASSERT_EQ(c.problems().size(), 4u);
  EXPECT_EQ(c.problems()[0], "the setting Scenario(0) \"../Outside.ss3\" is not a plain file "
                             "name (it holds a folder separator); left out");
  EXPECT_NE(c.problems()[1].find("Scenario(1)"), std::string::npos) << c.problems()[1];
  EXPECT_NE(c.problems()[3].find("it names a folder"), std::string::npos) << c.problems()[3];

  // With nothing else left the catalogue fails, giving the first reason.
  settings::Write(store, settings::kNumScenarios, "1");
  ScenarioCatalogue none;
  EXPECT_FALSE(none.Load(store, folder.WithSeparator(), &why));
  EXPECT_NE(why.find("can be used (the setting Scenario(0) \"../Outside.ss3\""),
            std::string::npos)
      << why;

  // A plug-in name in a scenario file refuses the file.
  for (const char* plugin : {"../../Evil.as3", "Ships\\A.as3", "/etc/A.as3", ".."}) {
    const std::string outcome = Outcome(std::string("1\n(1) A.as3\n1\n(2) ") + plugin + "\n");
    EXPECT_NE(outcome.find(std::string("alliance 2 entry 1: the plug-in name \"") + plugin +
                           "\" is not a plain file name"),
              std::string::npos)
        << outcome;
  }
  EXPECT_EQ(Outcome("1\n(1) A..B.as3\n0\n"), "accepted");
}

TEST(ScenarioCatalogue, LoadFailsWithoutAUsableList) {
  CatalogueFixture f;
  f.Make("A.ss3", 1);
  f.Make("B.ss3", 2);
  f.Name(0, "A.ss3");
  f.Name(1, "B.ss3");
  ScenarioCatalogue c;
  std::string why;
  EXPECT_FALSE(f.Load(c, &why));
  EXPECT_NE(why.find("NumScenarios is absent"), std::string::npos) << why;
  for (const char* count : {"0", "-2"}) {
    settings::Write(f.store, settings::kNumScenarios, count);
    EXPECT_FALSE(f.Load(c, &why)) << count;
    EXPECT_NE(why.find("not positive"), std::string::npos) << why;
  }
  settings::Write(f.store, settings::kNumScenarios, "two");
  EXPECT_FALSE(f.Load(c, &why));
  EXPECT_NE(why.find("NumScenarios is \"two\", not a number"), std::string::npos) << why;
  settings::Write(f.store, settings::kNumScenarios, "3");
  EXPECT_FALSE(f.Load(c, &why));
  EXPECT_NE(why.find("Scenario(2) is absent"), std::string::npos) << why;
  // A value too long for the store to read is there, only unreadable.
  f.Name(2, std::string(5000, 'n'));
  EXPECT_FALSE(f.Load(c, &why));
  EXPECT_NE(why.find("Scenario(2) is too long (more than the 1024 bytes"), std::string::npos)
      << why;
  settings::Write(f.store, settings::kNumScenarios, std::string(2000, '1'));
  EXPECT_FALSE(f.Load(c, &why));
  EXPECT_NE(why.find("NumScenarios is too long"), std::string::npos) << why;
  settings::Write(f.store, settings::kNumScenarios, "3");

  // Names of files that are all missing.
  f.Name(0, "Gone.ss3");
  f.Name(1, "AlsoGone.ss3");
  std::filesystem::create_directories(f.folder.Path() / "Scenarios" / "Sub.ss3");
  f.Name(2, "Sub.ss3");  // a folder, which does not open as a file
  EXPECT_FALSE(f.Load(c, &why));
  EXPECT_NE(why.find("none of the 3"), std::string::npos) << why;
  EXPECT_EQ(c.scenarioCount(), 0);
  // Each one is named with its reason, the only one too.
  EXPECT_NE(why.find("Gone.ss3: no such file; "), std::string::npos) << why;
  EXPECT_NE(why.find("Sub.ss3: a folder, not a scenario file)"), std::string::npos) << why;
  settings::Write(f.store, settings::kNumScenarios, "1");
  f.Name(0, "Sub.ss3");
  EXPECT_FALSE(f.Load(c, &why));
  EXPECT_NE(why.find("none of the 1 scenario files can be used (" + f.folder.WithSeparator()),
            std::string::npos)
      << why;
  EXPECT_NE(why.find("Sub.ss3: a folder"), std::string::npos) << why;
#ifndef _WIN32
  // A pipe where a scenario should be is never opened; named beside the scenarios that play.
  const std::string pipe = (f.folder.Path() / "Scenarios" / "Pipe.ss3").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  settings::Write(f.store, settings::kNumScenarios, "2");
  f.Name(0, "Pipe.ss3");
  f.Name(1, "A.ss3");
  ASSERT_TRUE(f.Load(c, &why)) << why;
  ASSERT_EQ(c.problems().size(), 1u);
  EXPECT_EQ(c.problems()[0], pipe + ": not a plain file; left out");
  settings::Write(f.store, settings::kNumScenarios, "3");
  f.Name(2, "Sub.ss3");
  ASSERT_TRUE(f.Load(c, &why)) << why;
  EXPECT_EQ(c.problems().size(), 1u);  // a folder among playable scenarios drops out quietly
#endif

  // A file that cannot be read drops out with its reason; the others still play.
  settings::Write(f.store, settings::kNumScenarios, "1");
  f.Name(0, "A.ss3");
  ASSERT_TRUE(f.Load(c, &why)) << why;
  EXPECT_TRUE(c.problems().empty());
  WriteText(f.folder, "Scenarios/Bad.ss3", "1\n(0) A.as3\n0\n");
  settings::Write(f.store, settings::kNumScenarios, "3");
  f.Name(0, "Bad.ss3");
  f.Name(1, "A.ss3");
  f.Name(2, "Bad.ss3");
  ASSERT_TRUE(f.Load(c, &why)) << why;
  ASSERT_EQ(c.scenarioCount(), 1);
  EXPECT_EQ(c.scenario(0).alliance1.total, 1);
  ASSERT_EQ(c.problems().size(), 2u);
  EXPECT_NE(c.problems()[0].find("Bad.ss3"), std::string::npos) << c.problems()[0];

  // With no readable file left the catalogue fails, names the first reason and keeps what it
  // held.
  settings::Write(f.store, settings::kNumScenarios, "1");
  f.Name(0, "Bad.ss3");
  EXPECT_FALSE(f.Load(c, &why));
  EXPECT_NE(why.find("can be read"), std::string::npos) << why;
  EXPECT_NE(why.find("Bad.ss3"), std::string::npos) << why;
  ASSERT_EQ(c.scenarioCount(), 1);
  EXPECT_EQ(c.scenario(0).alliance1.total, 1);
}

TEST(ScenarioCatalogue, UnusableFilesDropOutAndTheRestKeepTheirOrder) {
  CatalogueFixture f;
  f.Make("One.ss3", 1);
  f.Make("Three.ss3", 3);
  settings::Write(f.store, settings::kNumScenarios, "3");
  f.Name(0, "One.ss3");
  f.Name(1, "Two.ss3");  // never written
  f.Name(2, "Three.ss3");
  ScenarioCatalogue c;
  std::string why;
  ASSERT_TRUE(f.Load(c, &why)) << why;
  ASSERT_EQ(c.scenarioCount(), 2);
  EXPECT_EQ(c.scenario(0).alliance1.total, 1);
  EXPECT_EQ(c.scenario(1).alliance1.total, 3);
  EXPECT_EQ(c.scenario(1).filePath,
            platform::InstallationFile(f.folder.WithSeparator(), "Scenarios", "Three.ss3"));

  // The check opens each file for writing but changes nothing.
  const auto threePath = f.folder.Path() / "Scenarios" / "Three.ss3";
  const auto before = TempFolder::Read(threePath);
  const auto time = std::filesystem::last_write_time(threePath);
  ASSERT_TRUE(f.Load(c, &why)) << why;
  EXPECT_EQ(TempFolder::Read(threePath), before);
  EXPECT_EQ(std::filesystem::last_write_time(threePath), time);
}

TEST(ScenarioCatalogue, ReadOnlyFilesDropOut) {
  CatalogueFixture f;
  f.Make("One.ss3", 1);
  f.Make("Two.ss3", 2);
  f.Make("Three.ss3", 3);
  settings::Write(f.store, settings::kNumScenarios, "3");
  f.Name(0, "One.ss3");
  f.Name(1, "Two.ss3");
  f.Name(2, "Three.ss3");
  ScenarioCatalogue c;
  std::string why;
  const auto twoPath = f.folder.Path() / "Scenarios" / "Two.ss3";
  std::filesystem::permissions(twoPath,
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  ASSERT_TRUE(f.Load(c, &why)) << why;
  std::filesystem::permissions(twoPath, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  // A file marked read-only drops out whoever runs the saver (even one who could write it).
  ASSERT_EQ(c.scenarioCount(), 2);
  EXPECT_EQ(c.scenario(1).alliance1.total, 3);
}

TEST(ScenarioCatalogue, RotationAdvancesOnStartsAndPassesOverRefusedScenarios) {
  CatalogueFixture f;
  f.Make("A.ss3", 1);
  f.Make("B.ss3", 2);
  f.Make("C.ss3", 3);
  settings::Write(f.store, settings::kNumScenarios, "2");
  f.Name(0, "A.ss3");
  f.Name(1, "B.ss3");
  ScenarioCatalogue c;
  EXPECT_EQ(c.ChooseNext(), nullptr);  // nothing loaded yet
  ASSERT_TRUE(f.Load(c));

  std::vector<int> played;
  for (int battle = 0; battle < 4; ++battle) {
    const Scenario* s = c.ChooseNext();
    ASSERT_NE(s, nullptr);
    played.push_back(c.currentIndex());
    EXPECT_EQ(s, &c.scenario(c.currentIndex()));
    c.Commit();
  }
  EXPECT_EQ(played, (std::vector<int>{0, 1, 0, 1}));

  // A choice not followed by a start or a refusal is chosen again.
  ASSERT_NE(c.ChooseNext(), nullptr);
  ASSERT_NE(c.ChooseNext(), nullptr);
  EXPECT_EQ(c.currentIndex(), 0);

  // A refused scenario is passed over for good, wrapping included; the rest keep their turns.
  settings::Write(f.store, settings::kNumScenarios, "3");
  f.Name(2, "C.ss3");
  ASSERT_TRUE(f.Load(c));
  ASSERT_NE(c.ChooseNext(), nullptr);
  c.Commit();
  ASSERT_NE(c.ChooseNext(), nullptr);
  EXPECT_EQ(c.currentIndex(), 1);
  c.Refuse();
  EXPECT_TRUE(c.Refused(1));
  played.clear();
  for (int battle = 0; battle < 4; ++battle) {
    ASSERT_NE(c.ChooseNext(), nullptr);
    played.push_back(c.currentIndex());
    c.Commit();
  }
  EXPECT_EQ(played, (std::vector<int>{2, 0, 2, 0}));

  // With every scenario refused nothing is left to choose.
  ASSERT_NE(c.ChooseNext(), nullptr);
  c.Refuse();
  ASSERT_NE(c.ChooseNext(), nullptr);
  c.Refuse();
  EXPECT_EQ(c.ChooseNext(), nullptr);

  // Loading again forgets the refusals.
  ASSERT_TRUE(f.Load(c));
  ASSERT_NE(c.ChooseNext(), nullptr);
  EXPECT_FALSE(c.Refused(1));
}

#ifdef IRONWOOD_INSTALLATION_DIR
// The generated catalogue: every scenario it names reads, and names plug-ins that exist.
TEST(ScenarioCatalogue, GeneratedCatalogueLoads) {
  const std::filesystem::path folder(IRONWOOD_INSTALLATION_DIR);
  std::ifstream defaults(folder / "DefaultSettings.reg");
  if (!defaults) GTEST_SKIP() << "no generated installation folder at " << folder.string();
  platform::MemorySettingsStore store;
  std::string line;
  while (std::getline(defaults, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "Name"="Value"; the catalogue's names and values hold no quotes or escapes.
    if (line.size() < 5 || line.front() != '"' || line.back() != '"') continue;
    const std::size_t split = line.find("\"=\"");
    if (split == std::string::npos) continue;
    settings::Write(store, line.substr(1, split - 1),
                    line.substr(split + 3, line.size() - split - 4));
  }
  ScenarioCatalogue c;
  std::string why;
  ASSERT_TRUE(c.Load(store, (folder / "").string(), &why)) << why;
  EXPECT_EQ(c.scenarioCount(), settings::ReadInt(store, settings::kNumScenarios, 0));
  for (int i = 0; i < c.scenarioCount(); ++i) {
    const Scenario& s = c.scenario(i);
    EXPECT_GT(s.alliance1.total, 0) << s.filePath;
    EXPECT_GT(s.alliance2.total, 0) << s.filePath;
    for (int side : {1, 2}) {
      for (const ScenarioEntry& e : s.alliance(side).entries) {
        EXPECT_TRUE(std::filesystem::is_regular_file(e.pluginPath)) << e.pluginPath;
      }
    }
  }
}
#endif

}  // namespace
}  // namespace ironwood
