// Reading a build description and gathering its inputs into a PluginFile.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

#include "platform/file_bytes.h"
#include "tools/as3tool/as3tool.h"
#include "tools/as3tool/inputs.h"
#include "tools/as3tool/model_import.h"

namespace ironwood::as3tool {
namespace {

constexpr float kPi = 3.14159265358979323846f;
// A description is a page of text; a thousand times that is no description.
constexpr std::uintmax_t kMaxDescriptionBytes = 1u << 20;

// Splits a line into words: white space separates, double quotes group, `#` ends the line.
bool SplitLine(const std::string& line, std::vector<std::string>* words, std::string* error) {
  words->clear();
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string::npos) {
        *error = "a quote is not closed";
        return false;
      }
      words->push_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      const std::size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '#') {
        ++i;
      }
      words->push_back(line.substr(start, i - start));
    }
  }
  return true;
}

class DescriptionReader {
 public:
  DescriptionReader(const std::string& path, PluginFile* out, std::vector<std::string>* warnings,
                    std::string* error)
      : path_(path), folder_(std::filesystem::path(path).parent_path()), file_(*out),
        warnings_(warnings), error_(error) {}

  bool Read() {
    file_ = PluginFile{};
    // Read whole and bounded: a device or a pipe named as the description is refused before it
    // is opened, rather than read without end.
    std::string text;
    switch (platform::ReadWholeFile(path_, kMaxDescriptionBytes, &text)) {
      case platform::FileFault::kNone:
        break;
      case platform::FileFault::kMissing:
        *error_ = path_ + ": cannot be opened";
        return false;
      case platform::FileFault::kNotRegular:
        *error_ = path_ + ": is not a regular file (a folder, device or pipe), not a description";
        return false;
      case platform::FileFault::kTooLarge:
        *error_ = path_ + ": is larger than " + std::to_string(kMaxDescriptionBytes) +
                  " bytes, too large for a description";
        return false;
      case platform::FileFault::kUnreadable:
        *error_ = path_ + ": cannot be read";
        return false;
    }
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> words;
    while (std::getline(in, line)) {
      ++line_;
      std::string splitError;
      if (!SplitLine(line, &words, &splitError)) return Fail(splitError);
      if (words.empty()) continue;
      if (!Line(words)) return false;
    }
    return Finish();
  }

 private:
  bool Fail(const std::string& message) {
    *error_ = path_ + ":" + std::to_string(line_) + ": " + message;
    return false;
  }
  // A fault in an input file named on the current line.
  bool FailInput(const std::string& name, const std::string& message) {
    return Fail(name + ": " + message);
  }

  std::string Resolve(const std::string& name) const {
    const std::filesystem::path p(name);
    return p.is_absolute() ? p.string() : (folder_ / p).string();
  }

  bool Number(const std::string& word, float* value) {
    char* end = nullptr;
    *value = std::strtof(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(*value)) {
      return Fail("\"" + word + "\" is not a number");
    }
    return true;
  }

  bool Arity(const std::vector<std::string>& w, std::size_t least, std::size_t most,
             const char* usage) {
    const std::size_t n = w.size() - 1;
    if (n < least || n > most) return Fail("usage: " + w[0] + " " + usage);
    return true;
  }

  bool Once(const std::string& key) {
    const auto [it, fresh] = seen_.emplace(key, line_);
    if (!fresh) return Fail(key + " given twice (first on line " + std::to_string(it->second) + ")");
    return true;
  }

  // A BMP as the saver reads images, with its reasons; any other image (PNG, JPEG, TGA) goes to
  // the image library where the build has one, marked in `other`.
  bool Image(const std::string& name, BmpPixels* image, RgbaImage* other, bool* isOther) {
    Bytes bytes;
    std::string fault;
    if (!ReadFileBytes(Resolve(name), &bytes, &fault)) return FailInput(name, fault);
    *isOther = false;
    const bool bmp = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    if (bmp || !ModelImportAvailable()) {
      if (!DecodeBmp(std::string(bytes.begin(), bytes.end()), *image, &fault)) {
        return FailInput(name, fault);
      }
      return true;
    }
    std::string otherFault;
    if (!DecodeImage(bytes, other, &otherFault)) return FailInput(name, otherFault);
    *isOther = true;
    return true;
  }

  static RgbaImage FromBmp(const BmpPixels& bmp) {
    RgbaImage image;
    image.width = bmp.width;
    image.height = bmp.height;
    image.rgba.resize(static_cast<std::size_t>(bmp.width) * bmp.height * 4);
    for (std::size_t k = 0; k < image.rgba.size() / 4; ++k) {
      image.rgba[4 * k] = bmp.bgr[3 * k + 2];
      image.rgba[4 * k + 1] = bmp.bgr[3 * k + 1];
      image.rgba[4 * k + 2] = bmp.bgr[3 * k];
      image.rgba[4 * k + 3] = 255;
    }
    return image;
  }

  // COLOUR and OPACITY ("-" or empty: none) into one texture record. Two BMPs are taken as the
  // saver takes them, at their own size. Other images are resized to the nearest size a
  // record holds (with a warning); their alpha channel is the opacity when OPACITY is "-", and
  // an opacity image gives its alpha channel, or its blue channel when it has none.
  bool Texture(const std::string& colourName, const std::string& opacityName,
               PluginTexture* texture) {
    BmpPixels colour, opacity;
    RgbaImage colourImage, opacityImage;
    bool colourOther = false, opacityOther = false;
    if (!Image(colourName, &colour, &colourImage, &colourOther)) return false;
    const bool withOpacity = !opacityName.empty() && opacityName != "-";
    if (withOpacity && !Image(opacityName, &opacity, &opacityImage, &opacityOther)) return false;
    std::string fault;
    if (!colourOther && !opacityOther) {
      if (!MakeTexture(colour, withOpacity ? &opacity : nullptr, texture, &fault)) {
        return FailInput(colourName, fault);
      }
      return true;
    }
    if (!colourOther) colourImage = FromBmp(colour);
    if (withOpacity && !opacityOther) opacityImage = FromBmp(opacity);
    int width = 0, height = 0;
    NearestRecordSize(colourImage.width, colourImage.height, &width, &height);
    if (width != colourImage.width || height != colourImage.height) {
      Warn(colourName + ": " + std::to_string(colourImage.width) + " x " +
           std::to_string(colourImage.height) + " resized to " + std::to_string(width) + " x " +
           std::to_string(height) + ", the nearest size a texture record holds");
    }
    const RgbaImage pixels = Resized(colourImage, width, height);
    const bool alpha = withOpacity || colourImage.hasAlpha;
    const RgbaImage mask = withOpacity ? Resized(opacityImage, width, height) : pixels;
    const bool maskAlpha = withOpacity ? opacityImage.hasAlpha : true;
    texture->width = width;
    texture->height = height;
    texture->hasAlpha = alpha;
    const std::size_t channels = alpha ? 4 : 3;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    texture->pixels.resize(count * channels);
    for (std::size_t k = 0; k < count; ++k) {
      std::copy_n(&pixels.rgba[4 * k], 3, &texture->pixels[channels * k]);
      if (alpha) texture->pixels[channels * k + 3] = mask.rgba[4 * k + (maskAlpha ? 3 : 2)];
    }
    return true;
  }

  void Warn(const std::string& message) {
    if (warnings_ != nullptr) warnings_->push_back(message);
  }

  bool Objects(const std::string& name, std::vector<AseObject>* objects) {
    Bytes bytes;
    std::string fault;
    if (!ReadFileBytes(Resolve(name), &bytes, &fault) ||
        !DecodeAse(std::string(bytes.begin(), bytes.end()), objects, &fault)) {
      return FailInput(name, fault);
    }
    return true;
  }

  bool Model(const std::vector<std::string>& w, PluginModel* model) {
    if (!Once(w[0]) || !Arity(w, 2, 3, "FILE.ase COLOUR.bmp [OPACITY.bmp]")) return false;
    std::vector<AseObject> objects;
    if (!Objects(w[1], &objects)) return false;
    if (objects.size() != 1) {
      return FailInput(w[1], std::to_string(objects.size()) + " objects, one expected");
    }
    model->mesh = std::move(objects[0].mesh);
    if (!Texture(w[2], w.size() > 3 ? w[3] : "", &model->texture)) return false;
    // Readers skip the second record; the smallest one there is will do.
    model->discarded = PluginTexture{1, 1, false, {0, 0, 0}};
    return true;
  }

  bool Mount(const std::vector<std::string>& w, std::vector<PluginMount>* mounts) {
    if (!Arity(w, 7, 7, "X Y Z AIM-X AIM-Y AIM-Z ARC-DEGREES")) return false;
    float v[7];
    for (std::size_t i = 0; i < 7; ++i) {
      if (!Number(w[i + 1], &v[i])) return false;
    }
    if (mounts->size() >= 127) return Fail("more than 127 " + w[0] + "s");
    mounts->push_back({{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, v[6] * kPi / 180.0f});
    return true;
  }

  bool Line(const std::vector<std::string>& w) {
    const std::string& key = w[0];
    using Field = float* (*)(PluginFile&);
    static const std::map<std::string, Field> kScalars = {
        {"pitch-rate", [](PluginFile& f) { return &f.flight.pitchRate; }},
        {"turn-rate", [](PluginFile& f) { return &f.flight.turnRate; }},
        {"bank-rate", [](PluginFile& f) { return &f.flight.bankRate; }},
        {"angle-limit", [](PluginFile& f) { return &f.flight.angleLimit; }},
        {"acceleration", [](PluginFile& f) { return &f.flight.acceleration; }},
        {"top-speed", [](PluginFile& f) { return &f.flight.topSpeed; }},
        {"phaser-value", [](PluginFile& f) { return &f.phaserValue; }},
        {"torpedo-value", [](PluginFile& f) { return &f.torpedoValue; }},
    };
    if (const auto it = kScalars.find(key); it != kScalars.end()) {
      return Once(key) && Arity(w, 1, 1, "VALUE") && Number(w[1], it->second(file_));
    }
    if (key == "pair") {
      if (!Arity(w, 4, 4, "COLOUR OPACITY|- COLOUR OPACITY|-")) return false;
      if (file_.textures.size() >= 2 * 255) return Fail("more than 255 texture pairs");
      PluginTexture first, second;
      if (!Texture(w[1], w[2], &first) || !Texture(w[3], w[4], &second)) return false;
      file_.textures.push_back(std::move(first));
      file_.textures.push_back(std::move(second));
      return true;
    }
    if (key == "mesh") {
      if (!Arity(w, 2, 2, "FILE PAIR")) return false;
      float pair;
      if (!Number(w[2], &pair)) return false;
      if (pair < 0 || pair != std::floor(pair) || pair > 254) {
        return Fail("pair \"" + w[2] + "\" is not a pair number 0..254");
      }
      if (!IsAse(w[1])) return ModelMesh(w[1], static_cast<std::uint32_t>(pair));
      std::vector<AseObject> objects;
      if (!Objects(w[1], &objects)) return false;
      for (AseObject& object : objects) {
        if (file_.meshes.size() >= 255) return Fail("more than 255 hull meshes");
        object.mesh.pairIndex = static_cast<std::uint32_t>(pair);
        file_.meshes.push_back(std::move(object.mesh));
        meshLines_.push_back(line_);
      }
      return true;
    }
    if (key == "phaser-model") return Model(w, &file_.phaser);
    if (key == "torpedo-model") return Model(w, &file_.torpedo);
    if (key == "shield-model") return Model(w, &file_.shield);
    if (key == "phaser-mount") return Mount(w, &file_.phaserMounts);
    if (key == "torpedo-mount") return Mount(w, &file_.torpedoMounts);
    if (key == "length") {
      if (!Once(key) || !Arity(w, 1, 1, "LONGEST-SIDE")) return false;
      if (!Number(w[1], &length_)) return false;
      if (!(length_ > 0) || length_ > 1000) return Fail("length \"" + w[1] + "\" is not 0..1000");
      return true;
    }
    if (key == "models-from") {
      if (!Once(key) || !Arity(w, 1, 1, "CLASS.as3|default")) return false;
      std::string fault;
      if (w[1] == "default") {
        if (!DefaultClass(&models_, &fault)) return Fail(fault);
      } else {
        Bytes bytes;
        if (!ReadPluginFileBytes(Resolve(w[1]), &bytes, &fault) ||
            !ParsePluginFile(bytes.data(), bytes.size(), true, &models_, &fault)) {
          return FailInput(w[1], fault);
        }
      }
      modelsLine_ = line_;
      return true;
    }
    if (key == "shield") {
      if (!Once(key) || !Arity(w, 4, 4, "AXIS-X AXIS-Y AXIS-Z STRENGTH")) return false;
      for (std::size_t i = 0; i < 3; ++i) {
        if (!Number(w[i + 1], &file_.shieldAxes[i])) return false;
      }
      return Number(w[4], &file_.shieldStrength);
    }
    if (key == "sound") {
      static const char* const kSlots[3] = {"torpedo-launch", "phaser-loop", "break-up"};
      if (!Arity(w, 2, 2, "torpedo-launch|phaser-loop|break-up FILE.wav")) return false;
      for (std::size_t s = 0; s < 3; ++s) {
        if (w[1] != kSlots[s]) continue;
        if (!Once("sound " + w[1])) return false;
        Bytes bytes;
        std::string fault;
        if (!ReadFileBytes(Resolve(w[2]), &bytes, &fault) ||
            !DecodeWav(bytes, &file_.sounds[s], &fault)) {
          return FailInput(w[2], fault);
        }
        ++soundCount_;
        return true;
      }
      return Fail("unknown sound \"" + w[1] + "\" (torpedo-launch, phaser-loop or break-up)");
    }
    return Fail("unknown key \"" + key + "\"");
  }

  static bool IsAse(const std::string& name) {
    std::string extension = std::filesystem::path(name).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".ase";
  }

  // Every mesh of a model file; material k is drawn with pair PAIR + k. The model is placed
  // (centred, scaled to the length line) when the whole description has been read.
  bool ModelMesh(const std::string& name, std::uint32_t pair) {
    ImportedModel model;
    std::string fault;
    if (!ReadModel(Resolve(name), &model, &fault)) return FailInput(name, fault);
    for (const std::string& warning : model.warnings) Warn(name + ": " + warning);
    if (pair + model.materials.size() > 255) {
      return FailInput(name, std::to_string(model.materials.size()) + " materials from pair " +
                                 std::to_string(pair) + " run past pair 254");
    }
    for (PluginMesh& mesh : model.meshes) {
      if (file_.meshes.size() + modelMeshes_.size() >= 255) return Fail("more than 255 hull meshes");
      mesh.pairIndex += pair;
      modelMeshes_.push_back(std::move(mesh));
      modelMeshLines_.push_back(line_);
    }
    if (modelLine_ == 0) modelLine_ = line_;
    return true;
  }

  // Models from `models-from` for the keys not given, the shield bubble stretched to this
  // class's semi-axes.
  void TakeModels() {
    if (modelsLine_ == 0) return;
    for (const auto& [key, from, to, carried] :
         {std::tuple{"phaser-model", &models_.phaser, &file_.phaser, !models_.phaserMounts.empty()},
          std::tuple{"torpedo-model", &models_.torpedo, &file_.torpedo,
                     !models_.torpedoMounts.empty()},
          std::tuple{"shield-model", &models_.shield, &file_.shield, true}}) {
      // A plug-in without mounts of a kind carries no model of it.
      if (seen_.count(key) != 0 || !carried) continue;
      *to = *from;
      seen_.emplace(key, modelsLine_);
    }
    if (seen_.at("shield-model") == modelsLine_) {
      for (PluginVertex& v : file_.shield.mesh.vertices) {
        for (int k = 0; k < 3; ++k) {
          if (models_.shieldAxes[k] > 0) v.position[k] *= file_.shieldAxes[k] / models_.shieldAxes[k];
        }
      }
    }
    // Taken only where this class has mounts of that kind.
    for (const auto& [key, mounts] : {std::pair{"phaser-model", &file_.phaserMounts},
                                      std::pair{"torpedo-model", &file_.torpedoMounts}}) {
      const auto it = seen_.find(key);
      if (mounts->empty() && it != seen_.end() && it->second == modelsLine_) seen_.erase(it);
    }
    if (soundCount_ == 0 && models_.hasSounds) {
      file_.sounds = models_.sounds;
      soundCount_ = 3;
    }
  }

  bool Finish() {
    if (!modelMeshes_.empty()) {
      line_ = modelLine_;
      if (seen_.count("length") == 0) return Fail("a mesh from a model file needs a length line");
      std::string fault;
      if (!NormaliseModel(&modelMeshes_, length_, &fault)) return Fail(fault);
      for (std::size_t m = 0; m < modelMeshes_.size(); ++m) {
        file_.meshes.push_back(std::move(modelMeshes_[m]));
        meshLines_.push_back(modelMeshLines_[m]);
      }
    }
    if (seen_.count("shield") != 0) TakeModels();
    line_ = 0;
    for (const char* key : {"pitch-rate", "turn-rate", "bank-rate", "angle-limit", "acceleration",
                            "top-speed", "phaser-value", "torpedo-value", "shield",
                            "shield-model"}) {
      if (seen_.count(key) == 0) {
        *error_ = path_ + ": " + key + " is missing";
        return false;
      }
    }
    const std::size_t pairs = file_.textures.size() / 2;
    for (std::size_t m = 0; m < file_.meshes.size(); ++m) {
      if (file_.meshes[m].pairIndex >= pairs) {
        line_ = meshLines_[m];
        return Fail("texture pair " + std::to_string(file_.meshes[m].pairIndex) + " of " +
                    std::to_string(pairs) + " described");
      }
    }
    for (const auto& [kind, mounts] :
         {std::pair{"phaser", &file_.phaserMounts}, std::pair{"torpedo", &file_.torpedoMounts}}) {
      const bool model = seen_.count(std::string(kind) + "-model") != 0;
      if (!mounts->empty() && !model) {
        *error_ = path_ + ": " + kind + "-mount lines need a " + kind + "-model";
        return false;
      }
      if (mounts->empty() && model) {
        *error_ = path_ + ": a " + kind + "-model without " + kind +
                  "-mount lines would not be stored";
        return false;
      }
    }
    if (soundCount_ != 0 && soundCount_ != 3) {
      *error_ = path_ + ": " + std::to_string(soundCount_) +
                " of the three sounds given; give all three or none";
      return false;
    }
    file_.hasSounds = soundCount_ == 3;
    std::string fault;
    if (!CheckPluginFile(file_, &fault)) {
      *error_ = path_ + ": " + fault;
      return false;
    }
    return true;
  }

  std::string path_;
  std::filesystem::path folder_;
  PluginFile& file_;
  std::vector<std::string>* warnings_;
  std::string* error_;
  int line_ = 0;
  float length_ = 0;
  std::vector<PluginMesh> modelMeshes_;
  std::vector<int> modelMeshLines_;
  int modelLine_ = 0;
  PluginFile models_;
  int modelsLine_ = 0;
  std::map<std::string, int> seen_;  // key -> line
  std::vector<int> meshLines_;
  int soundCount_ = 0;
};

}  // namespace

bool BuildFromDescription(const std::string& path, PluginFile* out, std::string* error,
                          std::vector<std::string>* warnings) {
  return DescriptionReader(path, out, warnings, error).Read();
}

}  // namespace ironwood::as3tool
