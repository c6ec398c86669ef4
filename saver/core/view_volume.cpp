#include "saver/core/view_volume.h"

#include <cmath>

namespace ironwood {

ViewVolume ViewVolume::FromMatrices(const double* projection, const double* modelview) {
  // The clip transform, projection times modelview; its rows make the planes.
  double clip[16];
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += projection[4 * k + row] * modelview[4 * column + k];
      clip[4 * column + row] = sum;
    }
  }
  auto row = [&clip](int r, int column) { return clip[4 * column + r]; };
  ViewVolume view;
  // Left, right, bottom, top, near, far: the last row plus or minus each of the first three.
  for (int p = 0; p < 6; ++p) {
    const int axis = p / 2;
    const double sign = p % 2 == 0 ? 1.0 : -1.0;
    std::array<double, 4> plane;
    for (int column = 0; column < 4; ++column) {
      plane[static_cast<std::size_t>(column)] = row(3, column) + sign * row(axis, column);
    }
    const double length =
        std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (!(length > 0) || !std::isfinite(length)) return ViewVolume();
    for (double& value : plane) value /= length;
    view.planes_[static_cast<std::size_t>(p)] = plane;
  }
  return view;
}

bool ViewVolume::MayShow(const Vector3& centre, double radius) const {
  for (const auto& plane : planes_) {
    const double distance =
        plane[0] * centre.x() + plane[1] * centre.y() + plane[2] * centre.z() + plane[3];
    if (distance < -radius) return false;
  }
  return true;
}

}  // namespace ironwood
