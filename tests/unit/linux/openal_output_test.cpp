#include "platform/linux/openal_output.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "tests/support/test_files.h"

namespace ironwood::platform {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr int kRate = 44100;

bool HaveOpenAl() {
  void* library = dlopen("libopenal.so.1", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return false;
  dlclose(library);
  return true;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

// The library reads its configuration once, when first used: every run that depends on one is
// made in a child process of its own. Returns the child's exit status (-1 when it died).
int InChild(const fs::path& config, const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    setenv("ALSOFT_CONF", config.c_str(), 1);
    setenv("ALSOFT_LOGLEVEL", "0", 1);
    _exit(body());
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// `sources`: how many sounds the context may mix at once (0: the library's own 256).
fs::path WaveConfig(const fs::path& folder, const fs::path& output, int sources = 0) {
  const fs::path config = folder / "alsoft.conf";
  std::ofstream file(config);
  file << "[general]\ndrivers = wave\nfrequency = " << kRate << "\n";
  if (sources > 0) file << "sources = " << sources << "\n";
  file << "[wave]\nfile = " << output.string() << "\n";
  return config;
}

std::array<std::uint8_t, 18> Format(int tag, int channels, int rate, int bits) {
  const int align = channels * bits / 8;
  const int average = rate * align;
  return {static_cast<std::uint8_t>(tag),        static_cast<std::uint8_t>(tag >> 8),
          static_cast<std::uint8_t>(channels),   0,
          static_cast<std::uint8_t>(rate),       static_cast<std::uint8_t>(rate >> 8),
          static_cast<std::uint8_t>(rate >> 16), 0,
          static_cast<std::uint8_t>(average),    static_cast<std::uint8_t>(average >> 8),
          static_cast<std::uint8_t>(average >> 16), 0,
          static_cast<std::uint8_t>(align),      0,
          static_cast<std::uint8_t>(bits),       0,
          0,                                     0};
}

// A constant level, 16-bit mono: mixed, levels simply add up.
std::vector<std::uint8_t> Level(int lengthMs, std::int16_t value) {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < kRate * lengthMs / 1000; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xff));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
  }
  return bytes;
}

// A 440 Hz tone at half loudness, 16-bit mono.
std::vector<std::uint8_t> Tone(int lengthMs) {
  std::vector<std::uint8_t> bytes;
  const int count = kRate * lengthMs / 1000;
  for (int i = 0; i < count; ++i) {
    const auto value = static_cast<std::int16_t>(16000.0 * std::sin(2.0 * M_PI * 440.0 * i / kRate));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xff));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
  }
  return bytes;
}

std::uint32_t U32(const std::string& data, std::size_t at) {
  std::uint32_t value = 0;
  std::memcpy(&value, data.data() + at, 4);
  return value;
}

std::uint16_t U16(const std::string& data, std::size_t at) {
  std::uint16_t value = 0;
  std::memcpy(&value, data.data() + at, 2);
  return value;
}

// The loudest sample of every 10 ms of a written wave file, over all its channels.
struct Written {
  int rate = 0;
  std::vector<float> peaks;
};

Written ReadPeaks(const fs::path& path) {
  Written written;
  const std::string data = ReadText(path);
  if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0) {
    ADD_FAILURE() << "not a wave file: " << path;
    return written;
  }
  int channels = 0;
  int bits = 0;
  bool isFloat = false;
  std::size_t at = 12;
  while (at + 8 <= data.size()) {
    const std::string id = data.substr(at, 4);
    std::size_t size = U32(data, at + 4);
    const std::size_t body = at + 8;
    if (id == "fmt ") {
      int tag = U16(data, body);
      channels = U16(data, body + 2);
      written.rate = static_cast<int>(U32(data, body + 4));
      bits = U16(data, body + 14);
      if (tag == 0xFFFE) tag = U16(data, body + 24);
      isFloat = tag == 3;
    } else if (id == "data") {
      // A file that was never finished has no size yet: the samples run to its end.
      if (size == 0 || body + size > data.size()) size = data.size() - body;
      EXPECT_TRUE((isFloat && bits == 32) || (!isFloat && bits == 16)) << bits;
      const std::size_t frameBytes = static_cast<std::size_t>(channels) * bits / 8;
      const std::size_t window = static_cast<std::size_t>(written.rate) / 100;
      if (frameBytes == 0 || window == 0) return written;
      const std::size_t frames = size / frameBytes;
      for (std::size_t start = 0; start + window <= frames; start += window) {
        float peak = 0.0f;
        for (std::size_t f = start; f < start + window; ++f) {
          for (int c = 0; c < channels; ++c) {
            const std::size_t offset = body + f * frameBytes + static_cast<std::size_t>(c) * bits / 8;
            float value = 0.0f;
            if (isFloat) {
              std::memcpy(&value, data.data() + offset, 4);
            } else {
              value = static_cast<std::int16_t>(U16(data, offset)) / 32768.0f;
            }
            peak = std::max(peak, std::fabs(value));
          }
        }
        written.peaks.push_back(peak);
      }
      return written;
    }
    at = body + size + (size & 1);
  }
  ADD_FAILURE() << "no samples in " << path;
  return written;
}

struct SoundRun {
  std::size_t first = 0;  // in 10 ms windows
  std::size_t length = 0;
  float peak = 0.0f;
};

std::vector<SoundRun> SoundingRuns(const std::vector<float>& peaks) {
  std::vector<SoundRun> runs;
  bool inRun = false;
  for (std::size_t i = 0; i < peaks.size(); ++i) {
    const bool sounding = peaks[i] > 1e-3f;
    if (sounding && !inRun) runs.push_back({i, 0, 0.0f});
    if (sounding) {
      runs.back().length = i - runs.back().first + 1;
      runs.back().peak = std::max(runs.back().peak, peaks[i]);
    }
    inRun = sounding;
  }
  return runs;
}

TEST(OpenAlOutput, WithoutLibraryOrDeviceGivesNullAndAReason) {
  std::string why;
  EXPECT_EQ(OpenOpenAlOutput("libno-such-openal.so.9", &why), nullptr);
  EXPECT_NE(why.find("no OpenAL library libno-such-openal.so.9"), std::string::npos) << why;
  // A library without the functions is refused too (the C library has none of them).
  why.clear();
  EXPECT_EQ(OpenOpenAlOutput("libc.so.6", &why), nullptr);
  EXPECT_NE(why.find("lacks an OpenAL function"), std::string::npos) << why;

  if (!HaveOpenAl()) GTEST_SKIP() << "libopenal.so.1 is not installed";
  // The only driver allowed cannot write its file: there is no device.
  testing::TempFolder folder;
  const fs::path reason = folder.Path() / "why.txt";
  const int status = InChild(WaveConfig(folder.Path(), folder.Path() / "no" / "such" / "out.wav"),
                             [&] {
                               std::string childWhy;
                               auto output = OpenOpenAlOutput(&childWhy);
                               std::ofstream(reason) << childWhy;
                               return output == nullptr ? 0 : 1;
                             });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadText(reason), "no OpenAL sound device could be opened");
}

TEST(OpenAlOutput, GainFollowsHundredthsOfADecibel) {
  EXPECT_FLOAT_EQ(OpenAlGain(0), 1.0f);
  EXPECT_NEAR(OpenAlGain(-2000), 0.1f, 1e-6f);
  EXPECT_NEAR(OpenAlGain(-600), 0.501187f, 1e-5f);
  EXPECT_NEAR(OpenAlGain(-10000), 1e-5f, 1e-9f);
  EXPECT_FLOAT_EQ(OpenAlGain(500), 1.0f);
  EXPECT_NEAR(OpenAlGain(-20000), 1e-5f, 1e-9f);
}

// Real sound through the library's file-writing driver, which mixes in real time: the written
// file shows when each sound played and how loud.
TEST(OpenAlOutput, PlaysStopsAndSetsLoudnessIntoTheWrittenFile) {
  if (!HaveOpenAl()) GTEST_SKIP() << "libopenal.so.1 is not installed";
  testing::TempFolder folder;
  const fs::path wave = folder.Path() / "out.wav";
  const fs::path log = folder.Path() / "why.txt";
  const int status = InChild(WaveConfig(folder.Path(), wave), [&] {
    std::string why;
    auto output = OpenOpenAlOutput(&why);
    if (output == nullptr) {
      std::ofstream(log) << why;
      return 10;
    }
    // Only PCM mono or stereo of 8 or 16 bits, and some samples.
    if (output->CreateBuffer(Format(3, 1, kRate, 32), std::vector<std::uint8_t>(400)) ||
        output->CreateBuffer(Format(1, 1, kRate, 24), std::vector<std::uint8_t>(300)) ||
        output->CreateBuffer(Format(1, 3, kRate, 16), std::vector<std::uint8_t>(600)) ||
        output->CreateBuffer(Format(1, 1, kRate, 16), {}) ||
        output->CreateBuffer(Format(1, 1, 0, 16), Tone(10))) {
      return 11;
    }
    if (!output->CreateBuffer(Format(1, 1, kRate, 8), std::vector<std::uint8_t>(100, 128)) ||
        !output->CreateBuffer(Format(1, 2, kRate, 16), Tone(10))) {
      return 12;
    }
    auto loud = output->CreateBuffer(Format(1, 1, kRate, 16), Tone(300));
    auto quiet = output->CreateBuffer(Format(1, 1, kRate, 16), Tone(300));
    auto loop = output->CreateBuffer(Format(1, 1, kRate, 16), Tone(100));
    if (!loud || !quiet || !loop) return 13;
    loud->SetVolume(0);
    quiet->SetVolume(-2000);
    loop->SetVolume(0);
    std::this_thread::sleep_for(milliseconds(150));
    loud->Play(false);
    std::this_thread::sleep_for(milliseconds(100));
    loud->Play(false);  // already playing: runs on to its end
    std::this_thread::sleep_for(milliseconds(400));
    quiet->Play(false);
    std::this_thread::sleep_for(milliseconds(500));
    loop->Play(true);
    std::this_thread::sleep_for(milliseconds(300));
    loop->Stop();
    std::this_thread::sleep_for(milliseconds(300));
    loud.reset();
    quiet.reset();
    loop.reset();
    output.reset();
    return 0;
  });
  ASSERT_EQ(status, 0) << ReadText(log);

  const Written written = ReadPeaks(wave);
  ASSERT_GT(written.rate, 0);
  const std::vector<SoundRun> runs = SoundingRuns(written.peaks);
  ASSERT_EQ(runs.size(), 3u);
  // Silence before the first sound and after the stopped loop.
  EXPECT_GE(runs[0].first, 10u);
  EXPECT_GE(written.peaks.size() - (runs[2].first + runs[2].length), 15u);
  // The loud tone played once, its length, though Play came twice.
  EXPECT_GE(runs[0].length, 27u);
  EXPECT_LE(runs[0].length, 36u);
  EXPECT_GE(runs[1].length, 27u);
  EXPECT_LE(runs[1].length, 36u);
  // -2000 hundredths of a decibel is a tenth of the loudness.
  EXPECT_NEAR(runs[0].peak / runs[1].peak, 10.0f, 1.0f);
  EXPECT_GT(runs[0].peak, 0.1f);
  // The 100 ms loop went round until stopped.
  EXPECT_GE(runs[2].length, 22u);
  EXPECT_LE(runs[2].length, 60u);
  EXPECT_NEAR(runs[2].peak, runs[0].peak, 0.1f * runs[0].peak);
}

// A context that mixes two sounds at once, one of them the looping hum at full volume: a louder
// sound takes the quieter one's source, a quieter one is not heard, a finished sound gives its
// source back, and the hum never stops.
TEST(OpenAlOutput, SourcesGoToTheLoudestSoundsAndTheHumKeepsItsOwn) {
  if (!HaveOpenAl()) GTEST_SKIP() << "libopenal.so.1 is not installed";
  testing::TempFolder folder;
  const fs::path wave = folder.Path() / "out.wav";
  const fs::path log = folder.Path() / "why.txt";
  const int status = InChild(WaveConfig(folder.Path(), wave, 2), [&] {
    std::string why;
    auto output = OpenOpenAlOutput(&why);
    if (output == nullptr) {
      std::ofstream(log) << why;
      return 10;
    }
    auto hum = output->CreateBuffer(Format(1, 1, kRate, 16), Level(100, 1000));
    auto far = output->CreateBuffer(Format(1, 1, kRate, 16), Level(1500, 16000));
    auto farther = output->CreateBuffer(Format(1, 1, kRate, 16), Level(1500, 16000));
    auto near = output->CreateBuffer(Format(1, 1, kRate, 16), Level(300, 16000));
    auto late = output->CreateBuffer(Format(1, 1, kRate, 16), Level(200, 16000));
    if (!hum || !far || !farther || !near || !late) return 11;
    hum->Play(true);
    std::this_thread::sleep_for(milliseconds(200));
    far->SetVolume(-2000);
    far->Play(false);  // both sources busy from here
    std::this_thread::sleep_for(milliseconds(200));
    farther->SetVolume(-3000);
    farther->Play(false);  // quieter than both: not heard
    std::this_thread::sleep_for(milliseconds(200));
    near->SetVolume(0);
    near->Play(false);  // takes the far sound's source, not the hum's
    std::this_thread::sleep_for(milliseconds(500));
    late->SetVolume(-600);
    late->Play(false);  // the near sound has finished: its source is free again
    std::this_thread::sleep_for(milliseconds(400));
    hum.reset();
    far.reset();
    farther.reset();
    near.reset();
    late.reset();
    output.reset();
    return 0;
  });
  ASSERT_EQ(status, 0) << ReadText(log);

  const Written written = ReadPeaks(wave);
  ASSERT_GT(written.peaks.size(), 140u);
  // The level in the middle of each step, in 10 ms windows from the hum's start.
  const std::vector<SoundRun> runs = SoundingRuns(written.peaks);
  ASSERT_FALSE(runs.empty());
  const std::size_t start = runs[0].first;
  auto level = [&](std::size_t fromMs, std::size_t toMs) {
    float peak = 0.0f;
    for (std::size_t w = start + fromMs / 10 + 5; w < start + toMs / 10 - 5; ++w) {
      peak = std::max(peak, written.peaks.at(w));
    }
    return peak;
  };
  const float humLevel = level(0, 200);
  const float withFar = level(200, 400);
  ASSERT_GT(humLevel, 0.0f);
  // The hum never stops: one run from its start to the end of the test.
  EXPECT_GE(runs[0].length, 140u);
  EXPECT_NEAR(withFar - humLevel, 0.1f * 16000 / 1000 * humLevel, 0.2f * humLevel);
  EXPECT_NEAR(level(400, 600), withFar, 0.1f * humLevel);  // the farther sound was not heard
  EXPECT_NEAR(level(600, 900) - humLevel, 16.0f * humLevel, 1.6f * humLevel);
  // The far sound lost its source for good: after the near one only the hum is left.
  EXPECT_NEAR(level(900, 1100), humLevel, 0.1f * humLevel);
  EXPECT_NEAR(level(1100, 1300) - humLevel, 0.501187f * 16.0f * humLevel, 0.8f * humLevel);
}

}  // namespace
}  // namespace ironwood::platform
