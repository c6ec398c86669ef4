#include "tools/as3tool/inputs.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "saver/assets/ase_model.h"
#include "platform/file_bytes.h"

namespace ironwood::as3tool {
namespace {

std::uint32_t Get16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return Get16(b, at) | Get16(b, at + 2) << 16;
}

// The texture coordinates of each face corner: by the texture faces when the file has them,
// else texture vertex i for vertex i; false when neither pairing holds.
bool CornerCoordinates(const Mesh& mesh, const AseImportObject& extra,
                       std::vector<std::array<float, 2>>* corners, std::string* error) {
  const std::size_t faces = mesh.workFaces.size();
  const std::size_t vertices = mesh.workVertices.size();
  const std::size_t texVertices = extra.texVertices.size();
  corners->assign(faces * 3, {0, 0});
  if (!extra.texFaces.empty()) {
    if (extra.texFaces.size() != faces) {
      *error = std::to_string(extra.texFaces.size()) + " texture faces for " +
               std::to_string(faces) + " faces";
      return false;
    }
    for (std::size_t j = 0; j < faces; ++j) {
      for (std::size_t k = 0; k < 3; ++k) {
        const std::int32_t t = extra.texFaces[j][k];
        if (t < 0 || static_cast<std::size_t>(t) >= texVertices) {
          *error = "texture face " + std::to_string(j) + " uses texture vertex " +
                   std::to_string(t) + " of " + std::to_string(texVertices);
          return false;
        }
        (*corners)[3 * j + k] = extra.texVertices[static_cast<std::size_t>(t)];
      }
    }
    return true;
  }
  if (texVertices == 0) return true;
  if (texVertices != vertices) {
    *error = std::to_string(texVertices) + " texture vertices for " + std::to_string(vertices) +
             " vertices and no texture faces to pair them";
    return false;
  }
  for (std::size_t j = 0; j < faces; ++j) {
    for (std::size_t k = 0; k < 3; ++k) {
      (*corners)[3 * j + k] = extra.texVertices[static_cast<std::size_t>(mesh.workFaces[j][k])];
    }
  }
  return true;
}

// Per vertex of the file: the average of its listed normals, or (when it has none) the
// normalised area-weighted sum of its faces' counter-clockwise front normals. `computed` marks
// the second kind.
bool VertexNormals(const Mesh& mesh, const AseImportObject& extra,
                   std::vector<std::array<float, 3>>* normals, std::vector<bool>* computed,
                   std::string* error) {
  const std::size_t count = mesh.workVertices.size();
  std::vector<std::array<float, 3>> listed(count, {0, 0, 0});
  std::vector<int> listedCount(count, 0);
  for (const auto& [vertex, n] : extra.vertexNormals) {
    if (vertex < 0 || static_cast<std::size_t>(vertex) >= count) {
      *error = "a normal for vertex " + std::to_string(vertex) + " of " + std::to_string(count);
      return false;
    }
    for (std::size_t k = 0; k < 3; ++k) listed[static_cast<std::size_t>(vertex)][k] += n[k];
    ++listedCount[static_cast<std::size_t>(vertex)];
  }
  std::vector<std::array<float, 3>> faceSums(count, {0, 0, 0});
  for (const auto& f : mesh.workFaces) {
    const Mesh::WorkVertex& a = mesh.workVertices[static_cast<std::size_t>(f[0])];
    const Mesh::WorkVertex& b = mesh.workVertices[static_cast<std::size_t>(f[1])];
    const Mesh::WorkVertex& c = mesh.workVertices[static_cast<std::size_t>(f[2])];
    const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    const std::array<float, 3> n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    for (std::int32_t index : f) {
      for (std::size_t k = 0; k < 3; ++k) faceSums[static_cast<std::size_t>(index)][k] += n[k];
    }
  }
  normals->resize(count);
  computed->resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    (*computed)[i] = listedCount[i] == 0;
    std::array<float, 3> n = listedCount[i] > 0 ? listed[i] : faceSums[i];
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0) {
      for (float& c : n) c /= length;
    }
    (*normals)[i] = n;
  }
  return true;
}

// One object for a plug-in: every vertex keeps its place, and a vertex whose faces give it
// different texture coordinates gets a copy for each further pair of coordinates.
bool MakeObject(const Mesh& mesh, const AseImportObject& extra, AseObject* object,
                std::string* error) {
  std::vector<std::array<float, 2>> corners;
  std::vector<std::array<float, 3>> normals;
  std::vector<bool> computed;
  if (!CornerCoordinates(mesh, extra, &corners, error) ||
      !VertexNormals(mesh, extra, &normals, &computed, error)) {
    return false;
  }
  const std::size_t count = mesh.workVertices.size();
  PluginMesh& out = object->mesh;
  std::vector<std::size_t> origin(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Mesh::WorkVertex& v = mesh.workVertices[i];
    PluginVertex vertex;
    vertex.position = {v.x, v.y, v.z};
    vertex.normal = normals[i];
    out.vertices.push_back(vertex);
    origin[i] = i;
  }
  std::vector<bool> assigned(count, false);
  std::vector<std::vector<std::uint32_t>> copies(count);  // further copies of each vertex
  for (std::size_t j = 0; j < mesh.workFaces.size(); ++j) {
    std::array<std::uint32_t, 3> triangle{};
    for (std::size_t k = 0; k < 3; ++k) {
      const auto v = static_cast<std::size_t>(mesh.workFaces[j][k]);
      const std::array<float, 2>& uv = corners[3 * j + k];
      auto index = static_cast<std::uint32_t>(v);
      if (!assigned[v]) {
        out.vertices[v].texCoord = uv;
        assigned[v] = true;
      } else if (out.vertices[v].texCoord != uv) {
        const auto same = std::find_if(copies[v].begin(), copies[v].end(), [&](std::uint32_t c) {
          return out.vertices[c].texCoord == uv;
        });
        if (same != copies[v].end()) {
          index = *same;
        } else {
          PluginVertex copy = out.vertices[v];
          copy.texCoord = uv;
          index = static_cast<std::uint32_t>(out.vertices.size());
          out.vertices.push_back(copy);
          origin.push_back(v);
          copies[v].push_back(index);
        }
      }
      triangle[k] = index;
    }
    out.triangles.push_back(triangle);
  }
  for (std::size_t i = 0; i < out.vertices.size(); ++i) {
    if (computed[origin[i]]) ++object->computedNormals;
  }
  if (out.vertices.size() > 1023 || out.triangles.size() > 1023) {
    *error = std::to_string(out.vertices.size()) + " vertices and " +
             std::to_string(out.triangles.size()) +
             " faces (after splitting at texture seams); a plug-in mesh holds at most 1023 each";
    return false;
  }
  return true;
}

}  // namespace

bool ReadFileBytes(const std::string& path, Bytes* out, std::string* error) {
  std::string bytes;
  switch (platform::ReadWholeFile(path, kMaxBmpFileBytes, &bytes)) {
    case platform::FileFault::kNone:
      out->assign(bytes.begin(), bytes.end());
      return true;
    case platform::FileFault::kMissing:
      *error = "cannot be opened";
      return false;
    case platform::FileFault::kNotRegular:
      *error = "is not a regular file";
      return false;
    case platform::FileFault::kTooLarge:
      *error = "is larger than " + std::to_string(kMaxBmpFileBytes) + " bytes";
      return false;
    case platform::FileFault::kUnreadable:
      break;
  }
  *error = "cannot be read";
  return false;
}

bool WriteFileBytes(const std::string& path, const Bytes& bytes, std::string* error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) {
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
  }
  if (!file) {
    *error = "cannot be written";
    return false;
  }
  return true;
}

bool MakeTexture(const BmpPixels& colour, const BmpPixels* opacity, PluginTexture* out,
                 std::string* error) {
  if (!PluginTextureSizeFits(colour.width, colour.height)) {
    *error = std::to_string(colour.width) + " x " + std::to_string(colour.height) +
             " cannot be held by a texture record (sides 1..511, and the height must be the "
             "width times or divided by a whole ratio 1..127)";
    return false;
  }
  if (opacity != nullptr &&
      (opacity->width != colour.width || opacity->height != colour.height)) {
    *error = "the opacity image is " + std::to_string(opacity->width) + " x " +
             std::to_string(opacity->height) + ", the colour image " +
             std::to_string(colour.width) + " x " + std::to_string(colour.height);
    return false;
  }
  const std::size_t count = static_cast<std::size_t>(colour.width) * colour.height;
  const std::size_t channels = opacity != nullptr ? 4 : 3;
  out->width = colour.width;
  out->height = colour.height;
  out->hasAlpha = opacity != nullptr;
  out->pixels.resize(count * channels);
  for (std::size_t k = 0; k < count; ++k) {
    std::uint8_t* p = out->pixels.data() + k * channels;
    p[0] = colour.bgr[3 * k + 2];
    p[1] = colour.bgr[3 * k + 1];
    p[2] = colour.bgr[3 * k];
    if (opacity != nullptr) p[3] = opacity->bgr[3 * k];
  }
  return true;
}

bool DecodeAse(const std::string& text, std::vector<AseObject>* out, std::string* error) {
  out->clear();
  AseModel model;
  std::vector<AseImportObject> extras;
  ParseAse(text, "", false, false, &model, &extras);
  // The saver drops what it cannot use and goes on; a plug-in is built from a sound file only.
  if (!model.problems.empty()) {
    *error = model.problems.front();
    if (model.problems.size() > 1) {
      *error += " (and " + std::to_string(model.problems.size() - 1) + " more problem lines)";
    }
    return false;
  }
  for (std::size_t i = 0; i < model.meshes.size(); ++i) {
    AseObject object;
    object.name = extras[i].name;
    std::string fault;
    if (!MakeObject(model.meshes[i], extras[i], &object, &fault)) {
      *error = "object \"" + object.name + "\": " + fault;
      return false;
    }
    out->push_back(std::move(object));
  }
  return true;
}

bool DecodeWav(const Bytes& file, PluginSound* out, std::string* error) {
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
      std::memcmp(file.data() + 8, "WAVE", 4) != 0) {
    *error = "not a RIFF WAVE file";
    return false;
  }
  // The walk stops at the RIFF size or the end of the file, whichever comes first.
  const std::uint64_t riffEnd = std::uint64_t{8} + Get32(file, 4);
  const std::size_t end = riffEnd < file.size() ? static_cast<std::size_t>(riffEnd) : file.size();
  std::size_t at = 12;
  bool haveFormat = false;
  std::uint32_t channels = 0, rate = 0, blockAlign = 0;
  while (end - at >= 8) {
    const std::uint32_t length = Get32(file, at + 4);
    const std::size_t body = at + 8;
    if (length > end - body) {
      *error = "a chunk at offset " + std::to_string(at) + " runs past the end of the file";
      return false;
    }
    if (std::memcmp(file.data() + at, "fmt ", 4) == 0) {
      if (length < 16) {
        *error = "the fmt chunk is too short";
        return false;
      }
      const std::uint32_t tag = Get16(file, body);
      channels = Get16(file, body + 2);
      rate = Get32(file, body + 4);
      blockAlign = Get16(file, body + 12);
      const std::uint32_t bits = Get16(file, body + 14);
      if (tag != 1 || bits != 16 || channels == 0 || rate == 0 || blockAlign != channels * 2) {
        *error = "only 16-bit PCM is taken (format tag " + std::to_string(tag) + ", " +
                 std::to_string(bits) + " bits, " + std::to_string(channels) + " channels)";
        return false;
      }
      haveFormat = true;
    } else if (std::memcmp(file.data() + at, "data", 4) == 0) {
      if (!haveFormat) {
        *error = "the data chunk comes before the fmt chunk";
        return false;
      }
      if (length % blockAlign != 0) {
        *error = "the data chunk (" + std::to_string(length) +
                 " bytes) is no whole number of sample frames";
        return false;
      }
      out->format = PcmFormat(static_cast<int>(channels), static_cast<int>(rate));
      out->data.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                       file.begin() + static_cast<std::ptrdiff_t>(body + length));
      return true;
    }
    const std::size_t next = body + length + (length & 1u);
    if (next > end) break;
    at = next;
  }
  *error = haveFormat ? "no data chunk" : "no fmt chunk";
  return false;
}

}  // namespace ironwood::as3tool
