#pragma once

// A ship class: everything the ships of one kind share, loaded from one plug-in file (".as3" in
// the installation's "Plugins" folder). The hull meshes with their texture pairs, the phaser,
// torpedo and shield models, the weapon mounts, the flight and shield attributes and the three
// sounds (torpedo launch, phaser loop, break-up).

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "saver/assets/mesh.h"
#include "saver/assets/plugin_file.h"
#include "saver/assets/texture.h"
#include "saver/audio/wave_sound.h"
#include "saver/battle/torpedo.h"
#include "saver/core/vector3.h"

namespace ironwood {

class Ship;

// A phaser or torpedo mount. The file stores position, aim, arc; in memory the arc sits between
// them.
struct WeaponMount {
  std::array<float, 3> position{};  // model space
  float arc = 0;                    // radians between the aim and a target the mount accepts
  std::array<float, 3> aim{};       // model space, not necessarily of unit length
};

class ShipClass {
 public:
  static constexpr int kSoundCount = 3;
  // No limit on the sample memory of a class beyond what the allocator gives.
  static constexpr std::size_t kAnySoundMemory = static_cast<std::size_t>(-1);

  ShipClass() = default;
  // Moving keeps every mesh's texture pointers valid: the textures live on the heap.
  ShipClass(ShipClass&&) noexcept = default;
  ShipClass& operator=(ShipClass&&) noexcept = default;
  ShipClass(const ShipClass&) = delete;
  ShipClass& operator=(const ShipClass&) = delete;
  ~ShipClass() = default;

  // Reads the plug-in at `path` (complete: installation, "Plugins", name). Hull textures get
  // their reduced levels with `textureLevel` largest ones left out and are uploaded; the phaser
  // and torpedo textures are uploaded once without levels; the shield texture gets levels. The
  // three sound blocks are read only when `soundEffectsOn`; otherwise the file may end after the
  // shield mesh and any sound blocks are not looked at.
  // An empty texture record (no pixels) gives an empty texture that is never uploaded; meshes
  // that would use it have no texture there (null).
  // A file that cannot be read or is malformed is refused with false, `why` naming the file and
  // the fault, and the class left exactly as it was: nothing is uploaded before the whole file
  // has been checked.
  // Memory for the samples is the one thing the class can do without: when the three sounds
  // need more than `soundMemory` bytes, or the allocation fails, the class loads without sounds
  // and soundMemoryFailed() tells the caller to switch sound effects off for the rest of the run.
  bool Load(const std::string& path, TextureNamePool& pool, int textureLevel, bool soundEffectsOn,
            std::string* why = nullptr, std::size_t soundMemory = kAnySoundMemory);

  // The same from the file's bytes; `path` only names the file in the reason and path().
  bool LoadBytes(const std::string& path, const std::uint8_t* data, std::size_t size,
                 TextureNamePool& pool, int textureLevel, bool soundEffectsOn,
                 std::string* why = nullptr, std::size_t soundMemory = kAnySoundMemory);

  // The same from a plug-in already decoded and checked by ParsePluginFile (Load's second half;
  // tools may call it with a file they built). Replaces what the class held.
  bool Build(const PluginFile& file, TextureNamePool& pool, int textureLevel, bool soundEffectsOn,
             std::size_t soundMemory = kAnySoundMemory);

  bool loaded() const { return loaded_; }
  const std::string& path() const { return path_; }

  // Hull.
  int meshCount() const { return static_cast<int>(meshes_.size()); }
  const std::vector<Mesh>& meshes() const { return meshes_; }
  const Mesh& mesh(int i) const { return meshes_.at(static_cast<std::size_t>(i)); }
  int pairCount() const { return static_cast<int>(textures_.size() / 2); }
  // How far from a ship's centre its hull and its shield bubble reach: the farthest corner of
  // any hull mesh, and of the bubble mesh.
  double hullReach() const { return hullReach_; }
  double shieldReach() const { return shieldReach_; }
  int textureCount() const { return static_cast<int>(textures_.size()); }
  // Texture i of the hull pairs (pair k is 2k and 2k + 1).
  Texture& texture(int i) { return textures_.at(static_cast<std::size_t>(i)); }
  const Texture& texture(int i) const { return textures_.at(static_cast<std::size_t>(i)); }

  // Weapons. A mount index at or beyond the count yields the first mount; a class without
  // mounts of that kind yields a zero mount.
  int phaserMountCount() const { return static_cast<int>(phaserMounts_.size()); }
  int torpedoMountCount() const { return static_cast<int>(torpedoMounts_.size()); }
  const WeaponMount& phaserMount(int i) const;
  const WeaponMount& torpedoMount(int i) const;
  float phaserValue() const { return phaserValue_; }
  float torpedoValue() const { return torpedoValue_; }
  // The weapon models exist only for classes with mounts of that kind (null otherwise). Their
  // meshes point at their own texture; there is no second texture.
  const Mesh* phaserModel() const { return phaserTexture_ ? &phaserModel_ : nullptr; }
  const Mesh* torpedoModel() const { return torpedoTexture_ ? &torpedoModel_ : nullptr; }
  Texture* phaserTexture() const { return phaserTexture_.get(); }
  Texture* torpedoTexture() const { return torpedoTexture_.get(); }

  const FlightAttributes& flightAttributes() const { return flight_; }

  // Shield: semi-axes X, Y, Z of the ellipsoid, the initial strength, the bubble mesh.
  float shieldAxisX() const { return shieldAxes_[0]; }
  float shieldAxisY() const { return shieldAxes_[1]; }
  float shieldAxisZ() const { return shieldAxes_[2]; }
  const std::array<float, 3>& shieldAxes() const { return shieldAxes_; }
  float shieldStrength() const { return shieldStrength_; }
  const Mesh& shieldModel() const { return shieldModel_; }
  Texture* shieldTexture() const { return shieldTexture_.get(); }
  // Where a ray from the centre along `direction` leaves this class's shield, for a shield of
  // `strength` (see ShieldPoint below).
  Vector3 ShieldPointFor(const Vector3& direction, double strength) const;

  // Sounds: 1 torpedo launch, 2 phaser loop, 3 break-up. Empty records when sound effects were
  // off at load or the file carries no sounds.
  bool hasSounds() const { return hasSounds_; }
  // The sounds were wanted but their samples could not be given memory (see Load).
  bool soundMemoryFailed() const { return soundMemoryFailed_; }
  const WaveSound& launchSound() const { return sounds_[0]; }
  const WaveSound& phaserSound() const { return sounds_[1]; }
  const WaveSound& breakUpSound() const { return sounds_[2]; }
  const std::array<WaveSound, kSoundCount>& sounds() const { return sounds_; }

  // The torpedoes all ships of the class launch into; they live as long as the class.
  TorpedoPool& torpedoes() const { return *torpedoes_; }

  // The ships of this class in the running battle, stored by the battle manager after spawning
  // (the array stays the manager's).
  void SetShips(Ship* const* list) { ships_ = list; }
  void SetShipCount(int n) { shipCount_ = n < 0 ? 0 : n; }
  Ship* const* ships() const { return ships_; }
  int shipCount() const { return ships_ != nullptr ? shipCount_ : 0; }

 private:
  bool loaded_ = false;
  std::string path_;
  std::vector<Texture> textures_;  // 2N, pair k at 2k and 2k + 1
  std::vector<Mesh> meshes_;
  double hullReach_ = 0;
  double shieldReach_ = 0;
  FlightAttributes flight_;
  float phaserValue_ = 0;
  float torpedoValue_ = 0;
  std::unique_ptr<Texture> phaserTexture_;
  Mesh phaserModel_;
  std::vector<WeaponMount> phaserMounts_;
  std::unique_ptr<Texture> torpedoTexture_;
  Mesh torpedoModel_;
  std::vector<WeaponMount> torpedoMounts_;
  std::array<float, 3> shieldAxes_{};
  float shieldStrength_ = 0;
  std::unique_ptr<Texture> shieldTexture_;
  Mesh shieldModel_;
  bool hasSounds_ = false;
  bool soundMemoryFailed_ = false;
  std::array<WaveSound, kSoundCount> sounds_;
  Ship* const* ships_ = nullptr;
  int shipCount_ = 0;
  std::unique_ptr<TorpedoPool> torpedoes_ = std::make_unique<TorpedoPool>();
};

// Loads a class into a new object; null, with `why` naming the file and the fault, when the
// plug-in is refused.
std::unique_ptr<ShipClass> LoadShipClass(const std::string& path, TextureNamePool& pool,
                                         int textureLevel, bool soundEffectsOn,
                                         std::string* why = nullptr,
                                         std::size_t soundMemory = ShipClass::kAnySoundMemory);

// The point where a ray from the ship's centre along `direction` leaves the shield ellipsoid
// with semi-axes a, b, c: direction * abc / sqrt(b²c²x² + a²c²y² + a²b²z²). A shield with
// strength 0 or less is down, and then the hit lands on the centre (0, 0, 0); so does a zero
// direction or a degenerate ellipsoid, rather than a point at infinity.
Vector3 ShieldPoint(const std::array<float, 3>& axes, double strength, const Vector3& direction);

// How fast the glow of a shield hit falls off with distance: 3.2 / a when the X semi-axis a is
// above 1.5, else 2.0 / a. A degenerate axis (0 or less) gives 0, so the whole bubble lights up
// rather than computing with an infinity.
double ShieldGlowFactor(double axisX);

// The alpha a shield vertex at distance `distance` from the hit gains: 2 - distance * factor
// when that is positive, else 0. The caller caps the vertex alpha at 1.
double ShieldGlowGain(double distance, double factor);

}  // namespace ironwood
