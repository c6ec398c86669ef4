// Model and image import through the Open Asset Import Library and stb_image (Linux build).

#include "tools/as3tool/model_import.h"

#include <assimp/DefaultLogger.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/LogStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <stb_image.h>
#include <stb_image_resize.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "tools/assetgen/ships.h"

#include <sys/resource.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define IRONWOOD_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define IRONWOOD_ADDRESS_SANITIZER 1
#endif

namespace ironwood::as3tool {
namespace {

namespace fs = std::filesystem;

// The largest single file a model may pull in (its buffers, its images).
constexpr std::size_t kMaxModelFileBytes = std::size_t{256} << 20;
constexpr unsigned kMaxMeshVertices = 1023;
constexpr unsigned kMaxMeshTriangles = 1023;
constexpr std::size_t kMaxMeshes = 255;
// A name no file has: the model bytes of ReadModelBytes.
constexpr const char* kMemoryName = "$ironwood-model$";

class ByteStream : public Assimp::IOStream {
 public:
  explicit ByteStream(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Read(void* buffer, size_t size, size_t count) override {
    if (size == 0) return 0;
    const size_t whole = std::min(count, (bytes_.size() - at_) / size);
    std::memcpy(buffer, bytes_.data() + at_, whole * size);
    at_ += whole * size;
    return whole;
  }
  size_t Write(const void*, size_t, size_t) override { return 0; }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    const size_t base = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? at_ : bytes_.size();
    if (offset > bytes_.size() || base > bytes_.size() - offset) return aiReturn_FAILURE;
    at_ = base + offset;
    return aiReturn_SUCCESS;
  }
  size_t Tell() const override { return at_; }
  size_t FileSize() const override { return bytes_.size(); }
  void Flush() override {}

 private:
  std::string bytes_;
  size_t at_ = 0;
};

// Files for the importer: the model bytes themselves (in memory), and, when `folder` is set,
// regular files inside that folder, read whole and bounded. Nothing is ever written.
class FolderIoSystem : public Assimp::IOSystem {
 public:
  FolderIoSystem(std::string memoryName, std::string memory, fs::path folder)
      : memoryName_(std::move(memoryName)), memory_(std::move(memory)),
        folder_(std::move(folder)) {}

  bool Exists(const char* file) const override {
    return Load(file, nullptr);
  }
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* file, const char* mode) override {
    if (mode != nullptr && std::strchr(mode, 'w') != nullptr) return nullptr;
    std::string bytes;
    if (!Load(file, &bytes)) return nullptr;
    return new ByteStream(std::move(bytes));
  }
  void Close(Assimp::IOStream* stream) override { delete stream; }

 private:
  bool Load(const char* file, std::string* bytes) const {
    if (file == nullptr) return false;
    if (memoryName_ == file) {
      if (bytes != nullptr) *bytes = memory_;
      return true;
    }
    if (folder_.empty()) return false;
    std::error_code fault;
    const fs::path wanted = fs::weakly_canonical(fs::path(file), fault);
    if (fault) return false;
    const auto [end, rest] = std::mismatch(folder_.begin(), folder_.end(), wanted.begin(),
                                           wanted.end());
    if (end != folder_.end()) return false;  // outside the model's folder
    if (!fs::is_regular_file(wanted, fault)) return false;
    if (bytes == nullptr) return true;
    Bytes data;
    std::string error;
    if (fs::file_size(wanted, fault) > kMaxModelFileBytes || fault) return false;
    if (!ReadFileBytes(wanted.string(), &data, &error)) return false;
    bytes->assign(data.begin(), data.end());
    return true;
  }

  std::string memoryName_, memory_;
  fs::path folder_;
};

// Readers that meet a fault they can step round (an index past the vertices, a broken
// accessor) log it and go on with less than the file says; such a file is refused rather than
// imported with parts missing. Kept: the first error logged while the scope lives, or the first
// warning that says something was dropped or out of range.
class ErrorCapture {
 public:
  ErrorCapture() {
    Assimp::DefaultLogger::create("", Assimp::Logger::NORMAL, 0);
    Assimp::DefaultLogger::get()->attachStream(new Stream(&first_),
                                               Assimp::Logger::Err | Assimp::Logger::Warn);
  }
  ~ErrorCapture() { Assimp::DefaultLogger::kill(); }  // the logger deletes its stream
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;
  const std::string& First() const { return first_; }

 private:
  class Stream : public Assimp::LogStream {
   public:
    explicit Stream(std::string* first) : first_(first) {}
    void write(const char* message) override {
      if (!first_->empty() || message == nullptr) return;
      std::string text = message;
      if (text.rfind("Error", 0) != 0 && text.find("dropped") == std::string::npos &&
          text.find("out-of-range") == std::string::npos &&
          text.find("out of range") == std::string::npos) {
        return;  // a warning about something the tool does not use
      }
      // "Error, T0: what" without the severity and thread prefix.
      if (const std::size_t colon = text.find(": "); colon != std::string::npos) {
        text.erase(0, colon + 2);
      }
      while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
      *first_ = text.empty() ? "an error without words" : text;
    }

   private:
    std::string* first_;
  };
  std::string first_;
};

bool Finite(const aiVector3D& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// One mesh of the scene as plug-in meshes of at most 1023 vertices and triangles each: faces in
// order, each piece taking the vertices its faces use.
bool SplitMesh(const aiMesh& mesh, std::uint32_t slot, std::vector<PluginMesh>* out,
               std::string* error) {
  PluginMesh piece;
  piece.pairIndex = slot;
  std::vector<std::uint32_t> local(mesh.mNumVertices, UINT32_MAX);
  std::vector<unsigned> used;  // the scene vertices `local` maps for this piece
  auto flush = [&] {
    if (!piece.triangles.empty()) out->push_back(std::move(piece));
    piece = PluginMesh{};
    piece.pairIndex = slot;
    for (unsigned v : used) local[v] = UINT32_MAX;
    used.clear();
  };
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    const aiFace& face = mesh.mFaces[f];
    if (face.mNumIndices != 3) continue;  // points and lines draw nothing
    for (unsigned k = 0; k < 3; ++k) {
      if (face.mIndices[k] >= mesh.mNumVertices) {
        *error = "face " + std::to_string(f) + " uses vertex " +
                 std::to_string(face.mIndices[k]) + " of " + std::to_string(mesh.mNumVertices);
        return false;
      }
    }
    int fresh = 0;
    for (unsigned k = 0; k < 3; ++k) fresh += local[face.mIndices[k]] == UINT32_MAX ? 1 : 0;
    if (piece.vertices.size() + static_cast<std::size_t>(fresh) > kMaxMeshVertices ||
        piece.triangles.size() + 1 > kMaxMeshTriangles) {
      flush();
    }
    std::array<std::uint32_t, 3> triangle{};
    for (unsigned k = 0; k < 3; ++k) {
      const unsigned v = face.mIndices[k];
      if (local[v] == UINT32_MAX) {
        const aiVector3D& p = mesh.mVertices[v];
        if (!Finite(p)) {
          *error = "vertex " + std::to_string(v) + " has a coordinate that is not finite";
          return false;
        }
        PluginVertex vertex;
        vertex.position = {p.x, p.y, p.z};
        if (mesh.mNormals != nullptr && Finite(mesh.mNormals[v])) {
          vertex.normal = {mesh.mNormals[v].x, mesh.mNormals[v].y, mesh.mNormals[v].z};
        }
        if (mesh.mTextureCoords[0] != nullptr) {
          const aiVector3D& t = mesh.mTextureCoords[0][v];
          if (std::isfinite(t.x) && std::isfinite(t.y)) vertex.texCoord = {t.x, t.y};
        }
        local[v] = static_cast<std::uint32_t>(piece.vertices.size());
        used.push_back(v);
        piece.vertices.push_back(vertex);
      }
      triangle[k] = local[v];
    }
    piece.triangles.push_back(triangle);
  }
  flush();
  return true;
}

// The base-colour image of a material: embedded ("*N" or the image's own name) or a file
// relative to the model's folder.
void MaterialImage(const aiScene& scene, const aiMaterial& material, const fs::path& folder,
                   ModelMaterial* out) {
  aiString name;
  if (material.Get(AI_MATKEY_NAME, name) == AI_SUCCESS) out->name = name.C_Str();
  aiString texturePath;
  if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &texturePath) != AI_SUCCESS &&
      material.GetTexture(aiTextureType_DIFFUSE, 0, &texturePath) != AI_SUCCESS) {
    return;  // no image named: the neutral texture, quietly
  }
  const std::string wanted = texturePath.C_Str();
  if (const aiTexture* texture = scene.GetEmbeddedTexture(wanted.c_str())) {
    out->embedded = true;
    std::string error;
    if (texture->mHeight == 0) {
      const Bytes bytes(reinterpret_cast<const std::uint8_t*>(texture->pcData),
                        reinterpret_cast<const std::uint8_t*>(texture->pcData) + texture->mWidth);
      if (!DecodeImage(bytes, &out->image, &error)) out->problem = "embedded image: " + error;
    } else if (std::int64_t{texture->mWidth} * texture->mHeight > kMaxImagePixels) {
      out->problem = "embedded image: larger than any texture needs";
    } else {
      RgbaImage& image = out->image;
      image.width = static_cast<int>(texture->mWidth);
      image.height = static_cast<int>(texture->mHeight);
      image.hasAlpha = true;
      image.rgba.resize(static_cast<std::size_t>(image.width) * image.height * 4);
      for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
          // Texels come top row first; records keep the bottom row first.
          const aiTexel& t = texture->pcData[static_cast<std::size_t>(image.height - 1 - y) *
                                                 image.width + x];
          std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
          p[0] = t.r;
          p[1] = t.g;
          p[2] = t.b;
          p[3] = t.a;
        }
      }
    }
    return;
  }
  if (folder.empty()) {
    out->problem = "\"" + wanted + "\" is not in the model";
    return;
  }
  std::string file = wanted;
  std::replace(file.begin(), file.end(), '\\', '/');
  std::error_code fault;
  const fs::path resolved = fs::weakly_canonical(folder / fs::path(file), fault);
  const auto [end, rest] =
      std::mismatch(folder.begin(), folder.end(), resolved.begin(), resolved.end());
  if (fault || end != folder.end() || fs::path(file).is_absolute()) {
    out->problem = "\"" + wanted + "\" is outside the model's folder and is not read";
    return;
  }
  Bytes bytes;
  std::string error;
  if (!ReadFileBytes(resolved.string(), &bytes, &error) ||
      !DecodeImage(bytes, &out->image, &error)) {
    out->problem = "\"" + wanted + "\": " + error;
    return;
  }
  out->imageFile = resolved.string();
}

// While a model is read, the process may map at most 4 GiB more than it had: the readers size
// arrays by numbers in the file, and a few hostile bytes can otherwise have one take all the
// machine's memory before it fails. Past the ceiling an allocation fails, the reader reports
// it and the model is refused. (Not under AddressSanitizer, whose shadow mappings the ceiling
// would break; the fuzz targets have their own memory limit.)
class MemoryCeiling {
 public:
  MemoryCeiling() {
#ifndef IRONWOOD_ADDRESS_SANITIZER
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
      std::fclose(statm);
    }
    if (pages <= 0 || getrlimit(RLIMIT_AS, &saved_) != 0) return;
    const rlim_t ceiling = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                           (rlim_t{4} << 30);
    if (saved_.rlim_cur != RLIM_INFINITY && saved_.rlim_cur <= ceiling) return;
    rlimit lowered = saved_;
    lowered.rlim_cur = ceiling;
    active_ = setrlimit(RLIMIT_AS, &lowered) == 0;
#endif
  }
  ~MemoryCeiling() {
    if (active_) setrlimit(RLIMIT_AS, &saved_);
  }
  MemoryCeiling(const MemoryCeiling&) = delete;
  MemoryCeiling& operator=(const MemoryCeiling&) = delete;

 private:
  rlimit saved_{};
  bool active_ = false;
};

std::uint32_t Little32(const std::string& b, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(b[at + i]);
  return value;
}

// The binary glTF container checked before the reader sees it: the reader takes the header's
// and the chunks' lengths as they stand and asks for that much memory, gigabytes for a few
// hostile bytes.
bool CheckGlbContainer(const std::string& bytes, std::string* error) {
  if (bytes.size() < 12 || bytes.compare(0, 4, "glTF") != 0) return true;  // not binary glTF
  const std::uint32_t length = Little32(bytes, 8);
  if (Little32(bytes, 4) != 2) {
    *error = "is a binary glTF of version " + std::to_string(Little32(bytes, 4)) + ", not 2";
    return false;
  }
  if (length > bytes.size() || length < 12) {
    *error = "is a damaged model: its binary glTF header says " + std::to_string(length) +
             " bytes, the file has " + std::to_string(bytes.size());
    return false;
  }
  for (std::size_t at = 12; at < length;) {
    if (length - at < 8) {
      *error = "is a damaged model: a binary glTF chunk header is cut short";
      return false;
    }
    const std::uint32_t chunk = Little32(bytes, at);
    if (chunk > length - at - 8) {
      *error = "is a damaged model: a binary glTF chunk of " + std::to_string(chunk) +
               " bytes runs past the end of the file";
      return false;
    }
    at += 8 + std::size_t{chunk};
  }
  return true;
}

// The counts of a COLLADA file checked before the reader sees them: it reserves memory for
// each array by its count attribute, hundreds of megabytes for a few hostile bytes. In a text
// file every counted value takes at least two characters.
bool CheckColladaCounts(const std::string& bytes, std::string* error) {
  if (bytes.find("<COLLADA") == std::string::npos) return true;
  for (std::size_t at = bytes.find("count"); at != std::string::npos;
       at = bytes.find("count", at + 5)) {
    std::size_t digits = bytes.find_first_not_of(" \t\r\n=\"'", at + 5);
    if (digits == std::string::npos || digits > at + 12) continue;
    std::uint64_t count = 0;
    for (; digits < bytes.size() && bytes[digits] >= '0' && bytes[digits] <= '9'; ++digits) {
      count = std::min<std::uint64_t>(count * 10 + static_cast<unsigned>(bytes[digits] - '0'),
                                      UINT32_MAX);
    }
    if (count > bytes.size() / 2) {
      *error = "is a damaged model: a count of " + std::to_string(count) +
               " is more than its " + std::to_string(bytes.size()) + " bytes can hold";
      return false;
    }
  }
  // Arrays and accessors say their count, inputs their meaning and source: the reader takes
  // these attributes as present.
  for (const auto& [element, attributes] :
       {std::pair<std::string, std::vector<std::string>>{"<float_array", {"count"}},
        {"<int_array", {"count"}}, {"<Name_array", {"count"}}, {"<IDREF_array", {"count"}},
        {"<bool_array", {"count"}}, {"<accessor", {"count", "source"}},
        {"<input", {"semantic", "source"}}}) {
    for (std::size_t at = bytes.find(element); at != std::string::npos;
         at = bytes.find(element, at + 1)) {
      const std::size_t end = bytes.find('>', at);
      const std::string tag = bytes.substr(at, end == std::string::npos ? end : end - at);
      for (const std::string& attribute : attributes) {
        if (tag.find(" " + attribute + "=") == std::string::npos &&
            tag.find("\t" + attribute + "=") == std::string::npos &&
            tag.find("\n" + attribute + "=") == std::string::npos) {
          *error = "is a damaged model: an " + element.substr(1) + " element without its " +
                   attribute;
          return false;
        }
      }
    }
  }
  // Index lists hold whole numbers only, none beyond what the file can hold: the reader takes
  // other bytes there for digits and sizes its arrays by the largest index it sees.
  for (const char* tag : {"<p>", "<vcount>"}) {
    const std::string open = tag;
    const std::string close = "</" + open.substr(1);
    for (std::size_t at = bytes.find(open); at != std::string::npos;
         at = bytes.find(open, at + 1)) {
      const std::size_t end = bytes.find(close, at);
      if (end == std::string::npos) break;  // the reader finds the file cut short
      std::uint64_t value = 0;
      for (std::size_t i = at + open.size(); i < end; ++i) {
        const char c = bytes[i];
        if (c >= '0' && c <= '9') {
          value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c - '0'), UINT32_MAX);
          if (value > bytes.size()) {
            *error = "is a damaged model: an index of " + std::to_string(value) +
                     " is more than its " + std::to_string(bytes.size()) + " bytes can hold";
            return false;
          }
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
          value = 0;
        } else {
          *error = "is a damaged model: an index list holds something other than whole numbers";
          return false;
        }
      }
    }
  }
  return true;
}

bool ReadScene(const std::string& name, FolderIoSystem* io, const fs::path& folder,
               ImportedModel* out, std::string* error) {
  *out = ImportedModel{};
  ErrorCapture errors;
  MemoryCeiling ceiling;
  Assimp::Importer importer;
  importer.SetIOHandler(io);  // the importer owns it from here
  importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
  const aiScene* scene = importer.ReadFile(
      name, aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_JoinIdenticalVertices |
                aiProcess_PreTransformVertices | aiProcess_SortByPType |
                aiProcess_ValidateDataStructure);
  if (scene == nullptr) {
    std::string why = importer.GetErrorString();
    if (why.find("bad_alloc") != std::string::npos) why = "it asks for more memory than any model needs";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    if (why.find("mNumMeshes is 0") != std::string::npos) {
      *error = "has nothing to draw (no meshes with faces)";
      return false;
    }
    *error = "cannot be read as a model: " + (why.empty() ? std::string("no reason given") : why);
    return false;
  }
  if (!errors.First().empty()) {
    *error = "is a damaged model: " + errors.First();
    return false;
  }
  std::map<unsigned, std::uint32_t> slots;  // scene material -> material slot
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh& mesh = *scene->mMeshes[m];
    if ((mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) == 0) continue;
    auto slot = slots.find(mesh.mMaterialIndex);
    if (slot == slots.end()) {
      slot = slots.emplace(mesh.mMaterialIndex, static_cast<std::uint32_t>(slots.size())).first;
      ModelMaterial material;
      if (mesh.mMaterialIndex < scene->mNumMaterials) {
        MaterialImage(*scene, *scene->mMaterials[mesh.mMaterialIndex], folder, &material);
      }
      out->materials.push_back(std::move(material));
    }
    std::string fault;
    if (!SplitMesh(mesh, slot->second, &out->meshes, &fault)) {
      *error = "mesh " + std::to_string(m) + ": " + fault;
      return false;
    }
    if (out->meshes.size() > kMaxMeshes) {
      *error = "more than " + std::to_string(kMaxMeshes) +
               " plug-in meshes of 1023 vertices and triangles; a plug-in holds no more";
      return false;
    }
  }
  if (out->materials.size() > 255) {
    *error = "more than 255 materials; a plug-in holds 255 texture pairs";
    return false;
  }
  if (out->meshes.empty()) {
    *error = "has nothing to draw (no triangles)";
    return false;
  }
  return true;
}

}  // namespace

bool ModelImportAvailable() { return true; }

bool DecodeImage(const Bytes& bytes, RgbaImage* out, std::string* error) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
    *error = bytes.empty() ? "is empty" : "is too large";
    return false;
  }
  const int length = static_cast<int>(bytes.size());
  int width = 0, height = 0, channels = 0;
  if (stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) == 0) {
    *error = std::string("is not a PNG, JPEG, TGA or BMP image the tool can read (") +
             stbi_failure_reason() + ")";
    return false;
  }
  if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxImagePixels) {
    *error = std::to_string(width) + " x " + std::to_string(height) +
             " is larger than any texture needs";
    return false;
  }
  stbi_set_flip_vertically_on_load(1);  // the bottom row first, as records keep them
  std::uint8_t* pixels = stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4);
  if (pixels == nullptr) {
    *error = std::string("cannot be decoded (") + stbi_failure_reason() + ")";
    return false;
  }
  out->width = width;
  out->height = height;
  out->hasAlpha = channels == 2 || channels == 4;
  out->rgba.assign(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
  stbi_image_free(pixels);
  return true;
}

RgbaImage Resized(const RgbaImage& image, int width, int height) {
  if (image.width == width && image.height == height) return image;
  RgbaImage out;
  out.width = width;
  out.height = height;
  out.hasAlpha = image.hasAlpha;
  out.rgba.resize(static_cast<std::size_t>(width) * height * 4);
  stbir_resize_uint8(image.rgba.data(), image.width, image.height, 0, out.rgba.data(), width,
                     height, 0, 4);
  return out;
}

bool ReadModel(const std::string& path, ImportedModel* out, std::string* error) {
  std::error_code fault;
  const fs::path model = fs::weakly_canonical(fs::absolute(path, fault), fault);
  if (fault || !fs::is_regular_file(model, fault)) {
    *error = fs::exists(model, fault) ? "is not a regular file" : "cannot be opened";
    return false;
  }
  const fs::path folder = model.parent_path();
  Bytes bytes;
  if (fs::file_size(model, fault) > kMaxModelFileBytes) {
    *error = "is larger than " + std::to_string(kMaxModelFileBytes) + " bytes";
    return false;
  }
  if (!ReadFileBytes(model.string(), &bytes, error)) return false;
  std::string text(bytes.begin(), bytes.end());
  if (!CheckGlbContainer(text, error) || !CheckColladaCounts(text, error)) return false;
  // The model itself from memory under its own name, what it refers to from its folder.
  return ReadScene(model.string(), new FolderIoSystem(model.string(), std::move(text), folder),
                   folder, out, error);
}

bool ReadModelBytes(const std::uint8_t* data, std::size_t size, const std::string& extension,
                    ImportedModel* out, std::string* error) {
  const std::string name = kMemoryName + extension;
  std::string text(reinterpret_cast<const char*>(data), size);
  if (!CheckGlbContainer(text, error) || !CheckColladaCounts(text, error)) return false;
  return ReadScene(name, new FolderIoSystem(name, std::move(text), fs::path()), fs::path(), out,
                   error);
}

bool DefaultClass(PluginFile* out, std::string* error) {
  // The second class of the first fleet is its mid-sized warship; made once a run.
  static const std::vector<assetgen::ShipClassAsset> classes = assetgen::ShipClasses();
  if (classes.size() < 2) {
    *error = "the built-in classes could not be made";
    return false;
  }
  *out = classes[1].plugin;
  return true;
}

}  // namespace ironwood::as3tool
