#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/test_files.h"
#include "tools/assetgen/image_files.h"
#include "tools/assetgen/sounds.h"
#include "tools/assetgen/wav.h"

namespace ironwood::assetgen {
namespace {

using Samples = std::vector<std::int16_t>;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
std::string Tag(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::string(b.begin() + at, b.begin() + at + 4);
}

double Seconds(const Samples& s) {
  return static_cast<double>(s.size()) / kSoundSampleRate;
}

int Peak(const Samples& s) {
  int peak = 0;
  for (int v : s) peak = std::max(peak, std::abs(v));
  return peak;
}

double Mean(const Samples& s) {
  double sum = 0.0;
  for (int v : s) sum += v;
  return sum / static_cast<double>(s.size());
}

double Rms(const Samples& s, std::size_t from, std::size_t to) {
  double sum = 0.0;
  for (std::size_t i = from; i < to; ++i) sum += static_cast<double>(s[i]) * s[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

// RMS per 100 ms window.
std::vector<double> Envelope(const Samples& s) {
  const std::size_t window = kSoundSampleRate / 10;
  std::vector<double> rms;
  for (std::size_t at = 0; at + window <= s.size(); at += window)
    rms.push_back(Rms(s, at, at + window));
  return rms;
}

double Dbfs(double level) {
  return 20.0 * std::log10(std::max(level, 1.0) / 32767.0);
}

void PrintEnvelope(const std::string& name, const Samples& s) {
  std::printf("%-22s %.3f s  peak %.1f dBFS  RMS/100ms dBFS:", name.c_str(), Seconds(s),
              Dbfs(Peak(s)));
  for (double r : Envelope(s)) std::printf(" %.0f", Dbfs(r));
  std::printf("\n");
}

struct Sound {
  std::string name;
  std::function<Samples()> make;
  double minSeconds;
  double maxSeconds;
  bool loops;
};

std::vector<Sound> AllSounds() {
  std::vector<Sound> sounds = {
      {"BackgroundHum", BackgroundHum, 4.0, 6.0, true},
      {"TorpedoDetonation", TorpedoDetonation, 1.3, 1.7, false},
  };
  for (int v = 0; v <= 5; ++v) {
    const std::string n = std::to_string(v);
    sounds.push_back({"TorpedoLaunch" + n, [v] { return TorpedoLaunch(v); }, 0.5, 0.7, false});
    sounds.push_back({"PhaserLoop" + n, [v] { return PhaserLoop(v); }, 0.9, 1.1, true});
    sounds.push_back({"BreakUp" + n, [v] { return BreakUp(v); }, 2.7, 3.3, false});
  }
  return sounds;
}

TEST(WavTest, HeaderAndSamplesParseBack) {
  const Samples samples = {0, 1, -1, 32767, -32768, 0x1234};  // 3 stereo frames
  const std::vector<std::uint8_t> wav = EncodeWav(samples, 2, 44100);
  ASSERT_EQ(wav.size(), 44u + 12u);
  EXPECT_EQ(Tag(wav, 0), "RIFF");
  EXPECT_EQ(U32(wav, 4), wav.size() - 8);
  EXPECT_EQ(Tag(wav, 8), "WAVE");
  EXPECT_EQ(Tag(wav, 12), "fmt ");
  EXPECT_EQ(U32(wav, 16), 16u);
  EXPECT_EQ(U16(wav, 20), 1u);
  EXPECT_EQ(U16(wav, 22), 2u);
  EXPECT_EQ(U32(wav, 24), 44100u);
  EXPECT_EQ(U32(wav, 28), 44100u * 4u);
  EXPECT_EQ(U16(wav, 32), 4u);
  EXPECT_EQ(U16(wav, 34), 16u);
  EXPECT_EQ(Tag(wav, 36), "data");
  EXPECT_EQ(U32(wav, 40), 12u);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(static_cast<std::int16_t>(U16(wav, 44 + 2 * i)), samples[i]) << i;
  }

  const std::vector<std::uint8_t> empty = EncodeWav({}, 1, 22050);
  ASSERT_EQ(empty.size(), 44u);
  EXPECT_EQ(U32(empty, 4), 36u);
  EXPECT_EQ(U32(empty, 40), 0u);
}

TEST(WavTest, RefusesMalformedRequests) {
  EXPECT_TRUE(EncodeWav({1, 2, 3}, 2, 22050).empty());  // half a frame
  EXPECT_TRUE(EncodeWav({1, 2}, 0, 22050).empty());
  EXPECT_TRUE(EncodeWav({1, 2}, -1, 22050).empty());
  EXPECT_TRUE(EncodeWav({1, 2}, 1, 0).empty());
  EXPECT_TRUE(EncodeWav({1, 2}, 40000, 22050).empty());  // block align overflows 16 bits
}

TEST(WavTest, WriteFileRoundTripsAndReportsFailure) {
  const testing::TempFolder temp;
  const std::filesystem::path path = temp.Path() / "wav_test.bin";
  const std::vector<std::uint8_t> bytes = {0, 1, 2, 255, 13, 10, 26};
  ASSERT_TRUE(WriteFile(path.string(), bytes));
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> back{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(back, bytes);
  std::filesystem::remove(path);
  EXPECT_FALSE(WriteFile((path / "no" / "such" / "dir.bin").string(), bytes));
}

TEST(SoundsTest, LengthLevelAndOffset) {
  for (const Sound& sound : AllSounds()) {
    SCOPED_TRACE(sound.name);
    const Samples s = sound.make();
    EXPECT_GE(Seconds(s), sound.minSeconds);
    EXPECT_LE(Seconds(s), sound.maxSeconds);
    // Around -3 dBFS, far from clipping.
    EXPECT_LT(Peak(s), 32767);
    EXPECT_NEAR(Dbfs(Peak(s)), -3.0, 0.5);
    // Mean within 0.1% of full scale.
    EXPECT_LT(std::abs(Mean(s)), 33.0);
    EXPECT_EQ(s, sound.make()) << "not deterministic";
  }
}

TEST(SoundsTest, LoopsJoinWithoutClickAndAreNotFaded) {
  for (const Sound& sound : AllSounds()) {
    if (!sound.loops) continue;
    SCOPED_TRACE(sound.name);
    const Samples s = sound.make();
    std::vector<int> steps;
    for (std::size_t i = 1; i < s.size(); ++i) steps.push_back(std::abs(s[i] - s[i - 1]));
    std::sort(steps.begin(), steps.end());
    const int typical = steps[steps.size() * 99 / 100];
    const int join = std::abs(s.front() - s.back());
    EXPECT_LE(join, typical) << "largest ordinary step " << steps.back();
    // The slope carries across the join too: the wrapped second difference is ordinary.
    std::vector<int> bends;
    for (std::size_t i = 2; i < s.size(); ++i)
      bends.push_back(std::abs(s[i] - 2 * s[i - 1] + s[i - 2]));
    std::sort(bends.begin(), bends.end());
    const int typicalBend = bends[bends.size() * 99 / 100];
    const std::size_t n = s.size();
    EXPECT_LE(std::abs(s[0] - 2 * s[n - 1] + s[n - 2]), typicalBend);
    EXPECT_LE(std::abs(s[1] - 2 * s[0] + s[n - 1]), typicalBend);
    // A fade at either end would dip against a steady loop.
    const std::size_t edge = kSoundSampleRate / 20;
    const double whole = Rms(s, 0, n);
    EXPECT_GT(Rms(s, 0, edge), 0.5 * whole);
    EXPECT_GT(Rms(s, n - edge, n), 0.5 * whole);
  }
}

TEST(SoundsTest, EnvelopesHaveTheIntendedShape) {
  for (const Sound& sound : AllSounds()) {
    SCOPED_TRACE(sound.name);
    const Samples s = sound.make();
    PrintEnvelope(sound.name, s);
    const std::vector<double> env = Envelope(s);
    const auto loudest = std::max_element(env.begin(), env.end());
    if (sound.loops) {
      // Calm and steady: no window much louder or quieter than another.
      EXPECT_LT(*loudest / *std::min_element(env.begin(), env.end()), 2.0);
      continue;
    }
    // One-shots start and end in silence (faded) and peak early.
    EXPECT_LT(std::abs(s.front()), 100);
    EXPECT_LT(std::abs(s.back()), 100);
    EXPECT_LE(loudest - env.begin(), 2);
    EXPECT_LT(env.back(), 0.1 * *loudest);
  }
  // The break-up is long: still well audible past the halfway mark.
  const std::vector<double> breakUp = Envelope(BreakUp(0));
  EXPECT_GT(breakUp[17], 0.1 * *std::max_element(breakUp.begin(), breakUp.end()));
}

TEST(SoundsTest, VariantsDifferAndOutOfRangeClamps) {
  for (const auto& make :
       std::vector<std::function<Samples(int)>>{TorpedoLaunch, PhaserLoop, BreakUp}) {
    std::vector<Samples> variants;
    for (int v = 0; v <= 5; ++v) variants.push_back(make(v));
    for (int a = 0; a < 6; ++a) {
      for (int b = a + 1; b < 6; ++b) EXPECT_NE(variants[a], variants[b]) << a << " vs " << b;
    }
    EXPECT_EQ(make(-3), variants[0]);
    EXPECT_EQ(make(9), variants[5]);
  }
}

TEST(SoundsTest, WriteSoundsPutsBothFilesInTheFolder) {
  const testing::TempFolder temp;
  const std::filesystem::path folder = temp.Path() / "installation";
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(WriteSounds(folder.string()));
  const auto read = [](const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>{std::istreambuf_iterator<char>(in), {}};
  };
  EXPECT_EQ(read(folder / "BackgroundHumFinal.wav"),
            EncodeWav(BackgroundHum(), 1, kSoundSampleRate));
  EXPECT_EQ(read(folder / "PhotonExplosionFinal.wav"),
            EncodeWav(TorpedoDetonation(), 1, kSoundSampleRate));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
  std::filesystem::remove_all(folder);
  EXPECT_FALSE(WriteSounds(folder.string()));
}

}  // namespace
}  // namespace ironwood::assetgen
