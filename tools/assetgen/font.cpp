#include "tools/assetgen/font.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace ironwood::assetgen {

namespace {

struct Glyph {
  char key;
  std::array<const char*, 7> rows;
};

constexpr char kMiddleDot = '\x01';  // what "\xC2\xB7" becomes

// clang-format off
constexpr Glyph kGlyphs[] = {
  {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
  {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
  {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
  {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
  {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
  {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
  {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
  {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
  {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
  {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
  {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
  {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
  {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
  {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
  {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
  {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
  {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
  {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
  {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
  {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
  {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
  {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
  {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
  {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
  {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
  {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
  {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
  {'1', {".#.", "##.", ".#.", ".#.", ".#.", ".#.", "###"}},
  {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
  {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
  {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
  {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
  {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
  {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
  {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
  {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
  {'.', {"..", "..", "..", "..", "..", "##", "##"}},
  {',', {"..", "..", "..", "..", "##", ".#", "#."}},
  {'-', {"...", "...", "...", "###", "...", "...", "..."}},
  {':', {"..", "##", "##", "..", "##", "##", ".."}},
  {'/', {"....#", "....#", "...#.", "..#..", ".#...", "#....", "#...."}},
  {'(', {".#", "#.", "#.", "#.", "#.", "#.", ".#"}},
  {')', {"#.", ".#", ".#", ".#", ".#", ".#", "#."}},
  {'#', {".#.#.", ".#.#.", "#####", ".#.#.", "#####", ".#.#.", ".#.#."}},
  {kMiddleDot, {".", ".", ".", "#", ".", ".", "."}},
  {' ', {"...", "...", "...", "...", "...", "...", "..."}},
};
// clang-format on

const Glyph& Find(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const Glyph& glyph : kGlyphs) {
    if (glyph.key == c) return glyph;
  }
  return kGlyphs[std::size(kGlyphs) - 1];  // the space
}

int GlyphWidth(const Glyph& glyph) {
  return static_cast<int>(std::char_traits<char>::length(glyph.rows[0]));
}

// The glyphs of the text, the middle dot decoded.
std::vector<const Glyph*> Glyphs(const std::string& text) {
  std::vector<const Glyph*> glyphs;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xB7') {
      glyphs.push_back(&Find(kMiddleDot));
      ++i;
    } else {
      glyphs.push_back(&Find(text[i]));
    }
  }
  return glyphs;
}

}  // namespace

float TextWidth(const std::string& text, const TextStyle& style) {
  const auto glyphs = Glyphs(text);
  if (glyphs.empty()) return 0;
  float cells = 0;
  for (const Glyph* glyph : glyphs)
    cells += static_cast<float>(GlyphWidth(*glyph)) + style.tracking;
  return (cells - style.tracking) * style.cell;
}

Canvas TextCoverage(int width, int height, const std::string& text, float x, float y,
                    const TextStyle& style) {
  Canvas out(width, height);
  const auto glyphs = Glyphs(text);
  // Where each glyph starts, in cells from the left of the text.
  std::vector<float> starts;
  float at = 0;
  for (const Glyph* glyph : glyphs) {
    starts.push_back(at);
    at += static_cast<float>(GlyphWidth(*glyph)) + style.tracking;
  }
  const float textHeight = TextHeight(style);
  const float baseline = y + textHeight;
  auto inside = [&](float px, float py) {
    const float ty = (py - y) / style.cell;
    if (ty < 0 || ty >= 7) return false;
    const float tx = (px - x - style.slant * (baseline - py)) / style.cell;
    if (tx < 0) return false;
    auto next = std::upper_bound(starts.begin(), starts.end(), tx);
    if (next == starts.begin()) return false;
    const std::size_t index = static_cast<std::size_t>(next - starts.begin()) - 1;
    const Glyph& glyph = *glyphs[index];
    const int column = static_cast<int>(tx - starts[index]);
    if (column >= GlyphWidth(glyph)) return false;  // in the gap between glyphs
    return glyph.rows[static_cast<std::size_t>(ty)][column] == '#';
  };
  const float slantReach = std::abs(style.slant) * textHeight;
  const int x0 = std::max(0, static_cast<int>(x - slantReach) - 1);
  const int x1 = std::min(width - 1, static_cast<int>(x + TextWidth(text, style) + slantReach) + 1);
  const int y0 = std::max(0, static_cast<int>(y) - 1);
  const int y1 = std::min(height - 1, static_cast<int>(baseline) + 1);
  for (int py = y0; py <= y1; ++py) {
    for (int px = x0; px <= x1; ++px) {
      int hits = 0;
      for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
          if (inside(px + (i + 0.5f) / 4, py + (j + 0.5f) / 4)) ++hits;
        }
      }
      out.at(px, py).a = static_cast<float>(hits) / 16;
    }
  }
  return out;
}

Canvas Rounded(const Canvas& coverage, float radius) {
  Canvas out = Blur(coverage, radius);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      // The blurred step rises about 0.4 / radius a pixel: this leaves an edge a pixel or so wide.
      // Cutting a little below half keeps diagonal joins from pinching.
      const float a = out.at(x, y).a;
      const float edge = 0.25f / std::max(radius, 1.0f);
      out.at(x, y) = {0, 0, 0, SmoothStep(0.45f - edge, 0.45f + edge, a)};
    }
  }
  return out;
}

void DrawText(Canvas& canvas, const std::string& text, float x, float y, const TextStyle& style,
              Rgba colour) {
  const Canvas coverage = TextCoverage(canvas.width(), canvas.height(), text, x, y, style);
  for (int py = 0; py < canvas.height(); ++py) {
    for (int px = 0; px < canvas.width(); ++px) {
      const float a = coverage.at(px, py).a;
      if (a > 0) canvas.Over(px, py, colour, a);
    }
  }
}

}  // namespace ironwood::assetgen
