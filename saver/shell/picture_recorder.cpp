#include "saver/shell/picture_recorder.h"

#include <cstdio>
#include <filesystem>

#include "platform/paths.h"
#include "saver/shell/saver_app.h"
#include "saver/shell/screenshot.h"

namespace ironwood {

PictureRecorder::PictureRecorder(std::string folder, int every)
    : folder_(std::move(folder)), every_(every) {
  // A folder that cannot be made shows as pictures not written, in the run's count.
  std::error_code ignored;
  std::filesystem::create_directories(folder_, ignored);
  if (!platform::EndsWithSeparator(folder_)) folder_ += platform::kPathSeparator;
}

bool PictureRecorder::Frame(SaverApp& app) {
  const int frame = app.Frames().frames;
  if (frame % every_ != 0) return false;
  char name[32];
  std::snprintf(name, sizeof name, "frame%06d.bmp", frame);
  if (WriteScreenshot(folder_ + name, app.Width(), app.Height())) ++written_;
  return false;
}

}  // namespace ironwood
