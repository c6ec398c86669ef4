#include "saver/audio/sound_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/headless/memory_settings_store.h"
#include "saver/audio/music_control.h"
#include "common/settings.h"
#include "tests/support/recording_sound.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::BorrowedSound;
using testing::Bytes;
using testing::RecordingPlayer;

// A mono 16-bit PCM sound of `frames` sample frames.
Bytes SmallWave(std::uint32_t frames) {
  Bytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
          1,   0,   1,   0,   0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0,
          'd', 'a', 't', 'a', 0, 0, 0, 0};
  testing::Put32(b, 40, frames * 2);
  b.resize(b.size() + frames * 2, 0x11);
  testing::Put32(b, 4, static_cast<std::uint32_t>(b.size() - 8));
  return b;
}

class RecordingLog final : public LogSink {
 public:
  bool Write(std::string_view text) const override {
    text_ += text;
    return true;
  }
  mutable std::string text_;
};

class SoundSystemTest : public ::testing::Test {
 protected:
  SoundSystem::Start Start(bool deviceRequired = true) {
    return {.settings = &store_,
            .installation = folder_.WithSeparator(),
            .log = &log_,
            .music = &player_,
            .openOutput =
                [this](std::string* why) -> std::unique_ptr<platform::SoundOutput> {
              ++opened_;
              if (!deviceAvailable_) {
                *why = "no device here";
                return nullptr;
              }
              return std::make_unique<BorrowedSound>(sound_);
            },
            .deviceRequired = deviceRequired};
  }

  testing::TempFolder folder_;
  platform::MemorySettingsStore store_;
  RecordingLog log_;
  RecordingPlayer player_;
  testing::RecordingSound sound_;
  bool deviceAvailable_ = true;
  int opened_ = 0;
};

TEST_F(SoundSystemTest, SoundOffTouchesNoDeviceAndNoPlayer) {
  SoundSystem system;
  // Absent settings are off.
  EXPECT_TRUE(system.StartUp(Start()));
  settings::WriteInt(store_, settings::kUseSoundFX, 0);
  settings::WriteInt(store_, settings::kUseMP3Audio, 0);
  EXPECT_TRUE(system.StartUp(Start()));
  EXPECT_EQ(opened_, 0);
  EXPECT_FALSE(system.On());
  EXPECT_EQ(system.Output(), nullptr);
  EXPECT_EQ(player_.hookUps, 0);
  EXPECT_TRUE(log_.text_.empty());
}

TEST_F(SoundSystemTest, HumLoopsAtFullVolumeAndTheDetonationIsKept) {
  folder_.Write(kHumFileName, SmallWave(100));
  folder_.Write(kDetonationFileName, SmallWave(30));
  settings::WriteInt(store_, settings::kUseSoundFX, 1);
  SoundSystem system;
  ASSERT_TRUE(system.StartUp(Start()));
  EXPECT_TRUE(system.On());
  EXPECT_TRUE(system.HumPlaying());
  // Only the hum gets a buffer; the detonation is a template torpedoes copy.
  ASSERT_EQ(sound_.BuffersMade(), 1);
  EXPECT_EQ(sound_.sampleBytes[0], 200u);
  EXPECT_EQ(sound_.CallsOf(1), std::vector<std::string>{"Play(looping)"});
  ASSERT_NE(system.Detonation(), nullptr);
  EXPECT_EQ(system.Detonation()->dataSize(), 60u);
  EXPECT_TRUE(log_.text_.empty()) << log_.text_;

  system.Stop();
  EXPECT_EQ(sound_.CallsOf(1), (std::vector<std::string>{"Play(looping)", "Stop"}));
  EXPECT_FALSE(system.On());
  EXPECT_EQ(system.Output(), nullptr);
  system.Stop();  // twice is harmless
}

TEST_F(SoundSystemTest, BadOrMissingFilesCostOnlyTheirSoundAndAreLogged) {
  Bytes broken = SmallWave(10);
  testing::Put32(broken, 40, 1000000);  // a data chunk past the end of the file
  folder_.Write(kHumFileName, broken);
  settings::WriteInt(store_, settings::kUseSoundFX, 1);
  SoundSystem system;
  ASSERT_TRUE(system.StartUp(Start()));
  EXPECT_TRUE(system.On());
  EXPECT_FALSE(system.HumPlaying());
  EXPECT_EQ(system.Detonation(), nullptr);
  EXPECT_EQ(sound_.BuffersMade(), 0);
  // One line for each file, naming it.
  const std::string& log = log_.text_;
  ASSERT_NE(log.find(std::string(kSoundFileLine) + folder_.WithSeparator() + kHumFileName), std::string::npos) << log;
  EXPECT_NE(log.find(kDetonationFileName), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;

  // A device that refuses the hum's buffer is said too.
  folder_.Write(kHumFileName, SmallWave(10));
  sound_.RefuseBuffers();
  log_.text_.clear();
  ASSERT_TRUE(system.StartUp(Start()));
  EXPECT_FALSE(system.HumPlaying());
  EXPECT_NE(log_.text_.find("refused"), std::string::npos) << log_.text_;
}

TEST_F(SoundSystemTest, AMissingDeviceFailsTheStartOnlyWhereItIsRequired) {
  folder_.Write(kHumFileName, SmallWave(10));
  settings::WriteInt(store_, settings::kUseSoundFX, 1);
  deviceAvailable_ = false;
  SoundSystem system;
  EXPECT_FALSE(system.StartUp(Start(true)));
  EXPECT_TRUE(log_.text_.empty());  // the failure shows as the end of the log
  EXPECT_FALSE(system.On());

  EXPECT_TRUE(system.StartUp(Start(false)));
  EXPECT_FALSE(system.On());
  EXPECT_EQ(log_.text_, std::string(kNoSoundDeviceLine) + "no device here\n");
}

TEST_F(SoundSystemTest, MusicHookUpLogsAndSendsRepeatAndPlayEvenWithoutAPlayer) {
  settings::WriteInt(store_, settings::kUseMP3Audio, 1);
  SoundSystem system;
  ASSERT_TRUE(system.StartUp(Start()));
  EXPECT_EQ(player_.hookUps, 1);
  EXPECT_EQ(player_.commands, (std::vector<int>{40022, 40045}));
  EXPECT_EQ(log_.text_, "    Attempting to Initalize WinAmp...Success\n");
  EXPECT_EQ(opened_, 0);  // sound effects stay off

  player_.present = false;
  log_.text_.clear();
  ASSERT_TRUE(system.StartUp(Start()));
  EXPECT_EQ(log_.text_, "    Attempting to Initalize WinAmp...Failed\n");

  // No player object at all: the same failure.
  SoundSystem::Start noPlayer = Start();
  noPlayer.music = nullptr;
  log_.text_.clear();
  ASSERT_TRUE(system.StartUp(noPlayer));
  EXPECT_EQ(log_.text_, "    Attempting to Initalize WinAmp...Failed\n");
}

TEST(MusicControl, ShutdownStopsAndClosesOnlyAPlayerTheSaverStarted) {
  RecordingPlayer found;
  StopMusic(&found);
  EXPECT_EQ(found.commands, std::vector<int>{40047});
  RecordingPlayer launched;
  launched.launched = true;
  StopMusic(&launched);
  EXPECT_EQ(launched.commands, (std::vector<int>{40047, 40001}));
  StopMusic(nullptr);
}

}  // namespace
}  // namespace ironwood
