#pragma once

#include <chrono>
#include <cstdint>

#include "saver/shell/offscreen_recorder.h"

namespace ironwood {

// The memory of a long offscreen run: every `every` frames one line with the frame, the battle
// being fought, the simulated time, the memory resident now (with its private part where the
// system tells it, which leaves out the pages of the libraries' code) and at its peak, and the
// real frames per second since the line before; at the end the same for the whole run, with the
// peak of the first line beside it, so that a run shows at a glance whether memory stays flat.
class MemoryRecorder : public OffscreenRecorder {
 public:
  MemoryRecorder(std::FILE* report, int every, int frameMilliseconds);

  bool Frame(SaverApp& app) override;
  void BattleEnded(const SaverApp& app, const BattleManager& battle) override;
  // False (the run goes on) even where the system does not give the figures; it says so.
  bool Finish(std::FILE* report) override;

 private:
  void Line(const char* what, long long frames, double framesPerSecond);

  std::FILE* report_;
  int every_;
  int frameMilliseconds_;
  long long frames_ = 0;
  int battlesEnded_ = 0;
  std::uint64_t firstPeak_ = 0;  // the peak at the first line
  bool unavailable_ = false;
  std::chrono::steady_clock::time_point started_, lastLine_;
  long long lastLineFrames_ = 0;
};

}  // namespace ironwood
