// `import` and `describe`: a ship plug-in from a model file in one command, through a build
// description that `describe` leaves for the modder to tune. `import` writes the same
// description into a private temporary folder, builds it and replaces the output whole, so
// both commands give the same ship and a failure leaves no file behind.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "platform/file_replace.h"
#include "tools/as3tool/as3tool.h"
#include "tools/as3tool/inputs.h"
#include "tools/as3tool/model_import.h"
#include "tools/png/png_encoder.h"

#ifndef _WIN32
#include <stdlib.h>  // mkdtemp
#endif

namespace ironwood::as3tool {
namespace {

namespace fs = std::filesystem;

constexpr float kPi = 3.14159265358979323846f;

struct ImportRequest {
  std::string model;
  std::string output;  // the plug-in (import) or the description (describe; may be empty)
  std::string like;    // a plug-in whose values and models the ship takes; empty: the defaults
  std::string texture;  // one image for every material; empty: the model's own
  float length = 0;
  bool lengthGiven = false;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ParseArguments(const std::vector<std::string>& args, bool import, ImportRequest* request,
                    std::string* error) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--like" || arg == "--length" || arg == "--texture") {
      if (i + 1 == args.size()) {
        *error = arg + " needs a value";
        return false;
      }
      const std::string& value = args[++i];
      if (arg == "--like") {
        request->like = value;
      } else if (arg == "--texture") {
        request->texture = value;
      } else {
        char* end = nullptr;
        request->length = std::strtof(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(request->length > 0) || request->length > 1000) {
          *error = "--length " + value + ": expected a length above 0 and at most 1000";
          return false;
        }
        request->lengthGiven = true;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = arg + ": unknown option";
      return false;
    } else {
      names.push_back(arg);
    }
  }
  if (import ? names.size() != 2 : (names.empty() || names.size() > 2)) {
    *error = import ? "expected a model and an output plug-in" : "expected a model";
    return false;
  }
  request->model = names[0];
  if (names.size() > 1) request->output = names[1];
  return true;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", std::fabs(value) < 5e-7 ? 0.0 : value);
  return text;
}

// Quoted when it has spaces, as description words are.
std::string Word(const std::string& text) {
  return text.find_first_of(" \t#") == std::string::npos ? text : "\"" + text + "\"";
}

// A plain panelled grey for a material without an image, and the scorched overlay the hull pass
// blends in as a ship takes damage.
RgbaImage NeutralHull() {
  RgbaImage image;
  image.width = image.height = 128;
  image.rgba.resize(128 * 128 * 4);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const bool seam = x % 32 == 0 || y % 16 == 0;
      const int grain = ((x * 7 + y * 13) ^ (x * y)) % 9;
      const int v = (seam ? 92 : 150) + grain - (((x / 32 + y / 16) % 2) != 0 ? 10 : 0);
      std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * 128 + x) * 4];
      p[0] = static_cast<std::uint8_t>(v);
      p[1] = static_cast<std::uint8_t>(v + 2);
      p[2] = static_cast<std::uint8_t>(v + 8);
      p[3] = 255;
    }
  }
  return image;
}

RgbaImage Scorch() {
  RgbaImage image;
  image.width = image.height = 64;
  image.hasAlpha = true;
  image.rgba.resize(64 * 64 * 4);
  std::uint32_t state = 12345;
  for (std::size_t k = 0; k < 64 * 64; ++k) {
    state = state * 214013u + 2531011u;
    const int noise = static_cast<int>((state >> 16) & 0x7F);
    std::uint8_t* p = &image.rgba[k * 4];
    p[0] = static_cast<std::uint8_t>(40 + noise / 4);
    p[1] = static_cast<std::uint8_t>(28 + noise / 6);
    p[2] = 20;
    p[3] = static_cast<std::uint8_t>(128 + noise);
  }
  return image;
}

bool WritePng(const fs::path& path, const RgbaImage& image, std::string* error) {
  // Records keep the bottom row first, PNG the top row.
  std::vector<std::uint8_t> rows(image.rgba.size());
  const std::size_t row = static_cast<std::size_t>(image.width) * 4;
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(&image.rgba[static_cast<std::size_t>(image.height - 1 - y) * row], row,
                &rows[static_cast<std::size_t>(y) * row]);
  }
  const Bytes png = png::EncodeRgbaPng(image.width, image.height, rows);
  std::string why;
  if (png.empty() || !platform::ReplaceFileAtomically(
                         path.string(), std::string_view(reinterpret_cast<const char*>(png.data()),
                                                         png.size()),
                         &why)) {
    *error = path.string() + ": cannot be written" + (why.empty() ? "" : ": " + why);
    return false;
  }
  return true;
}

std::array<float, 3> LongestSides(const std::vector<PluginMesh>& meshes, float* longest) {
  std::array<float, 3> low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
  for (const PluginMesh& mesh : meshes) {
    for (const PluginVertex& v : mesh.vertices) {
      for (int k = 0; k < 3; ++k) {
        low[k] = std::min(low[k], v.position[k]);
        high[k] = std::max(high[k], v.position[k]);
      }
    }
  }
  std::array<float, 3> half{};
  for (int k = 0; k < 3; ++k) half[k] = std::max(0.0f, (high[k] - low[k]) / 2);
  *longest = 2 * std::max({half[0], half[1], half[2]});
  return half;
}

// The mounts of the model class re-placed on the new hull: phasers on the flanks (right, left,
// top, bottom, then round again), torpedoes at the nose, or at the tail for a launcher the
// model class aims backwards; each at the hull's outermost vertex on that side, aimed out of
// it, with the model mount's arc.
std::vector<PluginMount> PlaceMounts(const std::vector<PluginMesh>& meshes,
                                     const std::vector<PluginMount>& like, bool torpedoes) {
  std::vector<PluginMount> mounts;
  for (std::size_t i = 0; i < like.size(); ++i) {
    int axis = 0;
    float sign = 1;
    if (torpedoes) {
      axis = 2;
      sign = like[i].aim[2] < 0 ? -1.0f : 1.0f;
    } else {
      static const int kAxes[4] = {0, 0, 1, 1};
      axis = kAxes[i % 4];
      sign = i % 2 == 0 ? 1.0f : -1.0f;
    }
    const PluginVertex* best = nullptr;
    for (const PluginMesh& mesh : meshes) {
      for (const PluginVertex& v : mesh.vertices) {
        if (best == nullptr || v.position[axis] * sign > best->position[axis] * sign) best = &v;
      }
    }
    PluginMount mount;
    if (best != nullptr) mount.position = best->position;
    mount.aim[axis] = sign;
    mount.arc = like[i].arc;
    mounts.push_back(mount);
  }
  return mounts;
}

// The smallest ellipsoid (by its largest semi-axis, then by volume) of a grid of proportions
// round the hull's half sides that keeps every vertex and mount at most 0.85 of the way out,
// as the generated classes' shields are fitted.
std::array<float, 3> FitShield(const std::vector<PluginMesh>& meshes,
                               const std::vector<PluginMount>& mounts,
                               const std::array<float, 3>& half) {
  std::vector<std::array<float, 3>> points;
  for (const PluginMesh& mesh : meshes) {
    for (const PluginVertex& v : mesh.vertices) points.push_back(v.position);
  }
  for (const PluginMount& m : mounts) points.push_back(m.position);
  const std::array<float, 3> base{half[0] + 0.1f, half[1] + 0.1f, half[2] + 0.1f};
  std::array<float, 3> chosen = base;
  float chosenRadius = 1e30f, chosenVolume = 1e30f;
  for (int i = 0; i <= 24; ++i) {
    for (int j = 0; j <= 24; ++j) {
      const std::array<float, 3> trial{base[0] * (0.9f + 0.05f * static_cast<float>(i)),
                                       base[1] * (0.9f + 0.05f * static_cast<float>(j)), base[2]};
      float worst = 0;
      for (const auto& p : points) {
        float sum = 0;
        for (int k = 0; k < 3; ++k) sum += p[k] * p[k] / (trial[k] * trial[k]);
        worst = std::max(worst, sum);
      }
      const float grow = std::sqrt(worst / 0.85f);
      const std::array<float, 3> a{trial[0] * grow, trial[1] * grow, trial[2] * grow};
      const float radius = std::max({a[0], a[1], a[2]});
      const float volume = a[0] * a[1] * a[2];
      if (radius < chosenRadius * 0.99f ||
          (radius <= chosenRadius * 1.01f && volume < chosenVolume)) {
        if (radius < chosenRadius) chosenRadius = radius;
        chosen = a;
        chosenVolume = volume;
      }
    }
  }
  return chosen;
}

bool LoadClass(const std::string& path, PluginFile* file, std::string* error) {
  Bytes bytes;
  std::string fault;
  if (!ReadPluginFileBytes(path, &bytes, &fault) ||
      !ParsePluginFile(bytes.data(), bytes.size(), true, file, &fault)) {
    *error = path + ": " + fault;
    return false;
  }
  return true;
}

bool IsBmp(const std::string& path) {
  Bytes bytes;
  std::string error;
  return ReadFileBytes(path, &bytes, &error) && bytes.size() >= 2 && bytes[0] == 'B' &&
         bytes[1] == 'M';
}

// Reads the model and writes the description (and the images it needs that are no files yet)
// to `description`. Input files are named by absolute path when `absolute`, else relative to
// the description's folder. False with one line naming the faulty file.
bool WriteDescription(const ImportRequest& request, const fs::path& description, bool absolute,
                      std::vector<std::string>* warnings, std::string* error) {
  if (!ModelImportAvailable()) {
    std::string why;
    ReadModel(request.model, nullptr, &why);
    *error = request.model + ": " + why;
    return false;
  }
  PluginFile base, defaults;
  if (!DefaultClass(&defaults, error)) {
    *error = request.model + ": " + *error;
    return false;
  }
  if (request.like.empty()) {
    base = defaults;
  } else if (!LoadClass(request.like, &base, error)) {
    return false;
  }
  float defaultLength = 0;
  LongestSides(defaults.meshes, &defaultLength);
  const float length = request.lengthGiven ? request.length : defaultLength;

  const bool ase = Lower(fs::path(request.model).extension().string()) == ".ase";
  std::vector<PluginMesh> meshes;
  std::vector<ModelMaterial> materials;
  if (ase) {
    // Scene exports keep the saver's own reading and scale.
    if (request.lengthGiven) {
      *error = request.model + ": a scene export (.ase) keeps its own scale; --length is for "
               "the other model formats";
      return false;
    }
    Bytes bytes;
    std::vector<AseObject> objects;
    std::string fault;
    if (!ReadFileBytes(request.model, &bytes, &fault) ||
        !DecodeAse(std::string(bytes.begin(), bytes.end()), &objects, &fault)) {
      *error = request.model + ": " + fault;
      return false;
    }
    for (AseObject& object : objects) meshes.push_back(std::move(object.mesh));
    if (meshes.empty() || std::all_of(meshes.begin(), meshes.end(), [](const PluginMesh& m) {
          return m.triangles.empty();
        })) {
      *error = request.model + ": has nothing to draw (no triangles)";
      return false;
    }
    materials.resize(1);
  } else {
    ImportedModel model;
    std::string fault;
    if (!ReadModel(request.model, &model, &fault) ||
        !NormaliseModel(&model.meshes, length, &fault)) {
      *error = request.model + ": " + fault;
      return false;
    }
    for (const std::string& w : model.warnings) warnings->push_back(request.model + ": " + w);
    meshes = std::move(model.meshes);
    materials = std::move(model.materials);
  }
  float longest = 0;
  const std::array<float, 3> half = LongestSides(meshes, &longest);

  const fs::path folder = description.parent_path();
  const std::string stem = description.stem().string();
  auto name = [&](const fs::path& file) {
    if (absolute) return fs::absolute(file).string();
    const fs::path relative = fs::relative(fs::absolute(file), fs::absolute(folder));
    return relative.empty() ? fs::absolute(file).string() : relative.generic_string();
  };

  std::ostringstream text;
  text << "# " << fs::path(request.model).filename().string()
       << " as a ship plug-in, written by as3tool describe. Tune it and build with\n"
       << "#   as3tool build " << description.filename().string() << " SHIP.as3\n"
       << "# Values and models from "
       << (request.like.empty() ? std::string("the built-in mid-sized class") : request.like)
       << ".\n";
  const FlightAttributes& f = base.flight;
  text << "pitch-rate " << Number(f.pitchRate) << "\nturn-rate " << Number(f.turnRate)
       << "\nbank-rate " << Number(f.bankRate) << "\nangle-limit " << Number(f.angleLimit)
       << "      # degrees\nacceleration " << Number(f.acceleration) << "\ntop-speed "
       << Number(f.topSpeed) << "\n";

  // One pair a material: its image (or the override, or the neutral hull) and the damage overlay.
  bool wroteHull = false;
  const fs::path damage = folder / (stem + "-damage.png");
  if (!WritePng(damage, Scorch(), error)) return false;
  std::string override;
  if (!request.texture.empty()) {
    override = name(request.texture);
    if (IsBmp(request.texture)) {
      Bytes bytes;
      RgbaImage image;
      std::string fault;
      if (!ReadFileBytes(request.texture, &bytes, &fault) || !DecodeImage(bytes, &image, &fault)) {
        *error = request.texture + ": " + fault;
        return false;
      }
      const fs::path file = folder / (stem + "-texture.png");
      if (!WritePng(file, image, error)) return false;
      override = name(file);
    }
  }
  for (std::size_t m = 0; m < materials.size(); ++m) {
    const ModelMaterial& material = materials[m];
    std::string colour;
    if (!override.empty()) {
      colour = override;
    } else if (!material.imageFile.empty() && !IsBmp(material.imageFile)) {
      colour = name(material.imageFile);
    } else if ((material.embedded || !material.imageFile.empty()) && material.problem.empty()) {
      // Embedded images become files; so do BMPs, which a description reads by the saver's
      // rules (24-bit, a record's size) while a model's BMP may be any BMP.
      const fs::path file = folder / (stem + "-texture-" + std::to_string(m) + ".png");
      if (!WritePng(file, material.image, error)) return false;
      colour = name(file);
    } else {
      if (!material.problem.empty()) {
        warnings->push_back(request.model + ": material \"" + material.name + "\": " +
                            material.problem + "; it gets the neutral hull texture");
      }
      const fs::path file = folder / (stem + "-hull.png");
      if (!wroteHull && !WritePng(file, NeutralHull(), error)) return false;
      wroteHull = true;
      colour = name(file);
    }
    text << "pair " << Word(colour) << " - " << Word(name(damage)) << " -";
    if (!material.name.empty()) text << "   # material " << material.name;
    text << "\n";
  }
  if (!ase) text << "length " << Number(length) << "      # the longest side\n";
  text << "mesh " << Word(name(request.model)) << " 0"
       << (materials.size() > 1 ? "      # material k drawn with pair k\n" : "\n");
  text << "phaser-value " << Number(base.phaserValue) << "\ntorpedo-value "
       << Number(base.torpedoValue) << "\n";
  const std::vector<PluginMount> phasers = PlaceMounts(meshes, base.phaserMounts, false);
  const std::vector<PluginMount> torpedoes = PlaceMounts(meshes, base.torpedoMounts, true);
  text << "# position, aim, firing arc in degrees\n";
  for (const auto& [key, mounts] : {std::pair{"phaser-mount", &phasers},
                                    std::pair{"torpedo-mount", &torpedoes}}) {
    for (const PluginMount& m : *mounts) {
      text << key << " " << Number(m.position[0]) << " " << Number(m.position[1]) << " "
           << Number(m.position[2]) << "   " << Number(m.aim[0]) << " " << Number(m.aim[1])
           << " " << Number(m.aim[2]) << "   " << Number(m.arc * 180 / kPi) << "\n";
    }
  }
  std::vector<PluginMount> all = phasers;
  all.insert(all.end(), torpedoes.begin(), torpedoes.end());
  const std::array<float, 3> axes = FitShield(meshes, all, half);
  text << "shield " << Number(axes[0]) << " " << Number(axes[1]) << " " << Number(axes[2]) << " "
       << Number(base.shieldStrength) << "      # semi-axes x y z, strength\n";
  text << "# the beam, torpedo and shield models and the sounds\n"
       << "models-from "
       << (request.like.empty() ? std::string("default") : Word(name(request.like))) << "\n";
  std::string why;
  if (!platform::ReplaceFileAtomically(description.string(), text.str(), &why)) {
    *error = description.string() + ": cannot be written" + (why.empty() ? "" : ": " + why);
    return false;
  }
  return true;
}

// A private folder for import's description, removed with everything in it.
class TemporaryFolder {
 public:
  bool Make(std::string* error) {
#ifdef _WIN32
    std::error_code fault;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const fs::path candidate = fs::temp_directory_path(fault) /
                                 ("as3tool-import-" + std::to_string(std::rand()));
      if (!fault && fs::create_directory(candidate, fault) && !fault) path_ = candidate;
    }
#else
    std::string pattern = (fs::temp_directory_path() / "as3tool-import-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
#endif
    if (path_.empty()) *error = "no temporary folder could be made";
    return !path_.empty();
  }
  ~TemporaryFolder() {
    std::error_code fault;
    if (!path_.empty()) fs::remove_all(path_, fault);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// The temporary folder's files named as what they came from.
std::string Readable(std::string text, const fs::path& folder, const std::string& model) {
  const std::string prefix = folder.string() + "/";
  for (std::size_t at; (at = text.find(prefix)) != std::string::npos;) {
    std::size_t end = text.find(':', at);
    if (end == std::string::npos) end = text.size();
    text.replace(at, end - at, model);
  }
  return text;
}

}  // namespace

int ImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ImportRequest request;
  std::string error;
  if (!ParseArguments(args, true, &request, &error)) {
    err << "as3tool import: " << error << "\n"
        << "usage: as3tool import MODEL OUT.as3 [--like CLASS.as3] [--length L] "
           "[--texture IMAGE]\n";
    return 2;
  }
  if (!ModelImportAvailable()) {
    ReadModel(request.model, nullptr, &error);
    err << "as3tool import: " << error << "\n";
    return 2;
  }
  TemporaryFolder folder;
  if (!folder.Make(&error)) {
    err << request.output << ": " << error << "\n";
    return 1;
  }
  const fs::path description = folder.Path() / "ship.txt";
  std::vector<std::string> warnings;
  PluginFile file;
  if (!WriteDescription(request, description, true, &warnings, &error) ||
      !BuildFromDescription(description.string(), &file, &error, &warnings)) {
    err << Readable(error, folder.Path(), request.model) << "\n";
    return 1;
  }
  const Bytes bytes = EncodePluginFile(file, &error);
  std::string why;
  if (bytes.empty()) {
    err << request.model << ": " << error << "\n";
    return 1;
  }
  if (!platform::ReplaceFileAtomically(
          request.output,
          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &why)) {
    err << request.output << ": cannot be written" << (why.empty() ? "" : ": " + why) << "\n";
    return 1;
  }
  for (const std::string& w : warnings) {
    err << "warning: " << Readable(w, folder.Path(), request.model) << "\n";
  }
  for (const std::string& w : Warnings(file)) err << request.output << ": warning: " << w << "\n";
  out << request.output << ": " << bytes.size() << " bytes, " << file.meshes.size()
      << " hull meshes, " << file.textures.size() / 2 << " texture pairs, "
      << file.phaserMounts.size() << " phaser and " << file.torpedoMounts.size()
      << " torpedo mounts, shield " << Number(file.shieldAxes[0]) << " x "
      << Number(file.shieldAxes[1]) << " x " << Number(file.shieldAxes[2]) << "\n";
  return 0;
}

int DescribeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ImportRequest request;
  std::string error;
  if (!ParseArguments(args, false, &request, &error)) {
    err << "as3tool describe: " << error << "\n"
        << "usage: as3tool describe MODEL [DESCRIPTION.txt] [--like CLASS.as3] [--length L] "
           "[--texture IMAGE]\n";
    return 2;
  }
  if (!ModelImportAvailable()) {
    ReadModel(request.model, nullptr, &error);
    err << "as3tool describe: " << error << "\n";
    return 2;
  }
  fs::path description = request.output;
  if (description.empty()) description = fs::path(request.model).replace_extension(".txt");
  const std::string shown = description.string();
  description = fs::absolute(description);
  if (fs::absolute(description) == fs::absolute(request.model)) {
    err << description.string() << ": is the model itself\n";
    return 1;
  }
  std::vector<std::string> warnings;
  if (!WriteDescription(request, description, false, &warnings, &error)) {
    err << error << "\n";
    return 1;
  }
  for (const std::string& w : warnings) err << "warning: " << w << "\n";
  out << shown << ": written; build it with as3tool build " << shown << " SHIP.as3\n";
  return 0;
}

}  // namespace ironwood::as3tool
