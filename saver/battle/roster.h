#pragma once

#include <cstddef>
#include <vector>

#include "saver/core/vector3.h"

namespace ironwood {

class Ship;
class ShipGrid;

// How the ships of one alliance see the battle: the other alliance's ships as enemies and their
// own (each ship included) as friends. The roster only points at ships; the battle manager owns
// them and rebuilds the rosters at every battle start.
class Roster {
 public:
  // A dead ship reads as this far away, so distance tests pass over it.
  static constexpr double kDeadDistance = 10000.0;

  void Set(std::vector<Ship*> enemies, std::vector<Ship*> friends);
  void Clear();

  // The grids over the enemy and friend lists, where the battle keeps them (each valid only
  // while the battle says so); without them, or while one is not valid, callers walk the list.
  void SetGrids(const ShipGrid* enemies, const ShipGrid* friends) {
    enemyGrid_ = enemies;
    friendGrid_ = friends;
  }
  const ShipGrid* EnemyGrid() const { return enemyGrid_; }
  const ShipGrid* FriendGrid() const { return friendGrid_; }

  int EnemyCount() const { return static_cast<int>(enemies_.size()); }
  int FriendCount() const { return static_cast<int>(friends_.size()); }

  // Ship i; an index outside the list gives the first ship, and an empty list gives none (an
  // alliance may field no ship at all, and callers draw indices without looking at the count).
  Ship* Enemy(int i) const { return Pick(enemies_, i); }
  Ship* Friend(int i) const { return Pick(friends_, i); }

  // Euclidean distance from `from` to ship i (picked as above); kDeadDistance for a dead ship
  // or an empty list.
  double EnemyDistance(int i, const Vector3& from) const;
  double FriendDistance(int i, const Vector3& from) const;

 private:
  // Inline: the ship AI and the fire control walk whole lists every frame.
  static Ship* Pick(const std::vector<Ship*>& ships, int i) {
    if (ships.empty()) return nullptr;
    if (i < 0 || static_cast<std::size_t>(i) >= ships.size()) return ships.front();
    return ships[static_cast<std::size_t>(i)];
  }
  static double Distance(const Ship* ship, const Vector3& from);

  std::vector<Ship*> enemies_;
  std::vector<Ship*> friends_;
  const ShipGrid* enemyGrid_ = nullptr;
  const ShipGrid* friendGrid_ = nullptr;
};

}  // namespace ironwood
