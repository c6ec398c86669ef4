#pragma once

#include <string>

#include "saver/shell/offscreen_recorder.h"

namespace ironwood {

// A BMP of every K-th frame, named frameNNNNNN.bmp after its number, in a folder made for them.
class PictureRecorder : public OffscreenRecorder {
 public:
  PictureRecorder(std::string folder, int every);

  bool Frame(SaverApp& app) override;
  bool Finish(std::FILE*) override { return false; }  // the run's own line counts them

  int Written() const { return written_; }

 private:
  std::string folder_;  // ends with a separator
  int every_;
  int written_ = 0;
};

}  // namespace ironwood
