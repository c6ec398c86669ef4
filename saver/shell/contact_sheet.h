#pragma once

#include <cstdint>
#include <vector>

namespace ironwood {

// Twelve frames of a run, each reduced to a quarter of the frame's width and height and tiled
// four across and three down in time order (left to right, top to bottom) with a thin grey
// border, so a whole battle can be seen at a glance.
//
// Frames are offered one by one; which are kept is decided without knowing how long the run
// will be: every frame at first, and each time 24 are held every other one is dropped and the
// spacing doubles. The last frame offered is always held as well, so the sheet runs from the
// first frame offered to the last, evenly spaced in between. Memory stays at 25 reduced frames
// however long the run.
class ContactSheet {
 public:
  static constexpr int kColumns = 4;
  static constexpr int kRows = 3;
  static constexpr int kTiles = kColumns * kRows;
  static constexpr int kReduction = 4;
  static constexpr int kBorder = 2;
  static constexpr float kBorderGrey = 0.5f;

  ContactSheet(int frameWidth, int frameHeight);

  int Width() const { return kColumns * tileWidth_ + (kColumns + 1) * kBorder; }
  int Height() const { return kRows * tileHeight_ + (kRows + 1) * kBorder; }

  // Counts a frame; true when it is to be kept, and then Keep is called with its pixels.
  bool Offer();
  // Keeps the frame last offered: R,G,B floats, rows bottom-up, as OpenGL reads them.
  void Keep(const float* rgb);
  // Holds the frame last offered as the sheet's final frame (the end of the battle or the run).
  void KeepLast(const float* rgb);
  // Forgets every frame so far: the sheet starts again from the next frame offered.
  void Restart();

  // Frames offered since the start (or the last Restart).
  int Offered() const { return offered_; }
  // The numbers (from 0, counted from the start) of the frames the sheet shows, in order.
  std::vector<int> ChosenFrames() const;
  // The sheet as R,G,B floats, rows bottom-up (EncodeScreenshotBmp's order); tiles with no
  // frame left stay black.
  std::vector<float> Compose() const;

 private:
  struct Thumbnail {
    int frame = 0;
    std::vector<float> rgb;  // tileWidth_ x tileHeight_, rows bottom-up
  };
  Thumbnail Reduce(const float* rgb) const;
  std::vector<const Thumbnail*> Chosen() const;

  int frameWidth_;
  int frameHeight_;
  int tileWidth_;
  int tileHeight_;
  int offered_ = 0;
  int spacing_ = 1;
  std::vector<Thumbnail> kept_;
  Thumbnail last_;
  bool hasLast_ = false;
};

}  // namespace ironwood
