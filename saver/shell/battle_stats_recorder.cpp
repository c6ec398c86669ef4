#include "saver/shell/battle_stats_recorder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/clock.h"
#include "saver/shell/saver_app.h"

namespace ironwood {

BattleStatsRecorder::BattleStatsRecorder(int battles, int limitSeconds, int frameMilliseconds)
    : wanted_(battles),
      limitSeconds_(limitSeconds),
      limitFrames_(2LL * limitSeconds * 1000 / std::max(frameMilliseconds, 1)) {}

bool BattleStatsRecorder::Frame(SaverApp& app) {
  const std::uint32_t now = platform::TimeMilliseconds();
  const Scene* scene = app.GetScene();
  // The fight begins when the followed ship has left its tunnel.
  if (scene != nullptr && scene->TunnelFade() <= 0) statistics_.FightStarted(now);
  bool end = statistics_.Battles() >= wanted_;
  if (statistics_.Fighting() &&
      now - statistics_.FightStart() > static_cast<std::uint32_t>(limitSeconds_) * 1000u) {
    unfinished_ = true;
    end = true;
  }
  // The frames end a battle whose fight never starts, where the time above does not.
  if (++battleFrames_ > limitFrames_) {
    unfinished_ = true;
    end = true;
  }
  return end;
}

void BattleStatsRecorder::BattleEnded(const SaverApp& app, const BattleManager& battle) {
  const BattleTally now = app.GetScene() != nullptr ? app.GetScene()->Tally() : BattleTally{};
  const BattleTally battleTally{now.torpedoesLaunched - tallyBefore_.torpedoesLaunched,
                                now.torpedoHits - tallyBefore_.torpedoHits,
                                now.phaserHitMilliseconds - tallyBefore_.phaserHitMilliseconds};
  tallyBefore_ = now;
  battleFrames_ = 0;
  statistics_.BattleEnded(battle, platform::TimeMilliseconds(), battleTally);
}

bool BattleStatsRecorder::Finish(std::FILE* report) {
  statistics_.Print(report);
  if (!unfinished_) return false;
  std::fprintf(report, "A battle was still going after %d s of simulated time: stopped\n",
               limitSeconds_);
  return true;
}

}  // namespace ironwood
