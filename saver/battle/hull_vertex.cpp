#include "saver/battle/hull_vertex.h"

#include <cmath>

#include "saver/battle/ship.h"
#include "saver/core/matrix4.h"

namespace ironwood {

namespace {

// Farther than anything in a battle; a vertex must come strictly nearer than this to count.
constexpr double kNoVertexYet = 10000000.0;

}  // namespace

HullVertexHit NearestHullVertex(const Ship& target, const Vector3& point) {
  HullVertexHit hit;
  const ShipClass* shipClass = target.Class();
  if (shipClass == nullptr) return hit;

  // The search runs in the hull's own space, where the vertices are stored.
  const Vector3 centre = target.Position();
  const Vector3 offset = point.Subtract(centre);
  const std::array<double, 3> local = TransformPoint(target.InverseOrientationMatrix(),
                                                     offset.x(), offset.y(), offset.z());

  double best = kNoVertexYet;
  std::array<double, 3> nearest{};
  for (int k = 0; k < shipClass->meshCount(); ++k) {
    const std::vector<float>& positions = shipClass->mesh(k).positions;
    for (std::size_t v = 0; v + 2 < positions.size(); v += 3) {
      const double dx = positions[v] - local[0];
      const double dy = positions[v + 1] - local[1];
      const double dz = positions[v + 2] - local[2];
      const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
      if (distance < best) {
        best = distance;
        nearest = {positions[v], positions[v + 1], positions[v + 2]};
        hit.mesh = k;
        hit.found = true;
      }
    }
  }
  if (!hit.found) return hit;

  const std::array<double, 3> world =
      TransformPoint(target.OrientationMatrix(), nearest[0], nearest[1], nearest[2]);
  hit.point = Vector3(world[0] + centre.x(), world[1] + centre.y(), world[2] + centre.z());
  return hit;
}

}  // namespace ironwood
