#include "saver/shell/contact_sheet_recorder.h"

#include <cstdio>
#include <filesystem>

#include "saver/shell/saver_app.h"
#include "saver/shell/screenshot.h"

namespace ironwood {

ContactSheetRecorder::ContactSheetRecorder(std::string path, int lastFrame)
    : path_(std::move(path)), lastFrame_(lastFrame) {
  // A folder that cannot be made fails the write, which is reported.
  const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
}

void ContactSheetRecorder::BattleEnded(const SaverApp&, const BattleManager&) {
  if (fighting_) battleOver_ = true;
}

bool ContactSheetRecorder::Frame(SaverApp& app) {
  if (done_) return false;
  if (!sheet_) sheet_.emplace(app.Width(), app.Height());
  const int frame = app.Frames().frames;
  const Scene* scene = app.GetScene();
  // Without the 3D camera view there is no tunnel: the battle runs from the first frame.
  if (!fighting_ && (!app.Use3DCameraView() || (scene != nullptr && scene->TunnelFade() <= 0))) {
    fighting_ = true;
    sheet_->Restart();
    firstFrame_ = frame;
  }
  if (sheet_->Offer() && ReadFramePixels(0, 0, app.Width(), app.Height(), pixels_)) {
    sheet_->Keep(pixels_.data());
  }
  if (!battleOver_ && frame < lastFrame_) return false;
  // This frame is the battle's last (the next one starts after it) or the run's.
  if (ReadFramePixels(0, 0, app.Width(), app.Height(), pixels_)) sheet_->KeepLast(pixels_.data());
  const std::vector<float> sheetPixels = sheet_->Compose();
  done_ = true;
  written_ = WriteBmpFile(path_, sheetPixels.data(), sheet_->Width(), sheet_->Height());
  if (written_) {
    const std::vector<int> chosen = sheet_->ChosenFrames();
    char line[160];
    std::snprintf(
        line, sizeof line, "%dx%d, %d frames from %d to %d%s", sheet_->Width(), sheet_->Height(),
        static_cast<int>(chosen.size()), chosen.empty() ? 0 : firstFrame_ + chosen.front(),
        chosen.empty() ? 0 : firstFrame_ + chosen.back(), battleOver_ ? ", the whole battle" : "");
    line_ = line;
  }
  return false;
}

bool ContactSheetRecorder::Finish(std::FILE* report) {
  if (written_) {
    std::fprintf(report, "Contact sheet: %s, %s\n", path_.c_str(), line_.c_str());
    return false;
  }
  std::fprintf(stderr, "Ironwood: the contact sheet %s was not written%s\n", path_.c_str(),
               done_ ? "" : ": no frame was drawn");
  return true;
}

}  // namespace ironwood
