#pragma once

// A small deterministic image toolkit: a float RGBA canvas, noise from our own integer hash,
// and the few drawing operations the generated images need. Rows run from the top down; the
// file writers turn them round where a format wants them bottom-up. Nothing here asks the
// platform for random numbers, so a run gives the same bytes every time.

#include <cstdint>
#include <vector>

namespace ironwood::assetgen {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

Rgba operator+(Rgba x, Rgba y);
Rgba operator*(Rgba x, float s);
Rgba Mix(Rgba x, Rgba y, float t);

class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height, Rgba fill = {});

  int width() const { return width_; }
  int height() const { return height_; }
  Rgba& at(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  const Rgba& at(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  // Bilinear, with coordinates in pixels (pixel centres at +0.5) clamped to the edge.
  Rgba Sample(float x, float y) const;

  // Adds colour * weight to the pixel's colour and weight to its opacity, both clamped at 1 on
  // output only, so overlapping glows build up as light does.
  void Add(int x, int y, Rgba colour, float weight);
  // Paints `colour` over the pixel with `coverage` (straight alpha "over").
  void Over(int x, int y, Rgba colour, float coverage);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Rgba> pixels_;
};

// ---- Numbers from our own hash ----

std::uint32_t Hash(std::uint32_t a, std::uint32_t b = 0, std::uint32_t c = 0);
// The hash as a number in [0, 1).
float HashUnit(std::uint32_t a, std::uint32_t b = 0, std::uint32_t c = 0);

// A sequence of numbers in [0, 1) from a seed: the hash of a counter.
class Sequence {
 public:
  explicit Sequence(std::uint32_t seed) : seed_(seed) {}
  float Next() { return HashUnit(seed_, counter_++, 0x5EEDu); }
  float Range(float low, float high) { return low + (high - low) * Next(); }

 private:
  std::uint32_t seed_;
  std::uint32_t counter_ = 0;
};

// Value noise in [0, 1]: hashed lattice values joined by a smooth step.
float ValueNoise(float x, float y, std::uint32_t seed);
// Sum of octaves of value noise, each twice the frequency and `gain` the weight of the last,
// scaled back into [0, 1].
float Fbm(float x, float y, int octaves, std::uint32_t seed, float gain = 0.5f);
// One-dimensional periodic value noise over [0, period), for patterns around a circle.
float PeriodicNoise(float x, int period, std::uint32_t seed);

float Clamp01(float v);
float SmoothStep(float edge0, float edge1, float v);

// ---- Drawing ----

// A soft round glow centred at (cx, cy): weight falls off as exp(-(d / radius)^2), added.
void AddGlow(Canvas& canvas, float cx, float cy, float radius, Rgba colour, float strength);
// A filled disc with an anti-aliased edge, painted over.
void FillDisc(Canvas& canvas, float cx, float cy, float radius, Rgba colour);
// A separable Gaussian blur of every channel.
Canvas Blur(const Canvas& source, float sigma);
// Every pixel of `layer` added onto `canvas` (colour * layer opacity * strength), opacity too.
void AddLayer(Canvas& canvas, const Canvas& layer, float strength);
// The canvas resampled to a new size (each new pixel averages a grid of samples of its area).
Canvas Resize(const Canvas& source, int width, int height);

}  // namespace ironwood::assetgen
