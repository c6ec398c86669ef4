#include "saver/shell/battle_stats.h"

#include <algorithm>
#include <filesystem>

#include "saver/battle/battle_manager.h"

namespace ironwood {

namespace {

bool AnyAlive(const BattleManager& battle, int alliance) {
  for (int i = 0; i < battle.ShipCount(alliance); ++i) {
    if (!battle.ShipAt(alliance, i)->IsDead()) return true;
  }
  return false;
}

}  // namespace

void BattleStatistics::FightStarted(std::uint32_t now) {
  if (fighting_) return;
  fightStart_ = now;
  fighting_ = true;
}

void BattleStatistics::BattleEnded(const BattleManager& battle, std::uint32_t now,
                                   const BattleTally& tally) {
  const ironwood::Scenario* current = battle.CurrentScenario();
  const std::string name =
      current != nullptr ? std::filesystem::path(current->filePath).filename().string() : "?";
  auto found = std::find_if(scenarios_.begin(), scenarios_.end(),
                            [&](const Scenario& s) { return s.name == name; });
  if (found == scenarios_.end()) {
    Scenario added;
    added.name = name;
    scenarios_.push_back(added);
    found = scenarios_.end() - 1;
  }
  // A battle over before it could fight (an alliance without ships) lasted no time at all.
  const double seconds = fighting_ ? (now - fightStart_) / 1000.0 : 0.0;
  Scenario& s = *found;
  ++s.battles;
  s.totalSeconds += seconds;
  s.longestSeconds = std::max(s.longestSeconds, seconds);
  s.shortestSeconds = s.battles == 1 ? seconds : std::min(s.shortestSeconds, seconds);
  const bool first = AnyAlive(battle, 1), second = AnyAlive(battle, 2);
  if (first && !second) {
    ++s.wins[0];
  } else if (second && !first) {
    ++s.wins[1];
  } else {
    ++s.draws;
  }
  s.tally.torpedoesLaunched += tally.torpedoesLaunched;
  s.tally.torpedoHits += tally.torpedoHits;
  s.tally.phaserHitMilliseconds += tally.phaserHitMilliseconds;
  ++battles_;
  fighting_ = false;
}

void BattleStatistics::Print(std::FILE* out) const {
  int battles = 0, wins1 = 0, wins2 = 0;
  double total = 0, longest = 0;
  BattleTally tally;
  for (const Scenario& s : scenarios_) {
    std::fprintf(out,
                 "%s: battles %d, mean %.1f s, shortest %.1f s, longest %.1f s, alliance 1 won "
                 "%d, alliance 2 won %d, draws %d, torpedoes launched %llu, torpedo hits %llu, phaser hit "
                 "time %.1f s\n",
                 s.name.c_str(), s.battles, s.battles > 0 ? s.totalSeconds / s.battles : 0.0,
                 s.shortestSeconds, s.longestSeconds, s.wins[0], s.wins[1], s.draws,
                 static_cast<unsigned long long>(s.tally.torpedoesLaunched),
                 static_cast<unsigned long long>(s.tally.torpedoHits),
                 s.tally.phaserHitMilliseconds / 1000.0);
    battles += s.battles;
    wins1 += s.wins[0];
    wins2 += s.wins[1];
    total += s.totalSeconds;
    longest = std::max(longest, s.longestSeconds);
    tally.torpedoesLaunched += s.tally.torpedoesLaunched;
    tally.torpedoHits += s.tally.torpedoHits;
    tally.phaserHitMilliseconds += s.tally.phaserHitMilliseconds;
  }
  std::fprintf(out, "battles %d, mean %.1f s, longest %.1f s, alliance 1 won %d, alliance 2 won %d\n",
               battles, battles > 0 ? total / battles : 0.0, longest, wins1, wins2);
  // The weapons' figures that do not grow with the number of battles, to compare runs by.
  const double launched = static_cast<double>(tally.torpedoesLaunched);
  std::fprintf(out,
               "torpedo hits per launch %.3f (%llu of %llu), phaser hit time per battle %.2f s\n",
               launched > 0 ? static_cast<double>(tally.torpedoHits) / launched : 0.0,
               static_cast<unsigned long long>(tally.torpedoHits),
               static_cast<unsigned long long>(tally.torpedoesLaunched),
               battles > 0 ? tally.phaserHitMilliseconds / 1000.0 / battles : 0.0);
}

}  // namespace ironwood
