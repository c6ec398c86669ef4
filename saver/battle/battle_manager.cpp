#include "saver/battle/battle_manager.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/process_memory.h"
#include "saver/core/random.h"
#include "saver/battle/fire_control.h"
#include "saver/battle/ship_ai.h"
#include "saver/core/log_sink.h"

namespace ironwood {

namespace {

// The camera starts this far behind a focus ship of radius r: r / 3.69197 * -15.
constexpr double kCameraRadiusScale = 3.69197;
constexpr double kCameraDistanceFactor = -15.0;

// The index into an alliance array for alliance 1 or 2; -1 for anything else.
int SideIndex(int alliance) {
  return alliance == 1 || alliance == 2 ? alliance - 1 : -1;
}

}  // namespace

BattleManager::BattleManager(BattleServices services) : services_(std::move(services)) {}

bool BattleManager::Initialise(std::string* why) {
  if (services_.settings == nullptr) {
    if (why != nullptr) *why = "no settings store";
    return false;
  }
  return catalogue_.Load(*services_.settings, services_.installation, why);
}

void BattleManager::Release() {
  // Ships point at their classes and at the rosters, so they go first.
  for (Alliance& side : alliances_) {
    side.roster.Clear();
    side.grid.Invalidate();
    side.ships.clear();
    side.shipList.clear();
    side.classShipLists.clear();
    side.classes.clear();
  }
  centre_ = {};
  focus_ = nullptr;
}

bool BattleManager::StartBattle(std::string* why) {
  // Each scenario gets one chance: one that cannot start is logged with its reason and left out
  // of the rotation, so a broken file costs one load rather than one every frame.
  Release();
  // The last battle's classes (their textures above all) are gone: their memory goes back to
  // the system rather than staying resident beside the next battle's.
  platform::ReturnFreeMemory();
  for (int tries = catalogue_.scenarioCount(); tries > 0; --tries) {
    Release();
    const Scenario* scenario = catalogue_.ChooseNext();
    if (scenario == nullptr) break;
    std::string reason;
    bool built = false;
    try {
      built = Build(*scenario, &reason);
    } catch (const std::bad_alloc&) {
      reason = "out of memory";
    }
    if (built) {
      catalogue_.Commit();
      stalled_ = false;
      return true;
    }
    // Nothing half-built stays: until a battle starts the manager reports no ships at all.
    Release();
    catalogue_.Refuse();
    if (services_.log != nullptr) {
      // The line before (the alliance 2 line, a start-up step) has not ended.
      services_.log->Write("\n        " + scenario->filePath + " cannot start: " + reason + "\n");
    }
  }
  Release();
  stalled_ = true;
  if (why != nullptr) *why = "no scenario of the catalogue can start";
  return false;
}

bool BattleManager::Build(const Scenario& scenario, std::string* why) {
  if (scenario.alliance1.total < 1) {
    // A battle without an alliance 1 ship has no focus ship to show.
    if (why != nullptr) *why = "the scenario has no alliance 1 ship";
    return false;
  }
  if (services_.textureNames == nullptr) {
    if (why != nullptr) *why = "no texture names";
    return false;
  }

  // The centre: with the 3D camera view a point 250 to 449 units out, in a direction around
  // (-1, 0, -1) with each axis flipped at random; otherwise the origin.
  if (services_.use3DCameraView) {
    const int x = RandomRange(0, 200) - 400;
    const int y = RandomRange(0, 30) - 15;
    const int z = RandomRange(0, 200) - 400;
    Vector3 direction(x, y, z);
    const double length = direction.Length();
    double cx = x, cy = y, cz = z;
    if (length != 0) {
      cx /= length;
      cy /= length;
      cz /= length;
    }
    const double distance = RandomRange(0, 200) + 250;
    cx *= distance;
    cy *= distance;
    cz *= distance;
    if (RandomRange(0, 100) > 50) cx = -cx;
    if (RandomRange(0, 100) > 50) cy = -cy;
    if (RandomRange(0, 100) > 50) cz = -cz;
    centre_ = {static_cast<float>(cx), static_cast<float>(cy), static_cast<float>(cz)};
  }

  Alliance& first = alliances_[0];
  Alliance& second = alliances_[1];
  if (!LoadClasses(scenario.alliance1, first, why)) return false;
  if (!SpawnShips(scenario.alliance1, first, -1.0f, why)) return false;

  // The focus ship starts in the star tunnel at the origin.
  focus_ = first.shipList.front();
  focus_->SetTunnelFade(1.0f);
  focus_->SetStartState(ShipState{});

  if (services_.log != nullptr) services_.log->Write(kAlliance2LogLine);
  if (!LoadClasses(scenario.alliance2, second, why)) return false;
  if (!SpawnShips(scenario.alliance2, second, 1.0f, why)) return false;

  first.roster.Set(second.shipList, first.shipList);
  second.roster.Set(first.shipList, second.shipList);
  first.roster.SetGrids(&second.grid, &first.grid);
  second.roster.SetGrids(&first.grid, &second.grid);
  for (Alliance& side : alliances_) {
    for (Ship* ship : side.shipList) ship->SetRoster(&side.roster);
  }

  if (cameraReset_) {
    const double distance = focus_->Radius() / kCameraRadiusScale * kCameraDistanceFactor;
    cameraReset_(static_cast<float>(distance), services_.use3DCameraView);
  }

  for (Alliance& side : alliances_) {
    for (std::size_t e = 0; e < side.classes.size(); ++e) {
      side.classes[e]->SetShips(side.classShipLists[e].data());
      side.classes[e]->SetShipCount(static_cast<int>(side.classShipLists[e].size()));
    }
  }
  return true;
}

bool BattleManager::LoadClasses(const AllianceList& list, Alliance& side, std::string* why) {
  side.classes.reserve(list.entries.size());
  for (const ScenarioEntry& entry : list.entries) {
    std::unique_ptr<ShipClass> shipClass =
        LoadShipClass(entry.pluginPath, *services_.textureNames, services_.textureLevel,
                      services_.soundEffects, why, services_.soundMemory);
    if (shipClass == nullptr) return false;
    if (shipClass->soundMemoryFailed()) SoundEffectsOff();
    if (services_.soundEffects) {
      shipClass->torpedoes().SetSound(services_.soundOutput, services_.torpedoDetonation);
    }
    side.classes.push_back(std::move(shipClass));
  }
  return true;
}

bool BattleManager::SpawnShips(const AllianceList& list, Alliance& side, float xSign,
                               std::string* why) {
  side.classShipLists.resize(list.entries.size());
  for (std::size_t e = 0; e < list.entries.size(); ++e) {
    const int count = list.entries[e].shipCount;
    for (int k = 0; k < count; ++k) {
      // The draws in this order: X, Y, then the ship's own at creation.
      ShipState start{};
      start[0] = centre_[0] + xSign * static_cast<float>(RandomRange(0, 65) + 50);
      start[1] = centre_[1] + static_cast<float>(RandomRange(0, 50) - 25);
      start[2] = centre_[2];
      auto ship = std::make_unique<Ship>();
      if (!ship->Create(*side.classes[e], start, services_.soundEffects,
                        services_.soundOutput)) {
        if (why != nullptr) *why = "out of memory";
        return false;
      }
      if (ship->SoundsFailed()) SoundEffectsOff();
      // Each update starts with the ship's decisions, about this battle's centre.
      const double arena =
          services_.use3DCameraView ? kArenaRadius3DCamera : kArenaRadiusFixedCamera;
      ship->SetDecisionStep(
          [this, arena](Ship& self) { RunShipAI(self, BattleCentrePosition(), arena); });
      side.classShipLists[e].push_back(ship.get());
      side.shipList.push_back(ship.get());
      side.ships.push_back(std::move(ship));
    }
  }
  return true;
}

// Cells about as wide as the spacing distance, the nearest range asked of them, so that a query
// looks at a few cells; a crowd spread wide gets wider ones (at most 32 a side).
constexpr double kGridCellSize = 8.0;

void BattleManager::InvalidateGrids() {
  for (Alliance& side : alliances_) side.grid.Invalidate();
}

void BattleManager::UpdateShips(int alliance, const Vector3& eyeOffset) {
  if (alliance != 1 && alliance != 2) return;
  Alliance& side = alliances_[static_cast<std::size_t>(alliance - 1)];
  // A grid built earlier in the frame stays good: the moves since widen its answers.
  for (Alliance& each : alliances_) {
    if (!each.grid.Valid()) each.grid.Build(each.shipList, kGridCellSize);
  }
  for (std::size_t i = 0; i < side.shipList.size(); ++i) {
    side.shipList[i]->Update(eyeOffset);
    side.grid.Moved(static_cast<int>(i));
  }
}

// The fire control reads the grids' records of places and speeds, so a grid whose ships have
// moved since its build is built again.
void BattleManager::BeginWeapons() {
  for (Alliance& side : alliances_) {
    if (!side.grid.Exact()) side.grid.Build(side.shipList, kGridCellSize);
  }
  // Every launcher and every opponent lies in the two grids' bounds together.
  double low[3], high[3], otherLow[3], otherHigh[3];
  if (!alliances_[0].grid.Bounds(low, high) || !alliances_[1].grid.Bounds(otherLow, otherHigh)) {
    return;
  }
  for (int axis = 0; axis < 3; ++axis) {
    low[axis] = std::min(low[axis], otherLow[axis]);
    high[axis] = std::max(high[axis], otherHigh[axis]);
  }
  IndexFlightLines(alliances_[0].grid, low, high, alliances_[1].shipList);
  IndexFlightLines(alliances_[1].grid, low, high, alliances_[0].shipList);
}

void BattleManager::EndWeapons() { InvalidateGrids(); }

void BattleManager::SoundEffectsOff() {
  if (!services_.soundEffects) return;
  services_.soundEffects = false;  // for every later class and ship of the run
  if (services_.log != nullptr) services_.log->Write(kSoundMemoryLogLine);
  // What this battle holds already is let go: memory is short, and it would never play.
  for (Alliance& side : alliances_) {
    for (const std::unique_ptr<Ship>& ship : side.ships) ship->DropSounds();
    for (const std::unique_ptr<ShipClass>& shipClass : side.classes) {
      shipClass->torpedoes().SetSound(nullptr, nullptr);
    }
  }
}

const BattleManager::Alliance* BattleManager::Side(int alliance) const {
  const int index = SideIndex(alliance);
  return index < 0 ? nullptr : &alliances_[static_cast<std::size_t>(index)];
}

int BattleManager::ClassCount(int alliance) const {
  const Alliance* side = Side(alliance);
  return side == nullptr ? 0 : static_cast<int>(side->classes.size());
}

int BattleManager::ShipCount(int alliance) const {
  const Alliance* side = Side(alliance);
  return side == nullptr ? 0 : static_cast<int>(side->shipList.size());
}

ShipClass* BattleManager::Class(int alliance, int i) const {
  const Alliance* side = Side(alliance);
  if (side == nullptr || i < 0 || static_cast<std::size_t>(i) >= side->classes.size()) {
    return nullptr;
  }
  return side->classes[static_cast<std::size_t>(i)].get();
}

Ship* BattleManager::ShipAt(int alliance, int i) const {
  const Alliance* side = Side(alliance);
  if (side == nullptr || i < 0 || static_cast<std::size_t>(i) >= side->shipList.size()) {
    return nullptr;
  }
  return side->shipList[static_cast<std::size_t>(i)];
}

int BattleManager::ShipCountOfClass(int alliance, int i) const {
  const Alliance* side = Side(alliance);
  if (side == nullptr || i < 0 || static_cast<std::size_t>(i) >= side->classShipLists.size()) {
    return 0;
  }
  return static_cast<int>(side->classShipLists[static_cast<std::size_t>(i)].size());
}

Roster* BattleManager::RosterOf(int alliance) {
  const int index = SideIndex(alliance);
  return index < 0 ? nullptr : &alliances_[static_cast<std::size_t>(index)].roster;
}

const Scenario* BattleManager::CurrentScenario() const {
  if (alliances_[0].shipList.empty() || catalogue_.scenarioCount() == 0) return nullptr;
  return &catalogue_.scenario(catalogue_.currentIndex());
}

bool BattleManager::IsOver() const {
  for (const Alliance& side : alliances_) {
    bool anyAlive = false;
    for (const Ship* ship : side.shipList) {
      if (!ship->IsDead()) {
        anyAlive = true;
        break;
      }
    }
    if (!anyAlive) return true;
  }
  return false;
}

float BattleManager::FocusTunnelFade() {
  if (focus_ == nullptr) return 1.0f;
  Ship& ship = *focus_;
  if (ship.TunnelFade() <= 0) return ship.TunnelFade();
  if (ship.TunnelTimer().Elapsed() <= kTunnelMilliseconds) return ship.TunnelFade();
  const float fade =
      static_cast<float>(1.0 - static_cast<double>(ship.FadeTimer().Elapsed()) /
                                   kFadeMilliseconds);
  if (fade > 0) {
    ship.SetTunnelFade(fade);
    return fade;
  }
  // Out of the tunnel: head for the battle at full throttle.
  ship.Flight().SetGoal(BattleCentrePosition(), 1.0);
  ship.SetTunnelFade(0.0f);
  return 0.0f;
}

void BattleManager::ReplaceDeadFocusShip() {
  if (focus_ == nullptr || !focus_->IsDead()) return;
  const std::vector<Ship*>& ships = alliances_[0].shipList;
  const int count = static_cast<int>(ships.size());
  if (focusSearch_ >= count || focusSearch_ < 0) focusSearch_ = 0;
  // From the search index to the end, then round to the ships before it.
  for (int step = 0; step < count; ++step) {
    const int i = (focusSearch_ + step) % count;
    if (!ships[static_cast<std::size_t>(i)]->IsDead()) {
      focusSearch_ = i;
      focus_ = ships[static_cast<std::size_t>(i)];
      return;
    }
  }
}

void BattleManager::CycleFocus() {
  const int first = ShipCount(1);
  const int total = first + ShipCount(2);
  if (++focusCycle_ >= total) focusCycle_ = 0;
  for (; focusCycle_ < total; ++focusCycle_) {
    Ship* ship = focusCycle_ < first ? ShipAt(1, focusCycle_) : ShipAt(2, focusCycle_ - first);
    if (ship != nullptr && !ship->IsDead()) {
      focus_ = ship;
      return;
    }
  }
}

bool BattleManager::EndOfBattle() {
  if (stalled_ || !IsOver()) return false;
  if (battleEnded_) battleEnded_(*this);
  if (!StartBattle() && services_.log != nullptr) services_.log->Write(kNoBattleLogLine);
  if (cameraFollow_) cameraFollow_(focus_);
  focusSearch_ = 0;
  return true;
}

}  // namespace ironwood
