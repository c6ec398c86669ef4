// What inspect prints and what validate warns about.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>

#include "tools/as3tool/as3tool.h"

namespace ironwood::as3tool {
namespace {

constexpr double kPi = 3.14159265358979323846;
const char* const kSoundNames[3] = {"torpedo launch", "phaser loop", "break-up"};

std::string Num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string Vec(const std::array<float, 3>& v) {
  return "(" + Num(v[0]) + ", " + Num(v[1]) + ", " + Num(v[2]) + ")";
}

struct Bounds {
  std::array<float, 3> low{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                           std::numeric_limits<float>::max()};
  std::array<float, 3> high{std::numeric_limits<float>::lowest(),
                            std::numeric_limits<float>::lowest(),
                            std::numeric_limits<float>::lowest()};
  bool empty = true;

  void Add(const PluginMesh& mesh) {
    for (const PluginVertex& v : mesh.vertices) {
      for (std::size_t k = 0; k < 3; ++k) {
        low[k] = std::min(low[k], v.position[k]);
        high[k] = std::max(high[k], v.position[k]);
      }
      empty = false;
    }
  }
  std::string Text() const { return empty ? "none" : Vec(low) + " .. " + Vec(high); }
};

std::uint32_t Field(const PluginSound& sound, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    value |= static_cast<std::uint32_t>(sound.format[at + static_cast<std::size_t>(i)]) << (8 * i);
  }
  return value;
}

std::string TextureText(const PluginTexture& t) {
  return std::to_string(t.width) + " x " + std::to_string(t.height) + (t.hasAlpha ? " RGBA" : " RGB");
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string MeshText(const PluginMesh& m) {
  return Count(m.vertices.size(), "vertex", "vertices") + ", " +
         Count(m.triangles.size(), "face", "faces");
}

void Model(const char* name, const PluginModel& model, std::ostream& out) {
  Bounds bounds;
  bounds.Add(model.mesh);
  out << "  " << name << " model: texture " << TextureText(model.texture) << ", mesh "
      << MeshText(model.mesh) << ", bounds " << bounds.Text() << "\n";
}

void Mounts(const char* name, const std::vector<PluginMount>& mounts, std::ostream& out) {
  out << "  " << name << " mounts: " << mounts.size() << "\n";
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    const PluginMount& m = mounts[i];
    out << "    " << name << " mount " << i << ": position " << Vec(m.position) << ", aim "
        << Vec(m.aim) << ", arc " << Num(m.arc * 180.0 / kPi) << " degrees\n";
  }
}

bool Finite(const std::array<float, 3>& v) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

void MountWarnings(const char* name, const std::vector<PluginMount>& mounts,
                   std::vector<std::string>* warnings) {
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    const PluginMount& m = mounts[i];
    const std::string which = std::string(name) + " mount " + std::to_string(i);
    if (!Finite(m.position) || !Finite(m.aim) || !std::isfinite(m.arc)) {
      warnings->push_back(which + " holds a value that is not a finite number");
      continue;
    }
    if (m.aim[0] == 0 && m.aim[1] == 0 && m.aim[2] == 0) {
      warnings->push_back(which + ": the aim vector has zero length");
    }
    if (m.arc <= 0 || m.arc > kPi) {
      warnings->push_back(which + ": firing arc " + Num(m.arc * 180.0 / kPi) +
                          " degrees is outside 0..180");
    }
  }
}

}  // namespace

std::vector<std::string> Warnings(const PluginFile& f) {
  std::vector<std::string> warnings;
  // Unusable flight, weapon and shield values never get here: the reader and the encoder
  // refuse them.
  if (f.shieldAxes[0] > 0 && f.shieldAxes[1] > 0 && f.shieldAxes[2] > 0) {
    std::size_t outside = 0, total = 0;
    double worst = 0;
    for (const PluginMesh& mesh : f.meshes) {
      for (const PluginVertex& v : mesh.vertices) {
        double sum = 0;
        for (std::size_t k = 0; k < 3; ++k) {
          const double q = v.position[k] / static_cast<double>(f.shieldAxes[k]);
          sum += q * q;
        }
        ++total;
        if (sum > 1.0) ++outside;
        worst = std::max(worst, sum);
      }
    }
    if (outside > 0) {
      warnings.push_back("the shield ellipsoid does not enclose the hull: " +
                         std::to_string(outside) + " of " + std::to_string(total) +
                         " vertices lie outside (up to " + Num(std::sqrt(worst)) +
                         " times its size)");
    }
  }
  MountWarnings("phaser", f.phaserMounts, &warnings);
  MountWarnings("torpedo", f.torpedoMounts, &warnings);
  // The beam is stretched along z from its mount to its target, so its mesh should run from
  // z 0 to z 1.
  if (!f.phaserMounts.empty()) {
    Bounds beam;
    beam.Add(f.phaser.mesh);
    if (beam.empty || std::fabs(beam.low[2]) > 1e-3f || std::fabs(beam.high[2] - 1) > 1e-3f) {
      warnings.push_back("the phaser mesh spans z " +
                         (beam.empty ? std::string("nothing")
                                     : Num(beam.low[2]) + " .. " + Num(beam.high[2])) +
                         ", not 0 .. 1");
    }
  }
  if (f.shield.mesh.triangles.empty()) warnings.push_back("the shield mesh has no faces");
  for (std::size_t m = 0; m < f.meshes.size(); ++m) {
    for (const PluginVertex& v : f.meshes[m].vertices) {
      if (!Finite(v.position) || !Finite(v.normal) || !std::isfinite(v.texCoord[0]) ||
          !std::isfinite(v.texCoord[1])) {
        warnings.push_back("hull mesh " + std::to_string(m) +
                           " has a vertex value that is not a finite number");
        break;
      }
    }
  }
  if (f.hasSounds) {
    for (std::size_t s = 0; s < 3; ++s) {
      const PluginSound& sound = f.sounds[s];
      const std::uint32_t tag = Field(sound, 0, 2), channels = Field(sound, 2, 2),
                          align = Field(sound, 12, 2), bits = Field(sound, 14, 2);
      const std::string which = std::string("sound ") + kSoundNames[s];
      if (tag != 1 || bits != 16 || channels == 0 || align != channels * 2) {
        warnings.push_back(which + " is not 16-bit PCM (format tag " + std::to_string(tag) +
                           ", " + std::to_string(bits) + " bits, " + std::to_string(channels) +
                           " channels)");
      } else if (sound.data.size() % align != 0) {
        warnings.push_back(which + ": " + std::to_string(sound.data.size()) +
                           " bytes is no whole number of sample frames");
      }
      if (sound.data.empty()) warnings.push_back(which + " is empty");
    }
  }
  return warnings;
}

void Inspect(const PluginFile& f, std::ostream& out) {
  out << "  flight: pitch rate " << Num(f.flight.pitchRate) << ", turn rate "
      << Num(f.flight.turnRate) << ", bank rate " << Num(f.flight.bankRate) << ", angle limit "
      << Num(f.flight.angleLimit) << " degrees, acceleration " << Num(f.flight.acceleration)
      << ", top speed " << Num(f.flight.topSpeed) << "\n";
  out << "  texture pairs: " << f.textures.size() / 2 << "\n";
  for (std::size_t i = 0; i < f.textures.size(); ++i) {
    out << "    texture " << i << " (pair " << i / 2 << "): " << TextureText(f.textures[i])
        << "\n";
  }
  out << "  hull meshes: " << f.meshes.size() << "\n";
  Bounds hull;
  for (std::size_t m = 0; m < f.meshes.size(); ++m) {
    Bounds bounds;
    bounds.Add(f.meshes[m]);
    hull.Add(f.meshes[m]);
    out << "    hull mesh " << m << ": " << MeshText(f.meshes[m]) << ", pair "
        << f.meshes[m].pairIndex << ", bounds " << bounds.Text() << "\n";
  }
  out << "  hull bounds: " << hull.Text() << "\n";
  out << "  phaser value " << Num(f.phaserValue) << ", torpedo value " << Num(f.torpedoValue)
      << "\n";
  if (!f.phaserMounts.empty()) Model("phaser", f.phaser, out);
  Mounts("phaser", f.phaserMounts, out);
  if (!f.torpedoMounts.empty()) Model("torpedo", f.torpedo, out);
  Mounts("torpedo", f.torpedoMounts, out);
  out << "  shield: semi-axes " << Vec(f.shieldAxes) << ", strength " << Num(f.shieldStrength)
      << "\n";
  Model("shield", f.shield, out);
  if (!f.hasSounds) {
    out << "  sounds: none\n";
    return;
  }
  out << "  sounds:\n";
  for (std::size_t s = 0; s < 3; ++s) {
    const PluginSound& sound = f.sounds[s];
    const std::uint32_t tag = Field(sound, 0, 2), channels = Field(sound, 2, 2),
                        rate = Field(sound, 4, 4), perSecond = Field(sound, 8, 4),
                        bits = Field(sound, 14, 2);
    out << "    " << kSoundNames[s] << ": " << (tag == 1 ? "PCM" : "format " + std::to_string(tag))
        << " " << bits << "-bit, " << channels << (channels == 1 ? " channel, " : " channels, ")
        << rate << " Hz, " << sound.data.size() << " bytes, "
        << (perSecond > 0 ? Num(static_cast<double>(sound.data.size()) / perSecond) + " s"
                          : std::string("unknown length"))
        << "\n";
  }
}

}  // namespace ironwood::as3tool
