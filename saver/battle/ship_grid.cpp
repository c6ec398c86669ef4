#include "saver/battle/ship_grid.h"

#include <algorithm>
#include <cmath>

#include "saver/battle/ship.h"

namespace ironwood {

namespace {

double Coordinate(const Vector3& v, int axis) {
  return axis == 0 ? v.x() : axis == 1 ? v.y() : v.z();
}

int BandOf(float speed) {
  const double s = std::fabs(static_cast<double>(speed));
  int band = 0;
  while (band < ShipGrid::kBands - 1 && !(s <= ShipGrid::kBandTops[band])) ++band;
  return band;  // NaN: the last
}

}  // namespace

void ShipGrid::Build(const std::vector<Ship*>& ships, double cellSize) {
  valid_ = false;
  moved_ = false;
  ships_ = &ships;
  margin_ = 0;
  largestRadius_ = 0;
  const std::size_t count = ships.size();
  records_.assign(count, Record());
  sorted_.assign(count, false);
  marks_.assign((count + 63) / 64, 0);

  double low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  bool any = false;
  for (std::size_t i = 0; i < count; ++i) {
    const Ship* ship = ships[i];
    if (ship == nullptr || ship->IsDead()) continue;
    const Vector3 at = ship->Position();
    Record& record = records_[i];
    record.x = static_cast<float>(at.x());
    record.y = static_cast<float>(at.y());
    record.z = static_cast<float>(at.z());
    record.speed = ship->Speed();
    std::copy(ship->Forward().begin(), ship->Forward().end(), record.forward);
    sorted_[i] = true;
    for (int axis = 0; axis < 3; ++axis) {
      const double c = Coordinate(at, axis);
      low[axis] = any ? std::min(low[axis], c) : c;
      high[axis] = any ? std::max(high[axis], c) : c;
    }
    largestRadius_ = std::max(largestRadius_, static_cast<double>(ship->Radius()));
    any = true;
  }

  double extent = 0;
  for (int axis = 0; axis < 3; ++axis) {
    origin_[axis] = low[axis];
    extent = std::max(extent, high[axis] - low[axis]);
  }
  // A place or size past all sense leaves the grid invalid, and the callers walk the list.
  if (!std::isfinite(extent) || !std::isfinite(largestRadius_) || !(cellSize > 0)) return;
  cellSize_ = std::max(cellSize, extent / (kMostCellsPerAxis - 1));
  cells_ = std::min(kMostCellsPerAxis, static_cast<int>(extent / cellSize_) + 1);
  cellCount_ = static_cast<std::size_t>(cells_) * cells_ * cells_;

  cellOf_.assign(count, 0);
  keyOf_.assign(count, 0);
  for (std::size_t i = 0; i < count; ++i) {
    if (!sorted_[i]) continue;
    const Vector3 at = records_[i].At();
    cellOf_[i] = (CellOf(at.z(), 2) * cells_ + CellOf(at.y(), 1)) * cells_ + CellOf(at.x(), 0);
    keyOf_[i] = BandOf(records_[i].speed) * static_cast<int>(cellCount_) + cellOf_[i];
  }
  SortBy(cellOf_, cellCount_, cellStart_, cellMembers_);
  SortBy(keyOf_, kBands * cellCount_, keyStart_, members_);
  valid_ = true;
}

// A counting sort of the sorted-in indices by their keys, in index order, so the indices of
// each key ascend.
void ShipGrid::SortBy(const std::vector<int>& keyOf, std::size_t keys, std::vector<int>& start,
                      std::vector<int>& members) {
  start.assign(keys + 1, 0);
  for (std::size_t i = 0; i < keyOf.size(); ++i) {
    if (sorted_[i]) ++start[static_cast<std::size_t>(keyOf[i]) + 1];
  }
  for (std::size_t k = 0; k < keys; ++k) start[k + 1] += start[k];
  members.resize(static_cast<std::size_t>(start[keys]));
  fill_.assign(start.begin(), start.end() - 1);
  for (std::size_t i = 0; i < keyOf.size(); ++i) {
    if (!sorted_[i]) continue;
    members[static_cast<std::size_t>(fill_[static_cast<std::size_t>(keyOf[i])]++)] =
        static_cast<int>(i);
  }
}

int ShipGrid::CellOf(double coordinate, int axis) const {
  const double cell = std::floor((coordinate - origin_[axis]) / cellSize_);
  return static_cast<int>(std::clamp(cell, 0.0, static_cast<double>(cells_ - 1)));
}

void ShipGrid::Moved(int index) {
  if (!valid_ || ships_ == nullptr || index < 0 ||
      static_cast<std::size_t>(index) >= sorted_.size() ||
      !sorted_[static_cast<std::size_t>(index)]) {
    return;
  }
  moved_ = true;
  const std::size_t i = static_cast<std::size_t>(index);
  const double strayed =
      std::sqrt((*ships_)[i]->Position().Subtract(records_[i].At()).LengthSquared());
  if (!std::isfinite(strayed)) {
    valid_ = false;
    return;
  }
  margin_ = std::max(margin_, strayed);
}

void ShipGrid::ClearMarks() const { std::fill(marks_.begin(), marks_.end(), 0); }

void ShipGrid::MarkBand(int band) const {
  const std::size_t first = static_cast<std::size_t>(band) * cellCount_;
  for (int m = keyStart_[first]; m < keyStart_[first + cellCount_]; ++m) {
    Mark(members_[static_cast<std::size_t>(m)]);
  }
}

void ShipGrid::MarkNear(const Vector3& at, double radius, int band) const {
  if (!valid_) return;
  // A little more than asked, so that rounding in the cell arithmetic never loses a ship.
  const double reach = (radius + margin_) * (1 + 1e-6) + 1e-4;
  int low[3], high[3];
  for (int axis = 0; axis < 3; ++axis) {
    const double c = Coordinate(at, axis) - origin_[axis];
    const double from = std::floor((c - reach) / cellSize_);
    const double to = std::floor((c + reach) / cellSize_);
    if (!(to >= 0) || !(from <= cells_ - 1)) return;  // NaN lands here too
    low[axis] = static_cast<int>(std::max(from, 0.0));
    high[axis] = static_cast<int>(std::min(to, static_cast<double>(cells_ - 1)));
  }
  const bool every = band == kEveryBand;
  const std::vector<int>& start = every ? cellStart_ : keyStart_;
  const std::vector<int>& members = every ? cellMembers_ : members_;
  const std::size_t bandStart = every ? 0 : static_cast<std::size_t>(band) * cellCount_;
  for (int z = low[2]; z <= high[2]; ++z) {
    for (int y = low[1]; y <= high[1]; ++y) {
      // A row's cells are side by side, so its ships are one run of the members.
      const std::size_t row = bandStart + static_cast<std::size_t>((z * cells_ + y) * cells_);
      const int first = start[row + static_cast<std::size_t>(low[0])];
      const int last = start[row + static_cast<std::size_t>(high[0]) + 1];
      for (int m = first; m < last; ++m) Mark(members[static_cast<std::size_t>(m)]);
    }
  }
}

}  // namespace ironwood
