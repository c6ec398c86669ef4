#pragma once

// The glints where a phaser beam leaves its mount and where it strikes: collected during the
// frame, drawn together, then cleared.

#include <string>

#include "saver/assets/texture.h"

namespace ironwood {

class PhaserFlarePool {
 public:
  // "Gfx" "PhaserFlareColor.bmp" with the opacity "PhaserFlare.bmp".
  bool Load(const std::string& installation, std::string* why);
  Texture& texture() { return texture_; }

 private:
  Texture texture_;
};

}  // namespace ironwood
