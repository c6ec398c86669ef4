#pragma once

// Battle statistics of an offscreen run: how long the battles of each scenario last in simulated
// time, who wins them, and how much the torpedoes and phasers are used. Used to balance the
// generated ship classes and scenarios.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "saver/battle/battle_tally.h"

namespace ironwood {

class BattleManager;

class BattleStatistics {
 public:
  struct Scenario {
    std::string name;  // the scenario file's name
    int battles = 0;
    double totalSeconds = 0;
    double longestSeconds = 0;
    double shortestSeconds = 0;  // of the battles played
    int wins[2] = {0, 0};
    int draws = 0;  // both alliances gone in the same frame
    BattleTally tally;
  };

  // The fighting of the running battle started at `now` (the end of its tunnel, or its start).
  void FightStarted(std::uint32_t now);
  // The running battle is over at `now`; `tally` is what its weapons did.
  void BattleEnded(const BattleManager& battle, std::uint32_t now, const BattleTally& tally);

  int Battles() const { return battles_; }
  bool Fighting() const { return fighting_; }
  std::uint32_t FightStart() const { return fightStart_; }
  const std::vector<Scenario>& Scenarios() const { return scenarios_; }

  // One line a scenario, then "battles N, mean S s, longest S s, alliance 1 won A, alliance 2
  // won B", then "torpedo hits per launch R (H of L), phaser hit time per battle S s".
  void Print(std::FILE* out) const;

 private:
  std::vector<Scenario> scenarios_;
  std::uint32_t fightStart_ = 0;
  bool fighting_ = false;
  int battles_ = 0;
};

}  // namespace ironwood
