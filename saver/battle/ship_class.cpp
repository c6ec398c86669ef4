#include "saver/battle/ship_class.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>

#include "saver/assets/mesh_drawing.h"
#include "saver/assets/plugin_file.h"

namespace ironwood {
namespace {

bool Fail(std::string* why, const std::string& text) {
  if (why != nullptr) *why = text;
  return false;
}

// The packed arrays of one mesh record. Plug-in meshes carry their own normals and have no
// work arrays or name.
Mesh MakeMesh(const PluginMesh& source, Texture* texture, Texture* secondTexture) {
  Mesh mesh;
  mesh.vertexCount = static_cast<std::uint32_t>(source.vertices.size());
  mesh.faceCount = static_cast<std::uint32_t>(source.triangles.size());
  mesh.texture = texture;
  mesh.secondTexture = secondTexture;
  mesh.positions.reserve(source.vertices.size() * 3);
  mesh.normals.reserve(source.vertices.size() * 3);
  mesh.texCoords.reserve(source.vertices.size() * 2);
  for (const PluginVertex& v : source.vertices) {
    mesh.positions.insert(mesh.positions.end(), v.position.begin(), v.position.end());
    mesh.normals.insert(mesh.normals.end(), v.normal.begin(), v.normal.end());
    mesh.texCoords.insert(mesh.texCoords.end(), v.texCoord.begin(), v.texCoord.end());
  }
  mesh.indices.reserve(source.triangles.size() * 3);
  for (const auto& t : source.triangles) {
    mesh.indices.insert(mesh.indices.end(), t.begin(), t.end());
  }
  return mesh;
}

// A mesh's texture, or none for an empty texture record: there is nothing to upload or bind.
Texture* Drawable(Texture* texture) {
  return texture->pixels().empty() ? nullptr : texture;
}

std::unique_ptr<Texture> MakeTexture(const PluginTexture& source) {
  auto texture = std::make_unique<Texture>();
  // Sizes were checked with the rest of the file; an empty record leaves the texture empty.
  texture->LoadPixels(source.width, source.height, source.hasAlpha, source.pixels);
  return texture;
}

std::vector<WeaponMount> MakeMounts(const std::vector<PluginMount>& source) {
  std::vector<WeaponMount> mounts;
  mounts.reserve(source.size());
  for (const PluginMount& m : source) mounts.push_back({m.position, m.arc, m.aim});
  return mounts;
}

// The class's own copies of the three sounds' samples; false, with none kept, when they need
// more than `limit` bytes or the memory cannot be had.
bool CopySounds(const std::array<PluginSound, 3>& source, std::size_t limit,
                std::array<WaveSound, ShipClass::kSoundCount>* sounds) {
  std::size_t total = 0;
  for (const PluginSound& sound : source) {
    if (sound.data.size() > limit - total) return false;
    total += sound.data.size();
  }
  try {
    for (std::size_t s = 0; s < source.size(); ++s) {
      (*sounds)[s].format = source[s].format;
      (*sounds)[s].data = source[s].data;
    }
  } catch (const std::bad_alloc&) {
    *sounds = {};
    return false;
  }
  return true;
}

const WeaponMount& MountOrFirst(const std::vector<WeaponMount>& mounts, int i) {
  static const WeaponMount kNone{};
  if (mounts.empty()) return kNone;
  if (i < 0 || static_cast<std::size_t>(i) >= mounts.size()) return mounts.front();
  return mounts[static_cast<std::size_t>(i)];
}

}  // namespace

bool ShipClass::Load(const std::string& path, TextureNamePool& pool, int textureLevel,
                     bool soundEffectsOn, std::string* why, std::size_t soundMemory) {
  if (path.empty()) return Fail(why, "ship class: no plug-in file named");
  std::vector<std::uint8_t> bytes;
  try {
    std::string fault;
    if (!ReadPluginFileBytes(path, &bytes, &fault)) return Fail(why, path + ": " + fault);
  } catch (const std::bad_alloc&) {
    return Fail(why, path + ": not enough memory to load the plug-in");
  }
  return LoadBytes(path, bytes.data(), bytes.size(), pool, textureLevel, soundEffectsOn, why,
                   soundMemory);
}

bool ShipClass::LoadBytes(const std::string& path, const std::uint8_t* data, std::size_t size,
                          TextureNamePool& pool, int textureLevel, bool soundEffectsOn,
                          std::string* why, std::size_t soundMemory) {
  try {
    std::string fault;
    PluginFile file;
    if (!ParsePluginFile(data, size, soundEffectsOn, &file, &fault)) {
      return Fail(why, path + ": " + fault);
    }
    if (!Build(file, pool, textureLevel, soundEffectsOn, soundMemory)) {
      return Fail(why, path + ": the plug-in's contents do not fit together");
    }
  } catch (const std::bad_alloc&) {
    return Fail(why, path + ": not enough memory to load the plug-in");
  }
  path_ = path;
  return true;
}

bool ShipClass::Build(const PluginFile& file, TextureNamePool& pool, int textureLevel,
                      bool soundEffectsOn, std::size_t soundMemory) {
  if (!CheckPluginFile(file, nullptr)) return false;

  // Everything goes into a new class first, so the old contents stay whole until the end.
  ShipClass built;
  built.flight_ = file.flight;

  // Hull textures, pair by pair: both records of a pair, then their levels (which upload them).
  built.textures_.resize(file.textures.size());
  for (std::size_t pair = 0; pair * 2 < file.textures.size(); ++pair) {
    for (std::size_t k = pair * 2; k < pair * 2 + 2; ++k) {
      const PluginTexture& t = file.textures[k];
      built.textures_[k].LoadPixels(t.width, t.height, t.hasAlpha, t.pixels);
    }
    for (std::size_t k = pair * 2; k < pair * 2 + 2; ++k) {
      built.textures_[k].BuildLevels(pool, textureLevel);  // uploads nothing when empty
    }
  }
  built.meshes_.reserve(file.meshes.size());
  for (const PluginMesh& m : file.meshes) {
    const std::size_t first = std::size_t{m.pairIndex} * 2;
    built.meshes_.push_back(
        MakeMesh(m, Drawable(&built.textures_[first]), Drawable(&built.textures_[first + 1])));
    built.hullReach_ = std::max(built.hullReach_, MeshReach(built.meshes_.back()));
  }

  built.phaserValue_ = file.phaserValue;
  built.torpedoValue_ = file.torpedoValue;
  // The weapon models: their textures are uploaded once, without levels.
  if (!file.phaserMounts.empty()) {
    built.phaserTexture_ = MakeTexture(file.phaser.texture);
    built.phaserModel_ = MakeMesh(file.phaser.mesh, Drawable(built.phaserTexture_.get()), nullptr);
    if (built.phaserModel_.texture != nullptr) built.phaserTexture_->Bind(pool);
    built.phaserMounts_ = MakeMounts(file.phaserMounts);
  }
  if (!file.torpedoMounts.empty()) {
    built.torpedoTexture_ = MakeTexture(file.torpedo.texture);
    built.torpedoModel_ =
        MakeMesh(file.torpedo.mesh, Drawable(built.torpedoTexture_.get()), nullptr);
    if (built.torpedoModel_.texture != nullptr) built.torpedoTexture_->Bind(pool);
    built.torpedoMounts_ = MakeMounts(file.torpedoMounts);
  }

  built.shieldAxes_ = file.shieldAxes;
  built.shieldStrength_ = file.shieldStrength;
  built.shieldTexture_ = MakeTexture(file.shield.texture);
  built.shieldModel_ = MakeMesh(file.shield.mesh, Drawable(built.shieldTexture_.get()), nullptr);
  built.shieldReach_ = MeshReach(built.shieldModel_);
  built.shieldTexture_->BuildLevels(pool, textureLevel);  // uploads nothing when empty

  if (soundEffectsOn && file.hasSounds) {
    built.hasSounds_ = CopySounds(file.sounds, soundMemory, &built.sounds_);
    built.soundMemoryFailed_ = !built.hasSounds_;
  }
  built.loaded_ = true;
  *this = std::move(built);
  return true;
}

const WeaponMount& ShipClass::phaserMount(int i) const {
  return MountOrFirst(phaserMounts_, i);
}

const WeaponMount& ShipClass::torpedoMount(int i) const {
  return MountOrFirst(torpedoMounts_, i);
}

Vector3 ShipClass::ShieldPointFor(const Vector3& direction, double strength) const {
  return ShieldPoint(shieldAxes_, strength, direction);
}

std::unique_ptr<ShipClass> LoadShipClass(const std::string& path, TextureNamePool& pool,
                                         int textureLevel, bool soundEffectsOn, std::string* why,
                                         std::size_t soundMemory) {
  auto shipClass = std::make_unique<ShipClass>();
  if (!shipClass->Load(path, pool, textureLevel, soundEffectsOn, why, soundMemory)) {
    return nullptr;
  }
  return shipClass;
}

Vector3 ShieldPoint(const std::array<float, 3>& axes, double strength, const Vector3& direction) {
  // A shield that is down (NaN included) lets the hit through to the centre.
  if (!(strength > 0)) return Vector3(0, 0, 0);
  const double a = axes[0], b = axes[1], c = axes[2];
  const double x = direction.x(), y = direction.y(), z = direction.z();
  const double denominator =
      b * b * c * c * x * x + a * a * c * c * y * y + a * a * b * b * z * z;
  if (!(denominator > 0) || !std::isfinite(denominator)) return Vector3(0, 0, 0);
  const double scale = a * b * c / std::sqrt(denominator);
  if (!std::isfinite(scale)) return Vector3(0, 0, 0);
  return Vector3(x * scale, y * scale, z * scale);
}

double ShieldGlowFactor(double axisX) {
  if (!(axisX > 0)) return 0.0;
  return axisX > 1.5 ? 3.2 / axisX : 2.0 / axisX;
}

double ShieldGlowGain(double distance, double factor) {
  const double gain = 2.0 - distance * factor;
  return gain > 0 ? gain : 0.0;
}

}  // namespace ironwood
