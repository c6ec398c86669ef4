#include "saver/battle/ship_ai.h"

#include <cmath>

#include "platform/clock.h"
#include "saver/battle/roster.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/battle/ship_grid.h"

namespace ironwood {
namespace {

// How long a target is kept before a fresh pick, in ms.
constexpr std::uint32_t kRepickMilliseconds = 15000;
// Ships closer than this many radii steer apart.
constexpr double kSpacingRadii = 2.9;
// A squared distance above a squared limit times this is beyond the limit whatever the rounding.
constexpr double kClearlyBeyond = 1.000001;
// A break-off only suits a class that can bank hard enough to turn away.
constexpr float kBreakOffAngleLimit = 12.5f;

Vector3 Between(const Vector3& from, const Vector3& to) {
  return to.Subtract(from);
}

Vector3 Negated(const Vector3& v) {
  return Vector3(-v.x(), -v.y(), -v.z());
}

double Distance(const Vector3& from, const Vector3& to) {
  return std::sqrt(Between(from, to).LengthSquared());
}

class Decision {
 public:
  Decision(Ship& ship, const Vector3& centre, double arenaRadius, RandomGenerator& random)
      : ship_(ship),
        ai_(ship.AI()),
        flight_(ship.Flight()),
        p_(ship.Position()),
        centre_(centre),
        arena_(arenaRadius),
        random_(random) {}

  void Run() {
    // The clock runs in every state, so that a break-off does not save up chances for later.
    const int chances = ai_.chances.Due(platform::TimeMilliseconds());
    switch (ai_.state) {
      case ShipAI::kBreakOff:
        BreakOff();
        break;
      case ShipAI::kReturn:
        Return();
        break;
      default:
        Engage(chances);
        break;
    }
    if (steered_) flight_.SetGoal(goal_, goalWeight_);
  }

 private:
  // A decision may steer several times; only the last goal counts, and the flight model works
  // out its errors for that one alone when the decision is made.
  void Steer(const Vector3& direction, double weight) {
    goal_ = direction;
    goalWeight_ = weight;
    steered_ = true;
  }
  Vector3 Goal() const { return steered_ ? goal_ : flight_.goal; }
  double GoalWeight() const { return steered_ ? goalWeight_ : flight_.goalWeight; }

  void Enter(int state, const Vector3& storedGoal, float weight) {
    ai_.state = state;
    ai_.storedGoal = {static_cast<float>(storedGoal.x()), static_cast<float>(storedGoal.y()),
                      static_cast<float>(storedGoal.z())};
    ai_.storedWeight = weight;
  }

  void SteerToStoredGoal() {
    Steer(Vector3(ai_.storedGoal[0], ai_.storedGoal[1], ai_.storedGoal[2]), ai_.storedWeight);
  }

  void BreakOff() {
    // Only a ship with a target breaks off; one that lost it goes back to engaging.
    if (ai_.target == nullptr) {
      ai_.state = ShipAI::kEngage;
      return;
    }
    const Vector3 toTarget = Between(p_, ai_.target->Position());
    const double d = Distance(p_, ai_.target->Position());
    if (d == 0) return;
    // Breaking away from a wreck that drifts along behind would never end: a dead target ends
    // the break-off as distance does.
    if (d <= 120 && !ai_.target->IsDead()) {
      SteerToStoredGoal();
      return;
    }
    Steer(toTarget, 1.0);
    ai_.state = ShipAI::kEngage;
    ai_.target = nullptr;
  }

  void Return() {
    const double d = Distance(p_, centre_);
    if (d == 0) return;
    if (d >= arena_ + 30) {
      SteerToStoredGoal();
      return;
    }
    Steer(Between(p_, centre_), 1.0);
    ai_.state = ShipAI::kEngage;
    ai_.target = nullptr;
  }

  // `chances`: how many times the random break-off and return are tried, one for each 16 ms.
  void Engage(int chances) {
    Roster* roster = ship_.GetRoster();
    const std::uint32_t now = platform::TimeMilliseconds();
    if (ai_.lastPickTime + kRepickMilliseconds < now) {
      ai_.target = nullptr;
      ai_.lastPickTime = now;
    }
    if (ai_.target == nullptr && roster != nullptr) PickTarget(*roster);

    for (int chance = 0; chance < chances; ++chance) {
      const int breakDraw = RandomRange(random_, 0, 1000);
      if (breakDraw > 994 && ship_.Class() != nullptr &&
          ship_.Class()->flightAttributes().angleLimit > kBreakOffAngleLimit) {
        if (ai_.target != nullptr) {
          Enter(ShipAI::kBreakOff, Negated(Between(p_, ai_.target->Position())), 1.0f);
        }
        return;
      }
      const int returnDraw = RandomRange(random_, 0, 2000);
      if (returnDraw > 1998) {
        Enter(ShipAI::kReturn, Between(p_, centre_), 1.0f);
        return;
      }
    }

    // Chase.
    if (ai_.target == nullptr) {
      Steer(Between(p_, centre_), 0.5);
    } else {
      const Vector3 toTarget = Between(p_, ai_.target->Position());
      Steer(toTarget, 0.5);
      const double d = Distance(p_, ai_.target->Position());
      const double r = ai_.target->Radius();
      if (d != 0) {
        if (d < 3 * r && d < 15.5) {
          Enter(ShipAI::kBreakOff, Negated(toTarget), 1.0f);
          return;
        }
        Steer(toTarget, d > 200 ? 1.0 : 0.5);
      }
    }

    // Arena.
    const double e = Distance(p_, centre_);
    if (e != 0) {
      if (e >= arena_) {
        Steer(Goal(), GoalWeight());
        Enter(ShipAI::kReturn, Between(p_, centre_), 1.0f);
        return;
      }
      if (ai_.target != nullptr) Steer(Between(p_, ai_.target->Position()), 0.5);
    }

    // Spacing: away from the first enemy, then the first friend, that is too close.
    if (roster != nullptr) {
      if (SteerApart(roster->EnemyCount(), roster->EnemyGrid(),
                     [&](int i) { return roster->Enemy(i); })) {
        return;
      }
      if (SteerApart(roster->FriendCount(), roster->FriendGrid(),
                     [&](int i) { return roster->Friend(i); })) {
        return;
      }
    }

    if (ai_.target != nullptr && ai_.target->IsDead()) ai_.target = nullptr;
  }

  void PickTarget(const Roster& roster) {
    const int count = roster.EnemyCount();
    for (int tries = 0; tries < count; ++tries) {
      Ship* enemy = roster.Enemy(RandomRange(random_, 0, count));
      if (enemy != nullptr && !enemy->IsDead()) {
        ai_.target = enemy;
        return;
      }
    }
  }

  // The first ship of the list, in list order, that is closer than its spacing distance: from
  // the grid's candidates where it has one, otherwise from every ship. Most are far apart, so the
  // squared distance settles them and only a ship near its spacing distance pays for the root.
  // The root, and the test on it, are the roster's distance exactly as it measures it (a dead
  // ship far away).
  template <typename ShipAt>
  bool SteerApart(int count, const ShipGrid* grid, ShipAt shipAt) {
    auto tooClose = [&](int i) {
      const Ship* other = shipAt(i);
      if (other == nullptr) return false;
      const double spacing = kSpacingRadii * other->Radius();
      double d = Roster::kDeadDistance;
      if (!other->IsDead()) {
        const Vector3 at = other->Position();
        const double dx = at.x() - p_.x(), dy = at.y() - p_.y(), dz = at.z() - p_.z();
        const double squared = dx * dx + dy * dy + dz * dz;
        // Clearly beyond the spacing distance, root or no root (the margin dwarfs rounding).
        if (squared > spacing * spacing * kClearlyBeyond) return false;
        d = std::sqrt(squared);
      }
      // The ship itself is its own friend at distance 0, and skipped.
      if (d == 0 || d >= spacing) return false;
      Steer(Negated(Between(p_, other->Position())), 0.5);
      return true;
    };
    // The grid leaves dead ships out, which is right while they read as farther away than any
    // spacing distance.
    const double reach = grid != nullptr ? kSpacingRadii * grid->LargestRadius() : 0;
    if (grid != nullptr && grid->Valid() && reach < Roster::kDeadDistance) {
      return grid->VisitNear(p_, reach, tooClose);
    }
    for (int i = 0; i < count; ++i) {
      if (tooClose(i)) return true;
    }
    return false;
  }

  Ship& ship_;
  ShipAI& ai_;
  FlightModel& flight_;
  const Vector3 p_;
  const Vector3 centre_;
  const double arena_;
  RandomGenerator& random_;
  Vector3 goal_;
  double goalWeight_ = 0;
  bool steered_ = false;
};

}  // namespace

void RunShipAI(Ship& ship, const Vector3& centre, double arenaRadius, RandomGenerator& random) {
  Decision(ship, centre, arenaRadius, random).Run();
}

}  // namespace ironwood
