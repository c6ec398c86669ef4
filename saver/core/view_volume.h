#pragma once

#include <array>

#include "saver/core/vector3.h"

namespace ironwood {

// What the camera can see, as the six planes of its frustum in world space, for passing over the
// ships that cannot show: a draw left out there changes nothing in the picture.
class ViewVolume {
 public:
  // Sees everything.
  ViewVolume() = default;
  // From the projection and modelview matrices in OpenGL's column order. Matrices that make no
  // planes (all zero, as a recording OpenGL answers) see everything.
  static ViewVolume FromMatrices(const double* projection, const double* modelview);

  // False only when the sphere lies wholly outside one of the planes.
  bool MayShow(const Vector3& centre, double radius) const;

 private:
  std::array<std::array<double, 4>, 6> planes_{};  // a, b, c, d, with (a, b, c) of unit length
};

}  // namespace ironwood
