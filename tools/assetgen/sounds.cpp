#include "tools/assetgen/sounds.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

#include "tools/assetgen/image_files.h"
#include "tools/assetgen/mix.h"
#include "tools/assetgen/wav.h"

namespace ironwood::assetgen {
namespace {

using Signal = std::vector<double>;

constexpr double kRate = kSoundSampleRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// -3 dBFS of the 16-bit range.
constexpr double kTargetPeak = 32767.0 * 0.70794578438;

std::size_t Samples(double seconds) {
  return static_cast<std::size_t>(seconds * kRate + 0.5);
}

// White noise in [-1, 1) as a pure function of (seed, index): a periodic loop simply asks for
// index modulo its length.
double Noise(std::uint32_t seed, std::uint32_t index) {
  const std::uint32_t h = Mix32(index * 0x9E3779B9u ^ Mix32(seed + 0x632BE5ABu));
  return static_cast<double>(h) / 2147483648.0 - 1.0;
}

// Uniform in [0, 1), for picking times and amounts.
double Uniform(std::uint32_t seed, std::uint32_t index) {
  return 0.5 * (Noise(seed, index) + 1.0);
}

int ClampVariant(int variant) {
  return std::clamp(variant, 0, 5);
}

// A sine completing a whole number of cycles over a loop of `length` samples. The phase is
// reduced in integers so sample `length` is exactly sample 0 again.
double LoopSine(std::int64_t cycles, std::int64_t n, std::int64_t length, double phase = 0.0) {
  const std::int64_t step = (cycles * n) % length;
  return std::sin(kTwoPi * static_cast<double>(step) / static_cast<double>(length) + phase);
}

double OnePoleCoefficient(double cutoffHz) {
  return 1.0 - std::exp(-kTwoPi * cutoffHz / kRate);
}

// Low-pass of a periodic signal. The first pass only settles the filter, so the state entering
// the kept pass is the state it ends with, and the output stays periodic.
void LoopLowPass(Signal& x, double cutoffHz) {
  const double a = OnePoleCoefficient(cutoffHz);
  double y = 0.0;
  for (int pass = 0; pass < 2; ++pass) {
    for (double& v : x) {
      y += a * (v - y);
      if (pass == 1) v = y;
    }
  }
}

void LoopHighPass(Signal& x, double cutoffHz) {
  Signal low = x;
  LoopLowPass(low, cutoffHz);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] -= low[i];
}

// Removes the sub-audible drift a decaying thump leaves behind (about 20 Hz corner).
void BlockDc(Signal& x) {
  constexpr double kPole = 0.9943;
  double previousIn = 0.0;
  double previousOut = 0.0;
  for (double& v : x) {
    const double out = v - previousIn + kPole * previousOut;
    previousIn = v;
    previousOut = out;
    v = out;
  }
}

void RemoveMean(Signal& x) {
  if (x.empty()) return;
  double sum = 0.0;
  for (double v : x) sum += v;
  const double mean = sum / static_cast<double>(x.size());
  for (double& v : x) v -= mean;
}

double Peak(const Signal& x) {
  double peak = 0.0;
  for (double v : x) peak = std::max(peak, std::abs(v));
  return peak;
}

double Rms(const Signal& x) {
  if (x.empty()) return 0.0;
  double sum = 0.0;
  for (double v : x) sum += v * v;
  return std::sqrt(sum / static_cast<double>(x.size()));
}

void ScaleToPeak(Signal& x, double peak) {
  const double current = Peak(x);
  if (current <= 0.0) return;
  for (double& v : x) v *= peak / current;
}

// Adds `part` (rescaled to peak `weight`) into `mix`.
void MixIn(Signal& mix, Signal part, double weight) {
  ScaleToPeak(part, weight);
  for (std::size_t i = 0; i < mix.size() && i < part.size(); ++i) mix[i] += part[i];
}

// Raised-cosine ramps for one-shots, so a sound never starts or stops on a step.
void Fade(Signal& x, double inSeconds, double outSeconds) {
  const std::size_t in = std::min(Samples(inSeconds), x.size());
  const std::size_t out = std::min(Samples(outSeconds), x.size());
  for (std::size_t i = 0; i < in; ++i) {
    x[i] *= 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / in);
  }
  for (std::size_t i = 0; i < out; ++i) {
    const double ramp = static_cast<double>(i) / static_cast<double>(out - 1 > 0 ? out - 1 : 1);
    x[x.size() - 1 - i] *= 0.5 - 0.5 * std::cos(std::numbers::pi * ramp);
  }
}

std::vector<std::int16_t> Quantize(Signal x) {
  ScaleToPeak(x, kTargetPeak);
  std::vector<std::int16_t> out(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    out[i] = static_cast<std::int16_t>(std::clamp(std::lround(x[i]), -32767L, 32767L));
  }
  return out;
}

// One-shots: no drift, no offset, soft edges, then the common level.
std::vector<std::int16_t> FinishOneShot(Signal x, double fadeIn, double fadeOut) {
  BlockDc(x);
  RemoveMean(x);
  Fade(x, fadeIn, fadeOut);
  return Quantize(std::move(x));
}

// Periodic noise over `length` samples, band-limited between lowHz and highHz (0 skips a side).
Signal LoopNoise(std::uint32_t seed, std::size_t length, double lowHz, double highHz) {
  Signal x(length);
  for (std::size_t i = 0; i < length; ++i) x[i] = Noise(seed, static_cast<std::uint32_t>(i));
  if (highHz > 0.0) {
    LoopLowPass(x, highHz);
    LoopLowPass(x, highHz);
  }
  if (lowHz > 0.0) LoopHighPass(x, lowHz);
  return x;
}

// Chamberlin state-variable band-pass; stable for the centre frequencies used here (< 4 kHz).
class BandPass {
 public:
  explicit BandPass(double q) : damping_(1.0 / q) {}
  double Step(double in, double centreHz) {
    const double f = 2.0 * std::sin(std::numbers::pi * std::min(centreHz, 4000.0) / kRate);
    low_ += f * band_;
    const double high = in - low_ - damping_ * band_;
    band_ += f * high;
    return band_;
  }

 private:
  double damping_;
  double low_ = 0.0;
  double band_ = 0.0;
};

// A falling-pitch sine kick starting at `start`: the body of every blast.
void AddThump(Signal& x, std::size_t start, double fromHz, double toHz, double fall, double decay,
              double amplitude) {
  double phase = 0.0;
  for (std::size_t i = start; i < x.size(); ++i) {
    const double t = static_cast<double>(i - start) / kRate;
    const double envelope = (1.0 - std::exp(-t / 0.003)) * std::exp(-t / decay);
    if (t > 8.0 * decay) break;
    phase += kTwoPi * (toHz + (fromHz - toHz) * std::exp(-t / fall)) / kRate;
    x[i] += amplitude * envelope * std::sin(phase);
  }
}

}  // namespace

std::vector<std::int16_t> BackgroundHum() {
  // 5 s loop: a partial of k cycles per loop sits at k / 5 Hz. Pairs a few tenths of a hertz
  // apart beat slowly, which is what makes the hum feel alive rather than a test tone.
  const std::size_t length = Samples(5.0);
  const auto n64 = static_cast<std::int64_t>(length);
  struct Partial {
    int cycles;
    double amplitude;
    double phase;
  };
  constexpr Partial kPartials[] = {
      {220, 1.00, 0.0},   // 44.0 Hz
      {222, 0.30, 1.1},   // 44.4 Hz: beats 0.4 Hz against the fundamental
      {440, 0.42, 0.4},   // 88.0 Hz
      {441, 0.20, 2.0},   // 88.2 Hz: beats 0.2 Hz
      {660, 0.16, 0.9},   // 132.0 Hz
      {663, 0.08, 2.7},   // 132.6 Hz
      {880, 0.06, 1.7},   // 176.0 Hz
      {1100, 0.03, 0.3},  // 220.0 Hz: faint machinery whine
  };
  Signal tone(length);
  for (std::size_t i = 0; i < length; ++i) {
    const auto n = static_cast<std::int64_t>(i);
    double sum = 0.0;
    for (const Partial& p : kPartials) sum += p.amplitude * LoopSine(p.cycles, n, n64, p.phase);
    // One slow swell per loop.
    tone[i] = sum * (1.0 + 0.12 * LoopSine(1, n, n64, 0.5));
  }

  // Air handling: dark noise, breathing twice per loop, about a tenth of the tone's level.
  Signal air = LoopNoise(0x48554D31u, length, 30.0, 220.0);
  const double airGain = 0.10 * Rms(tone) / std::max(Rms(air), 1e-12);
  for (std::size_t i = 0; i < length; ++i) {
    const auto n = static_cast<std::int64_t>(i);
    tone[i] += airGain * air[i] * (1.0 + 0.3 * LoopSine(2, n, n64, 1.3));
  }
  // A constant shift keeps the loop periodic; no fades, the loop never stops.
  RemoveMean(tone);
  return Quantize(std::move(tone));
}

std::vector<std::int16_t> TorpedoDetonation() {
  const std::size_t length = Samples(1.5);
  constexpr std::uint32_t kSeed = 0xD370A7E1u;

  Signal thump(length, 0.0);
  AddThump(thump, 0, 150.0, 36.0, 0.05, 0.25, 1.0);

  Signal crack(length);
  for (std::size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kRate;
    crack[i] = Noise(kSeed, static_cast<std::uint32_t>(i)) * std::exp(-t / 0.04);
  }

  // Rumble: noise through a low-pass that closes from bright to dark as the fireball cools.
  Signal rumble(length);
  double low1 = 0.0;
  double low2 = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double a = OnePoleCoefficient(150.0 + 3000.0 * std::exp(-t / 0.12));
    low1 += a * (Noise(kSeed + 1, static_cast<std::uint32_t>(i)) - low1);
    low2 += a * (low1 - low2);
    rumble[i] = low2 * (1.0 - std::exp(-t / 0.008)) * std::exp(-t / 0.5);
  }

  // Debris crackle: short grains, denser and louder early.
  Signal debris(length, 0.0);
  for (std::uint32_t g = 0; g < 14; ++g) {
    const double when = 0.05 + 0.9 * std::pow(Uniform(kSeed + 2, g), 1.5);
    const std::size_t start = Samples(when);
    const std::size_t span = Samples(0.004 + 0.008 * Uniform(kSeed + 3, g));
    const double amplitude = (0.5 + 0.5 * Uniform(kSeed + 4, g)) * std::exp(-when / 0.4);
    for (std::size_t k = 0; k < span && start + k < length; ++k) {
      const double window = std::sin(std::numbers::pi * static_cast<double>(k) / span);
      debris[start + k] += amplitude * window * Noise(kSeed + 5 + g, static_cast<std::uint32_t>(k));
    }
  }

  Signal mix(length, 0.0);
  MixIn(mix, std::move(thump), 1.0);
  MixIn(mix, std::move(crack), 0.7);
  MixIn(mix, std::move(rumble), 0.9);
  MixIn(mix, std::move(debris), 0.35);
  return FinishOneShot(std::move(mix), 0.001, 0.08);
}

std::vector<std::int16_t> TorpedoLaunch(int variant) {
  const int v = ClampVariant(variant);
  const std::size_t length = Samples(0.6);
  const std::uint32_t seed = 0x7A9F0000u + static_cast<std::uint32_t>(v);

  // Zap: a few harmonics sweeping up fast then settling; odd variants drop the even harmonics
  // for a hollower, square-ish colour, and higher variants roll off more steeply.
  const double from = 180.0 * (1.0 + 0.14 * v);
  const double to = from * 5.0;
  const double rolloff = 1.0 + 0.1 * v;
  Signal zap(length);
  double phase = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double pitch = from * std::pow(to / from, 1.0 - std::exp(-t / 0.12)) *
                         (1.0 + 0.015 * std::sin(kTwoPi * 22.0 * t));
    phase = std::fmod(phase + kTwoPi * pitch / kRate, kTwoPi);
    double sum = 0.0;
    for (int h = 1; h <= 6 && h * pitch < 9000.0; ++h) {
      if (v % 2 == 1 && h % 2 == 0) continue;
      sum += std::sin(h * phase) / std::pow(h, rolloff);
    }
    zap[i] = sum * (1.0 - std::exp(-t / 0.006)) * std::exp(-t / 0.13);
  }

  // Whoosh: band-passed noise whose centre climbs with the torpedo.
  Signal whoosh(length);
  BandPass band(2.0);
  for (std::size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double centre = (500.0 + 120.0 * v) * std::pow(6.0, t / 0.6);
    whoosh[i] = band.Step(Noise(seed, static_cast<std::uint32_t>(i)), centre) *
                (1.0 - std::exp(-t / 0.03)) * std::exp(-t / 0.2);
  }

  Signal mix(length, 0.0);
  MixIn(mix, std::move(zap), 1.0);
  MixIn(mix, std::move(whoosh), 0.6);
  return FinishOneShot(std::move(mix), 0.003, 0.06);
}

std::vector<std::int16_t> PhaserLoop(int variant) {
  const int v = ClampVariant(variant);
  // 1 s loop: frequencies are whole hertz, so everything repeats exactly.
  const std::size_t length = Samples(1.0);
  const auto n64 = static_cast<std::int64_t>(length);
  const std::uint32_t seed = 0x9A5E0000u + static_cast<std::uint32_t>(v);
  const int base = 90 + 14 * v;
  const double rolloff = 0.9 + 0.08 * v;
  const double evenLevel = v % 2 == 1 ? 0.4 : 1.0;
  const int tremolo = 28 + 2 * v;

  Signal beam(length, 0.0);
  for (int copy = 0; copy < 2; ++copy) {
    // The second copy sits 2 Hz above: a slow double shimmer per loop.
    const int fundamental = base + 2 * copy;
    const double copyLevel = copy == 0 ? 1.0 : 0.3;
    for (int h = 1; h * fundamental < 5000; ++h) {
      // Scattered phases keep the buzz from piling into tall spikes.
      const double phase = kTwoPi * Uniform(seed, static_cast<std::uint32_t>(h + 100 * copy));
      const double level = copyLevel * (h % 2 == 0 ? evenLevel : 1.0) / std::pow(h, rolloff);
      for (std::size_t i = 0; i < length; ++i) {
        beam[i] += level * LoopSine(static_cast<std::int64_t>(h) * fundamental,
                                    static_cast<std::int64_t>(i), n64, phase);
      }
    }
  }
  Signal fizz = LoopNoise(seed + 0x100, length, 1500.0, 6000.0);
  const double fizzGain = 0.15 * Rms(beam) / std::max(Rms(fizz), 1e-12);
  for (std::size_t i = 0; i < length; ++i) {
    const auto n = static_cast<std::int64_t>(i);
    const double buzz =
        (1.0 + 0.35 * LoopSine(tremolo, n, n64)) * (1.0 + 0.1 * LoopSine(7, n, n64, 0.8));
    beam[i] = (beam[i] + fizzGain * fizz[i]) * buzz;
  }
  RemoveMean(beam);
  return Quantize(std::move(beam));
}

std::vector<std::int16_t> BreakUp(int variant) {
  const int v = ClampVariant(variant);
  const std::size_t length = Samples(3.0);
  const std::uint32_t seed = 0xB4E40000u + 16u * static_cast<std::uint32_t>(v);
  const double pitchScale = 1.0 + 0.09 * v;

  // Rumble that swells in and dies over the whole sound.
  Signal rumble(length);
  {
    const double a = OnePoleCoefficient(120.0 + 40.0 * v);
    double low1 = 0.0;
    double low2 = 0.0;
    for (std::size_t i = 0; i < length; ++i) {
      const double t = static_cast<double>(i) / kRate;
      low1 += a * (Noise(seed, static_cast<std::uint32_t>(i)) - low1);
      low2 += a * (low1 - low2);
      rumble[i] = low2 * (1.0 - std::exp(-t / 0.02)) * (0.6 + 0.4 * std::exp(-t / 0.4)) *
                  std::exp(-t / 1.3);
    }
  }

  // Secondary blasts: the first at once, the rest scattered through the first two seconds.
  Signal blasts(length, 0.0);
  for (std::uint32_t b = 0; b < 5; ++b) {
    const double when = b == 0 ? 0.0 : 0.15 + 1.9 * Uniform(seed + 1, b);
    const double amplitude = b == 0 ? 1.0 : 0.4 + 0.5 * Uniform(seed + 2, b);
    const std::size_t start = Samples(when);
    AddThump(blasts, start, 90.0 * pitchScale, 32.0 * pitchScale, 0.05, 0.18, amplitude);
    for (std::size_t i = start; i < length && i < start + Samples(0.2); ++i) {
      const double t = static_cast<double>(i - start) / kRate;
      blasts[i] += 0.6 * amplitude * Noise(seed + 3 + b, static_cast<std::uint32_t>(i)) *
                   std::exp(-t / 0.03);
    }
  }

  // Tearing: band-passed noise chopped by a rough gain that changes every 6 ms (interpolated,
  // so the chopping itself never clicks), loudest through the middle of the break-up.
  Signal tearing(length);
  {
    BandPass band(1.5);
    const std::size_t grain = Samples(0.006);
    for (std::size_t i = 0; i < length; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const auto index = static_cast<std::uint32_t>(i / grain);
      const double frac = static_cast<double>(i % grain) / static_cast<double>(grain);
      const double g0 = std::pow(Uniform(seed + 8, index), 3.0);
      const double g1 = std::pow(Uniform(seed + 8, index + 1), 3.0);
      const double hump =
          t < 0.1 || t > 2.4 ? 0.0 : std::pow(std::sin(std::numbers::pi * (t - 0.1) / 2.3), 2.0);
      tearing[i] = band.Step(Noise(seed + 9, static_cast<std::uint32_t>(i)), 1200.0 + 150.0 * v) *
                   (g0 + (g1 - g0) * frac) * hump;
    }
  }

  // Metallic groans: inharmonic partials of a struck beam, gliding down as the hull bends.
  Signal groans(length, 0.0);
  constexpr double kRatios[] = {1.0, 2.756, 5.404, 8.933};
  constexpr double kLevels[] = {1.0, 0.6, 0.35, 0.2};
  for (int g = 0; g < 2; ++g) {
    const std::size_t start = Samples(g == 0 ? 0.35 : 1.3);
    const std::size_t span = Samples(1.3);
    const double fundamental = (55.0 + 9.0 * v) * (g == 1 ? 1.33 : 1.0);
    double phase = 0.0;
    for (std::size_t k = 0; k < span && start + k < length; ++k) {
      const double u = static_cast<double>(k) / static_cast<double>(span);
      const double t = static_cast<double>(k) / kRate;
      phase += kTwoPi * fundamental * (1.0 - 0.2 * u) / kRate;
      double sum = 0.0;
      for (int p = 0; p < 4; ++p) sum += kLevels[p] * std::sin(kRatios[p] * phase + p);
      const double wobble = 1.0 + 0.3 * std::sin(kTwoPi * (3.0 + g * 1.3) * t);
      groans[start + k] += sum * wobble * std::pow(std::sin(std::numbers::pi * u), 2.0);
    }
  }

  Signal mix(length, 0.0);
  MixIn(mix, std::move(rumble), 0.8);
  MixIn(mix, std::move(blasts), 1.0);
  MixIn(mix, std::move(tearing), 0.5);
  MixIn(mix, std::move(groans), 0.5);
  return FinishOneShot(std::move(mix), 0.002, 0.25);
}

bool WriteSounds(const std::string& installationFolder) {
  std::string folder = installationFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const bool hum =
      WriteFile(folder + "BackgroundHumFinal.wav", EncodeWav(BackgroundHum(), 1, kSoundSampleRate));
  const bool explosion = WriteFile(folder + "PhotonExplosionFinal.wav",
                                   EncodeWav(TorpedoDetonation(), 1, kSoundSampleRate));
  return hum && explosion;
}

}  // namespace ironwood::assetgen
