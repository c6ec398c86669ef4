#pragma once

namespace ironwood {

// The width the screen furniture (title overlays, lens flare) is laid out for, on a screen laid
// out for 1280 pixels across: the screen's own width, or on a screen wider than 4:3 the width of
// the 4:3 area of its height. The battle's vertical extent follows the height, so the furniture
// keeps its size against the battle, and it stays on screen however wide the window is.
inline float LayoutWidth(int width, int height) {
  if (height > 0 && 4LL * height < 3LL * width) return 4.0f * static_cast<float>(height) / 3.0f;
  return static_cast<float>(width);
}

}  // namespace ironwood
