#pragma once

// Our own lettering: a 5x7 glyph table of capitals, digits and a few signs, drawn at any size
// with anti-aliased edges. Small letters are drawn as capitals; a character without a glyph
// is drawn as a space. "\xC2\xB7" (the middle dot in UTF-8) is a centred dot.

#include <string>

#include "tools/assetgen/canvas.h"

namespace ironwood::assetgen {

struct TextStyle {
  float cell = 1;      // pixels per glyph cell; a glyph is 7 cells high
  float tracking = 1;  // cells between glyphs
  float slant = 0;     // horizontal shift per pixel of height above the baseline
};

// Width in pixels of the text drawn with the style (slant not counted).
float TextWidth(const std::string& text, const TextStyle& style);
inline float TextHeight(const TextStyle& style) {
  return style.cell * 7;
}

// The text's coverage in the opacity of a canvas of the given size (colour left at 0), its
// top-left corner at (x, y). Each pixel averages 4x4 samples.
Canvas TextCoverage(int width, int height, const std::string& text, float x, float y,
                    const TextStyle& style);

// The blocky coverage with its corners rounded and diagonal steps joined, for large letters:
// blurred by `radius` pixels, then cut again at half with a soft edge.
Canvas Rounded(const Canvas& coverage, float radius);

// Paints the text in one colour over the canvas.
void DrawText(Canvas& canvas, const std::string& text, float x, float y, const TextStyle& style,
              Rgba colour);

}  // namespace ironwood::assetgen
