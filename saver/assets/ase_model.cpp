#include "saver/assets/ase_model.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "common/settings.h"
#include "platform/paths.h"
#include "platform/file_bytes.h"
#include "saver/assets/text_tokens.h"
#include "saver/core/vector3.h"

namespace ironwood {
namespace {

// Fewest bytes of text one entry of each list takes: a keyword and its numbers with separators.
constexpr std::size_t kVertexBytes = 10;
constexpr std::size_t kFaceBytes = 16;
constexpr std::size_t kMaterialBytes = 10;

// The scanner of scene exports: tokens of at most 99 characters, keyword searches and numbers.
class Tokens {
 public:
  explicit Tokens(const std::string& text) : tokens_(text, AseModel::kMaxTokenLength) {}

  std::optional<std::string_view> Next() { return tokens_.Next(); }
  void PutBack() { tokens_.PutBack(); }
  std::string_view Quoted() { return tokens_.Quoted(); }

  // Reads up to `keyword`. Inside an object (`withinObject`) the search also ends, unsuccessfully,
  // at the next object's keyword, which is left to be read again: a part missing from one object
  // is never taken from the next.
  bool SkipTo(std::string_view keyword, bool withinObject) {
    while (auto token = Next()) {
      if (*token == keyword) return true;
      if (withinObject && *token == "*GEOMOBJECT") {
        tokens_.PutBack();
        return false;
      }
    }
    return false;
  }
  // Reads the next token when it is `keyword`; leaves any other to be read again.
  bool Keyword(std::string_view keyword) {
    const auto token = Next();
    if (token && *token == keyword) return true;
    if (token) tokens_.PutBack();
    return false;
  }

  std::optional<std::int32_t> Integer() {
    auto token = Next();
    if (!token) return std::nullopt;
    return settings::TextToInt(*token);
  }
  std::optional<double> Real() {
    auto token = Next();
    if (!token) return std::nullopt;
    return std::atof(std::string(*token).c_str());
  }
  bool Skip(int count) {
    for (int i = 0; i < count; ++i) {
      if (!Next()) return false;
    }
    return true;
  }
  std::size_t Remaining() const { return tokens_.Remaining(); }

 private:
  TextTokens tokens_;
};

std::string Unquoted(std::string_view token) {
  if (token.size() < 2) return {};
  return std::string(token.substr(1, token.size() - 2));
}

// Whether `count` entries of at least `bytesEach` bytes can be in what is left of the file.
bool Fits(std::int32_t count, std::size_t remaining, std::size_t bytesEach) {
  return count >= 0 && static_cast<std::size_t>(count) <= remaining / bytesEach;
}

// One pass over a scene file. Each step of an object answers false with the reason when the
// object cannot be used; the object is then dropped and the reason logged.
class AseParser {
 public:
  AseParser(const std::string& text, const std::string& installation, bool withMaterials,
            bool withTexCoords, AseModel* model, std::vector<AseImportObject>* import)
      : tokens_(text), installation_(installation), withMaterials_(withMaterials && !import),
        withTexCoords_(withTexCoords && !import), model_(*model), import_(import) {}

  void Parse() {
    if (withMaterials_) ReadMaterials();
    int objectNumber = 0;
    // An importer takes every object; the saver keeps its limit.
    const std::size_t limit = import_ != nullptr ? SIZE_MAX : AseModel::kMaxMeshes;
    while (model_.meshes.size() < limit && tokens_.SkipTo("*GEOMOBJECT", false)) {
      Mesh mesh;
      AseImportObject extra;
      std::string why;
      if (ReadObject(&mesh, &extra, &why)) {
        model_.meshes.push_back(std::move(mesh));
        if (import_ != nullptr) import_->push_back(std::move(extra));
      } else {
        problems_.Add("object " + std::to_string(objectNumber) +
                      (mesh.name.empty() ? "" : " " + mesh.name) + " dropped: " + why);
      }
      ++objectNumber;
    }
    if (objectNumber == 0) problems_.Add("no *GEOMOBJECT found; the file holds no object");
    const std::vector<std::string> lines = problems_.Lines();
    model_.problems.insert(model_.problems.end(), lines.begin(), lines.end());
  }

 private:
  // ---- Materials ----

  void ReadMaterials() {
    if (!tokens_.SkipTo("*MATERIAL_COUNT", false)) {
      problems_.Add("no *MATERIAL_COUNT: the search for it read the whole file, so no material "
                    "and no object is read");
      return;
    }
    std::int32_t count = tokens_.Integer().value_or(0);
    if (!Fits(count, tokens_.Remaining(), kMaterialBytes) || count > AseModel::kMaxMaterials) {
      problems_.Add("material count " + std::to_string(count) + " does not fit the file (at most " +
                    std::to_string(AseModel::kMaxMaterials) + "); no materials read");
      count = 0;
    }
    model_.materials.resize(static_cast<std::size_t>(count) * 2);
    for (std::int32_t k = 0; k < count; ++k) {
      // The objects follow the material list: a material the list lacks is not looked for
      // among them.
      if (!tokens_.SkipTo("*MATERIAL", true)) {
        problems_.Add(MaterialsNotFound(
            k, count, tokens_.Remaining() == 0 ? "the file ends before them"
                                               : "the material list ends before them"));
        return;
      }
      if (!ReadMaterial(k)) {
        if (k + 1 < count) {
          problems_.Add(MaterialsNotFound(k + 1, count,
                                          (tokens_.Remaining() == 0 ? "the file ends inside "
                                                                    : "an object begins inside ") +
                                              std::string("material ") + std::to_string(k)));
        }
        return;
      }
    }
  }

  static std::string MaterialsNotFound(std::int32_t first, std::int32_t count,
                                       const std::string& why) {
    const std::string which = first + 1 == count
                                  ? "material " + std::to_string(first)
                                  : "materials " + std::to_string(first) + " to " +
                                        std::to_string(count - 1);
    return which + " not found: " + why;
  }

  // One material after its "*MATERIAL", up to the brace that closes its own block (braces are
  // counted, so a material without maps ends where it ends); a "}" before any "{" closes the
  // list around it and ends the material too. False when the file ends, or an object begins,
  // before that brace: what was read is still loaded.
  bool ReadMaterial(std::int32_t k) {
    std::string diffuse, selfIllum, opacity, specular;
    bool selfIllumSeen = false;
    bool ended = false;
    int depth = 0;
    // The map block being read and the depth of its braces; its bitmap is looked for inside it.
    std::string* map = nullptr;
    std::string mapKeyword;
    int mapDepth = 0;
    auto closeMap = [&] {
      if (map != nullptr) {
        problems_.Add("material " + std::to_string(k) + ": " + mapKeyword + " has no *BITMAP");
      }
      map = nullptr;
    };
    while (!ended) {
      const auto token = tokens_.Next();
      if (!token) break;
      if (*token == "*GEOMOBJECT") {
        tokens_.PutBack();
        break;
      }
      if (*token == "{") {
        ++depth;
        continue;
      }
      if (*token == "}") {
        if (map != nullptr && depth <= mapDepth) closeMap();
        if (--depth <= 0) ended = true;
        continue;
      }
      std::string* name = nullptr;
      if (*token == "*MAP_DIFFUSE") name = &diffuse;
      if (*token == "*MAP_SELFILLUM") {
        name = &selfIllum;
        selfIllumSeen = true;
      }
      if (*token == "*MAP_OPACITY") name = &opacity;
      if (*token == "*MAP_SPECULAR") name = &specular;
      if (name != nullptr) {
        closeMap();
        map = name;
        mapKeyword = std::string(*token);
        mapDepth = depth + 1;  // the block this keyword opens
        continue;
      }
      if (*token == "*BITMAP" && map != nullptr) {
        if (auto bitmap = tokens_.Next()) {
          *map = Unquoted(*bitmap);
          map = nullptr;
        }
      }
      // A quoted name may hold spaces and braces; none of it counts as a brace.
      tokens_.Quoted();
    }
    if (!ended) closeMap();
    auto path = [&](const std::string& file) {
      return platform::InstallationFile(installation_, "Gfx", file);
    };
    Texture& first = model_.materials[2 * static_cast<std::size_t>(k)];
    std::string why;
    if (diffuse.empty()) {
      // A material of plain colours: nothing to load, and "Gfx/" itself is no bitmap.
      problems_.Add("material " + std::to_string(k) + " has no diffuse bitmap; its objects are "
                    "drawn without a texture");
    } else if (!first.LoadBmp(selfIllumSeen, path(diffuse), path(selfIllum), &why)) {
      problems_.Add("material " + std::to_string(k) + ": " + why);
    }
    // The second texture of a pair is drawn by nothing the scene files describe; it is loaded
    // when its maps are there, quietly left empty when they are not.
    if (!specular.empty()) {
      model_.materials[2 * static_cast<std::size_t>(k) + 1].LoadBmp(!opacity.empty(),
                                                                    path(specular), path(opacity));
    }
    return ended;
  }

  // ---- Objects ----

  // One object after its "*GEOMOBJECT".
  bool ReadObject(Mesh* mesh, AseImportObject* extra, std::string* why) {
    std::int32_t vertexCount = 0, faceCount = 0;
    if (!ReadNameAndCounts(mesh, extra, &vertexCount, &faceCount, why) ||
        !ReadVertices(mesh, vertexCount, why) || !ReadFaces(mesh, faceCount, why)) {
      return false;
    }
    if (import_ != nullptr) {
      if (!ReadImportDetail(extra, why)) return false;
    } else {
      if (withTexCoords_ && !ReadTexVertices(mesh, why)) return false;
      if (withMaterials_) ReadMaterialRef(mesh);
    }
    FinishArrays(mesh, withTexCoords_);
    return true;
  }

  // The node name (the first one of the object, which is the node's own) and the counts.
  bool ReadNameAndCounts(Mesh* mesh, AseImportObject* extra, std::int32_t* vertexCount,
                         std::int32_t* faceCount, std::string* why) {
    if (!tokens_.SkipTo("*NODE_NAME", true)) {
      *why = "no node name";
      return false;
    }
    auto name = tokens_.Next();
    if (!name) {
      *why = "no node name";
      return false;
    }
    mesh->name = std::string(name->substr(0, AseModel::kMaxNameLength));
    if (import_ != nullptr) {
      const std::string_view quoted = tokens_.Quoted();
      extra->name = quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"'
                        ? std::string(quoted.substr(1, quoted.size() - 2))
                        : std::string(quoted);
    }
    bool countsRead = false;
    while (auto token = tokens_.Next()) {
      if (*token == "*GEOMOBJECT") {
        tokens_.PutBack();
        break;
      }
      if (*token == "*MESH_NUMVERTEX") *vertexCount = tokens_.Integer().value_or(0);
      if (*token == "*MESH_NUMFACES") {
        *faceCount = tokens_.Integer().value_or(0);
        countsRead = true;
        break;
      }
    }
    if (!countsRead) {
      *why = "no face count";
      return false;
    }
    // Counts beyond what the rest of the file could hold are refused at once; the lists are
    // allocated as they are read, so a count the entries do not bear out costs nothing.
    if (!Fits(*vertexCount, tokens_.Remaining(), kVertexBytes) ||
        !Fits(*faceCount, tokens_.Remaining(), kFaceBytes)) {
      *why = "counts of " + std::to_string(*vertexCount) + " vertices and " +
             std::to_string(*faceCount) + " faces do not fit the file";
      return false;
    }
    return true;
  }

  // x, y, z of each "*MESH_VERTEX" in list order (not by the index written), divided by 300.
  bool ReadVertices(Mesh* mesh, std::int32_t count, std::string* why) {
    if (!tokens_.SkipTo("*MESH_VERTEX_LIST", true) || !tokens_.Skip(1)) {
      *why = "no vertex list";
      return false;
    }
    mesh->workVertices.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
      if (!tokens_.Keyword("*MESH_VERTEX")) {
        *why = "the vertex list holds " + std::to_string(i) + " of " + std::to_string(count) +
               " vertices";
        return false;
      }
      const bool index = tokens_.Skip(1);
      const auto x = tokens_.Real(), y = tokens_.Real(), z = tokens_.Real();
      if (!index || !z) {
        *why = "the vertex list is cut short";
        return false;
      }
      Mesh::WorkVertex& v = mesh->workVertices.emplace_back();
      v.x = static_cast<float>(*x / 300);
      v.y = static_cast<float>(*y / 300);
      v.z = static_cast<float>(*z / 300);
    }
    return true;
  }

  // A, B and C of each face; the rest of a face line is passed over by the next search.
  bool ReadFaces(Mesh* mesh, std::int32_t count, std::string* why) {
    const std::size_t vertexCount = mesh->workVertices.size();
    for (std::int32_t j = 0; j < count; ++j) {
      std::array<std::int32_t, 3> face{};
      bool read = tokens_.SkipTo("*MESH_FACE", true) && tokens_.Skip(2);
      for (int corner = 0; read && corner < 3; ++corner) {
        if (corner > 0) read = tokens_.Skip(1);
        const auto index = read ? tokens_.Integer() : std::nullopt;
        read = index.has_value();
        if (read) face[static_cast<std::size_t>(corner)] = *index;
      }
      if (!read) {
        *why = "face " + std::to_string(j) + " is missing";
        return false;
      }
      for (std::int32_t index : face) {
        if (index < 0 || static_cast<std::size_t>(index) >= vertexCount) {
          *why = "face " + std::to_string(j) + " uses vertex " + std::to_string(index) + " of " +
                 std::to_string(vertexCount);
          return false;
        }
      }
      mesh->workFaces.push_back(face);
    }
    return true;
  }

  // Texture vertex i belongs to vertex i. A list shorter than the vertex list leaves the rest
  // at 0 and says so; what follows it is not read as coordinates.
  bool ReadTexVertices(Mesh* mesh, std::string* why) {
    if (!tokens_.SkipTo("*MESH_TVERTLIST", true) || !tokens_.Skip(1)) {
      problems_.Add(mesh->name + ": no texture vertices; coordinates left at 0");
      return true;
    }
    std::size_t read = 0;
    for (Mesh::WorkVertex& v : mesh->workVertices) {
      if (!tokens_.Keyword("*MESH_TVERT")) {
        if (!tokens_.Next()) break;  // the file ends: cut short
        tokens_.PutBack();
        problems_.Add(mesh->name + ": " + std::to_string(read) + " texture vertices for " +
                      std::to_string(mesh->workVertices.size()) +
                      " vertices; the rest left at 0");
        return true;
      }
      const bool index = tokens_.Skip(1);
      const auto u = tokens_.Real(), w = tokens_.Real();
      if (!index || !w || !tokens_.Skip(1)) break;
      v.u = static_cast<float>(*u);
      v.v = static_cast<float>(*w);
      ++read;
    }
    if (read < mesh->workVertices.size()) {
      *why = "the texture vertex list is cut short";
      return false;
    }
    return true;
  }

  void ReadMaterialRef(Mesh* mesh) {
    const auto ref =
        tokens_.SkipTo("*MATERIAL_REF", true) ? tokens_.Integer() : std::optional<std::int32_t>();
    const std::size_t materialCount = model_.materials.size() / 2;
    if (ref && *ref >= 0 && static_cast<std::size_t>(*ref) < materialCount) {
      mesh->texture = &model_.materials[2 * static_cast<std::size_t>(*ref)];
    } else {
      problems_.Add(mesh->name + ": material " +
                    (ref ? std::to_string(*ref) : std::string("(none)")) +
                    " does not exist; drawn without a texture");
    }
  }

  // For importing: the rest of the object up to the next one, taking the texture vertices by
  // their own count, the texture faces and the vertex normals.
  bool ReadImportDetail(AseImportObject* extra, std::string* why) {
    while (auto token = tokens_.Next()) {
      if (*token == "*GEOMOBJECT") {
        tokens_.PutBack();
        break;
      }
      if (*token == "*MESH_NUMTVERTEX" || *token == "*MESH_NUMTVFACES") {
        const bool vertices = *token == "*MESH_NUMTVERTEX";
        const std::int32_t count = tokens_.Integer().value_or(-1);
        if (!Fits(count, tokens_.Remaining(), vertices ? kVertexBytes : kFaceBytes)) {
          *why = (vertices ? "texture vertex count " : "texture face count ") +
                 std::to_string(count) + " does not fit the file";
          return false;
        }
        if (vertices) extra->texVertices.reserve(static_cast<std::size_t>(count));
        if (!vertices) extra->texFaces.reserve(static_cast<std::size_t>(count));
      } else if (*token == "*MESH_TVERT") {
        const bool index = tokens_.Skip(1);
        const auto u = tokens_.Real(), v = tokens_.Real();
        if (!index || !v || !tokens_.Skip(1)) {
          *why = "the texture vertex list is cut short";
          return false;
        }
        extra->texVertices.push_back({static_cast<float>(*u), static_cast<float>(*v)});
      } else if (*token == "*MESH_TFACE") {
        const bool index = tokens_.Skip(1);
        const auto a = tokens_.Integer(), b = tokens_.Integer(), c = tokens_.Integer();
        if (!index || !c) {
          *why = "the texture face list is cut short";
          return false;
        }
        extra->texFaces.push_back({*a, *b, *c});
      } else if (*token == "*MESH_VERTEXNORMAL") {
        const auto vertex = tokens_.Integer();
        const auto x = tokens_.Real(), y = tokens_.Real(), z = tokens_.Real();
        if (!vertex || !z) {
          *why = "a vertex normal is cut short";
          return false;
        }
        extra->vertexNormals.push_back(
            {*vertex, {static_cast<float>(*x), static_cast<float>(*y), static_cast<float>(*z)}});
      }
    }
    return true;
  }

  // Face normals, unnormalised so that larger faces weigh more, summed at their corners; then
  // the packed arrays.
  static void FinishArrays(Mesh* mesh, bool withTexCoords) {
    mesh->vertexCount = static_cast<std::uint32_t>(mesh->workVertices.size());
    mesh->faceCount = static_cast<std::uint32_t>(mesh->workFaces.size());
    for (const auto& face : mesh->workFaces) {
      const Mesh::WorkVertex& a = mesh->workVertices[static_cast<std::size_t>(face[0])];
      const Mesh::WorkVertex& b = mesh->workVertices[static_cast<std::size_t>(face[1])];
      const Mesh::WorkVertex& c = mesh->workVertices[static_cast<std::size_t>(face[2])];
      const float ux = a.x - c.x, uy = a.y - c.y, uz = a.z - c.z;
      const float vx = c.x - b.x, vy = c.y - b.y, vz = c.z - b.z;
      const float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
      for (std::int32_t index : face) {
        Mesh::WorkVertex& v = mesh->workVertices[static_cast<std::size_t>(index)];
        v.nx += nx;
        v.ny += ny;
        v.nz += nz;
        ++v.faceCount;
      }
    }
    mesh->positions.reserve(mesh->vertexCount * 3);
    mesh->normals.reserve(mesh->vertexCount * 3);
    mesh->texCoords.assign(mesh->vertexCount * 2, 0.0f);
    for (std::uint32_t i = 0; i < mesh->vertexCount; ++i) {
      Mesh::WorkVertex& v = mesh->workVertices[i];
      if (v.faceCount != 0) {
        v.nx /= static_cast<float>(v.faceCount);
        v.ny /= static_cast<float>(v.faceCount);
        v.nz /= static_cast<float>(v.faceCount);
      }
      const float length = Length3f(v.nx, v.ny, v.nz);
      if (length != 0) {
        v.nx /= length;
        v.ny /= length;
        v.nz /= length;
      }
      mesh->positions.insert(mesh->positions.end(), {v.x, v.y, v.z});
      mesh->normals.insert(mesh->normals.end(), {v.nx, v.ny, v.nz});
      if (withTexCoords) {
        mesh->texCoords[2 * i] = v.u;
        mesh->texCoords[2 * i + 1] = v.v;
      }
    }
    mesh->indices.reserve(mesh->faceCount * 3);
    for (const auto& face : mesh->workFaces) {
      for (std::int32_t index : face) mesh->indices.push_back(static_cast<std::uint32_t>(index));
    }
  }

  Tokens tokens_;
  const std::string& installation_;
  bool withMaterials_;
  bool withTexCoords_;
  AseModel& model_;
  std::vector<AseImportObject>* import_;
  ProblemLines problems_;
};

// Whether `text` starts as UTF-16 would: a byte-order mark, or a zero in every other byte of
// its first characters. Read as 8-bit text such a file is one long run of tokens that no
// keyword matches.
bool LooksLikeUtf16(const std::string& text) {
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') ||
                           (text[0] == '\xFE' && text[1] == '\xFF'))) {
    return true;
  }
  const std::size_t checked = std::min<std::size_t>(text.size() & ~std::size_t{1}, 64);
  if (checked < 4) return false;
  bool evenZero = true, oddZero = true, evenSet = false, oddSet = false;
  for (std::size_t i = 0; i < checked; ++i) {
    const bool zero = text[i] == '\0';
    if (i % 2 == 0) {
      evenZero &= zero;
      evenSet |= !zero;
    } else {
      oddZero &= zero;
      oddSet |= !zero;
    }
  }
  return (oddZero && evenSet) || (evenZero && oddSet);
}

}  // namespace

void ParseAse(const std::string& text, const std::string& installation, bool withMaterials,
              bool withTexCoords, AseModel* model, std::vector<AseImportObject>* import) {
  AseParser(text, installation, withMaterials, withTexCoords, model, import).Parse();
}

bool LoadAse(const std::string& path, const std::string& installation, bool withMaterials,
             bool withTexCoords, AseModel* model, std::string* why) {
  std::string text, reason;
  if (!platform::ReadWholeFile(path, AseModel::kMaxFileBytes, &text, &reason)) {
    if (why != nullptr) *why = reason;
    return false;
  }
  if (LooksLikeUtf16(text)) {
    if (why != nullptr) *why = path + " is UTF-16 text; a scene file must be 8-bit text";
    return false;
  }
  ParseAse(text, installation, withMaterials, withTexCoords, model);
  return true;
}

}  // namespace ironwood
