#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/settings.h"
#include "platform/headless/manual_clock.h"
#include "platform/headless/memory_settings_store.h"
#include "platform/paths.h"
#include "saver/assets/random.h"
#include "saver/shell/saver_app.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

namespace fs = std::filesystem;

TEST(RunMode, FirstModeSwitchDecides) {
  struct Case {
    const char* line;
    RunMode mode;
  };
  const Case cases[] = {
      {"/s", RunMode::Run},
      {"/S", RunMode::Run},
      {"-s", RunMode::Run},
      {"/c", RunMode::Configure},
      {"/c:1234", RunMode::Configure},
      {"-C:1234", RunMode::Configure},
      {"", RunMode::Configure},
      {"no switch here", RunMode::Configure},
      {"/p 1234", RunMode::Preview},
      {"/P", RunMode::Preview},
      {"/l", RunMode::Preview},
      {"-L", RunMode::Preview},
      {"-a 55", RunMode::ChangePassword},
      {"/A", RunMode::ChangePassword},
      {"/x /s", RunMode::Run},     // unknown letters are skipped
      {"//s", RunMode::Run},       // a switch character is not a mode letter
      {"/x", RunMode::Configure},  // nothing recognised at all
      {"/", RunMode::Configure},   // a lone switch at the end
      {"/s /p", RunMode::Run},     // the first mode wins
      {"/p /s", RunMode::Preview},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseRunMode(c.line), c.mode) << "'" << c.line << "'";
}

TEST(FramesPerSecond, RateAndDegenerateElapsedTimes) {
  EXPECT_EQ(FormatFramesPerSecond({600, 1000, 11000}), "Frames Per Second:60.000000");
  EXPECT_EQ(FormatFramesPerSecond({1, 0, 3}), "Frames Per Second:333.333333");
  // No frame drawn: 0 ms or a last frame time one tick before the loop start.
  EXPECT_EQ(FormatFramesPerSecond({0, 500, 500}), "Frames Per Second:0.000000");
  EXPECT_EQ(FormatFramesPerSecond({0, 500, 499}), "Frames Per Second:0.000000");
  // The clock wrapped during the run: the true elapsed time still counts.
  EXPECT_EQ(FormatFramesPerSecond({100, 0xFFFFFF00u, 0x00000300u}), "Frames Per Second:97.656250");
}

// A saver wired to an in-memory store, a recording process starter and a temporary folder.
class SaverMainTest : public ::testing::Test {
 protected:

  std::string FolderText() const {
    return temp_.WithSeparator();
  }
  int Main(std::string_view line) { return SaverMain(line, services_); }
  std::string LogText() const {
    std::ifstream file(folder_ / "SYlog.log", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  testing::TempFolder temp_;
  const fs::path folder_ = temp_.Path();
  platform::MemorySettingsStore store_;
  std::vector<std::string> started_;
  SaverServices services_{
      store_,
      [this](const std::string& path) {
        started_.push_back(path);
        return true;
      },
      [] { return 1u; },
  };
};

TEST_F(SaverMainTest, WithoutWorkingDirectoryNoModeDoesAnything) {
  for (const char* line : {"/s", "/c", "", "/p 5", "/a"}) {
    EXPECT_EQ(Main(line), 0) << line;
  }
  EXPECT_TRUE(started_.empty());
  EXPECT_TRUE(fs::is_empty(folder_));
  // An empty value is as good as none.
  settings::Write(store_, settings::kWorkingDirectory, "");
  EXPECT_EQ(Main("/c"), 0);
  EXPECT_TRUE(started_.empty());
}

TEST_F(SaverMainTest, ConfigureStartsTheConfigurationProgramOnly) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  EXPECT_EQ(Main("/c:1234"), 0);
  EXPECT_EQ(Main(""), 0);
  ASSERT_EQ(started_.size(), 2u);
  EXPECT_EQ(started_[0],
            FolderText() + "StarfraySSConfig" + std::string(platform::kExecutableSuffix));
  EXPECT_FALSE(fs::exists(folder_ / "SYlog.log"));
  // A program that fails to start is not an error of the saver.
  services_.startProcess = [](const std::string&) { return false; };
  EXPECT_EQ(Main("/c"), 0);
}

TEST_F(SaverMainTest, WorkingDirectoryGainsAMissingSeparator) {
  settings::Write(store_, settings::kWorkingDirectory, folder_.string());
  EXPECT_EQ(Main("/c"), 0);
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0].rfind(FolderText(), 0), 0u) << started_[0];
}

TEST_F(SaverMainTest, PreviewAndPasswordStartNothingAndWriteNothing) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  EXPECT_EQ(Main("/p 1234"), 0);
  EXPECT_EQ(Main("/l"), 0);
  EXPECT_EQ(Main("-a 1"), 0);
  EXPECT_TRUE(started_.empty());
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(SaverMainTest, RunRewritesTheLogAndEndsWithTheFrameRate) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  std::ofstream(folder_ / "SYlog.log") << "the previous run's lines\n";
  platform::ManualClock clock(5000);
  platform::ScopedClock scoped(clock);
  EXPECT_EQ(Main("/x /s"), 0);
  EXPECT_EQ(LogText(), "Frames Per Second:0.000000");
  EXPECT_TRUE(started_.empty());
}

TEST_F(SaverMainTest, RunSeedsTheGeneratorFromTheCalendarTime) {
  settings::Write(store_, settings::kWorkingDirectory, FolderText());
  services_.calendarSeconds = [] { return 1u; };
  ASSERT_EQ(Main("/s"), 0);
  EXPECT_EQ(SaverRandom().Next(), 26500);  // the fourth draw of seed 1
}

TEST_F(SaverMainTest, RunWithAMissingFolderStillEndsNormally) {
  settings::Write(store_, settings::kWorkingDirectory, (folder_ / "absent").string() + "/");
  EXPECT_EQ(Main("/s"), 0);
  EXPECT_FALSE(fs::exists(folder_ / "absent"));
}

}  // namespace
}  // namespace ironwood
