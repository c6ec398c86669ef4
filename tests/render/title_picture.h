#pragma once

#include <array>
#include <cstdint>

#include "saver/shell/title_screen.h"
#include "tests/render/render_support.h"
#include "tests/support/test_files.h"

namespace ironwood::testing {

// A title picture of our own: a dusk gradient with a bright band (picture rows 12..15 of 30,
// from the bottom), wide enough that the rows of the 24-bit file need padding (50 * 3 is not a
// multiple of 4).
inline Bytes TitlePicture() {
  return MakeBmp({50, 30, [](int x, int y) {
                    const bool band = y >= 12 && y < 16;
                    return std::array<std::uint8_t, 3>{
                        static_cast<std::uint8_t>(band ? 90 : 120 + 4 * y),
                        static_cast<std::uint8_t>(band ? 220 : 20 + 3 * y),
                        static_cast<std::uint8_t>(band ? 250 : 5 * x)};
                  }});
}

// Puts the title picture into the scene's installation folder and draws the title screen.
inline void DrawTitlePicture(RenderScene& scene) {
  scene.Folder().Write("Gfx/TitleTest2.bmp", TitlePicture());
  DrawTitleScreen(scene.Folder().WithSeparator(), scene.Width(), scene.Height(), scene.Names(),
                  scene.Target());
}

}  // namespace ironwood::testing
