#include "tools/as3tool/inputs.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace ironwood::as3tool {
namespace {

std::uint32_t Get16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return Get16(b, at) | Get16(b, at + 2) << 16;
}

// ---- Scene export tokens -----------------------------------------------------------------------

class Tokens {
 public:
  explicit Tokens(const std::string& text) {
    std::size_t i = 0;
    int line = 1;
    while (i < text.size()) {
      const char c = text[i];
      if (c == '\n') ++line;
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++i;
        continue;
      }
      const std::size_t start = i;
      while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r' &&
             text[i] != '\n') {
        ++i;
      }
      items_.push_back({text.substr(start, i - start), line});
    }
  }

  bool AtEnd() const { return next_ >= items_.size(); }
  const std::string& Peek() const { return items_[next_].text; }
  int Line() const {
    if (items_.empty()) return 1;
    return items_[next_ < items_.size() ? next_ : items_.size() - 1].line;
  }
  // The next token, or false at the end of the text.
  bool Next(std::string* token) {
    if (AtEnd()) return false;
    *token = items_[next_++].text;
    return true;
  }

 private:
  struct Item {
    std::string text;
    int line;
  };
  std::vector<Item> items_;
  std::size_t next_ = 0;
};

bool ToLong(const std::string& token, long* value) {
  if (token.empty()) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtol(token.c_str(), &end, 10);
  return errno == 0 && *end == '\0';
}

bool ToFloat(const std::string& token, float* value) {
  if (token.empty()) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtof(token.c_str(), &end);
  return errno == 0 && *end == '\0' && std::isfinite(*value);
}

class AseReader {
 public:
  AseReader(const std::string& text, std::string* error) : in_(text), error_(error) {}

  bool Read(std::vector<AseObject>* out) {
    std::string token;
    while (in_.Next(&token)) {
      if (token != "*GEOMOBJECT") continue;
      AseObject object;
      if (!Object(&object)) return false;
      out->push_back(std::move(object));
    }
    if (out->empty()) return Fail("no *GEOMOBJECT in the file");
    return true;
  }

 private:
  bool Fail(const std::string& message) {
    *error_ = "line " + std::to_string(in_.Line()) + ": " + message;
    return false;
  }
  bool Word(std::string* token) {
    if (in_.Next(token)) return true;
    return Fail("the file ends inside an object");
  }
  bool Integer(long* value, const char* what) {
    std::string token;
    if (!Word(&token)) return false;
    if (!ToLong(token, value)) return Fail(std::string(what) + " \"" + token + "\" is no integer");
    return true;
  }
  bool Real(float* value, const char* what) {
    std::string token;
    if (!Word(&token)) return false;
    if (!ToFloat(token, value)) return Fail(std::string(what) + " \"" + token + "\" is no number");
    return true;
  }
  bool Expect(const char* wanted) {
    std::string token;
    if (!Word(&token)) return false;
    if (token != wanted) return Fail(std::string("\"") + wanted + "\" expected, \"" + token + "\"");
    return true;
  }
  bool Count(long* value, const char* what) {
    if (!Integer(value, what)) return false;
    if (*value < 0 || *value > 1023) {
      return Fail(std::string(what) + " " + std::to_string(*value) +
                  " (a plug-in mesh holds at most 1023)");
    }
    return true;
  }

  // Reads one object up to its closing brace. The keywords are matched exactly, so
  // "*MESH_FACE" never takes "*MESH_FACENORMAL" or "*MESH_FACE_LIST".
  bool Object(AseObject* object) {
    if (!Expect("{")) return false;
    long vertexCount = -1;
    long faceCount = -1;
    long texVertexCount = -1;
    std::size_t texVerticesRead = 0;
    std::vector<std::array<float, 3>> normalSums;
    std::vector<int> normalCounts;
    PluginMesh& mesh = object->mesh;
    int depth = 1;
    std::string token;
    while (depth > 0) {
      if (!Word(&token)) return false;
      if (token == "{") {
        ++depth;
      } else if (token == "}") {
        --depth;
      } else if (token == "*NODE_NAME" && object->name.empty()) {
        if (!Word(&object->name)) return false;
        if (object->name.size() >= 2 && object->name.front() == '"' &&
            object->name.back() == '"') {
          object->name = object->name.substr(1, object->name.size() - 2);
        }
      } else if (token == "*MESH_NUMVERTEX") {
        if (!Count(&vertexCount, "vertex count")) return false;
        normalSums.assign(static_cast<std::size_t>(vertexCount), {0, 0, 0});
        normalCounts.assign(static_cast<std::size_t>(vertexCount), 0);
      } else if (token == "*MESH_NUMFACES") {
        if (!Count(&faceCount, "face count")) return false;
      } else if (token == "*MESH_NUMTVERTEX") {
        if (!Integer(&texVertexCount, "texture vertex count")) return false;
      } else if (token == "*MESH_VERTEX") {
        if (vertexCount < 0) return Fail("*MESH_VERTEX before *MESH_NUMVERTEX");
        if (mesh.vertices.size() >= static_cast<std::size_t>(vertexCount)) {
          return Fail("more vertices than *MESH_NUMVERTEX " + std::to_string(vertexCount));
        }
        long index;
        PluginVertex v;
        if (!Integer(&index, "vertex index")) return false;
        for (float& p : v.position) {
          if (!Real(&p, "coordinate")) return false;
          p /= 300.0f;
        }
        mesh.vertices.push_back(v);
      } else if (token == "*MESH_FACE") {
        if (faceCount < 0) return Fail("*MESH_FACE before *MESH_NUMFACES");
        if (mesh.triangles.size() >= static_cast<std::size_t>(faceCount)) {
          return Fail("more faces than *MESH_NUMFACES " + std::to_string(faceCount));
        }
        std::array<std::uint32_t, 3> face{};
        if (!Word(&token)) return false;  // "j:"
        for (std::size_t corner = 0; corner < 3; ++corner) {
          static const char* const kCorners[3] = {"A:", "B:", "C:"};
          long index;
          if (!Expect(kCorners[corner]) || !Integer(&index, "face corner")) return false;
          if (index < 0 || index >= vertexCount) {
            return Fail("face " + std::to_string(mesh.triangles.size()) + " uses vertex " +
                        std::to_string(index) + " of " + std::to_string(vertexCount));
          }
          face[corner] = static_cast<std::uint32_t>(index);
        }
        mesh.triangles.push_back(face);
      } else if (token == "*MESH_TVERT") {
        long index;
        float u, v, w;
        if (!Integer(&index, "texture vertex index") || !Real(&u, "u") || !Real(&v, "v") ||
            !Real(&w, "w")) {
          return false;
        }
        if (texVerticesRead < mesh.vertices.size()) {
          mesh.vertices[texVerticesRead].texCoord = {u, v};
        }
        ++texVerticesRead;
      } else if (token == "*MESH_VERTEXNORMAL") {
        long index;
        std::array<float, 3> n{};
        if (!Integer(&index, "normal's vertex") || !Real(&n[0], "normal") ||
            !Real(&n[1], "normal") || !Real(&n[2], "normal")) {
          return false;
        }
        if (index < 0 || index >= vertexCount) {
          return Fail("a normal for vertex " + std::to_string(index) + " of " +
                      std::to_string(vertexCount));
        }
        for (std::size_t k = 0; k < 3; ++k) normalSums[static_cast<std::size_t>(index)][k] += n[k];
        ++normalCounts[static_cast<std::size_t>(index)];
      }
    }
    const std::string where = "object \"" + object->name + "\": ";
    if (vertexCount < 0 || faceCount < 0) {
      return Fail(where + "no *MESH_NUMVERTEX or *MESH_NUMFACES");
    }
    if (mesh.vertices.size() != static_cast<std::size_t>(vertexCount) ||
        mesh.triangles.size() != static_cast<std::size_t>(faceCount)) {
      return Fail(where + std::to_string(mesh.vertices.size()) + " vertices and " +
                  std::to_string(mesh.triangles.size()) + " faces listed, " +
                  std::to_string(vertexCount) + " and " + std::to_string(faceCount) +
                  " announced");
    }
    // The saver pairs texture vertex i with vertex i, so the two lists must match.
    if ((texVertexCount >= 0 && texVertexCount != vertexCount) ||
        (texVerticesRead != 0 && texVerticesRead != mesh.vertices.size())) {
      return Fail(where + std::to_string(texVertexCount >= 0
                                             ? static_cast<std::size_t>(texVertexCount)
                                             : texVerticesRead) +
                  " texture vertices for " + std::to_string(vertexCount) +
                  " vertices; one per vertex is needed");
    }
    FinishNormals(object, normalSums, normalCounts);
    return true;
  }

  static void FinishNormals(AseObject* object, const std::vector<std::array<float, 3>>& sums,
                            const std::vector<int>& counts) {
    PluginMesh& mesh = object->mesh;
    std::vector<std::array<float, 3>> faceSums(mesh.vertices.size(), {0, 0, 0});
    for (const auto& f : mesh.triangles) {
      const auto& a = mesh.vertices[f[0]].position;
      const auto& b = mesh.vertices[f[1]].position;
      const auto& c = mesh.vertices[f[2]].position;
      const float ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
      const float vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
      const std::array<float, 3> n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
      for (std::uint32_t index : f) {
        for (std::size_t k = 0; k < 3; ++k) faceSums[index][k] += n[k];
      }
    }
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
      std::array<float, 3> n = counts[i] > 0 ? sums[i] : faceSums[i];
      if (counts[i] == 0) ++object->computedNormals;
      const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (length > 0) {
        for (float& c : n) c /= length;
      }
      mesh.vertices[i].normal = n;
    }
  }

  Tokens in_;
  std::string* error_;
};

}  // namespace

bool ReadFileBytes(const std::string& path, Bytes* out, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = "cannot be opened";
    return false;
  }
  out->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    *error = "cannot be read";
    return false;
  }
  return true;
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

bool DecodeBmp(const Bytes& file, BmpImage* out, std::string* error) {
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') {
    *error = "not a BMP file";
    return false;
  }
  const std::uint32_t pixelsAt = Get32(file, 10);
  const std::uint32_t infoSize = Get32(file, 14);
  const auto width = static_cast<std::int32_t>(Get32(file, 18));
  const auto rawHeight = static_cast<std::int32_t>(Get32(file, 22));
  const std::uint32_t planes = Get16(file, 26);
  const std::uint32_t bits = Get16(file, 28);
  const std::uint32_t compression = Get32(file, 30);
  if (infoSize < 40 || planes != 1 || bits != 24 || compression != 0) {
    *error = "only uncompressed 24-bit BMP images are taken (this one has " +
             std::to_string(bits) + " bits per pixel, compression " +
             std::to_string(compression) + ")";
    return false;
  }
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) {
    *error = "a BMP of " + std::to_string(width) + " x " + std::to_string(rawHeight) + " pixels";
    return false;
  }
  const std::int64_t height = rawHeight < 0 ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
  const std::uint64_t needed = stride * static_cast<std::uint64_t>(height);
  if (pixelsAt < 54 || pixelsAt > file.size() || needed > file.size() - pixelsAt) {
    *error = "the pixel array (" + std::to_string(needed) + " bytes from offset " +
             std::to_string(pixelsAt) + ") runs past the end of the file (" +
             std::to_string(file.size()) + " bytes)";
    return false;
  }
  out->width = width;
  out->height = static_cast<int>(height);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  out->bgr.resize(rowBytes * static_cast<std::size_t>(height));
  for (std::int64_t row = 0; row < height; ++row) {
    // Bottom-up files store the bottom row first already; top-down ones the reverse.
    const std::int64_t sourceRow = rawHeight > 0 ? row : height - 1 - row;
    std::memcpy(out->bgr.data() + static_cast<std::size_t>(row) * rowBytes,
                file.data() + pixelsAt + static_cast<std::size_t>(sourceRow) * stride, rowBytes);
  }
  return true;
}

bool MakeTexture(const BmpImage& colour, const BmpImage* opacity, PluginTexture* out,
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
  return AseReader(text, error).Read(out);
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
