#include "tools/assetgen/images.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "tools/assetgen/flare_images.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/image_files.h"
#include "tools/assetgen/ships.h"

namespace ironwood::assetgen {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Colours along a ramp of evenly spaced stops, t in [0, 1].
Rgba Ramp(std::initializer_list<Rgba> stops, float t) {
  const std::vector<Rgba> list(stops);
  const float at = Clamp01(t) * static_cast<float>(list.size() - 1);
  const auto i = std::min(static_cast<std::size_t>(at), list.size() - 2);
  return Mix(list[i], list[i + 1], at - static_cast<float>(i));
}

// A tiny offset per pixel from the hash, so smooth gradients do not band at 8 bits.
void Dither(Canvas& canvas, std::uint32_t seed) {
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const float d =
          (HashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) - 0.5f) /
          255.0f;
      Rgba& p = canvas.at(x, y);
      p.r += d;
      p.g += d;
      p.b += d;
    }
  }
}

// Large lettering: rounded letters with a vertical gradient, a dark rim and a soft glow.
void DrawTitleLettering(Canvas& canvas, const std::string& text, float centreX, float top,
                        const TextStyle& style, Rgba glow, float glowStrength) {
  const float width = TextWidth(text, style);
  const float left = centreX - width / 2 - style.slant * TextHeight(style) / 2;
  const Canvas blocky = TextCoverage(canvas.width(), canvas.height(), text, left, top, style);
  const Canvas letters = Rounded(blocky, style.cell * 0.2f);
  // The rim: the letters grown by a couple of pixels.
  Canvas rim = Blur(letters, std::max(1.5f, style.cell * 0.12f));
  const Canvas halo = Blur(letters, style.cell * 1.6f);
  const float height = TextHeight(style);
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const float h = halo.at(x, y).a;
      if (h > 0.002f) canvas.Add(x, y, glow, h * glowStrength);
      const float r = SmoothStep(0.05f, 0.3f, rim.at(x, y).a);
      if (r > 0) canvas.Over(x, y, {0.01f, 0.02f, 0.06f, 1}, r * 0.85f);
      const float a = letters.at(x, y).a;
      if (a <= 0) continue;
      // Bright cold metal above a horizon line, a darker band, warm light from below.
      const float v = Clamp01((static_cast<float>(y) + 0.5f - top) / height);
      const Rgba fill = Ramp({{1.0f, 1.0f, 1.0f, 1},
                              {0.86f, 0.92f, 1.0f, 1},
                              {0.55f, 0.68f, 0.92f, 1},
                              {0.24f, 0.33f, 0.62f, 1},
                              {0.72f, 0.52f, 0.42f, 1},
                              {1.0f, 0.78f, 0.5f, 1}},
                             v);
      canvas.Over(x, y, fill, a);
    }
  }
}

void DrawStars(Canvas& canvas, std::uint32_t seed, int count, float densityBias) {
  Sequence random(seed);
  const Rgba palette[] = {{0.72f, 0.82f, 1.0f, 1}, {0.9f, 0.94f, 1.0f, 1}, {1.0f, 1.0f, 1.0f, 1},
                          {1.0f, 0.94f, 0.8f, 1},  {1.0f, 0.8f, 0.6f, 1},  {1.0f, 0.68f, 0.52f, 1}};
  const float w = static_cast<float>(canvas.width());
  const float h = static_cast<float>(canvas.height());
  for (int i = 0; i < count; ++i) {
    const float x = random.Range(0, w);
    const float y = random.Range(0, h);
    // More stars along the band the nebula lies in, as in a galaxy's plane.
    const float band = std::exp(-std::pow((y / h - 0.25f - 0.5f * x / w) / 0.22f, 2.0f));
    if (random.Next() > densityBias + (1 - densityBias) * band) continue;
    const float brightness = 0.08f + 0.9f * std::pow(random.Next(), 5.0f);
    const Rgba colour = palette[static_cast<int>(random.Next() * 5.999f)];
    AddGlow(canvas, x, y, 0.55f + 0.6f * brightness, colour, brightness * 1.4f);
  }
}

// A bright star with a halo and four thin rays.
void DrawBrightStar(Canvas& canvas, float x, float y, float size, Rgba colour) {
  AddGlow(canvas, x, y, size * 0.9f, {1, 1, 1, 1}, 1.0f);
  AddGlow(canvas, x, y, size * 3.5f, colour, 0.25f);
  const int reach = static_cast<int>(size * 14);
  for (int i = -reach; i <= reach; ++i) {
    const float fall =
        std::pow(1 - std::abs(static_cast<float>(i)) / static_cast<float>(reach), 3.0f) * 0.6f;
    for (int k = -1; k <= 1; ++k) {
      const float across = k == 0 ? 1.0f : 0.25f;
      canvas.Add(static_cast<int>(x) + i, static_cast<int>(y) + k, colour, fall * across);
      canvas.Add(static_cast<int>(x) + k, static_cast<int>(y) + i, colour, fall * across);
    }
  }
}

// A planet partly off the edge: banded surface lit from the upper right, and a thin
// atmosphere that glows along the lit limb.
void DrawPlanet(Canvas& canvas, float cx, float cy, float radius) {
  const float lx = 0.62f, ly = -0.52f, lz = 0.58f;  // towards the light, y down the picture
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const float dx = (x + 0.5f - cx) / radius;
      const float dy = (y + 0.5f - cy) / radius;
      const float d = std::sqrt(dx * dx + dy * dy);
      if (d > 1.08f) continue;
      const float limbX = dx / std::max(d, 1e-4f), limbY = dy / std::max(d, 1e-4f);
      const float limbLight = Clamp01(limbX * lx + limbY * ly + 0.25f);
      // Atmosphere: brightest just at the edge, on the lit side.
      const float atmosphere = std::exp(-std::pow((d - 1.0f) / 0.018f, 2.0f)) * limbLight;
      canvas.Add(x, y, {0.35f, 0.6f, 1.0f, 1}, atmosphere * 0.9f);
      if (d >= 1.0f) {
        canvas.Add(x, y, {0.2f, 0.4f, 0.9f, 1}, std::exp(-(d - 1.0f) / 0.02f) * limbLight * 0.4f);
        continue;
      }
      const float dz = std::sqrt(1 - d * d);
      const float light = Clamp01(dx * lx + dy * ly + dz * lz);
      // Bands run across the sphere, bent by noise.
      const float latitude = dy + 0.06f * (Fbm(dx * 3, dy * 3, 4, 901u) - 0.5f);
      const float band = Fbm(0.5f, latitude * 9, 4, 902u);
      const Rgba surface = Ramp({{0.3f, 0.22f, 0.2f, 1},
                                 {0.62f, 0.45f, 0.34f, 1},
                                 {0.82f, 0.7f, 0.55f, 1},
                                 {0.5f, 0.36f, 0.3f, 1}},
                                band);
      const float shade = std::pow(light, 0.8f) * 0.95f + 0.015f;
      canvas.Over(x, y, surface * shade + Rgba{0, 0, 0, 1 - shade},
                  Clamp01((1 - d) * radius + 0.5f));
    }
  }
}

std::string TwoDigits(int n) {
  return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

// Signed distance, in pixels, to a rectangle with its corners cut at 45 degrees.
float ChamferDistance(float x, float y, float cx, float cy, float halfW, float halfH, float cut) {
  const float ax = std::abs(x - cx) - halfW;
  const float ay = std::abs(y - cy) - halfH;
  const float diagonal =
      (std::abs(x - cx) + std::abs(y - cy) - (halfW + halfH - cut)) / std::numbers::sqrt2_v<float>;
  return std::max({ax, ay, diagonal});
}

// A translucent panel with a bright border line and a fainter inner line.
void DrawPanel(Canvas& canvas, float cx, float cy, float halfW, float halfH, float cut, Rgba fill,
               Rgba line) {
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const float d = ChamferDistance(x + 0.5f, y + 0.5f, cx, cy, halfW, halfH, cut);
      const float inside = Clamp01(0.5f - d);
      if (inside <= 0) continue;
      const float v = (y + 0.5f - (cy - halfH)) / (2 * halfH);
      canvas.Over(x, y, fill * (1.0f + 0.5f * (1 - v)) + Rgba{0, 0, 0, fill.a * -0.5f * (1 - v)},
                  inside);
      const float border = Clamp01(1.2f - std::abs(d + 1.5f));
      const float inner = Clamp01(0.8f - std::abs(d + 6.0f));
      canvas.Over(x, y, line, border);
      canvas.Over(x, y, line * 0.6f + Rgba{0, 0, 0, 0.4f * line.a}, inner * 0.5f);
    }
  }
}

Canvas Banner() {
  Canvas banner(1024, 128);
  DrawPanel(banner, 512, 64, 488, 40, 26, {0.02f, 0.05f, 0.13f, 0.55f}, {0.55f, 0.78f, 1.0f, 0.9f});
  const TextStyle style{9, 1.5f, 0.16f};
  DrawTitleLettering(banner, "STARFRAY", 512, 64 - TextHeight(style) / 2, style,
                     {0.3f, 0.55f, 1.0f, 1}, 0.9f);
  return banner;
}

Canvas Half(const Canvas& source, int part) {
  const int w = source.width() / 2;
  Canvas out(w, source.height());
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < w; ++x) out.at(x, y) = source.at(x + part * w, y);
  }
  return out;
}

Canvas BottomStrip() {
  Canvas strip(512, 128);
  DrawPanel(strip, 256, 64, 244, 18, 12, {0.02f, 0.05f, 0.13f, 0.5f}, {0.55f, 0.78f, 1.0f, 0.85f});
  const std::string text = "IRONWOOD 2.60 \xC2\xB7 SPACE BATTLE SCREEN SAVER";
  TextStyle style{1, 1, 0};
  style.cell = std::floor(std::min(2.0f, 440.0f / TextWidth(text, style)) * 4) / 4;
  const float width = TextWidth(text, style);
  DrawText(strip, text, std::round(256 - width / 2), std::round(64 - TextHeight(style) / 2), style,
           {0.92f, 0.95f, 1.0f, 1});
  return strip;
}

// Fills transparent pixels' colour with the image's own colour, so filtering at the edge of
// the opaque part never pulls in black.
void SpreadColour(Canvas& canvas, Rgba colour) {
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      Rgba& p = canvas.at(x, y);
      if (p.a <= 0) p = {colour.r, colour.g, colour.b, 0};
    }
  }
}

// A thin band: a line fading out at both ends with ticks (first) or dashes and chevrons
// (second) along it.
Canvas Band(int which) {
  Canvas band(512, 128);
  const Rgba colour = which == 0 ? Rgba{0.6f, 0.82f, 1.0f, 1} : Rgba{1.0f, 0.78f, 0.45f, 1};
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 512; ++x) {
      const float fx = x + 0.5f;
      const float fy = y + 0.5f;
      const float ends = SmoothStep(0, 90, fx) * SmoothStep(0, 90, 512 - fx);
      float a = 0;
      if (which == 0) {
        a = Clamp01(1.2f - std::abs(fy - 64));
        const bool tick = std::fmod(fx, 16.0f) < 2.0f &&
                          std::abs(fy - 64) < (std::fmod(fx, 64.0f) < 2.0f ? 9 : 5);
        if (tick) a = std::max(a, 0.8f);
        const float diamond = std::abs(fx - 256) + std::abs(fy - 64);
        a = std::max(a, Clamp01(10.5f - diamond));
      } else {
        // Two dashed lines with a small diamond every 64 pixels between them.
        const float line =
            std::max(Clamp01(1.0f - std::abs(fy - 59)), Clamp01(1.0f - std::abs(fy - 69)));
        const bool dash = std::fmod(fx + 4, 16.0f) < 11.0f;
        a = dash ? line : line * 0.25f;
        const float diamond = std::abs(std::fmod(fx + 32, 64.0f) - 32) + std::abs(fy - 64);
        a = std::max(a, Clamp01(4.5f - diamond));
      }
      a *= ends;
      if (a > 0) band.Over(x, y, colour, a * 0.85f);
    }
  }
  // A soft glow around the lines.
  const Canvas glow = Blur(band, 3);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 512; ++x) {
      Rgba& p = band.at(x, y);
      const float g = glow.at(x, y).a * 0.6f;
      if (p.a < g) p = {colour.r, colour.g, colour.b, g};
    }
  }
  SpreadColour(band, colour);
  return band;
}

}  // namespace

Canvas TitlePicture() {
  // Drawn for a 4:3 screen at 1024x768, then stored at 1024x1024: the saver stretches the
  // picture over the whole screen anyway, and a power-of-two texture loads on every driver.
  const int w = 1024, h = 768;
  Canvas scene(w, h, {0, 0, 0, 1});
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float u = static_cast<float>(x) / w;
      const float v = static_cast<float>(y) / h;
      Rgba p = Mix({0.004f, 0.006f, 0.022f, 1}, {0.018f, 0.012f, 0.04f, 1}, v);
      // The nebula follows a diagonal band, broken up by noise and crossed by dark dust.
      const float across = (v - 0.25f - 0.5f * u) / 0.26f;
      const float band = std::exp(-across * across);
      const float cloud = Fbm(u * 4.2f, v * 3.2f, 7, 11u, 0.55f);
      const float density = std::pow(SmoothStep(0.32f, 0.78f, cloud * (0.55f + 0.6f * band)), 1.6f);
      const float dust = SmoothStep(0.5f, 0.72f, Fbm(u * 7 + 3, v * 6, 6, 12u));
      const float hue = Fbm(u * 2.5f + 9, v * 2.5f, 4, 13u);
      const Rgba tint = Ramp({{0.12f, 0.32f, 0.55f, 1},
                              {0.35f, 0.16f, 0.5f, 1},
                              {0.62f, 0.2f, 0.42f, 1},
                              {0.85f, 0.45f, 0.35f, 1}},
                             SmoothStep(0.3f, 0.72f, hue));
      const float glow = density * (1 - 0.75f * dust) * 0.75f;
      p = p + tint * glow;
      // Hot cores where the cloud is thickest.
      p = p + Rgba{1.0f, 0.82f, 0.7f, 0} * (std::pow(density, 3.0f) * 0.35f * (1 - dust));
      scene.at(x, y) = p;
    }
  }
  DrawStars(scene, 21u, 5200, 0.35f);
  Sequence bright(22u);
  const Rgba brightColours[] = {
      {0.7f, 0.82f, 1.0f, 1}, {1.0f, 0.9f, 0.75f, 1}, {0.85f, 0.9f, 1.0f, 1}};
  for (int i = 0; i < 9; ++i) {
    const float x = bright.Range(30, w - 30);
    const float y = bright.Range(30, h - 30);
    DrawBrightStar(scene, x, y, bright.Range(1.2f, 2.6f), brightColours[i % 3]);
  }
  DrawPlanet(scene, 1010, 900, 430);

  DrawTitleLettering(scene, "STARFRAY", 512, 236, {16, 1.5f, 0.16f}, {0.25f, 0.5f, 1.0f, 1}, 0.55f);
  const TextStyle small{5, 2.6f, 0};
  const std::string subtitle = "IRONWOOD 2.60";
  const float width = TextWidth(subtitle, small);
  const float top = 392;
  // Thin rules either side of the smaller line.
  for (int x = 0; x < w; ++x) {
    const float fx = x + 0.5f;
    const float fromText = std::abs(fx - 512) - width / 2 - 22;
    if (fromText < 0) continue;
    const float a = SmoothStep(0, 20, fromText) * SmoothStep(260, 120, fromText);
    for (int y = 410; y <= 411; ++y)
      scene.Add(x, y, {0.5f, 0.7f, 1.0f, 0}, a * (y == 410 ? 0.8f : 0.3f));
  }
  Canvas subtitleGlow(w, h);
  DrawText(subtitleGlow, subtitle, std::round(512 - width / 2), top, small, {1, 0.8f, 0.5f, 1});
  AddLayer(scene, Blur(subtitleGlow, 4), 0.6f);
  DrawText(scene, subtitle, std::round(512 - width / 2), top, small, {1.0f, 0.86f, 0.62f, 1});

  Canvas picture = Resize(scene, 1024, 1024);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) picture.at(x, y).a = 1;
  }
  Dither(picture, 23u);
  return picture;
}

Canvas ExplosionFrame(int frame) {
  const int size = 128;
  const float t = static_cast<float>(frame - 1) / 31.0f;
  const float centre = size / 2.0f;
  // Fast at first, then slowing as the fireball pushes into its own smoke.
  const float radius = 14 + 33 * (1 - std::pow(1 - t, 2.6f));
  // The outline starts as a clean flash and grows more ragged as it billows.
  const float rough = 0.16f + 0.2f * t;
  // The core cools from white heat through yellow, orange and red to smoke.
  const float coreHeat = 1.45f - 1.7f * t;
  // From mid-life the cloud tears into drifting patches, the thinnest parts first, until
  // nothing is left at the last image.
  const float dissolve = std::pow(SmoothStep(0.35f, 1.0f, t), 1.3f);
  const float threshold = -0.2f + 0.95f * dissolve;
  const float fade = std::pow(1 - t, 0.45f);
  Canvas out(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float px = x + 0.5f - centre, py = y + 0.5f - centre;
      const float dx = px / radius, dy = py / radius;
      const float d = std::sqrt(dx * dx + dy * dy);
      // The noise lives in coordinates that swell with the ball, turning and drifting a little
      // so that the billows roll rather than stand still.
      const float turn = t * 1.2f;
      const float rx = dx * std::cos(turn) - dy * std::sin(turn);
      const float ry = dx * std::sin(turn) + dy * std::cos(turn);
      const float lobes = Fbm(rx * 1.8f + t * 0.9f + 5, ry * 1.8f - t * 0.7f + 5, 4, 31u);
      const float billow = Fbm(dx * 4.2f - ry * 0.8f - t * 1.8f, dy * 4.2f + rx * 0.8f + t * 1.5f, 4, 32u);
      const float fine = Fbm(ry * 9.0f + t * 3.0f, rx * 9.0f - t * 2.5f, 3, 33u);
      const float edge = d + (lobes - 0.5f) * rough * 1.6f + (billow - 0.5f) * rough * 0.9f;
      // Never reaching the square's border, whatever the noise does.
      const float inside = SmoothStep(62.0f, 54.0f, std::sqrt(px * px + py * py));
      float body = SmoothStep(1.0f, 0.8f, edge) * inside;
      // Late on the middle burns out first.
      body *= 1 - 0.45f * t * SmoothStep(0.6f, 0.0f, d);
      // Billows keep pockets of heat; the rim is always cooler, so smoke gathers there.
      float heat = coreHeat * (1 - 0.9f * d * d) + (billow - 0.5f) * 1.0f + (fine - 0.5f) * 0.35f;
      heat -= SmoothStep(0.5f, 0.95f, edge) * 0.55f;
      heat = Clamp01(heat);
      const Rgba colour = Ramp({{0.13f, 0.115f, 0.105f, 1},
                                {0.27f, 0.17f, 0.12f, 1},
                                {0.5f, 0.09f, 0.03f, 1},
                                {0.88f, 0.26f, 0.04f, 1},
                                {1.0f, 0.52f, 0.09f, 1},
                                {1.0f, 0.8f, 0.3f, 1},
                                {1.0f, 0.97f, 0.85f, 1}},
                               heat);
      const float patches = 0.65f * billow + 0.35f * fine;
      const float torn = SmoothStep(threshold - 0.06f, threshold + 0.08f, patches);
      // Smoke is thinner than flame.
      const float density = 0.7f + 0.3f * SmoothStep(0.25f, 0.5f, heat);
      const float opacity = Clamp01(body * torn * density * fade * 1.15f);
      out.at(x, y) = {colour.r, colour.g, colour.b, opacity};
    }
  }
  return out;
}

Canvas ShockWave() {
  const int size = 256;
  const float centre = size / 2.0f;
  const float ring = 106;
  Canvas out(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = x + 0.5f - centre;
      const float dy = y + 0.5f - centre;
      const float d = std::sqrt(dx * dx + dy * dy);
      const float angle = std::atan2(dy, dx) / (2 * kPi) + 0.5f;
      const float flicker = 0.7f + 0.3f * PeriodicNoise(angle * 40, 40, 41u) +
                            0.15f * (PeriodicNoise(angle * 140, 140, 42u) - 0.5f);
      // Sharp on the outside, a longer soft trail inwards that dies away well before the
      // centre, so the middle of the disc stays clear.
      const float crest = std::exp(-std::pow((d - ring) / 3.5f, 2.0f));
      const float trail = d < ring ? std::exp(-std::pow((d - ring) / 26.0f, 2.0f)) * 0.42f
                                   : std::exp(-std::pow((d - ring) / 6.0f, 2.0f)) * 0.35f;
      // Streaks of matter thrown outwards in the trail, fixed to their angle.
      const float streaks = 0.6f + 0.4f * std::pow(PeriodicNoise(angle * 64, 64, 43u), 2.0f);
      const float intensity = Clamp01((crest + trail * streaks) * flicker);
      // White-hot on the crest, electric blue in the trail.
      const Rgba colour =
          Ramp({{0.30f, 0.50f, 1.0f, 1}, {0.55f, 0.75f, 1.0f, 1}, {0.97f, 0.99f, 1.0f, 1}},
               Clamp01(crest * 1.2f + trail * 0.8f));
      out.at(x, y) = {colour.r, colour.g, colour.b, intensity};
    }
  }
  return out;
}

Canvas ExplosionFlare() {
  const int size = 256;
  const float centre = size / 2.0f;
  Canvas out(size, size);
  // Four long spikes near the axes and two short ones across them; drawn twice as wide as tall,
  // the star stretches sideways.
  const float spikes[] = {0.12f, 0.12f + kPi / 2, 0.12f + kPi, 0.12f + 3 * kPi / 2,
                          0.9f,  0.9f + kPi};
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = x + 0.5f - centre;
      const float dy = y + 0.5f - centre;
      const float dp = std::sqrt(dx * dx + dy * dy);
      const float r = dp / centre;
      const float angle = std::atan2(dy, dx);
      const float around = angle / (2 * kPi) + 0.5f;
      // A blinding core, a bright body and a wide soft halo: the flash fills its disc.
      const float core = std::exp(-std::pow(r / 0.09f, 2.0f));
      const float body = 0.75f * std::exp(-std::pow(r / 0.2f, 2.0f));
      const float halo = 0.5f * std::exp(-std::pow(r / 0.4f, 2.0f));
      const float fine = std::pow(PeriodicNoise(around * 90, 90, 51u), 7.0f);
      const float coarse = std::pow(PeriodicNoise(around * 30, 30, 52u), 4.0f);
      const float rays = (1.0f * fine + 0.6f * coarse) * std::exp(-r / 0.3f);
      float spike = 0;
      for (int i = 0; i < 6; ++i) {
        const float diff = std::remainder(angle - spikes[i], 2 * kPi);
        const float across = diff * dp;  // pixels from the spike's line
        const float length = i < 4 ? 0.55f : 0.32f;
        spike += std::exp(-across * across / 2.2f) * std::exp(-r / length) * (i < 4 ? 0.9f : 0.5f);
      }
      const float window = SmoothStep(1.0f, 0.8f, r);
      const float intensity = (core + body + halo + rays + spike) * window;
      // Blue-white at the fringes, white at the heart.
      const Rgba colour = Ramp({{0.35f, 0.55f, 1.0f, 1}, {0.7f, 0.84f, 1.0f, 1},
                                {0.98f, 0.99f, 1.0f, 1}, {1.0f, 1.0f, 1.0f, 1}},
                               Clamp01(intensity * 1.2f));
      out.at(x, y) = {colour.r, colour.g, colour.b, Clamp01(intensity)};
    }
  }
  return out;
}

Canvas PhaserFlare() {
  const int size = 64;
  const float centre = size / 2.0f;
  Canvas out(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = x + 0.5f - centre;
      const float dy = y + 0.5f - centre;
      const float r = std::hypot(dx, dy) / centre;
      // A hot point with a warm halo and a short four-pointed glint.
      const float core = std::exp(-std::pow(r / 0.1f, 2.0f));
      const float halo = 0.5f * std::exp(-std::pow(r / 0.3f, 2.0f));
      const float glint = (std::exp(-dy * dy / 1.2f) + std::exp(-dx * dx / 1.2f)) *
                          std::exp(-r / 0.22f) * 0.8f;
      const float intensity = (core + halo + glint) * SmoothStep(1.0f, 0.85f, r);
      const Rgba colour = Ramp({{1.0f, 0.55f, 0.3f, 1}, {1.0f, 0.82f, 0.6f, 1},
                                {1.0f, 1.0f, 0.96f, 1}},
                               Clamp01(intensity * 1.3f));
      out.at(x, y) = {colour.r, colour.g, colour.b, Clamp01(intensity)};
    }
  }
  return out;
}

Canvas TitleOverlay(int overlay) {
  switch (overlay) {
    case 1:
    case 2: {
      Canvas half = Half(Banner(), overlay - 1);
      SpreadColour(half, {0.02f, 0.05f, 0.13f, 0});
      return half;
    }
    case 3: {
      Canvas strip = BottomStrip();
      SpreadColour(strip, {0.02f, 0.05f, 0.13f, 0});
      return strip;
    }
    default:
      return Band(overlay == 4 ? 0 : 1);
  }
}

std::vector<GeneratedImage> AllImages() {
  std::vector<GeneratedImage> images;
  images.push_back({"TITLETEST2", "TitleTest2.bmp", "", TitlePicture(), 4.0f / 3.0f});
  for (int i = 1; i <= 5; ++i) {
    const std::string n = TwoDigits(i);
    images.push_back({"TITLESCREEN" + n, "TitleScreen" + n + ".bmp",
                      "TitleScreen" + n + "Opacity.bmp", TitleOverlay(i)});
  }
  images.push_back({"SHOCKWAVE", "ShockWaveColor.bmp", "ShockWaveOpacity.bmp", ShockWave()});
  images.push_back(
      {"EXPLOSIONFLARE", "explosionflarecolor.bmp", "explosionflareopacity.bmp", ExplosionFlare()});
  images.push_back({"PHASERFLARE", "PhaserFlareColor.bmp", "PhaserFlare.bmp", PhaserFlare()});
  for (int i = 1; i <= 32; ++i) {
    const std::string n = TwoDigits(i);
    images.push_back({"EXPLOSION" + n, "Explosion" + n + "Color.bmp", "Explosion" + n + "Alpha.bmp",
                      ExplosionFrame(i)});
  }
  for (GeneratedImage& image : SceneryImages()) images.push_back(std::move(image));
  return images;
}

Canvas ContactSheet(const std::vector<GeneratedImage>& images) {
  const int sheetWidth = 1200, margin = 16, gap = 14, labelGap = 6;
  const TextStyle label{2, 1, 0};
  const float labelHeight = TextHeight(label);
  struct Placed {
    const GeneratedImage* image;
    int x, y, w, h;
  };
  std::vector<Placed> placed;
  int x = margin, y = margin, rowHeight = 0;
  for (const GeneratedImage& image : images) {
    int w = image.canvas.width(), h = image.canvas.height();
    if (image.displayAspect > 0) h = static_cast<int>(std::lround(w / image.displayAspect));
    // Large pictures at half size, small ones at least 128 wide.
    while (w > 512) {
      w /= 2;
      h /= 2;
    }
    while (w < 128) {
      w *= 2;
      h *= 2;
    }
    const int cellWidth = std::max(w, static_cast<int>(TextWidth(image.label, label)));
    if (x + cellWidth > sheetWidth - margin) {
      x = margin;
      y += rowHeight + gap;
      rowHeight = 0;
    }
    placed.push_back({&image, x, y, w, h});
    x += cellWidth + gap;
    rowHeight = std::max(rowHeight, h + labelGap + static_cast<int>(labelHeight));
  }
  Canvas sheet(sheetWidth, y + rowHeight + margin, {0.12f, 0.12f, 0.13f, 1});
  for (const Placed& p : placed) {
    const Canvas thumb = Resize(p.image->canvas, p.w, p.h);
    const bool hasOpacity = !p.image->opacityFile.empty();
    for (int j = 0; j < p.h; ++j) {
      for (int i = 0; i < p.w; ++i) {
        const float check = ((i / 8 + j / 8) % 2) ? 0.42f : 0.3f;
        const Rgba& c = thumb.at(i, j);
        const float a = hasOpacity ? Clamp01(c.a) : 1.0f;
        sheet.at(p.x + i, p.y + j) =
            Rgba{check, check, check, 1} * (1 - a) + Rgba{c.r, c.g, c.b, 0} * a;
      }
    }
    DrawText(sheet, p.image->label, static_cast<float>(p.x),
             static_cast<float>(p.y + p.h + labelGap), label, {0.85f, 0.87f, 0.9f, 1});
  }
  return sheet;
}

bool WriteImages(const std::string& folder, std::string* error) {
  namespace fs = std::filesystem;
  const fs::path gfx = fs::path(folder) / "Gfx";
  const fs::path preview = fs::path(folder) / "Preview";
  std::error_code failure;
  fs::create_directories(gfx, failure);
  if (!failure) fs::create_directories(preview, failure);
  if (failure) {
    if (error != nullptr)
      *error = "cannot create the folders in " + folder + ": " + failure.message();
    return false;
  }
  const std::vector<GeneratedImage> images = AllImages();
  for (const GeneratedImage& image : images) {
    const fs::path colour = gfx / image.colourFile;
    if (!WriteFile(colour.string(), EncodeColourBmp(image.canvas))) {
      if (error != nullptr) *error = "cannot write " + colour.string();
      return false;
    }
    if (image.opacityFile.empty()) continue;
    const fs::path opacity = gfx / image.opacityFile;
    if (!WriteFile(opacity.string(), EncodeOpacityBmp(image.canvas))) {
      if (error != nullptr) *error = "cannot write " + opacity.string();
      return false;
    }
  }
  // The ship textures join the sheet only: the saver reads them from the plug-ins.
  std::vector<GeneratedImage> shown = images;
  AppendShipImages(shown);
  const Canvas sheet = ContactSheet(shown);
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(sheet.width()) * sheet.height() * 3);
  for (int y = 0; y < sheet.height(); ++y) {
    for (int x = 0; x < sheet.width(); ++x) {
      const Rgba& p = sheet.at(x, y);
      rgb.insert(rgb.end(), {ToByte(p.r), ToByte(p.g), ToByte(p.b)});
    }
  }
  const fs::path sheetPath = preview / "images.png";
  if (!WriteFile(sheetPath.string(), EncodePng(sheet.width(), sheet.height(), rgb))) {
    if (error != nullptr) *error = "cannot write " + sheetPath.string();
    return false;
  }
  return true;
}

}  // namespace ironwood::assetgen
