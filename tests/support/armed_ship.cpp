#include "tests/support/armed_ship.h"

#include "tests/support/plugin_builder.h"

namespace ironwood::testing {

PluginMount Mount(std::array<float, 3> position, std::array<float, 3> aim, float arc) {
  PluginMount mount;
  mount.position = position;
  mount.aim = aim;
  mount.arc = arc;
  return mount;
}

PluginMesh OctahedronMesh(float x, float y, float z) {
  PluginMesh mesh;
  const std::array<std::array<float, 3>, 6> tips = {
      {{x, 0, 0}, {-x, 0, 0}, {0, y, 0}, {0, -y, 0}, {0, 0, z}, {0, 0, -z}}};
  for (const auto& tip : tips) mesh.vertices.push_back({tip, tip, {0, 0}});
  for (std::uint32_t sx : {0u, 1u}) {
    for (std::uint32_t sy : {2u, 3u}) {
      for (std::uint32_t sz : {4u, 5u}) mesh.triangles.push_back({sx, sy, sz});
    }
  }
  return mesh;
}

PluginFile ArmedShipPlugin(const std::vector<PluginMount>& phasers,
                           const std::vector<PluginMount>& torpedoes) {
  PluginFile f = FlyingShipPlugin(30);
  f.meshes.clear();
  f.meshes.push_back(BoxMesh(1, 0.5f, 0.5f));
  PluginMesh tail = BoxMesh(0.25f, 0.25f, 0.25f);
  for (PluginVertex& v : tail.vertices) v.position[2] -= 1.5f;
  f.meshes.push_back(tail);
  f.shield.mesh = OctahedronMesh(2, 1, 1);
  f.phaserValue = 5;
  f.torpedoValue = 7;
  f.phaserMounts = phasers;
  if (!phasers.empty()) f.phaser = PatternModel(2);
  f.torpedoMounts = torpedoes;
  if (!torpedoes.empty()) f.torpedo = PatternModel(3);
  f.hasSounds = true;
  f.sounds = {PcmSound(16), PcmSound(20), PcmSound(24)};
  return f;
}

void Pose(Ship& ship, double heading, double pitch, float speed) {
  FlightModel& flight = ship.Flight();
  flight.heading = heading;
  flight.pitch = pitch;
  flight.roll = 0;
  flight.speed = speed;
  flight.speedError = 0;
  flight.pitchError = 0;
  flight.yawError = 0;
  flight.lastUpdate = 0;  // the next step only starts the flight clock: nothing turns
  ship.Update(Vector3(0, 0, 0));
}

}  // namespace ironwood::testing
