#pragma once

#include "saver/battle/battle_tally.h"
#include "saver/shell/battle_stats.h"
#include "saver/shell/offscreen_recorder.h"

namespace ironwood {

// The battle statistics of an offscreen run (battle_stats.h): the run ends after `battles`
// battles, or unfinished when one fights longer than `limitSeconds` of simulated time, or lasts
// twice as many frames of `frameMilliseconds` (its tunnel with it) without ending.
class BattleStatsRecorder : public OffscreenRecorder {
 public:
  BattleStatsRecorder(int battles, int limitSeconds, int frameMilliseconds);

  bool Frame(SaverApp& app) override;
  void BattleEnded(const SaverApp& app, const BattleManager& battle) override;
  // The statistics' lines, and the unfinished battle's, which fails the run.
  bool Finish(std::FILE* report) override;

 private:
  int wanted_;
  int limitSeconds_;
  BattleStatistics statistics_;
  BattleTally tallyBefore_;  // the scene's totals when the last battle ended
  long long limitFrames_;
  long long battleFrames_ = 0;  // since the last battle ended, or the run began
  bool unfinished_ = false;
};

}  // namespace ironwood
