#include "saver/assets/plugin_file.h"

#include "platform/file_bytes.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <utility>

namespace ironwood {
namespace {

constexpr int kMaxSide = 511;
constexpr int kMaxRatio = 127;
constexpr std::uint32_t kMaxMeshItems = 1023;
constexpr std::size_t kMaxPairs = 255;
constexpr std::size_t kMaxMeshes = 255;
constexpr std::size_t kMaxMounts = 127;
constexpr std::size_t kVertexBytes = 32;
constexpr std::size_t kMountBytes = 28;
constexpr std::size_t kSoundFormatBytes = 18;

std::string Offset(std::size_t offset) { return " (offset " + std::to_string(offset) + ")"; }

// ---- Texture headers ---------------------------------------------------------------------------

struct TextureHeader {
  std::uint32_t packed = 0;
  bool ok = false;
};

int HeightFromHeader(int width, bool multiply, int ratio) {
  return multiply ? width * ratio : width / ratio;
}

// The header that makes the reader see exactly width x height, preferring the plain ratio 1 and
// then the smallest ratio that fits.
TextureHeader HeaderFor(int width, int height, bool hasAlpha) {
  TextureHeader header;
  if (width == 0 && height == 0) {  // an empty record: width 0, ratio 1
    header.packed = (hasAlpha ? 1u << 10 : 0u) | 1u << 11;
    header.ok = true;
    return header;
  }
  if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) return header;
  for (int ratio = 1; ratio <= kMaxRatio && !header.ok; ++ratio) {
    for (bool multiply : {false, true}) {
      if (HeightFromHeader(width, multiply, ratio) == height) {
        header.packed = static_cast<std::uint32_t>(width) | (multiply ? 1u << 9 : 0u) |
                        (hasAlpha ? 1u << 10 : 0u) | (static_cast<std::uint32_t>(ratio) << 11);
        header.ok = true;
        break;
      }
    }
  }
  return header;
}

// ---- Checking ----------------------------------------------------------------------------------

bool CheckTexture(const PluginTexture& texture, const std::string& what, std::string* error) {
  if (!HeaderFor(texture.width, texture.height, texture.hasAlpha).ok) {
    *error = what + ": " + std::to_string(texture.width) + " x " + std::to_string(texture.height) +
             " cannot be stored (sides 1..511, height = width times or divided by 1..127, or "
             "0 x 0 for an empty record)";
    return false;
  }
  const std::size_t expected = static_cast<std::size_t>(texture.width) *
                               static_cast<std::size_t>(texture.height) *
                               (texture.hasAlpha ? 4u : 3u);
  if (texture.pixels.size() != expected) {
    *error = what + ": " + std::to_string(texture.pixels.size()) + " pixel bytes, " +
             std::to_string(expected) + " expected";
    return false;
  }
  return true;
}

// `pairCount` < 0: the pair index is not checked against textures (single-model meshes, whose
// pair index readers ignore), only against its 10 bits.
bool CheckMesh(const PluginMesh& mesh, long pairCount, const std::string& what,
               std::string* error) {
  if (mesh.vertices.size() > kMaxMeshItems || mesh.triangles.size() > kMaxMeshItems) {
    *error = what + ": " + std::to_string(mesh.vertices.size()) + " vertices and " +
             std::to_string(mesh.triangles.size()) + " triangles (at most 1023 each)";
    return false;
  }
  if (mesh.pairIndex > kMaxMeshItems ||
      (pairCount >= 0 && mesh.pairIndex >= static_cast<unsigned long>(pairCount))) {
    *error = what + ": texture pair " + std::to_string(mesh.pairIndex) + " of " +
             std::to_string(pairCount < 0 ? 1024 : pairCount);
    return false;
  }
  for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
    for (std::uint32_t index : mesh.triangles[t]) {
      if (index >= mesh.vertices.size()) {
        *error = what + ": triangle " + std::to_string(t) + " uses vertex " +
                 std::to_string(index) + " of " + std::to_string(mesh.vertices.size());
        return false;
      }
    }
  }
  return true;
}

bool CheckModel(const PluginModel& model, const std::string& what, std::string* error) {
  return CheckTexture(model.texture, what + " texture", error) &&
         CheckTexture(model.discarded, what + " second texture", error) &&
         CheckMesh(model.mesh, -1, what + " mesh", error);
}

// ---- Flight, weapon and shield values ----------------------------------------------------------

// What a value must be for the simulation to compute with it. The flight attributes are rates,
// limits and speeds: 0 is a class that does not turn or move, a negative one would turn the
// flight model's clamps and steering inside out. A shield semi-axis divides; a shield strength
// of 0 or less is a shield that is down, and weapon values are plain damage.
enum class Range { kFinite, kNotNegative, kPositive };

// How large a value's magnitude may be; 0 is no bound.
struct NamedValue {
  const char* name;
  float value;
  Range range;
  float bound = 0;
};

// The groups as they lie in the file, each a run of consecutive floats.
std::array<NamedValue, 6> FlightValues(const FlightAttributes& f) {
  return {{{"pitch rate", f.pitchRate, Range::kNotNegative, kMaxPluginFlightValue},
           {"turn rate", f.turnRate, Range::kNotNegative, kMaxPluginFlightValue},
           {"bank rate", f.bankRate, Range::kNotNegative, kMaxPluginFlightValue},
           {"angle limit", f.angleLimit, Range::kNotNegative, kMaxPluginFlightValue},
           {"acceleration", f.acceleration, Range::kNotNegative, kMaxPluginFlightValue},
           {"top speed", f.topSpeed, Range::kNotNegative, kMaxPluginFlightValue}}};
}

std::array<NamedValue, 2> WeaponValues(const PluginFile& f) {
  return {{{"phaser value", f.phaserValue, Range::kFinite, kMaxPluginWeaponValue},
           {"torpedo value", f.torpedoValue, Range::kFinite, kMaxPluginWeaponValue}}};
}

std::array<NamedValue, 4> ShieldValues(const PluginFile& f) {
  return {{{"shield semi-axis X", f.shieldAxes[0], Range::kPositive, kMaxPluginShieldSemiAxis},
           {"shield semi-axis Y", f.shieldAxes[1], Range::kPositive, kMaxPluginShieldSemiAxis},
           {"shield semi-axis Z", f.shieldAxes[2], Range::kPositive, kMaxPluginShieldSemiAxis},
           {"shield strength", f.shieldStrength, Range::kFinite}}};
}

std::string ValueText(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "infinity" : "-infinity";
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

// The index of the first value out of its range, with the fault; -1 when all are usable.
template <std::size_t N>
int FirstUnusable(const std::array<NamedValue, N>& values, std::string* fault) {
  for (std::size_t i = 0; i < N; ++i) {
    const NamedValue& v = values[i];
    const char* problem = nullptr;
    if (!std::isfinite(v.value)) {
      problem = "is not a finite number";
    } else if (v.range == Range::kNotNegative && v.value < 0) {
      problem = "is negative";
    } else if (v.range == Range::kPositive && !(v.value > 0)) {
      problem = "is not above 0";
    }
    std::string beyond;
    if (problem == nullptr && v.bound > 0 && std::fabs(v.value) > v.bound) {
      beyond = "is beyond any ship (at most " + ValueText(v.bound) + ")";
      problem = beyond.c_str();
    }
    if (problem != nullptr) {
      *fault = std::string(v.name) + " " + ValueText(v.value) + " " + problem;
      return static_cast<int>(i);
    }
  }
  return -1;
}

template <std::size_t N>
bool CheckValues(const std::array<NamedValue, N>& values, std::string* error) {
  return FirstUnusable(values, error) < 0;
}

// ---- Writing -----------------------------------------------------------------------------------

class Writer {
 public:
  void U8(std::uint8_t value) { bytes_.push_back(value); }
  void U32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
      bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }
  void F32(float value) {
    std::uint32_t bits;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    U32(bits);
  }
  void Floats(const float* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) F32(values[i]);
  }
  void Bytes(const std::uint8_t* data, std::size_t count) {
    bytes_.insert(bytes_.end(), data, data + count);
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

void WriteFlight(Writer& out, const FlightAttributes& flight) {
  out.F32(flight.pitchRate);
  out.F32(flight.turnRate);
  out.F32(flight.bankRate);
  out.F32(flight.angleLimit);
  out.F32(flight.acceleration);
  out.F32(flight.topSpeed);
}

void WriteTexture(Writer& out, const PluginTexture& texture) {
  out.U32(HeaderFor(texture.width, texture.height, texture.hasAlpha).packed);
  out.Bytes(texture.pixels.data(), texture.pixels.size());
}

void WriteMesh(Writer& out, const PluginMesh& mesh) {
  out.U32(static_cast<std::uint32_t>(mesh.vertices.size()) |
          static_cast<std::uint32_t>(mesh.triangles.size()) << 10 | mesh.pairIndex << 20);
  for (const PluginVertex& v : mesh.vertices) {
    out.Floats(v.position.data(), 3);
    out.Floats(v.normal.data(), 3);
    out.Floats(v.texCoord.data(), 2);
  }
  for (const auto& t : mesh.triangles) out.U32(t[0] | t[1] << 10 | t[2] << 20);
}

void WriteModel(Writer& out, const PluginModel& model) {
  WriteTexture(out, model.texture);
  WriteTexture(out, model.discarded);
  WriteMesh(out, model.mesh);
}

void WriteMounts(Writer& out, const std::vector<PluginMount>& mounts) {
  for (const PluginMount& m : mounts) {
    out.Floats(m.position.data(), 3);
    out.Floats(m.aim.data(), 3);
    out.F32(m.arc);
  }
}

// ---- Reading -----------------------------------------------------------------------------------

// A cursor over the file that refuses every read past the end and words the fault.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size, std::string* error)
      : data_(data), size_(size), error_(error) {}

  std::size_t offset() const { return offset_; }
  std::size_t left() const { return size_ - offset_; }

  // False, with the fault, when fewer than `count` bytes are left.
  bool Need(std::size_t count, const std::string& what) {
    if (count <= left()) return true;
    return Fail("file ends in " + what + ": " + std::to_string(count) + " bytes needed, " +
                std::to_string(left()) + " left", offset_);
  }
  bool Fail(const std::string& message, std::size_t at) {
    *error_ = message + Offset(at);
    return false;
  }

  // The unchecked reads: callers have called Need for them.
  std::uint8_t U8() { return data_[offset_++]; }
  std::uint32_t U32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(data_[offset_ + i]) << (8 * i);
    offset_ += 4;
    return value;
  }
  float F32() {
    const std::uint32_t bits = U32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  void Floats(float* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) values[i] = F32();
  }
  void Bytes(std::uint8_t* out, std::size_t count) {
    if (count > 0) std::memcpy(out, data_ + offset_, count);
    offset_ += count;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
  std::string* error_;
};

void ReadFlight(Reader& in, FlightAttributes* flight) {
  flight->pitchRate = in.F32();
  flight->turnRate = in.F32();
  flight->bankRate = in.F32();
  flight->angleLimit = in.F32();
  flight->acceleration = in.F32();
  flight->topSpeed = in.F32();
}

// Refuses the first unusable value of a group that starts at `start`, four bytes a value.
template <std::size_t N>
bool CheckReadValues(Reader& in, const std::array<NamedValue, N>& values, std::size_t start) {
  std::string fault;
  const int bad = FirstUnusable(values, &fault);
  return bad < 0 || in.Fail(fault, start + 4 * static_cast<std::size_t>(bad));
}

bool ReadTexture(Reader& in, const std::string& what, PluginTexture* texture) {
  const std::size_t start = in.offset();
  if (!in.Need(4, what + " header")) return false;
  const std::uint32_t header = in.U32();
  const int width = static_cast<int>(header & 0x1FF);
  const bool multiply = (header >> 9) & 1;
  const bool hasAlpha = (header >> 10) & 1;
  const int ratio = static_cast<int>((header >> 11) & 0x7F);
  // Width 0, or a height that comes to 0, is a record without pixels: an empty texture, which
  // the loader keeps but never uploads. Only a width divided by ratio 0 means nothing at all.
  if (width > 0 && ratio == 0 && !multiply) return in.Fail(what + ": ratio 0", start);
  const int height = width == 0 ? 0 : HeightFromHeader(width, multiply, ratio);
  if (height == 0) {
    *texture = PluginTexture{0, 0, hasAlpha, {}};
    return true;
  }
  if (height > kMaxSide) {
    return in.Fail(what + ": width " + std::to_string(width) + (multiply ? " times " : " over ") +
                       "ratio " + std::to_string(ratio) + " gives height " +
                       std::to_string(height) + " (1..511 allowed)",
                   start);
  }
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                            (hasAlpha ? 4u : 3u);
  if (!in.Need(bytes, what + " pixels (" + std::to_string(width) + " x " +
                          std::to_string(height) + (hasAlpha ? " RGBA)" : " RGB)"))) {
    return false;
  }
  texture->width = width;
  texture->height = height;
  texture->hasAlpha = hasAlpha;
  texture->pixels.resize(bytes);
  in.Bytes(texture->pixels.data(), bytes);
  return true;
}

// `pairCount` < 0: the pair index is kept as it stands (single-model meshes).
bool ReadMesh(Reader& in, long pairCount, const std::string& what, PluginMesh* mesh) {
  const std::size_t start = in.offset();
  if (!in.Need(4, what + " header")) return false;
  const std::uint32_t header = in.U32();
  const std::uint32_t vertexCount = header & 0x3FF;
  const std::uint32_t faceCount = (header >> 10) & 0x3FF;
  mesh->pairIndex = (header >> 20) & 0x3FF;
  if (pairCount >= 0 && mesh->pairIndex >= static_cast<unsigned long>(pairCount)) {
    return in.Fail(what + ": texture pair " + std::to_string(mesh->pairIndex) + " of " +
                       std::to_string(pairCount),
                   start);
  }
  if (!in.Need(vertexCount * kVertexBytes + faceCount * 4u,
               what + " (" + std::to_string(vertexCount) + " vertices, " +
                   std::to_string(faceCount) + " triangles)")) {
    return false;
  }
  mesh->vertices.resize(vertexCount);
  for (PluginVertex& v : mesh->vertices) {
    in.Floats(v.position.data(), 3);
    in.Floats(v.normal.data(), 3);
    in.Floats(v.texCoord.data(), 2);
  }
  mesh->triangles.resize(faceCount);
  for (std::uint32_t t = 0; t < faceCount; ++t) {
    const std::size_t at = in.offset();
    const std::uint32_t packed = in.U32();
    for (int corner = 0; corner < 3; ++corner) {
      const std::uint32_t index = (packed >> (10 * corner)) & 0x3FF;
      if (index >= vertexCount) {
        return in.Fail(what + ": triangle " + std::to_string(t) + " uses vertex " +
                           std::to_string(index) + " of " + std::to_string(vertexCount),
                       at);
      }
      mesh->triangles[t][static_cast<std::size_t>(corner)] = index;
    }
  }
  return true;
}

bool ReadModel(Reader& in, const std::string& what, PluginModel* model) {
  return ReadTexture(in, what + " texture", &model->texture) &&
         ReadTexture(in, what + " second texture", &model->discarded) &&
         ReadMesh(in, -1, what + " mesh", &model->mesh);
}

bool ReadMountCount(Reader& in, const std::string& what, int* count) {
  const std::size_t at = in.offset();
  if (!in.Need(1, what + " count")) return false;
  const std::uint8_t byte = in.U8();
  if (byte > kMaxMounts) {
    return in.Fail(what + " count byte " + std::to_string(byte) + " is negative as a signed byte",
                   at);
  }
  *count = byte;
  return true;
}

bool ReadMounts(Reader& in, int count, const std::string& what,
                std::vector<PluginMount>* mounts) {
  if (!in.Need(static_cast<std::size_t>(count) * kMountBytes,
               std::to_string(count) + " " + what + "s")) {
    return false;
  }
  mounts->resize(static_cast<std::size_t>(count));
  for (PluginMount& m : *mounts) {
    in.Floats(m.position.data(), 3);
    in.Floats(m.aim.data(), 3);
    m.arc = in.F32();
  }
  return true;
}

const char* const kSoundNames[3] = {"sound 1 (torpedo launch)", "sound 2 (phaser loop)",
                                    "sound 3 (break-up)"};

bool ReadSound(Reader& in, int index, PluginSound* sound) {
  const std::string what = kSoundNames[index];
  if (!in.Need(kSoundFormatBytes + 4, what + " header")) return false;
  in.Bytes(sound->format.data(), kSoundFormatBytes);
  const std::size_t countAt = in.offset();
  const std::uint32_t count = in.U32();
  if (count > in.left()) {
    return in.Fail(what + ": " + std::to_string(count) + " sample bytes announced, " +
                       std::to_string(in.left()) + " left",
                   countAt);
  }
  sound->data.resize(count);
  in.Bytes(sound->data.data(), count);
  return true;
}

}  // namespace

std::array<std::uint8_t, 18> PcmFormat(int channels, int rate) {
  const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels) * 2u;
  const std::uint32_t perSecond = static_cast<std::uint32_t>(rate) * blockAlign;
  std::array<std::uint8_t, 18> format{};
  auto put = [&format](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      format[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
  };
  put(0, 1, 2);  // PCM
  put(2, static_cast<std::uint32_t>(channels), 2);
  put(4, static_cast<std::uint32_t>(rate), 4);
  put(8, perSecond, 4);
  put(12, blockAlign, 2);
  put(14, 16, 2);
  put(16, 0, 2);  // no extra bytes
  return format;
}

bool ReadPluginFileBytes(const std::string& path, std::vector<std::uint8_t>* bytes,
                         std::string* reason) {
  std::string text;
  switch (platform::ReadWholeFile(path, kMaxPluginFileBytes, &text)) {
    case platform::FileFault::kNone:
      bytes->assign(text.begin(), text.end());
      return true;
    case platform::FileFault::kMissing:
      *reason = "cannot be opened";
      return false;
    case platform::FileFault::kNotRegular:
      *reason = std::filesystem::is_directory(path)
                    ? "a folder, not a plug-in file"
                    : "not a regular file (a device or other special file), not a plug-in file";
      return false;
    case platform::FileFault::kTooLarge: {
      std::error_code unknown;
      *reason = "the file is " + std::to_string(std::filesystem::file_size(path, unknown)) +
                " bytes; a plug-in file holds at most " + std::to_string(kMaxPluginFileBytes) +
                " bytes (64 MiB)";
      return false;
    }
    case platform::FileFault::kUnreadable:
      break;
  }
  *reason = "the file could not be read";
  return false;
}

bool PluginTextureSizeFits(int width, int height) {
  return width > 0 && height > 0 && HeaderFor(width, height, false).ok;
}

bool CheckPluginFile(const PluginFile& file, std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  if (!CheckValues(FlightValues(file.flight), error) || !CheckValues(WeaponValues(file), error) ||
      !CheckValues(ShieldValues(file), error)) {
    return false;
  }
  if (file.textures.size() % 2 != 0 || file.textures.size() / 2 > kMaxPairs) {
    *error = std::to_string(file.textures.size()) +
             " textures: an even number up to 510 (255 pairs) is needed";
    return false;
  }
  for (std::size_t i = 0; i < file.textures.size(); ++i) {
    if (!CheckTexture(file.textures[i], "texture " + std::to_string(i), error)) return false;
  }
  if (file.meshes.size() > kMaxMeshes) {
    *error = std::to_string(file.meshes.size()) + " hull meshes (at most 255)";
    return false;
  }
  const long pairCount = static_cast<long>(file.textures.size() / 2);
  for (std::size_t m = 0; m < file.meshes.size(); ++m) {
    if (!CheckMesh(file.meshes[m], pairCount, "hull mesh " + std::to_string(m), error)) {
      return false;
    }
  }
  if (file.phaserMounts.size() > kMaxMounts || file.torpedoMounts.size() > kMaxMounts) {
    *error = std::to_string(file.phaserMounts.size()) + " phaser and " +
             std::to_string(file.torpedoMounts.size()) + " torpedo mounts (at most 127 each)";
    return false;
  }
  if (!file.phaserMounts.empty() && !CheckModel(file.phaser, "phaser", error)) return false;
  if (!file.torpedoMounts.empty() && !CheckModel(file.torpedo, "torpedo", error)) return false;
  if (!CheckModel(file.shield, "shield", error)) return false;
  if (file.hasSounds) {
    for (int s = 0; s < 3; ++s) {
      if (file.sounds[static_cast<std::size_t>(s)].data.size() >
          std::numeric_limits<std::uint32_t>::max()) {
        *error = std::string(kSoundNames[s]) + ": more sample bytes than 32 bits can count";
        return false;
      }
    }
  }
  return true;
}

std::vector<std::uint8_t> EncodePluginFile(const PluginFile& file, std::string* error) {
  if (!CheckPluginFile(file, error)) return {};
  Writer out;
  out.Bytes(file.leading.data(), file.leading.size());
  out.Bytes(reinterpret_cast<const std::uint8_t*>("AS3 "), 4);
  WriteFlight(out, file.flight);
  out.U8(static_cast<std::uint8_t>(file.textures.size() / 2));
  for (const PluginTexture& texture : file.textures) WriteTexture(out, texture);
  out.U8(static_cast<std::uint8_t>(file.meshes.size()));
  for (const PluginMesh& mesh : file.meshes) WriteMesh(out, mesh);
  out.U8(static_cast<std::uint8_t>(file.phaserMounts.size()));
  out.U8(static_cast<std::uint8_t>(file.torpedoMounts.size()));
  out.F32(file.phaserValue);
  out.F32(file.torpedoValue);
  if (!file.phaserMounts.empty()) {
    WriteModel(out, file.phaser);
    WriteMounts(out, file.phaserMounts);
  }
  if (!file.torpedoMounts.empty()) {
    WriteModel(out, file.torpedo);
    WriteMounts(out, file.torpedoMounts);
  }
  out.Floats(file.shieldAxes.data(), 3);
  out.F32(file.shieldStrength);
  WriteModel(out, file.shield);
  if (file.hasSounds) {
    for (const PluginSound& sound : file.sounds) {
      out.Bytes(sound.format.data(), sound.format.size());
      out.U32(static_cast<std::uint32_t>(sound.data.size()));
      out.Bytes(sound.data.data(), sound.data.size());
    }
  }
  return out.Take();
}

bool ParsePluginFile(const std::uint8_t* data, std::size_t size, bool readSounds,
                     PluginFile* out, std::string* error) {
  std::string scratch;
  if (error == nullptr) error = &scratch;
  if (data == nullptr) size = 0;
  *out = PluginFile{};
  PluginFile& f = *out;
  Reader in(data, size, error);

  if (!in.Need(8, "the header")) return false;
  in.Bytes(f.leading.data(), 4);
  const std::size_t magicAt = in.offset();
  std::uint8_t magic[4];
  in.Bytes(magic, 4);
  if (std::memcmp(magic, "AS3 ", 4) != 0) {
    return in.Fail("not a ship plug-in: the magic is not \"AS3 \"", magicAt);
  }
  if (!in.Need(6 * 4 + 1, "the flight attributes")) return false;
  const std::size_t flightAt = in.offset();
  ReadFlight(in, &f.flight);
  if (!CheckReadValues(in, FlightValues(f.flight), flightAt)) return false;
  const std::size_t pairCount = in.U8();
  f.textures.resize(2 * pairCount);
  for (std::size_t i = 0; i < f.textures.size(); ++i) {
    if (!ReadTexture(in, "texture " + std::to_string(i), &f.textures[i])) return false;
  }
  if (!in.Need(1, "the hull mesh count")) return false;
  f.meshes.resize(in.U8());
  for (std::size_t m = 0; m < f.meshes.size(); ++m) {
    if (!ReadMesh(in, static_cast<long>(pairCount), "hull mesh " + std::to_string(m),
                  &f.meshes[m])) {
      return false;
    }
  }
  int phasers = 0;
  int torpedoes = 0;
  if (!ReadMountCount(in, "phaser mount", &phasers) ||
      !ReadMountCount(in, "torpedo mount", &torpedoes)) {
    return false;
  }
  if (!in.Need(8, "the phaser and torpedo values")) return false;
  const std::size_t valuesAt = in.offset();
  f.phaserValue = in.F32();
  f.torpedoValue = in.F32();
  if (!CheckReadValues(in, WeaponValues(f), valuesAt)) return false;
  if (phasers > 0 && (!ReadModel(in, "phaser", &f.phaser) ||
                      !ReadMounts(in, phasers, "phaser mount", &f.phaserMounts))) {
    return false;
  }
  if (torpedoes > 0 && (!ReadModel(in, "torpedo", &f.torpedo) ||
                        !ReadMounts(in, torpedoes, "torpedo mount", &f.torpedoMounts))) {
    return false;
  }
  if (!in.Need(16, "the shield attributes")) return false;
  const std::size_t shieldAt = in.offset();
  in.Floats(f.shieldAxes.data(), 3);
  f.shieldStrength = in.F32();
  if (!CheckReadValues(in, ShieldValues(f), shieldAt)) return false;
  if (!ReadModel(in, "shield", &f.shield)) return false;
  if (readSounds && in.left() > 0) {
    for (int s = 0; s < 3; ++s) {
      if (!ReadSound(in, s, &f.sounds[static_cast<std::size_t>(s)])) return false;
    }
    f.hasSounds = true;
  }
  // Whatever follows (the sounds when they are not wanted, anything after them) is not ours to
  // judge: the format ends with what the loader reads.
  return true;
}

}  // namespace ironwood
