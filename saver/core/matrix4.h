#pragma once

// 4 x 4 matrices in OpenGL's column order (element [column * 4 + row]), composed the way the
// fixed-function matrix calls compose them on the current matrix: M = M x R. The orientation of
// every ship and of the camera is built here instead of through the driver, whose read-back
// would stall the pipeline twice a ship a frame.

#include <array>

#include "saver/core/vector3.h"

namespace ironwood {

using Matrix4 = std::array<double, 16>;

Matrix4 IdentityMatrix();

// M x R, where R turns by `degrees` about the axis (x, y, z) as glRotated does (the axis is
// normalised; a zero axis leaves M as it is).
void Rotate(Matrix4& m, double degrees, double x, double y, double z);

// M x T, where T moves by (x, y, z), as glTranslated does.
void Translate(Matrix4& m, double x, double y, double z);

// a x b.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

// The image of the point (x, y, z, 1): out[0..2].
std::array<double, 3> TransformPoint(const Matrix4& m, double x, double y, double z);
// The same for a vector.
Vector3 TransformPoint(const Matrix4& m, const Vector3& v);

}  // namespace ironwood
