#pragma once

// The ship plug-in file (".as3") as data: every field in file order, decoded but not yet turned
// into GL textures or ships. `ParsePluginFile` checks every count, index and length against the
// bytes present and says what is wrong and where; `EncodePluginFile` writes the exact layout the
// parser reads. The saver's class loader, the plug-in tool and the asset generator share them.
//
// Layout (little-endian, no padding): 4 free bytes, "AS3 ", six flight floats, the pair count N,
// 2N texture records, the mesh count M and M mesh records, phaser and torpedo mount counts
// (signed bytes), phaser and torpedo values, [phaser texture, discarded texture, phaser mesh]
// when there are phaser mounts, the phaser mounts, the same for torpedoes, four shield floats,
// shield texture, discarded texture, shield mesh, and optionally three sound blocks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ironwood {

// The six flight attributes of a ship class, in file order (header offsets 8 to 28). The class
// keeps them as read and every ship of the class copies them into its flight model.
struct FlightAttributes {
  float pitchRate = 0;
  float turnRate = 0;
  float bankRate = 0;
  float angleLimit = 0;  // degrees
  float acceleration = 0;
  float topSpeed = 0;

  bool operator==(const FlightAttributes&) const = default;
};

// One embedded texture record: 4-byte packed header (bits 0-8 width, bit 9 height = width *
// ratio rather than width / ratio, bit 10 alpha, bits 11-17 ratio) and the pixels R,G,B[,A],
// bottom row first. A record of width 0, or whose height comes to 0, holds no pixels: it is read
// as an empty texture, 0 x 0, which the loader keeps and never uploads.
struct PluginTexture {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  std::vector<std::uint8_t> pixels;  // width * height * (hasAlpha ? 4 : 3)
};

struct PluginVertex {
  std::array<float, 3> position{};
  std::array<float, 3> normal{};
  std::array<float, 2> texCoord{};
};

// Packed header: bits 0-9 vertex count, 10-19 face count, 20-29 texture pair index; each
// triangle packs three 10-bit vertex indices.
struct PluginMesh {
  std::uint32_t pairIndex = 0;
  std::vector<PluginVertex> vertices;                   // at most 1023
  std::vector<std::array<std::uint32_t, 3>> triangles;  // at most 1023
};

// A weapon mount as the file holds it: position, aim direction (model space), firing arc in
// radians.
struct PluginMount {
  std::array<float, 3> position{};
  std::array<float, 3> aim{};
  float arc = 0;
};

// The phaser, torpedo and shield models: a texture, one further record that readers skip, and
// a mesh.
struct PluginModel {
  PluginTexture texture;
  PluginTexture discarded;
  PluginMesh mesh;
};

// An 18-byte wave format header (format tag, channels, samples per second, average bytes per
// second, block align, bits per sample, extra size; all little-endian) and the sample bytes.
struct PluginSound {
  std::array<std::uint8_t, 18> format{};
  std::vector<std::uint8_t> data;
};

struct PluginFile {
  std::array<std::uint8_t, 4> leading{};  // not interpreted
  FlightAttributes flight;
  std::vector<PluginTexture> textures;  // 2N records; pair i is 2i and 2i + 1
  std::vector<PluginMesh> meshes;       // hull meshes, at most 255
  float phaserValue = 0;
  float torpedoValue = 0;
  PluginModel phaser;  // in the file only when there are phaser mounts
  std::vector<PluginMount> phaserMounts;  // at most 127
  PluginModel torpedo;  // in the file only when there are torpedo mounts
  std::vector<PluginMount> torpedoMounts;  // at most 127
  std::array<float, 3> shieldAxes{};
  float shieldStrength = 0;
  PluginModel shield;
  bool hasSounds = false;  // torpedo launch, phaser loop, break-up
  std::array<PluginSound, 3> sounds;
};

// The wave format header for mono or stereo 16-bit PCM at `rate` samples per second.
std::array<std::uint8_t, 18> PcmFormat(int channels, int rate);

// Whether a texture record can hold an image of this size: both sides 1..511 and a height that
// the width times or divided by (integer division) some ratio 1..127 gives exactly.
bool PluginTextureSizeFits(int width, int height);

// The largest values a plug-in may give. The generated classes stay far below them (flight
// values up to 120, weapon values up to 34, semi-axes up to about 7 units); beyond them a value
// is no ship's but a hostile file's: a break-up throws a fragment per unit of the largest
// semi-axis, and a flight value of that size runs positions out of float range.
constexpr float kMaxPluginFlightValue = 10000;
constexpr float kMaxPluginWeaponValue = 1000000;
constexpr float kMaxPluginShieldSemiAxis = 1000;

// Checks the values the simulation computes with: flight attributes finite, not negative and at
// most kMaxPluginFlightValue, shield semi-axes finite, above 0 and at most
// kMaxPluginShieldSemiAxis, weapon values finite and at most kMaxPluginWeaponValue either way,
// shield strength finite (a strength of 0 or less is a shield that is down). Then everything the layout allows: sides 1..511 with a
// height the packed ratio can express (or an empty 0 x 0 texture), pixel buffers of the right size,
// at most 255 pairs and meshes, 1023 vertices and faces per mesh, indices below the vertex count,
// pair indices below the pair count, at most 127 mounts. False with the first fault in `error`.
bool CheckPluginFile(const PluginFile& file, std::string* error);

// The file's bytes, or an empty vector with the fault in `error` when CheckPluginFile fails.
// Each texture gets the header that reproduces its height exactly (ratio 1 when square, else the
// smallest ratio). The phaser and torpedo models are written only when they have mounts, as the
// layout asks; otherwise they are left out unchecked. Sounds are written when hasSounds is set.
std::vector<std::uint8_t> EncodePluginFile(const PluginFile& file, std::string* error);

// The most bytes a plug-in file may hold. Real classes come to about a megabyte; the limit
// leaves ample room and keeps a stray huge file from being read into memory.
constexpr std::uintmax_t kMaxPluginFileBytes = std::uintmax_t{64} << 20;

// The bytes of the plug-in file at `path`. False, with the reason (without the path) in
// `reason`, for a path that does not name a regular file (missing, a folder, a device), a file
// of more than kMaxPluginFileBytes, or one that cannot be read. Never throws for such paths.
bool ReadPluginFileBytes(const std::string& path, std::vector<std::uint8_t>* bytes,
                         std::string* reason);

// Reads a whole file. With readSounds false the sound blocks are not read (a file may end after
// the shield mesh); with it true, a file that ends right after the shield mesh has no sounds
// (hasSounds false), and once any byte follows the shield mesh all three sound blocks must be
// there and complete. Bytes after the last item read are accepted and ignored: the loader never
// looks at them, so writers may append anything. Every count, index and length is checked
// against the bytes present before it is used, and the flight, weapon and shield values as
// CheckPluginFile checks them: texture heights up to 511 (no division by ratio 0), hull
// mesh pair indices below the pair count (single-model meshes keep theirs unchecked, since the
// loader ignores it), triangle indices below the vertex count, mount count bytes 0..127. False
// with a message naming the fault and the byte offset where it was found, e.g. "hull mesh 2:
// triangle 17 uses vertex 640 of 512 (offset 12345)"; `out` then holds nothing useful.
// The leading bytes are kept as they stand; unused high bits of the packed headers are not (the
// encoder writes them as zero).
bool ParsePluginFile(const std::uint8_t* data, std::size_t size, bool readSounds,
                     PluginFile* out, std::string* error);

}  // namespace ironwood
