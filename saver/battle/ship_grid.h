#pragma once

#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "saver/core/vector3.h"

namespace ironwood {

class Ship;

// Who is near: one alliance's living ships sorted into cubic cells by where they were when the
// grid was built, so "which ships lie within r of here" costs the ships close by rather than a
// walk over the whole list. The answers are candidates, never decisions: every ship within r is
// among them, in list order, and the caller makes its own exact test on each. A grid that is not
// valid answers nothing useful, and callers then walk the whole list as before.
//
// Ships may move after the build: each move reported through Moved widens every later query by
// the farthest any ship has strayed from where it was sorted, so none is ever missed.
//
// For questions about where a ship will be rather than where it is (where a torpedo would meet
// it), the grid can also index each ship's line of flight: see BuildLines.
class ShipGrid {
 public:
  // What the build saw of a ship: where it was, its speed and its nose (exact copies: a ship
  // keeps them in floats). While no ship has moved these are its own values.
  struct Record {
    float x = 0, y = 0, z = 0, speed = 0;
    float forward[3] = {0, 0, 0};
    Vector3 At() const { return Vector3(x, y, z); }
  };

  // Sorts `ships` (a roster's list, in its order; dead ships are left out, since no query wants
  // them) into cells of at least `cellSize`. Valid afterwards, unless a place or size is past
  // all sense. The list must outlive the grid's use.
  void Build(const std::vector<Ship*>& ships, double cellSize);
  // Not valid until the next build.
  void Invalidate() {
    valid_ = false;
    linesValid_ = false;
  }
  bool Valid() const { return valid_; }
  // Valid, and no move reported since the build: the records are the ships' own values.
  bool Exact() const { return valid_ && !moved_; }
  // The length of the list it was built over.
  int Size() const { return static_cast<int>(records_.size()); }
  // Ship `index` (below Size()) as the build saw it; zeros for a ship left out.
  const Record& RecordOf(int index) const { return records_[static_cast<std::size_t>(index)]; }

  // Ship `index` of the list has moved since the build.
  void Moved(int index);

  // The largest radius among the ships sorted in.
  double LargestRadius() const { return largestRadius_; }

  // Calls visit(index) for every ship of the list that may lie within `radius` of `at`, in
  // ascending index order, until visit returns true; returns whether one did. Not re-entrant:
  // a visit must not ask the same grid again.
  template <typename Visit>
  bool VisitNear(const Vector3& at, double radius, Visit visit) const {
    ClearMarks();
    MarkNear(at, radius);
    return VisitMarked(visit);
  }

  // The same for a question whose reach grows with the other ship's speed: reach(speed) is how
  // far from `at` a ship no faster than `speed` may matter, negative when it may matter at any
  // distance, and the fastest ship sorted in sets the reach. Where the lines of flight are built
  // and answer for `lineRadius`, the ships whose stretch of line passes within `lineRadius` of
  // `at` are the candidates instead (a negative radius: never).
  template <typename Reach, typename Visit>
  bool VisitByReach(const Vector3& at, Reach reach, double lineRadius, Visit visit) const {
    ClearMarks();
    if (LinesAnswer(at, lineRadius)) {
      MarkLines(at, lineRadius);
    } else if (const double r = reach(fastest_); r >= 0) {
      MarkNear(at, r);
    } else {
      MarkEvery();
    }
    return VisitMarked(visit);
  }
  template <typename Reach, typename Visit>
  bool VisitByReach(const Vector3& at, Reach reach, Visit visit) const {
    return VisitByReach(at, reach, -1.0, visit);
  }

  // Where the ships sorted in lie: false when there are none or the grid is not valid.
  bool Bounds(double low[3], double high[3]) const;

  // Lines of flight, for questions about where a ship will be along its nose rather than where
  // it is. Each ship is indexed by the stretch of its line place + nose * t for t from 0 to
  // lead(speed, nose length, radius), a signed limit (infinite for none; NaN: the ship is
  // answered for every question). Only what lies in the box from `low` to `high` widened by
  // `radius` is indexed, and only questions about points in that box with a radius up to
  // `radius` are answered from it; others, and any after a move or a build, are answered by
  // place as before. Needs an exact grid.
  using LeadLimit = double (*)(float speed, double noseLength, double radius);
  void BuildLines(const double low[3], const double high[3], double radius, LeadLimit lead);
  // Whether the lines answer a question about `radius` round `at`.
  bool LinesAnswer(const Vector3& at, double radius) const;

 private:
  static constexpr int kMostCellsPerAxis = 32;

  void ClearMarks() const;
  void Mark(int index) const {
    marks_[static_cast<std::size_t>(index) / 64] |= std::uint64_t{1} << (index % 64);
  }
  // Marks the ships whose cells lie within reach of `at`.
  void MarkNear(const Vector3& at, double radius) const;
  // Marks every ship sorted in.
  void MarkEvery() const;
  template <typename Visit>
  bool VisitMarked(Visit visit) const {
    for (std::size_t word = 0; word < marks_.size(); ++word) {
      std::uint64_t bits = marks_[word];
      while (bits != 0) {
        const int bit = std::countr_zero(bits);
        bits &= bits - 1;
        if (visit(static_cast<int>(word * 64 + static_cast<std::size_t>(bit)))) return true;
      }
    }
    return false;
  }
  // Marks the members of the cells from `low` to `high` (inclusive, per axis) of a grid of
  // `cells` a side sorted into `start` and `members`.
  void MarkBox(const std::vector<int>& start, const std::vector<int>& members, int cells,
               const int low[3], const int high[3]) const;
  // Marks every ship whose stretch of line may pass within `radius` of `at`.
  void MarkLines(const Vector3& at, double radius) const;
  // Sorts entries_ into `start` (cells + 1 offsets) and `members`.
  void SortByCell(std::size_t cells, std::vector<int>& start, std::vector<int>& members);
  int CellOf(double coordinate, int axis) const;
  int LineCellOf(double coordinate, int axis) const;

  bool valid_ = false;
  bool moved_ = false;
  const std::vector<Ship*>* ships_ = nullptr;
  double origin_[3] = {0, 0, 0};
  double cellSize_ = 1;
  int cells_ = 1;  // per axis
  std::size_t cellCount_ = 1;
  double margin_ = 0;
  double largestRadius_ = 0;
  float fastest_ = 0;            // the largest speed sorted in, as a magnitude (NaN: unknown)
  std::vector<Record> records_;  // per index
  std::vector<bool> sorted_;     // per index: alive, and so sorted in
  std::vector<std::pair<int, int>> entries_;  // (cell, index) for a sort by cell
  std::vector<int> fill_;        // a sort's next free place for each cell
  std::vector<int> cellStart_;   // cellCount_ + 1 offsets into cellMembers_
  std::vector<int> cellMembers_; // indices, by cell
  mutable std::vector<std::uint64_t> marks_;  // one bit per index, the last query's candidates
  double high_[3] = {0, 0, 0};                // with origin_, the sorted ships' bounds

  // The lines of flight, in cells of their own over their box.
  static constexpr int kMostLineCellsPerAxis = 32;
  bool linesValid_ = false;
  double linesRadius_ = 0;   // the largest radius they answer
  double linesPad_ = 0;      // how far a stretch may lie from the samples it was indexed by
  double linesLow_[3] = {0, 0, 0}, linesHigh_[3] = {0, 0, 0};  // where questions are answered
  double linesOrigin_[3] = {0, 0, 0};
  double linesCellSize_ = 1;
  int linesCells_ = 1;  // per axis
  std::vector<int> lineStart_;    // linesCells_^3 + 1 offsets into lineMembers_
  std::vector<int> lineMembers_;  // indices, by cell
  std::vector<int> linesAlways_;  // indices answered for every question
};

}  // namespace ironwood
