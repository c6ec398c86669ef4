#include "saver/effects/debris.h"

namespace ironwood {

bool DebrisSystem::InitDebris(const std::string& installation, std::string* why) {
  pool_.assign(kInitialPool, DebrisFragment{});
  AseModel model;
  if (!LoadAse(installation + "Debris.ase", installation, true, true, &model, why)) return false;
  // A fragment is spawned with one of these meshes; without any there is nothing to throw.
  if (model.meshes.empty()) {
    *why = installation + "Debris.ase holds no usable object";
    return false;
  }
  model_ = std::move(model);
  return true;
}

}  // namespace ironwood
