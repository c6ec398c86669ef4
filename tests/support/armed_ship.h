#pragma once

// Ship classes with weapons for the fire-control and torpedo tests, and the battle pieces around
// them: a class built in memory with the mounts a test asks for, ships posed where it wants them.

#include <vector>

#include "saver/assets/plugin_file.h"
#include "saver/battle/ship.h"

namespace ironwood::testing {

PluginMount Mount(std::array<float, 3> position, std::array<float, 3> aim, float arc);

// The armed test class: shield semi-axes 2, 1, 1 (radius 2, phaser range 20) of strength 80 on
// an octahedron bubble whose six vertices are the ellipsoid's axis tips; a hull of two meshes,
// 0 a box of half-sizes 1, 0.5, 0.5 at the centre and 1 a box of half-size 0.25 around
// (0, 0, -1.5) at the tail; phaser value 5, torpedo value 7; three short sounds. The phaser and
// torpedo models are present only with mounts of their kind.
PluginFile ArmedShipPlugin(const std::vector<PluginMount>& phasers,
                           const std::vector<PluginMount>& torpedoes);

// An octahedron with its vertices at (±x, 0, 0), (0, ±y, 0), (0, 0, ±z).
PluginMesh OctahedronMesh(float x, float y, float z);

// Puts a created ship into the attitude and speed given, with its orientation matrices built
// and without moving it (the clock must not have moved since the ship was created).
void Pose(Ship& ship, double heading, double pitch, float speed);

}  // namespace ironwood::testing
