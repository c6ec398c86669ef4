#include "tools/assetgen/ase_writer.h"

#include <cmath>
#include <cstdio>

namespace ironwood::assetgen {
namespace {

class Text {
 public:
  // printf-style append; every line this writer makes is short.
  template <typename... Args>
  void Line(int depth, const char* format, Args... args) {
    text_.append(static_cast<std::size_t>(depth), '\t');
    if constexpr (sizeof...(Args) == 0) {
      text_ += format;
    } else {
      char line[256];
      std::snprintf(line, sizeof line, format, args...);
      text_ += line;
    }
    text_ += '\n';
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

void MapBlock(Text& out, const char* keyword, const char* mapName, int subNumber,
              const std::string& bitmap) {
  out.Line(2, "%s {", keyword);
  out.Line(3, "*MAP_NAME \"%s\"", mapName);
  out.Line(3, "*MAP_CLASS \"Bitmap\"");
  out.Line(3, "*MAP_SUBNO %d", subNumber);
  out.Line(3, "*MAP_AMOUNT 1.0000");
  out.Line(3, "*BITMAP \"%s\"", bitmap.c_str());
  out.Line(3, "*MAP_TYPE Screen");
  out.Line(3, "*UVW_U_OFFSET 0.0000");
  out.Line(3, "*UVW_V_OFFSET 0.0000");
  out.Line(3, "*UVW_U_TILING 1.0000");
  out.Line(3, "*UVW_V_TILING 1.0000");
  out.Line(3, "*UVW_ANGLE 0.0000");
  out.Line(3, "*UVW_BLUR 1.0000");
  out.Line(3, "*BITMAP_FILTER Pyramidal");
  out.Line(2, "}");
}

void Material(Text& out, int index, const AseMaterial& material) {
  out.Line(1, "*MATERIAL %d {", index);
  out.Line(2, "*MATERIAL_NAME \"%s\"", material.name.c_str());
  out.Line(2, "*MATERIAL_CLASS \"Standard\"");
  out.Line(2, "*MATERIAL_AMBIENT 0.5882\t0.5882\t0.5882");
  out.Line(2, "*MATERIAL_DIFFUSE 0.5882\t0.5882\t0.5882");
  out.Line(2, "*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000");
  out.Line(2, "*MATERIAL_SHINE 0.1000");
  out.Line(2, "*MATERIAL_SHINESTRENGTH 0.0000");
  out.Line(2, "*MATERIAL_TRANSPARENCY 0.0000");
  out.Line(2, "*MATERIAL_WIRESIZE 1.0000");
  out.Line(2, "*MATERIAL_SHADING Blinn");
  out.Line(2, "*MATERIAL_XP_FALLOFF 0.0000");
  out.Line(2, "*MATERIAL_SELFILLUM 0.0000");
  out.Line(2, "*MATERIAL_FALLOFF In");
  out.Line(2, "*MATERIAL_XP_TYPE Filter");
  // Every material carries at least its diffuse map: the saver draws each object with its
  // material's diffuse texture.
  MapBlock(out, "*MAP_DIFFUSE", "Diffuse", 1, material.diffuseBitmap);
  if (!material.selfIllumBitmap.empty()) {
    MapBlock(out, "*MAP_SELFILLUM", "Self-Illumination", 5, material.selfIllumBitmap);
  }
  out.Line(1, "}");
}

struct Normal {
  float x, y, z;
};

Normal FaceNormal(const ModelMesh& mesh, const std::array<std::uint32_t, 3>& face) {
  const ModelVertex& a = mesh.vertices[face[0]];
  const ModelVertex& b = mesh.vertices[face[1]];
  const ModelVertex& c = mesh.vertices[face[2]];
  const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
  const float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
  Normal n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
  const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (length > 0) {
    n = {n.x / length, n.y / length, n.z / length};
  }
  return n;
}

void Object(Text& out, const ModelMesh& mesh, bool withMaterial) {
  const char* name = mesh.name.c_str();
  const std::size_t vertexCount = mesh.vertices.size();
  const std::size_t faceCount = mesh.faces.size();
  out.Line(0, "*GEOMOBJECT {");
  out.Line(1, "*NODE_NAME \"%s\"", name);
  out.Line(1, "*NODE_TM {");
  out.Line(2, "*NODE_NAME \"%s\"", name);
  out.Line(2, "*INHERIT_POS 0 0 0");
  out.Line(2, "*INHERIT_ROT 0 0 0");
  out.Line(2, "*INHERIT_SCL 0 0 0");
  out.Line(2, "*TM_ROW0 1.0000\t0.0000\t0.0000");
  out.Line(2, "*TM_ROW1 0.0000\t1.0000\t0.0000");
  out.Line(2, "*TM_ROW2 0.0000\t0.0000\t1.0000");
  out.Line(2, "*TM_ROW3 0.0000\t0.0000\t0.0000");
  out.Line(2, "*TM_POS 0.0000\t0.0000\t0.0000");
  out.Line(2, "*TM_ROTAXIS 0.0000\t0.0000\t0.0000");
  out.Line(2, "*TM_ROTANGLE 0.0000");
  out.Line(2, "*TM_SCALE 1.0000\t1.0000\t1.0000");
  out.Line(2, "*TM_SCALEAXIS 0.0000\t0.0000\t0.0000");
  out.Line(2, "*TM_SCALEAXISANG 0.0000");
  out.Line(1, "}");
  out.Line(1, "*MESH {");
  out.Line(2, "*TIMEVALUE 0");
  out.Line(2, "*MESH_NUMVERTEX %zu", vertexCount);
  out.Line(2, "*MESH_NUMFACES %zu", faceCount);
  out.Line(2, "*MESH_VERTEX_LIST {");
  for (std::size_t i = 0; i < vertexCount; ++i) {
    const ModelVertex& v = mesh.vertices[i];
    out.Line(3, "*MESH_VERTEX %5zu\t%.4f\t%.4f\t%.4f", i, v.x * kAseUnitsPerSaverUnit,
             v.y * kAseUnitsPerSaverUnit, v.z * kAseUnitsPerSaverUnit);
  }
  out.Line(2, "}");
  out.Line(2, "*MESH_FACE_LIST {");
  for (std::size_t j = 0; j < faceCount; ++j) {
    const auto& f = mesh.faces[j];
    out.Line(3,
             "*MESH_FACE %5zu:    A: %5u B: %5u C: %5u AB:    1 BC:    1 CA:    1\t "
             "*MESH_SMOOTHING 1 \t*MESH_MTLID 0",
             j, f[0], f[1], f[2]);
  }
  out.Line(2, "}");
  // One texture vertex per vertex, and texture faces that repeat the faces: the layout the
  // saver's reader relies on, and an ordinary mapping for any other reader.
  out.Line(2, "*MESH_NUMTVERTEX %zu", vertexCount);
  out.Line(2, "*MESH_TVERTLIST {");
  for (std::size_t i = 0; i < vertexCount; ++i) {
    const ModelVertex& v = mesh.vertices[i];
    out.Line(3, "*MESH_TVERT %zu\t%.6f\t%.6f\t0.0000", i, v.u, v.v);
  }
  out.Line(2, "}");
  out.Line(2, "*MESH_NUMTVFACES %zu", faceCount);
  out.Line(2, "*MESH_TFACELIST {");
  for (std::size_t j = 0; j < faceCount; ++j) {
    const auto& f = mesh.faces[j];
    out.Line(3, "*MESH_TFACE %zu\t%u\t%u\t%u", j, f[0], f[1], f[2]);
  }
  out.Line(2, "}");
  out.Line(2, "*MESH_NUMCVERTEX 0");
  out.Line(2, "*MESH_NORMALS {");
  for (std::size_t j = 0; j < faceCount; ++j) {
    const auto& f = mesh.faces[j];
    const Normal n = FaceNormal(mesh, f);
    out.Line(3, "*MESH_FACENORMAL %zu\t%.4f\t%.4f\t%.4f", j, n.x, n.y, n.z);
    for (std::uint32_t index : f) {
      const ModelVertex& v = mesh.vertices[index];
      out.Line(4, "*MESH_VERTEXNORMAL %u\t%.4f\t%.4f\t%.4f", index, v.nx, v.ny, v.nz);
    }
  }
  out.Line(2, "}");
  out.Line(1, "}");
  out.Line(1, "*PROP_MOTIONBLUR 0");
  out.Line(1, "*PROP_CASTSHADOW 1");
  out.Line(1, "*PROP_RECVSHADOW 1");
  if (withMaterial) {
    out.Line(1, "*MATERIAL_REF %d", mesh.material);
  }
  out.Line(0, "}");
}

}  // namespace

std::string EncodeAse(const std::vector<ModelMesh>& meshes,
                      const std::vector<AseMaterial>& materials, const std::string& comment) {
  Text out;
  out.Line(0, "*3DSMAX_ASCIIEXPORT\t200");
  out.Line(0, "*COMMENT \"%s\"", comment.c_str());
  out.Line(0, "*SCENE {");
  out.Line(1, "*SCENE_FILENAME \"\"");
  out.Line(1, "*SCENE_FIRSTFRAME 0");
  out.Line(1, "*SCENE_LASTFRAME 100");
  out.Line(1, "*SCENE_FRAMESPEED 30");
  out.Line(1, "*SCENE_TICKSPERFRAME 160");
  out.Line(1, "*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000");
  out.Line(1, "*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000");
  out.Line(0, "}");
  out.Line(0, "*MATERIAL_LIST {");
  out.Line(1, "*MATERIAL_COUNT %zu", materials.size());
  for (std::size_t k = 0; k < materials.size(); ++k) {
    Material(out, static_cast<int>(k), materials[k]);
  }
  out.Line(0, "}");
  for (const ModelMesh& mesh : meshes) {
    const bool withMaterial =
        mesh.material >= 0 && static_cast<std::size_t>(mesh.material) < materials.size();
    Object(out, mesh, withMaterial);
  }
  return out.Take();
}

}  // namespace ironwood::assetgen
