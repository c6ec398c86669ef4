#include "saver/assets/ase_model.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "common/settings.h"
#include "platform/paths.h"
#include "saver/assets/text_tokens.h"
#include "saver/core/vector3.h"

namespace ironwood {
namespace {

// The scanner of scene exports: tokens of at most 99 characters, keyword searches and numbers.
class Tokens {
 public:
  explicit Tokens(const std::string& text) : tokens_(text, AseModel::kMaxTokenLength) {}

  std::optional<std::string_view> Next() { return tokens_.Next(); }

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

void ReadMaterials(Tokens& tokens, const std::string& installation, AseModel* model) {
  if (!tokens.SkipTo("*MATERIAL_COUNT", false)) return;
  std::int32_t count = tokens.Integer().value_or(0);
  // Every material takes more than ten bytes of text; a count beyond that cannot be real.
  if (count < 0 || static_cast<std::size_t>(count) > tokens.Remaining() / 10) {
    model->problems.push_back("material count " + std::to_string(count) +
                              " does not fit the file; no materials read");
    count = 0;
  }
  model->materials.resize(static_cast<std::size_t>(count) * 2);
  for (std::int32_t k = 0; k < count; ++k) {
    if (!tokens.SkipTo("*MATERIAL", false)) {
      model->problems.push_back("the file ends before material " + std::to_string(k));
      return;
    }
    std::string diffuse, selfIllum, opacity, specular;
    bool selfIllumSeen = false;
    bool ended = false;
    auto token = tokens.Next();
    while (token && !ended) {
      if (*token == "}") {
        token = tokens.Next();
        if (token && *token == "}") ended = true;
        continue;  // the token after a single brace is examined like any other
      }
      std::string* name = nullptr;
      if (*token == "*MAP_DIFFUSE") name = &diffuse;
      if (*token == "*MAP_SELFILLUM") {
        name = &selfIllum;
        selfIllumSeen = true;
      }
      if (*token == "*MAP_OPACITY") name = &opacity;
      if (*token == "*MAP_SPECULAR") name = &specular;
      if (name != nullptr && tokens.SkipTo("*BITMAP", false)) {
        if (auto bitmap = tokens.Next()) *name = Unquoted(*bitmap);
      }
      token = tokens.Next();
    }
    auto path = [&](const std::string& file) {
      return platform::InstallationFile(installation, "Gfx", file);
    };
    Texture& first = model->materials[2 * k];
    std::string why;
    if (!first.LoadBmp(selfIllumSeen, path(diffuse), path(selfIllum), &why)) {
      model->problems.push_back("material " + std::to_string(k) + ": " + why);
    }
    // The second texture of a pair is drawn by nothing the scene files describe; it is loaded
    // when its maps are there, quietly left empty when they are not.
    if (!specular.empty()) {
      model->materials[2 * k + 1].LoadBmp(!opacity.empty(), path(specular), path(opacity));
    }
    if (!ended) return;
  }
}

// One object after its "*GEOMOBJECT"; false with the reason when it cannot be used.
bool ReadObject(Tokens& tokens, bool withMaterials, bool withTexCoords, AseModel* model,
                Mesh* mesh, std::string* why) {
  if (!tokens.SkipTo("*NODE_NAME", true)) {
    *why = "no node name";
    return false;
  }
  auto name = tokens.Next();
  if (!name) {
    *why = "no node name";
    return false;
  }
  mesh->name = std::string(name->substr(0, AseModel::kMaxNameLength));

  std::int32_t vertexCount = 0, faceCount = 0;
  bool countsRead = false;
  while (auto token = tokens.Next()) {
    if (*token == "*GEOMOBJECT") break;
    if (*token == "*MESH_NUMVERTEX") vertexCount = tokens.Integer().value_or(0);
    if (*token == "*MESH_NUMFACES") {
      faceCount = tokens.Integer().value_or(0);
      countsRead = true;
      break;
    }
  }
  if (!countsRead) {
    *why = "no face count";
    return false;
  }
  // A vertex line holds five tokens and a face line at least eight; counts beyond what the rest
  // of the file could hold are refused before anything is allocated.
  if (vertexCount < 0 || faceCount < 0 ||
      static_cast<std::size_t>(vertexCount) > tokens.Remaining() / 10 ||
      static_cast<std::size_t>(faceCount) > tokens.Remaining() / 16) {
    *why = "counts of " + std::to_string(vertexCount) + " vertices and " +
           std::to_string(faceCount) + " faces do not fit the file";
    return false;
  }
  mesh->vertexCount = static_cast<std::uint32_t>(vertexCount);
  mesh->faceCount = static_cast<std::uint32_t>(faceCount);
  mesh->workVertices.resize(mesh->vertexCount);
  mesh->workFaces.resize(mesh->faceCount);

  if (!tokens.SkipTo("*MESH_VERTEX_LIST", true) || !tokens.Skip(1)) {
    *why = "no vertex list";
    return false;
  }
  for (Mesh::WorkVertex& v : mesh->workVertices) {
    if (!tokens.Skip(2)) {
      *why = "the vertex list is cut short";
      return false;
    }
    const auto x = tokens.Real(), y = tokens.Real(), z = tokens.Real();
    if (!z) {
      *why = "the vertex list is cut short";
      return false;
    }
    v.x = static_cast<float>(*x / 300);
    v.y = static_cast<float>(*y / 300);
    v.z = static_cast<float>(*z / 300);
  }
  for (std::uint32_t j = 0; j < mesh->faceCount; ++j) {
    auto& face = mesh->workFaces[j];
    bool read = tokens.SkipTo("*MESH_FACE", true) && tokens.Skip(2);
    for (int corner = 0; read && corner < 3; ++corner) {
      if (corner > 0) read = tokens.Skip(1);
      const auto index = read ? tokens.Integer() : std::nullopt;
      read = index.has_value();
      if (read) face[corner] = *index;
    }
    if (!read) {
      *why = "face " + std::to_string(j) + " is missing";
      return false;
    }
    for (std::int32_t index : face) {
      if (index < 0 || index >= vertexCount) {
        *why = "face " + std::to_string(j) + " uses vertex " + std::to_string(index) + " of " +
               std::to_string(vertexCount);
        return false;
      }
    }
  }
  if (withTexCoords) {
    if (!tokens.SkipTo("*MESH_TVERTLIST", true) || !tokens.Skip(1)) {
      model->problems.push_back(mesh->name + ": no texture vertices; coordinates left at 0");
    } else {
      for (Mesh::WorkVertex& v : mesh->workVertices) {
        if (!tokens.Skip(2)) {
          *why = "the texture vertex list is cut short";
          return false;
        }
        const auto u = tokens.Real(), w = tokens.Real();
        if (!w || !tokens.Skip(1)) {
          *why = "the texture vertex list is cut short";
          return false;
        }
        v.u = static_cast<float>(*u);
        v.v = static_cast<float>(*w);
      }
    }
  }
  if (withMaterials) {
    const auto ref =
        tokens.SkipTo("*MATERIAL_REF", true) ? tokens.Integer() : std::optional<std::int32_t>();
    const std::size_t materialCount = model->materials.size() / 2;
    if (ref && *ref >= 0 && static_cast<std::size_t>(*ref) < materialCount) {
      mesh->texture = &model->materials[2 * static_cast<std::size_t>(*ref)];
    } else {
      model->problems.push_back(mesh->name + ": material " +
                                (ref ? std::to_string(*ref) : std::string("(none)")) +
                                " does not exist; drawn without a texture");
    }
  }

  // Face normals, unnormalised so that larger faces weigh more, summed at their corners.
  for (const auto& face : mesh->workFaces) {
    const Mesh::WorkVertex& a = mesh->workVertices[face[0]];
    const Mesh::WorkVertex& b = mesh->workVertices[face[1]];
    const Mesh::WorkVertex& c = mesh->workVertices[face[2]];
    const float ux = a.x - c.x, uy = a.y - c.y, uz = a.z - c.z;
    const float vx = c.x - b.x, vy = c.y - b.y, vz = c.z - b.z;
    const float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    for (std::int32_t index : face) {
      Mesh::WorkVertex& v = mesh->workVertices[index];
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
  return true;
}

}  // namespace

void ParseAse(const std::string& text, const std::string& installation, bool withMaterials,
              bool withTexCoords, AseModel* model) {
  Tokens tokens(text);
  if (withMaterials) ReadMaterials(tokens, installation, model);
  int objectNumber = 0;
  while (model->meshes.size() < static_cast<std::size_t>(AseModel::kMaxMeshes) &&
         tokens.SkipTo("*GEOMOBJECT", false)) {
    Mesh mesh;
    std::string why;
    if (ReadObject(tokens, withMaterials, withTexCoords, model, &mesh, &why)) {
      model->meshes.push_back(std::move(mesh));
    } else {
      model->problems.push_back("object " + std::to_string(objectNumber) +
                                (mesh.name.empty() ? "" : " " + mesh.name) + " dropped: " + why);
    }
    ++objectNumber;
  }
}

bool LoadAse(const std::string& path, const std::string& installation, bool withMaterials,
             bool withTexCoords, AseModel* model) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ParseAse(text, installation, withMaterials, withTexCoords, model);
  return true;
}

}  // namespace ironwood
