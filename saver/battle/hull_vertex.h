#pragma once

#include "saver/core/vector3.h"

namespace ironwood {

class Ship;

// Where a weapon strikes a ship whose shield is down: the hull vertex nearest to a point.
struct HullVertexHit {
  bool found = false;  // false for a class without hull vertices: nothing is hit
  Vector3 point;       // world space
  int mesh = -1;       // the hull mesh the vertex belongs to
};

// Turns `point` into the ship's model space, walks every vertex of every hull mesh (meshes and
// vertices in order; a later vertex wins only when strictly nearer) and turns the nearest back
// into world space.
HullVertexHit NearestHullVertex(const Ship& target, const Vector3& point);

}  // namespace ironwood
