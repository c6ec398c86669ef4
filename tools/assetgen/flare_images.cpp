#include "tools/assetgen/flare_images.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace ironwood::assetgen {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

int Wrap(int v, int period) {
  return ((v % period) + period) % period;
}

// Value noise on a lattice that repeats every periodX by periodY cells, so an image built from
// it tiles without a seam.
float TileNoise(float x, float y, int periodX, int periodY, std::uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const auto lattice = [&](int i, int j) {
    return HashUnit(static_cast<std::uint32_t>(Wrap(i, periodX)),
                    static_cast<std::uint32_t>(Wrap(j, periodY)), seed);
  };
  const float tx = SmoothStep(0, 1, x - fx), ty = SmoothStep(0, 1, y - fy);
  const float top = lattice(ix, iy) * (1 - tx) + lattice(ix + 1, iy) * tx;
  const float bottom = lattice(ix, iy + 1) * (1 - tx) + lattice(ix + 1, iy + 1) * tx;
  return top * (1 - ty) + bottom * ty;
}

// Octaves of TileNoise over the unit square (u, v in [0, 1)), each octave doubling the period.
float TileFbm(float u, float v, int cellsX, int cellsY, int octaves, std::uint32_t seed) {
  float sum = 0, weight = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += TileNoise(u * cellsX, v * cellsY, cellsX, cellsY, seed + 131u * i) * weight;
    total += weight;
    weight *= 0.5f;
    cellsX *= 2;
    cellsY *= 2;
  }
  return sum / total;
}

// ---- The star tunnel ----

// Light gathered per pixel: colour weighted by intensity, and the intensity itself.
struct LightBuffer {
  LightBuffer(int w, int h) : width(w), height(h), light(w, h) {}
  void Add(int x, int y, Rgba colour, float weight) {
    light.Add(Wrap(x, width), Wrap(y, height), colour, weight);
  }
  int width, height;
  Canvas light;
};

// One streak: a bright head at (x, headY) and a tail that fades over `length` rows towards
// smaller y, that is towards the top of the picture and higher v. The tunnel scrolls its
// texture towards lower v, so the head leads.
void AddStreak(LightBuffer& buffer, float x, float headY, float length, float sigma,
               float brightness, Rgba colour) {
  const int reach = static_cast<int>(std::ceil(sigma * 3));
  const int head = static_cast<int>(std::floor(headY));
  const int rows = static_cast<int>(length);
  for (int k = -2; k <= rows; ++k) {
    const float t = static_cast<float>(k) / length;
    float along = k < 0 ? std::exp(-static_cast<float>(k * k)) : std::pow(1 - t, 2.2f);
    along *= 1 + 1.4f * std::exp(-static_cast<float>(k * k) / 6.0f);
    // The tail also narrows a little as it fades.
    const float width = sigma * (k < 0 ? 1.0f : 1.0f - 0.35f * t);
    for (int i = -reach; i <= reach; ++i) {
      const int px = static_cast<int>(std::floor(x)) + i;
      const float d = (static_cast<float>(px) + 0.5f - x) / width;
      buffer.Add(px, head - k, colour, brightness * along * std::exp(-d * d));
    }
  }
}

struct StreakStyle {
  int count;
  float minLength, maxLength;
  float minSigma, maxSigma;
  float minBrightness, maxBrightness;
  std::vector<Rgba> palette;
  float haze;  // opacity of the faint nebular haze behind the streaks
  std::uint32_t seed;
};

StreakStyle TunnelStyle(int layer) {
  switch (layer) {
    case 1:  // nearest: few long, bright, white streaks
      return {.count = 46,
              .minLength = 120,
              .maxLength = 300,
              .minSigma = 0.75f,
              .maxSigma = 1.1f,
              .minBrightness = 0.65f,
              .maxBrightness = 1.0f,
              .palette = {{0.85f, 0.92f, 1.0f, 1}, {1.0f, 1.0f, 1.0f, 1}, {0.7f, 0.84f, 1.0f, 1}},
              .haze = 0,
              .seed = 301u};
    case 2:
      return {.count = 120,
              .minLength = 60,
              .maxLength = 200,
              .minSigma = 0.6f,
              .maxSigma = 0.9f,
              .minBrightness = 0.35f,
              .maxBrightness = 0.8f,
              .palette = {{0.55f, 0.7f, 1.0f, 1}, {0.7f, 0.6f, 1.0f, 1}, {0.85f, 0.9f, 1.0f, 1}},
              .haze = 0,
              .seed = 302u};
    default:  // farthest: many short faint streaks in front of a thin haze
      return {.count = 230,
              .minLength = 24,
              .maxLength = 100,
              .minSigma = 0.55f,
              .maxSigma = 0.75f,
              .minBrightness = 0.2f,
              .maxBrightness = 0.6f,
              .palette = {{0.5f, 0.62f, 1.0f, 1}, {1.0f, 0.85f, 0.7f, 1}, {0.75f, 0.6f, 1.0f, 1}},
              .haze = 0.16f,
              .seed = 303u};
  }
}

}  // namespace

Canvas StarTunnelLayer(int layer) {
  const int w = 256, h = 512;
  const StreakStyle style = TunnelStyle(layer);
  LightBuffer buffer(w, h);
  Sequence random(style.seed);
  for (int i = 0; i < style.count; ++i) {
    const float x = random.Range(0, w);
    const float y = random.Range(0, h);
    const float length = random.Range(style.minLength, style.maxLength);
    const float sigma = random.Range(style.minSigma, style.maxSigma);
    // Mostly faint, a few bright.
    const float brightness = style.minBrightness + (style.maxBrightness - style.minBrightness) *
                                                       std::pow(random.Next(), 1.8f);
    const Rgba colour = style.palette[static_cast<std::size_t>(
        random.Next() * static_cast<float>(style.palette.size()) * 0.999f)];
    AddStreak(buffer, x, y, length, sigma, brightness, colour);
  }
  Canvas out(w, h);
  const Rgba hazeColour{0.32f, 0.26f, 0.6f, 1};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgba& sum = buffer.light.at(x, y);
      const float weight = sum.a;
      Rgba colour = weight > 1e-6f ? sum * (1.0f / weight) : style.palette[0];
      // Dense light turns white, as an overexposed star does.
      colour = Mix(colour, {1, 1, 1, 1}, Clamp01((weight - 0.7f) * 0.8f));
      float opacity = 1 - std::exp(-1.6f * weight);
      if (style.haze > 0) {
        const float u = (x + 0.5f) / w, v = (y + 0.5f) / h;
        const float cloud = SmoothStep(0.45f, 0.8f, TileFbm(u, v, 4, 4, 5, 310u));
        const float haze = cloud * style.haze;
        const float total = opacity + haze * (1 - opacity);
        if (total > 0) colour = Mix(hazeColour, colour, opacity / total);
        opacity = total;
      }
      colour.a = Clamp01(opacity);
      out.at(x, y) = colour;
    }
  }
  return out;
}

std::string StarTunnelColourFile(int layer) {
  return "StarTunnel0" + std::to_string(layer) + "Color.bmp";
}

std::string StarTunnelOpacityFile(int layer) {
  return "StarTunnel0" + std::to_string(layer) + "Opacity.bmp";
}

// ---- Debris plating ----

namespace {

Rgba Ramp3(Rgba a, Rgba b, Rgba c, float t) {
  t = Clamp01(t);
  return t < 0.5f ? Mix(a, b, t * 2) : Mix(b, c, t * 2 - 1);
}

// Hull plates laid like bricks, seams with a bevel, rivets along the seams, a worn painted band,
// soot and scratches.
Canvas HullPlates() {
  const int size = 256;
  const int plateH = 64;
  struct Scratch {
    float x0, y0, dx, dy, length2;
  };
  std::vector<Scratch> scratches;
  Sequence random(406u);
  for (int i = 0; i < 14; ++i) {
    const float angle = random.Range(-0.5f, 0.5f) + (i % 2 ? 0.0f : kPi / 2);
    const float length = random.Range(10, 40);
    Scratch s{random.Range(0, size), random.Range(0, size), std::cos(angle) * length,
              std::sin(angle) * length, 0};
    s.length2 = length * length;
    scratches.push_back(s);
  }
  Canvas out(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float fx = x + 0.5f, fy = y + 0.5f;
      const int row = y / plateH;
      const float shift = (row % 2) * 48.0f + 17.0f * row;
      const float plateW = row % 2 ? 96.0f : 80.0f;
      const float along = std::fmod(fx + shift, plateW);
      const int column = static_cast<int>((fx + shift) / plateW);
      const float inRow = std::fmod(fy, static_cast<float>(plateH));
      const float tone =
          (HashUnit(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(column), 401u) -
           0.5f) *
          0.08f;
      const float grain = Fbm(fx / 40, fy / 6, 4, 402u);  // brushed along the plate
      Rgba metal = Mix({0.34f, 0.36f, 0.4f, 1}, {0.52f, 0.53f, 0.56f, 1}, grain);
      metal = metal + Rgba{tone, tone, tone * 1.1f, 0};
      // A painted band across the second row of plates, worn through in patches.
      const float worn = SmoothStep(0.42f, 0.58f, Fbm(fx / 18, fy / 18, 4, 403u));
      if (row == 1 && inRow > 18 && inRow < 40 && worn < 0.5f) {
        metal = Mix(metal, {0.52f, 0.2f, 0.1f, 1}, 0.8f * (1 - worn * 2));
      }
      // Seams: a dark groove and a light lip below and right of it.
      const float seamX = std::min(along, plateW - along);
      const float seamY = std::min(inRow, plateH - inRow);
      const float seam = std::min(seamX, seamY);
      if (seam < 1.2f)
        metal = Mix(metal, {0.1f, 0.1f, 0.11f, 1}, 0.85f);
      else if (seam < 2.4f)
        metal = metal * 1.18f;
      // Rivets every eight pixels, three pixels in from each seam.
      const auto rivet = [&](float dx, float dy) {
        const float d = std::hypot(dx, dy);
        if (d < 1.6f) {
          const float light = dx + dy < 0 ? 1.25f : 0.7f;
          metal = metal * light;
        }
      };
      if (seamY > 2 && seamY < 6) {
        rivet(std::fmod(fx, 8.0f) - 4, seamY - 4);
      }
      if (seamX > 2 && seamX < 6 && seamY > 6) {
        rivet(seamX - 4, std::fmod(fy, 8.0f) - 4);
      }
      // Scratches: short straight gouges of bare, brighter metal.
      for (const Scratch& s : scratches) {
        const float t = Clamp01(((fx - s.x0) * s.dx + (fy - s.y0) * s.dy) / s.length2);
        const float d = std::hypot(fx - s.x0 - t * s.dx, fy - s.y0 - t * s.dy);
        if (d < 0.7f) metal = metal * 1.25f;
      }
      // Soot from the fire, with heat-tinted metal at its rim.
      const float soot = Fbm(fx / 48, fy / 48, 5, 405u);
      const float burnt = SmoothStep(0.56f, 0.72f, soot);
      const float rim = SmoothStep(0.48f, 0.56f, soot) * (1 - burnt);
      metal = Mix(metal, {0.45f, 0.32f, 0.2f, 1}, rim * 0.45f);
      metal = Mix(metal, {0.06f, 0.055f, 0.05f, 1}, burnt * 0.85f);
      metal.a = 1;
      out.at(x, y) = metal;
    }
  }
  return out;
}

// Charred structure: black and brown char, patches of tempered metal, and cracks that still
// glow orange.
Canvas CharredStructure() {
  const int size = 256;
  Canvas out(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float fx = x + 0.5f, fy = y + 0.5f;
      const float char1 = Fbm(fx / 30, fy / 30, 5, 411u);
      Rgba colour = Ramp3({0.03f, 0.028f, 0.026f, 1}, {0.1f, 0.085f, 0.07f, 1},
                          {0.2f, 0.17f, 0.14f, 1}, char1);
      // Tempered metal where the char flaked off: bronze to blue.
      const float flake = SmoothStep(0.6f, 0.7f, Fbm(fx / 45 + 7, fy / 45, 4, 412u));
      const float temper = Fbm(fx / 20, fy / 20, 3, 413u);
      colour = Mix(colour,
                   Ramp3({0.46f, 0.32f, 0.16f, 1}, {0.3f, 0.28f, 0.27f, 1},
                         {0.24f, 0.27f, 0.38f, 1}, temper),
                   flake * 0.6f);
      // Cracks along the ridges of a noise field, hot at their middle, only where the metal
      // is still burning.
      const float burning = SmoothStep(0.45f, 0.62f, Fbm(fx / 90 + 3, fy / 90, 3, 415u));
      const float ridge = 1 - std::abs(2 * Fbm(fx / 40, fy / 40, 5, 414u) - 1);
      const float crack = SmoothStep(0.95f, 0.985f, ridge) * burning;
      const float glow = SmoothStep(0.86f, 0.985f, ridge) * 0.3f * burning;
      colour = Mix(colour, {0.9f, 0.3f, 0.05f, 1}, glow);
      colour = Mix(colour, {1.0f, 0.62f, 0.2f, 1}, crack);
      colour = Mix(colour, {1.0f, 0.9f, 0.6f, 1}, SmoothStep(0.985f, 0.998f, ridge) * burning);
      colour.a = 1;
      out.at(x, y) = colour;
    }
  }
  return out;
}

}  // namespace

Canvas DebrisPlating(int which) {
  return which == 0 ? HullPlates() : CharredStructure();
}

std::string DebrisPlatingFile(int which) {
  return which == 0 ? "DebrisPlatingColor.bmp" : "DebrisCharredColor.bmp";
}

// ---- Lens-flare elements ----

namespace {

// Distance from the centre of a size x size image in half-sizes (1 at the middle of an edge).
float Radius(int size, int x, int y) {
  const float c = size / 2.0f;
  return std::hypot(x + 0.5f - c, y + 0.5f - c) / c;
}

// Everything is gone a little inside the edge, so the square the element is drawn on never
// shows.
float EdgeWindow(float r) {
  return SmoothStep(0.98f, 0.86f, r);
}

template <typename Shade>
Canvas Square(int size, Shade shade) {
  Canvas out(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) out.at(x, y) = shade(x, y);
  }
  return out;
}

// The light itself: a white-hot core in a warm halo with faint fine rays.
Canvas FlareGlow() {
  const int size = 256;
  return Square(size, [&](int x, int y) {
    const float r = Radius(size, x, y);
    const float c = size / 2.0f;
    const float around = std::atan2(y + 0.5f - c, x + 0.5f - c) / (2 * kPi) + 0.5f;
    const float core = std::exp(-std::pow(r / 0.06f, 2.0f));
    const float halo = 0.5f * std::exp(-std::pow(r / 0.2f, 2.0f));
    const float outer = 0.16f * std::exp(-std::pow(r / 0.48f, 2.0f));
    const float rays =
        0.3f * std::pow(PeriodicNoise(around * 72, 72, 421u), 6.0f) * std::exp(-r / 0.3f);
    const float intensity = (core + halo + outer + rays) * EdgeWindow(r);
    Rgba colour = Ramp3({1.0f, 0.55f, 0.2f, 1}, {1.0f, 0.8f, 0.5f, 1}, {1.0f, 0.98f, 0.92f, 1},
                        intensity * 1.3f);
    colour.a = Clamp01(intensity);
    return colour;
  });
}

// A long thin horizontal line through the light, cool white, with a soft wider sheen.
Canvas FlareStreak() {
  const int size = 256;
  const float c = size / 2.0f;
  return Square(size, [&](int x, int y) {
    const float dx = std::abs(x + 0.5f - c) / c;
    const float dy = y + 0.5f - c;
    const float fade = Clamp01(1 - dx);
    const float line = std::exp(-std::pow(dy / 1.1f, 2.0f)) * std::pow(fade, 2.0f);
    const float sheen = 0.22f * std::exp(-std::pow(dy / 5.0f, 2.0f)) * std::pow(fade, 3.0f);
    const float middle = 0.4f * std::exp(-std::pow(dx / 0.07f, 2.0f) - std::pow(dy / 3.0f, 2.0f));
    const float intensity = (line + sheen + middle) * SmoothStep(1.0f, 0.9f, dx);
    Rgba colour = Mix({0.5f, 0.66f, 1.0f, 1}, {0.93f, 0.97f, 1.0f, 1}, Clamp01(intensity * 1.2f));
    colour.a = Clamp01(intensity * 0.9f);
    return colour;
  });
}

// A thin ring split into colours like light through a lens: red outside, blue inside.
Canvas FlareRing() {
  const int size = 256;
  return Square(size, [&](int x, int y) {
    const float r = Radius(size, x, y);
    const float ring = 0.5f * std::exp(-std::pow((r - 0.76f) / 0.04f, 2.0f));
    const float fill = 0.05f * SmoothStep(0.78f, 0.5f, r);
    const float intensity = (ring + fill) * EdgeWindow(r);
    const float t = (r - 0.68f) / 0.16f;
    Rgba colour = Clamp01(t) < 0.5f ? Mix({0.45f, 0.6f, 1.0f, 1}, {0.6f, 1.0f, 0.65f, 1}, t * 2)
                                    : Mix({0.6f, 1.0f, 0.65f, 1}, {1.0f, 0.5f, 0.4f, 1}, t * 2 - 1);
    if (t < 0) colour = {0.45f, 0.6f, 1.0f, 1};
    if (t > 1) colour = {1.0f, 0.5f, 0.4f, 1};
    colour.a = Clamp01(intensity);
    return colour;
  });
}

// A wide, very faint lilac ring, the largest element.
Canvas FlareHalo() {
  const int size = 256;
  return Square(size, [&](int x, int y) {
    const float r = Radius(size, x, y);
    const float intensity = (0.26f * std::exp(-std::pow((r - 0.78f) / 0.09f, 2.0f)) +
                             0.04f * SmoothStep(0.8f, 0.3f, r)) *
                            EdgeWindow(r);
    return Rgba{0.7f, 0.62f, 1.0f, Clamp01(intensity)};
  });
}

// Signed distance, in half-sizes, to a regular hexagon of the given inner radius.
float HexDistance(float px, float py, float inner) {
  float d = -1e9f;
  for (int k = 0; k < 3; ++k) {
    const float angle = kPi / 6 + static_cast<float>(k) * kPi / 3;
    d = std::max(d, std::abs(px * std::cos(angle) + py * std::sin(angle)) - inner);
  }
  return d;
}

// The aperture's image: a pale teal hexagon with a brighter rim.
Canvas FlareHexagon() {
  const int size = 128;
  const float c = size / 2.0f;
  return Square(size, [&](int x, int y) {
    const float px = (x + 0.5f - c) / c, py = (y + 0.5f - c) / c;
    const float d = HexDistance(px, py, 0.72f);
    const float inside = Clamp01(0.5f - d * c / 1.2f);  // about a pixel and a half of edge
    const float rim = 0.16f * std::exp(-std::pow(d / 0.05f, 2.0f));
    const float intensity = (0.2f * inside + rim) * EdgeWindow(std::hypot(px, py));
    return Rgba{0.6f, 0.95f, 0.85f, Clamp01(intensity)};
  });
}

// A soft amber disc, brighter towards its middle.
Canvas FlareDisc() {
  const int size = 128;
  return Square(size, [&](int x, int y) {
    const float r = Radius(size, x, y);
    const float intensity = 0.26f * SmoothStep(0.82f, 0.68f, r) * (0.65f + 0.35f * (1 - r));
    return Rgba{1.0f, 0.76f, 0.38f, Clamp01(intensity)};
  });
}

struct FlareElement {
  const char* texture;
  float size;      // pixels on a 1280-wide screen
  float position;  // 0 at the light, -1 at the screen centre, -2 mirrored beyond it
};

// A restrained chain: the warm light with its streak, then small polygons and rings of
// different tints spaced unevenly along the line, ending in a wide faint halo.
constexpr FlareElement kElements[] = {
    {"FlareStreak", 1000, 0.0f}, {"FlareGlow", 320, 0.0f},  {"FlareHexagon", 44, -0.3f},
    {"FlareDisc", 86, -0.55f},   {"FlareRing", 70, -0.82f}, {"FlareHexagon", 104, -1.25f},
    {"FlareDisc", 34, -1.45f},   {"FlareRing", 170, -1.7f}, {"FlareHalo", 380, -2.0f},
};

}  // namespace

const std::vector<FlareTexture>& FlareTextures() {
  static const std::vector<FlareTexture> textures = {
      {"FlareGlow", FlareGlow}, {"FlareStreak", FlareStreak},   {"FlareRing", FlareRing},
      {"FlareHalo", FlareHalo}, {"FlareHexagon", FlareHexagon}, {"FlareDisc", FlareDisc},
  };
  return textures;
}

std::string FlareColourFile(const std::string& name) {
  return name + "Color.bmp";
}

std::string FlareOpacityFile(const std::string& name) {
  return name + "Opacity.bmp";
}

std::string LensFlareDescription() {
  std::string text;
  char line[256];
  std::snprintf(line, sizeof line, "FlareTextures %zu\n", FlareTextures().size());
  text += line;
  for (const FlareTexture& texture : FlareTextures()) {
    text += "Texture " + texture.name + " " + FlareColourFile(texture.name) + " " +
            FlareOpacityFile(texture.name) + "\n";
  }
  std::snprintf(line, sizeof line, "FlareElements %zu\n", std::size(kElements));
  text += line;
  // Columns: texture, size, a reserved value the saver reads and ignores, position.
  for (const FlareElement& element : kElements) {
    std::snprintf(line, sizeof line, "Element %s %.1f 0.0 %.2f\n", element.texture, element.size,
                  element.position);
    text += line;
  }
  return text;
}

std::vector<GeneratedImage> SceneryImages() {
  std::vector<GeneratedImage> images;
  for (const FlareTexture& texture : FlareTextures()) {
    std::string label;
    for (char ch : texture.name) label += static_cast<char>(std::toupper(ch));
    images.push_back(
        {label, FlareColourFile(texture.name), FlareOpacityFile(texture.name), texture.draw()});
  }
  for (int layer = 1; layer <= kTunnelLayers; ++layer) {
    images.push_back({"STARTUNNEL0" + std::to_string(layer), StarTunnelColourFile(layer),
                      StarTunnelOpacityFile(layer), StarTunnelLayer(layer)});
  }
  images.push_back({"DEBRISPLATING", DebrisPlatingFile(0), "", DebrisPlating(0)});
  images.push_back({"DEBRISCHARRED", DebrisPlatingFile(1), "", DebrisPlating(1)});
  return images;
}

}  // namespace ironwood::assetgen
