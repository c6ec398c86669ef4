#include "saver/shell/contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ironwood {

namespace {

// Frames held before every other one is dropped: twice the tiles, so that after a halving the
// tiles can still be filled evenly.
constexpr std::size_t kHeld = 2 * ContactSheet::kTiles;

}  // namespace

ContactSheet::ContactSheet(int frameWidth, int frameHeight)
    : frameWidth_(std::max(1, frameWidth)),
      frameHeight_(std::max(1, frameHeight)),
      tileWidth_(std::max(1, frameWidth_ / kReduction)),
      tileHeight_(std::max(1, frameHeight_ / kReduction)) {}

bool ContactSheet::Offer() {
  const int frame = offered_++;
  return frame % spacing_ == 0;
}

void ContactSheet::Keep(const float* rgb) {
  kept_.push_back(Reduce(rgb));
  if (kept_.size() < kHeld) return;
  // Frames 0, s, 2s, ... are held; keeping 0, 2s, 4s, ... leaves the spacing 2s.
  std::vector<Thumbnail> halved;
  halved.reserve(kHeld);
  for (std::size_t i = 0; i < kept_.size(); i += 2) halved.push_back(std::move(kept_[i]));
  kept_ = std::move(halved);
  spacing_ *= 2;
}

void ContactSheet::KeepLast(const float* rgb) {
  last_ = Reduce(rgb);
  hasLast_ = true;
}

void ContactSheet::Restart() {
  offered_ = 0;
  spacing_ = 1;
  kept_.clear();
  last_ = {};
  hasLast_ = false;
}

ContactSheet::Thumbnail ContactSheet::Reduce(const float* rgb) const {
  Thumbnail thumbnail;
  thumbnail.frame = offered_ - 1;
  thumbnail.rgb.assign(static_cast<std::size_t>(tileWidth_) * tileHeight_ * 3, 0.0f);
  // Each tile pixel is the mean of the block of frame pixels it covers (a box filter): thin
  // beams and sparks fade rather than vanish or flicker as a point sample would make them.
  for (int ty = 0; ty < tileHeight_; ++ty) {
    const int y0 = ty * frameHeight_ / tileHeight_;
    const int y1 = std::max(y0 + 1, (ty + 1) * frameHeight_ / tileHeight_);
    for (int tx = 0; tx < tileWidth_; ++tx) {
      const int x0 = tx * frameWidth_ / tileWidth_;
      const int x1 = std::max(x0 + 1, (tx + 1) * frameWidth_ / tileWidth_);
      double sum[3] = {0, 0, 0};
      for (int y = y0; y < y1; ++y) {
        const float* in = rgb + (static_cast<std::size_t>(y) * frameWidth_ + x0) * 3;
        for (int x = x0; x < x1; ++x, in += 3) {
          for (int c = 0; c < 3; ++c) sum[c] += in[c];
        }
      }
      const double count = static_cast<double>(x1 - x0) * (y1 - y0);
      float* out = thumbnail.rgb.data() + (static_cast<std::size_t>(ty) * tileWidth_ + tx) * 3;
      for (int c = 0; c < 3; ++c) out[c] = static_cast<float>(sum[c] / count);
    }
  }
  return thumbnail;
}

std::vector<const ContactSheet::Thumbnail*> ContactSheet::Chosen() const {
  std::vector<const Thumbnail*> all;
  for (const Thumbnail& thumbnail : kept_) all.push_back(&thumbnail);
  if (hasLast_ && (all.empty() || all.back()->frame != last_.frame)) all.push_back(&last_);
  const int count = static_cast<int>(all.size());
  if (count <= kTiles) return all;
  // For each tile the held frame nearest its evenly spaced moment, never the same frame twice
  // and always leaving enough frames for the tiles after it: the first and the last are shown.
  const double first = all.front()->frame;
  const double span = all.back()->frame - first;
  std::vector<const Thumbnail*> chosen;
  int previous = -1;
  for (int tile = 0; tile < kTiles; ++tile) {
    const double wanted = first + span * tile / (kTiles - 1);
    const int lowest = previous + 1;
    const int highest = count - (kTiles - tile);
    int best = lowest;
    for (int i = lowest + 1; i <= highest; ++i) {
      if (std::abs(all[static_cast<std::size_t>(i)]->frame - wanted) <
          std::abs(all[static_cast<std::size_t>(best)]->frame - wanted)) {
        best = i;
      }
    }
    chosen.push_back(all[static_cast<std::size_t>(best)]);
    previous = best;
  }
  return chosen;
}

std::vector<int> ContactSheet::ChosenFrames() const {
  std::vector<int> frames;
  for (const Thumbnail* thumbnail : Chosen()) frames.push_back(thumbnail->frame);
  return frames;
}

std::vector<float> ContactSheet::Compose() const {
  const int width = Width();
  const int height = Height();
  std::vector<float> sheet(static_cast<std::size_t>(width) * height * 3, kBorderGrey);
  const std::vector<const Thumbnail*> chosen = Chosen();
  for (int tile = 0; tile < kTiles; ++tile) {
    const int column = tile % kColumns;
    const int row = tile / kColumns;  // 0: the top row, so its rows lie highest in the buffer
    const int left = kBorder + column * (tileWidth_ + kBorder);
    const int bottom = kBorder + (kRows - 1 - row) * (tileHeight_ + kBorder);
    const Thumbnail* thumbnail =
        tile < static_cast<int>(chosen.size()) ? chosen[static_cast<std::size_t>(tile)] : nullptr;
    for (int y = 0; y < tileHeight_; ++y) {
      float* out = sheet.data() + (static_cast<std::size_t>(bottom + y) * width + left) * 3;
      const std::size_t rowFloats = static_cast<std::size_t>(tileWidth_) * 3;
      if (thumbnail == nullptr) {
        std::fill(out, out + rowFloats, 0.0f);
      } else {
        const float* in = thumbnail->rgb.data() + static_cast<std::size_t>(y) * rowFloats;
        std::copy(in, in + rowFloats, out);
      }
    }
  }
  return sheet;
}

}  // namespace ironwood
