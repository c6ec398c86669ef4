#include "saver/battle/roster.h"

#include <cmath>
#include <utility>

#include "saver/battle/ship.h"

namespace ironwood {

void Roster::Set(std::vector<Ship*> enemies, std::vector<Ship*> friends) {
  enemies_ = std::move(enemies);
  friends_ = std::move(friends);
}

void Roster::Clear() {
  enemies_.clear();
  friends_.clear();
  enemyGrid_ = friendGrid_ = nullptr;
}

double Roster::Distance(const Ship* ship, const Vector3& from) {
  if (ship == nullptr || ship->IsDead()) return kDeadDistance;
  const Vector3 at = ship->Position();
  const double dx = at.x() - from.x(), dy = at.y() - from.y(), dz = at.z() - from.z();
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double Roster::EnemyDistance(int i, const Vector3& from) const {
  return Distance(Enemy(i), from);
}

double Roster::FriendDistance(int i, const Vector3& from) const {
  return Distance(Friend(i), from);
}

}  // namespace ironwood
