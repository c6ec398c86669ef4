#include "saver/battle/ship_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "saver/battle/ship.h"

namespace ironwood {

namespace {

double Coordinate(const Vector3& v, int axis) {
  return axis == 0 ? v.x() : axis == 1 ? v.y() : v.z();
}

// floor(x) for a finite x, held within [0, cells - 1]: the cell a coordinate in cell units falls
// in, those outside the box going to its edge.
int HeldCell(double x, int cells) {
  if (!(x > 0)) return 0;
  if (x >= cells - 1) return cells - 1;
  return static_cast<int>(x);  // truncation is the floor for a positive x
}

}  // namespace

void ShipGrid::Build(const std::vector<Ship*>& ships, double cellSize) {
  valid_ = false;
  moved_ = false;
  linesValid_ = false;
  ships_ = &ships;
  margin_ = 0;
  largestRadius_ = 0;
  fastest_ = 0;
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
    const float speed = std::fabs(record.speed);
    if (std::isnan(speed) || std::isnan(fastest_)) {
      fastest_ = std::numeric_limits<float>::quiet_NaN();
    } else {
      fastest_ = std::max(fastest_, speed);
    }
    any = true;
  }

  double extent = 0;
  for (int axis = 0; axis < 3; ++axis) {
    origin_[axis] = low[axis];
    high_[axis] = high[axis];
    extent = std::max(extent, high[axis] - low[axis]);
  }
  // A place or size past all sense leaves the grid invalid, and the callers walk the list.
  if (!std::isfinite(extent) || !std::isfinite(largestRadius_) || !(cellSize > 0)) return;
  cellSize_ = std::max(cellSize, extent / (kMostCellsPerAxis - 1));
  cells_ = std::min(kMostCellsPerAxis, static_cast<int>(extent / cellSize_) + 1);
  cellCount_ = static_cast<std::size_t>(cells_) * cells_ * cells_;

  entries_.clear();
  for (std::size_t i = 0; i < count; ++i) {
    if (!sorted_[i]) continue;
    const Vector3 at = records_[i].At();
    entries_.emplace_back(
        (CellOf(at.z(), 2) * cells_ + CellOf(at.y(), 1)) * cells_ + CellOf(at.x(), 0),
        static_cast<int>(i));
  }
  SortByCell(cellCount_, cellStart_, cellMembers_);
  valid_ = true;
}

// A counting sort of the entries by cell, keeping their order within a cell (so indices entered
// in ascending order ascend in each cell too).
void ShipGrid::SortByCell(std::size_t cells, std::vector<int>& start, std::vector<int>& members) {
  start.assign(cells + 1, 0);
  for (const auto& entry : entries_) ++start[static_cast<std::size_t>(entry.first) + 1];
  for (std::size_t c = 0; c < cells; ++c) start[c + 1] += start[c];
  members.resize(entries_.size());
  fill_.assign(start.begin(), start.end() - 1);
  for (const auto& entry : entries_) {
    members[static_cast<std::size_t>(fill_[static_cast<std::size_t>(entry.first)]++)] =
        entry.second;
  }
}

bool ShipGrid::Bounds(double low[3], double high[3]) const {
  if (!valid_ || cellMembers_.empty()) return false;
  for (int axis = 0; axis < 3; ++axis) {
    low[axis] = origin_[axis];
    high[axis] = high_[axis];
  }
  return true;
}

void ShipGrid::BuildLines(const double low[3], const double high[3], double radius,
                          LeadLimit lead) {
  linesValid_ = false;
  if (!Exact() || !(radius >= 0) || !std::isfinite(radius) || lead == nullptr) return;
  // The box: every question's point with its radius, and the stretches' samples round it.
  double extent = 0;
  for (int axis = 0; axis < 3; ++axis) {
    if (!(low[axis] <= high[axis])) return;
    extent = std::max(extent, high[axis] - low[axis] + 2 * radius);
  }
  if (!std::isfinite(extent)) return;
  // Cells half the radius wide: a question looks at a hundred or so of them, and few of the
  // lines crossing them pass far from its point. The samples along a stretch lie half a cell
  // apart, so that every point of it lies within a quarter cell of one.
  linesCellSize_ = std::max({radius / 2, extent / (kMostLineCellsPerAxis - 1), 1e-3});
  linesPad_ = linesCellSize_ / 4;
  linesCells_ = std::min(kMostLineCellsPerAxis, static_cast<int>(extent / linesCellSize_) + 1);
  for (int axis = 0; axis < 3; ++axis) {
    linesLow_[axis] = low[axis] - radius;
    linesHigh_[axis] = high[axis] + radius;
    linesOrigin_[axis] = linesLow_[axis] - linesPad_;
  }
  linesRadius_ = radius;
  entries_.clear();
  linesAlways_.clear();

  const double step = linesCellSize_ / 2;
  const double perCell = 1 / linesCellSize_;
  for (const int index : cellMembers_) {
    const Record& record = records_[static_cast<std::size_t>(index)];
    const double at[3] = {record.x, record.y, record.z};
    const double nose[3] = {record.forward[0], record.forward[1], record.forward[2]};
    const double noseLength = std::sqrt(nose[0] * nose[0] + nose[1] * nose[1] + nose[2] * nose[2]);
    const double limit = noseLength > 0 ? lead(record.speed, noseLength, radius) : 0.0;
    if (std::isnan(limit) || !std::isfinite(noseLength)) {
      linesAlways_.push_back(index);
      continue;
    }
    // The stretch, cut to the box widened by the pad (so that rounding at its faces loses
    // nothing a question inside it could want).
    double from = std::min(0.0, limit), to = std::max(0.0, limit);
    for (int axis = 0; axis < 3 && from <= to; ++axis) {
      const double lo = linesLow_[axis] - linesPad_, hi = linesHigh_[axis] + linesPad_;
      if (nose[axis] == 0) {
        if (at[axis] < lo || at[axis] > hi) from = 1, to = 0;
        continue;
      }
      const double a = (lo - at[axis]) / nose[axis], b = (hi - at[axis]) / nose[axis];
      from = std::max(from, std::min(a, b));
      to = std::min(to, std::max(a, b));
    }
    if (!(from <= to)) continue;  // never in the box
    const double length = (to - from) * noseLength;
    const int samples = static_cast<int>(std::ceil(length / step)) + 1;
    // In cell units from the box's corner: the sample k / (samples - 1) of the way along.
    double start[3], along[3];
    for (int axis = 0; axis < 3; ++axis) {
      start[axis] = (at[axis] + nose[axis] * from - linesOrigin_[axis]) * perCell;
      along[axis] = nose[axis] * (to - from) * perCell;
    }
    int last = -1;
    for (int k = 0; k < samples; ++k) {
      const double f = samples == 1 ? 0.0 : static_cast<double>(k) / (samples - 1);
      const int cell = (HeldCell(start[2] + along[2] * f, linesCells_) * linesCells_ +
                        HeldCell(start[1] + along[1] * f, linesCells_)) * linesCells_ +
                       HeldCell(start[0] + along[0] * f, linesCells_);
      if (cell != last) entries_.emplace_back(cell, index);
      last = cell;
    }
  }
  SortByCell(static_cast<std::size_t>(linesCells_) * linesCells_ * linesCells_, lineStart_,
             lineMembers_);
  linesValid_ = true;
}

bool ShipGrid::LinesAnswer(const Vector3& at, double radius) const {
  if (!linesValid_ || !Exact() || !(radius >= 0) || radius > linesRadius_) return false;
  for (int axis = 0; axis < 3; ++axis) {
    const double c = Coordinate(at, axis);
    if (!(c - radius >= linesLow_[axis] && c + radius <= linesHigh_[axis])) return false;
  }
  return true;
}

void ShipGrid::MarkLines(const Vector3& at, double radius) const {
  for (const int index : linesAlways_) Mark(index);
  const double reach = (radius + linesPad_) * (1 + 1e-6) + 1e-4;
  int low[3], high[3];
  for (int axis = 0; axis < 3; ++axis) {
    const double c = Coordinate(at, axis);
    low[axis] = LineCellOf(c - reach, axis);
    high[axis] = LineCellOf(c + reach, axis);
  }
  MarkBox(lineStart_, lineMembers_, linesCells_, low, high);
}

int ShipGrid::LineCellOf(double coordinate, int axis) const {
  const double cell = std::floor((coordinate - linesOrigin_[axis]) / linesCellSize_);
  return static_cast<int>(std::clamp(cell, 0.0, static_cast<double>(linesCells_ - 1)));
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

void ShipGrid::MarkEvery() const {
  if (!valid_) return;
  for (const int index : cellMembers_) Mark(index);
}

void ShipGrid::MarkNear(const Vector3& at, double radius) const {
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
  MarkBox(cellStart_, cellMembers_, cells_, low, high);
}

void ShipGrid::MarkBox(const std::vector<int>& start, const std::vector<int>& members, int cells,
                       const int low[3], const int high[3]) const {
  for (int z = low[2]; z <= high[2]; ++z) {
    for (int y = low[1]; y <= high[1]; ++y) {
      // A row's cells are side by side, so its members are one run.
      const std::size_t row = static_cast<std::size_t>((z * cells + y) * cells);
      const int first = start[row + static_cast<std::size_t>(low[0])];
      const int last = start[row + static_cast<std::size_t>(high[0]) + 1];
      for (int m = first; m < last; ++m) Mark(members[static_cast<std::size_t>(m)]);
    }
  }
}

}  // namespace ironwood
