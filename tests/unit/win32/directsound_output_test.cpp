#include "platform/win32/directsound_output.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace ironwood::platform {
namespace {

constexpr int kRate = 22050;

// The 18-byte wave format header: tag, channels, rate, bytes a second, block align, bits, extra.
std::array<std::uint8_t, 18> Format(int tag, int channels, int rate, int bits) {
  const int block = channels * bits / 8;
  const std::uint32_t perSecond = static_cast<std::uint32_t>(rate) * block;
  std::array<std::uint8_t, 18> f{};
  auto put16 = [&f](int at, int v) {
    f[at] = static_cast<std::uint8_t>(v & 0xff);
    f[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xff);
  };
  auto put32 = [&f](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xff);
  };
  put16(0, tag);
  put16(2, channels);
  put32(4, static_cast<std::uint32_t>(rate));
  put32(8, perSecond);
  put16(12, block);
  put16(14, bits);
  return f;
}

// A 440 Hz tone, 16-bit mono, of the given length.
std::vector<std::uint8_t> Tone(int milliseconds) {
  const int count = kRate * milliseconds / 1000;
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < count; ++i) {
    const auto v = static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265 * 440 * i / kRate));
    bytes.push_back(static_cast<std::uint8_t>(v & 0xff));
    bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
  }
  return bytes;
}

// A hidden window of a system class, for the cooperative level.
class HiddenWindow {
 public:
  HiddenWindow()
      : window_(CreateWindowExA(0, "STATIC", "sound test", WS_POPUP, 0, 0, 16, 16, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr)) {}
  ~HiddenWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  HWND Handle() const { return window_; }

 private:
  HWND window_;
};

// The test's Wine runs with an ALSA default device that discards what it is given, so
// DirectSound has a device here as it would on a machine with a sound card.
TEST(DirectSoundOutput, MakesStaticBuffersOnTheWindowAndPlaysThem) {
  HiddenWindow window;
  ASSERT_NE(window.Handle(), nullptr);
  std::string why;
  auto output = OpenDirectSoundOutput(window.Handle(), &why);
  ASSERT_NE(output, nullptr) << why;

  // The formats the saver's files come in take a buffer of their own, each filled at once.
  auto mono16 = output->CreateBuffer(Format(1, 1, kRate, 16), Tone(200));
  auto stereo8 = output->CreateBuffer(Format(1, 2, 11025, 8), std::vector<std::uint8_t>(800, 128));
  // A 16-byte format chunk leaves whatever followed it in the extra-size field; PCM ignores it.
  auto withExtra = Format(1, 1, kRate, 16);
  withExtra[16] = 0x34;
  withExtra[17] = 0x12;
  auto shortFormat = output->CreateBuffer(withExtra, Tone(20));
  ASSERT_NE(mono16, nullptr);
  ASSERT_NE(stereo8, nullptr);
  EXPECT_NE(shortFormat, nullptr);

  // No samples, or a format without a block size, make no buffer.
  EXPECT_EQ(output->CreateBuffer(Format(1, 1, kRate, 16), {}), nullptr);
  EXPECT_EQ(output->CreateBuffer(Format(1, 0, kRate, 16), Tone(20)), nullptr);

  // Volume at the ends of its range and beyond, looping play, play again while playing, stop,
  // and one-shot play: none of it may fail or hang.
  mono16->SetVolume(0);
  mono16->SetVolume(-7200);
  mono16->SetVolume(-20000);  // below silence: held at silence
  mono16->SetVolume(500);     // above full: held at full
  mono16->Play(true);
  mono16->Play(true);
  Sleep(50);
  mono16->Stop();
  stereo8->SetVolume(-1000);
  stereo8->Play(false);
  Sleep(50);
  stereo8->Stop();
  stereo8->Stop();

  // Buffers first, then the output they came from.
  mono16.reset();
  stereo8.reset();
  shortFormat.reset();
  output.reset();

  // A second output on the same window after the first is gone.
  auto again = OpenDirectSoundOutput(window.Handle(), &why);
  ASSERT_NE(again, nullptr) << why;
  EXPECT_NE(again->CreateBuffer(Format(1, 1, kRate, 16), Tone(50)), nullptr);
}

}  // namespace
}  // namespace ironwood::platform
