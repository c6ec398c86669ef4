#pragma once

#include <optional>
#include <string>
#include <vector>

#include "saver/shell/contact_sheet.h"
#include "saver/shell/offscreen_recorder.h"

namespace ironwood {

// The contact sheet of an offscreen run: frames from the end of the first tunnel (the whole run
// while it lasts) to the end of that battle or of the run, whichever comes first, written once
// as a BMP.
class ContactSheetRecorder : public OffscreenRecorder {
 public:
  // `lastFrame`: the run's last frame, which ends the sheet when the battle has not.
  ContactSheetRecorder(std::string path, int lastFrame);

  bool Frame(SaverApp& app) override;
  void BattleEnded(const SaverApp& app, const BattleManager& battle) override;
  // "Contact sheet: PATH, WxH, N frames from A to B[, the whole battle]", or why it is missing.
  bool Finish(std::FILE* report) override;

 private:
  std::string path_;
  int lastFrame_;
  std::optional<ContactSheet> sheet_;
  bool fighting_ = false;
  bool battleOver_ = false;
  bool done_ = false;  // written, or tried once and failed
  bool written_ = false;
  int firstFrame_ = 1;
  std::vector<float> pixels_;
  std::string line_;
};

}  // namespace ironwood
