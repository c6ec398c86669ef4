#include "saver/shell/flight_log.h"

#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "saver/battle/battle_manager.h"
#include "saver/battle/ship.h"

namespace ironwood {

FlightLog::~FlightLog() {
  Close();
}

bool FlightLog::Open(const std::string& path, int every, std::string* why) {
  Close();
  failed_ = false;
  calls_ = 0;
  every_ = every > 0 ? every : 1;
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) {
    if (why != nullptr) *why = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  if (std::fprintf(file_, "%s\n", kHeader) < 0) failed_ = true;
  return true;
}

void FlightLog::Record(const BattleManager& battle, std::uint32_t timeMilliseconds) {
  if (file_ == nullptr) return;
  if (calls_++ % every_ != 0) return;
  std::vector<const Ship*> ships;
  std::vector<int> alliances;
  for (const int alliance : {1, 2}) {
    for (int i = 0; i < battle.ShipCount(alliance); ++i) {
      ships.push_back(battle.ShipAt(alliance, i));
      alliances.push_back(alliance);
    }
  }
  // Targets by their numbers, found once a record rather than by a search a ship.
  std::unordered_map<const Ship*, int> numbers;
  for (std::size_t n = 0; n < ships.size(); ++n) numbers.emplace(ships[n], static_cast<int>(n));
  for (std::size_t n = 0; n < ships.size(); ++n) {
    const Ship& ship = *ships[n];
    const auto aim = numbers.find(ship.AI().target);
    const int target = aim != numbers.end() ? aim->second : -1;
    const Vector3 p = ship.Position();
    if (std::fprintf(file_, "%u,%zu,%d,%d,%d,%.4f,%.4f,%.4f,%.4f,%.4f,%.4f,%.4f,%.2f\n",
                     static_cast<unsigned>(timeMilliseconds), n, alliances[n],
                     ship.AI().state, target, p.x(), p.y(), p.z(),
                     ship.Pitch(), ship.Heading(), ship.Roll(), static_cast<double>(ship.Speed()),
                     static_cast<double>(ship.TotalDamage())) < 0) {
      failed_ = true;
    }
  }
}

bool FlightLog::Close() {
  if (file_ == nullptr) return !failed_;
  if (std::fflush(file_) != 0 || std::ferror(file_)) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace ironwood
