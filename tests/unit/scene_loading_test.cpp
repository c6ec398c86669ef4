#include "saver/render/scene_loading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "saver/shell/startup_log.h"
#include "tests/support/minimal_installation.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::TempFolder;

struct LoadRun {
  bool ok = false;
  std::string log;
};

LoadRun Load(const TempFolder& folder) {
  StartupLog log(folder.WithSeparator());
  log.Create();
  SceneAssets assets;
  LoadRun run;
  run.ok = LoadAssociatedFiles({folder.WithSeparator(), false, 640, 480}, log, nullptr, &assets);
  const testing::Bytes bytes = TempFolder::Read(log.Path());
  run.log.assign(bytes.begin(), bytes.end());
  run.log.erase(std::remove(run.log.begin(), run.log.end(), '\r'), run.log.end());
  return run;
}

TEST(LoadDriver, EachMissingFileFailsItsOwnStepWithTheReasonAndStops) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"UniBillboard.ase", "    Attempting To Load UniBillboard...Failed\n"},
      {"TriBillboard.ase", "    Attempting To Load TriBillboard...Failed\n"},
      {"Gfx/PhaserFlare.bmp", "    Attempting to Load Phaser Flare...Failed\n"},
      {"Gfx/BackgroundTop01.bmp", "    Attempting to Load Background...Failed\n"},
      {"Background.ase", "    Attempting to Load Universe...Failed\n"},
      {"Gfx/TitleScreen03Opacity.bmp", "    Attempting to Load Overlays...Failed\n"},
      {"LensFlare.lsf", "    Attempting to Load lens flare...Failed\n"},
      {"Gfx/Explosion17Alpha.bmp", "    Attempting to Load Explosion maps...Failed\n"},
      {"Debris.ase", "    Attempting to Initalize Debris System...Failed\n"},
  };
  for (const auto& [missing, failedLine] : cases) {
    SCOPED_TRACE(missing);
    TempFolder folder;
    testing::WriteMinimalInstallation(folder, missing);
    const LoadRun run = Load(folder);
    EXPECT_FALSE(run.ok);
    const std::size_t at = run.log.find(failedLine);
    ASSERT_NE(at, std::string::npos) << run.log;
    // The reason names the file and is the log's last line: nothing after the failed step.
    const std::string rest = run.log.substr(at + failedLine.size());
    const std::string name = missing.substr(missing.find('/') + 1);
    EXPECT_EQ(rest.rfind("        ", 0), 0u) << rest;
    EXPECT_NE(rest.find(name), std::string::npos) << rest;
    EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 1) << rest;
    EXPECT_EQ(run.log.find("END LOADING ASSOCIATED FILES"), std::string::npos);
  }
}

TEST(LoadDriver, AFolderWhereAFileShouldBeFailsItsStepWithTheReason) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"UniBillboard.ase", "    Attempting To Load UniBillboard...Failed\n"},
      {"LensFlare.lsf", "    Attempting to Load lens flare...Failed\n"},
      {"Debris.ase", "    Attempting to Initalize Debris System...Failed\n"},
  };
  for (const auto& [name, failedLine] : cases) {
    SCOPED_TRACE(name);
    TempFolder folder;
    testing::WriteMinimalInstallation(folder, name);
    std::filesystem::create_directory(folder.Path() / name);
    const LoadRun run = Load(folder);
    EXPECT_FALSE(run.ok);
    EXPECT_NE(run.log.find(failedLine + "        " + folder.WithSeparator() + name +
                           " is not a regular file\n"),
              std::string::npos)
        << run.log;
  }
  // The optional tunnel is noted and the battle goes on.
  TempFolder folder;
  testing::WriteMinimalInstallation(folder, "StarTunnel.ase");
  std::filesystem::create_directory(folder.Path() / "StarTunnel.ase");
  const LoadRun run = Load(folder);
  EXPECT_TRUE(run.ok) << run.log;
  EXPECT_NE(run.log.find("StarTunnel.ase is not a regular file; no star tunnel\n"),
            std::string::npos)
      << run.log;
}

TEST(LoadDriver, OptionalFilesAndLeftOutObjectsAreNotedWithoutFailing) {
  TempFolder folder;
  testing::WriteMinimalInstallation(folder, "StarTunnel.ase");
  // A background with one object whose face names a vertex it does not have.
  std::string background = testing::QuadAse(24);
  background.replace(background.find("C: 2"), 4, "C: 9");
  folder.Write("Background.ase", testing::Bytes(background.begin(), background.end()));
  const std::string flare =
      "T: 1\nT: Glow FlareC.bmp FlareO.bmp\nE: 2\nE: Glow 64 0 0\nE: Missing 10 0 -1\n";
  folder.Write("LensFlare.lsf", testing::Bytes(flare.begin(), flare.end()));
  const LoadRun run = Load(folder);
  EXPECT_TRUE(run.ok) << run.log;
  EXPECT_NE(run.log.find("    Attempting to Load Universe...Success\n        object 0 \"Quad0\" "
                         "dropped: face 0 uses vertex 9 of 4\n        Background.ase holds 23 of "
                         "the 24 sky pieces\n"),
            std::string::npos)
      << run.log;
  EXPECT_NE(run.log.find("lens flare...Success\n        flare element 1 names no texture: "
                         "Missing\n"),
            std::string::npos)
      << run.log;
  EXPECT_NE(run.log.find("END LOADING ASSOCIATED FILES\n        cannot open "), std::string::npos);
  EXPECT_NE(run.log.find("StarTunnel.ase; no star tunnel\n"), std::string::npos);
}

TEST(LoadDriver, ADebrisOrTunnelModelWithoutObjectsSaysWhy) {
  // Every object names a vertex it lacks: the debris step fails, the tunnel is left out, and
  // each keeps its problem lines.
  std::string broken = testing::QuadAse(1, "Debris.bmp");
  broken.replace(broken.find("C: 2"), 4, "C: 9");
  TempFolder folder;
  testing::WriteMinimalInstallation(folder);
  folder.Write("Debris.ase", testing::Bytes(broken.begin(), broken.end()));
  folder.Write("StarTunnel.ase", testing::Bytes(broken.begin(), broken.end()));
  LoadRun run = Load(folder);
  EXPECT_FALSE(run.ok);
  EXPECT_NE(run.log.find("Debris System...Failed\n        " + folder.WithSeparator() +
                         "Debris.ase holds no usable object\n        object 0 \"Quad0\" dropped: "
                         "face 0 uses vertex 9 of 4\n"),
            std::string::npos)
      << run.log;

  testing::WriteMinimalInstallation(folder);
  folder.Write("StarTunnel.ase", testing::Bytes(broken.begin(), broken.end()));
  run = Load(folder);
  EXPECT_TRUE(run.ok) << run.log;
  EXPECT_NE(run.log.find("        object 0 \"Quad0\" dropped: face 0 uses vertex 9 of 4\n        " +
                         folder.WithSeparator() +
                         "StarTunnel.ase holds no usable object; no star tunnel\n"),
            std::string::npos)
      << run.log;
}

}  // namespace
}  // namespace ironwood
