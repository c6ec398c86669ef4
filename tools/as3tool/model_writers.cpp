#include "tools/as3tool/model_writers.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/assetgen/ships.h"
#include "tools/png/png_encoder.h"

namespace ironwood::as3tool::models {
namespace {

constexpr float kFileScale = 10;
constexpr float kOffset[3] = {30, -20, 10};

void Save(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Png(const RgbaImage& image) {
  const std::size_t row = static_cast<std::size_t>(image.width) * 4;
  std::vector<std::uint8_t> top(image.rgba.size());
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(&image.rgba[static_cast<std::size_t>(image.height - 1 - y) * row], row,
                &top[static_cast<std::size_t>(y) * row]);
  }
  const std::vector<std::uint8_t> png = png::EncodeRgbaPng(image.width, image.height, top);
  return std::string(png.begin(), png.end());
}

std::string F(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.7g", value);
  return text;
}

template <typename T>
void Append(std::string* bin, const T& value) {
  bin->append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

SourceModel EscortHull() {
  SourceModel model;
  const std::vector<assetgen::ShipClassAsset> classes = assetgen::ShipClasses();
  const PluginFile& escort = classes.front().plugin;
  for (PluginMesh mesh : escort.meshes) {
    for (PluginVertex& v : mesh.vertices) {
      for (int k = 0; k < 3; ++k) v.position[k] = v.position[k] * kFileScale + kOffset[k];
    }
    mesh.pairIndex = 0;
    model.meshes.push_back(std::move(mesh));
  }
  const PluginTexture& paint = escort.textures[0];
  model.texture.width = paint.width;
  model.texture.height = paint.height;
  const std::size_t channels = paint.hasAlpha ? 4 : 3;
  for (std::size_t k = 0; k < paint.pixels.size() / channels; ++k) {
    for (std::size_t c = 0; c < 3; ++c) model.texture.rgba.push_back(paint.pixels[k * channels + c]);
    model.texture.rgba.push_back(255);
  }
  return model;
}

SourceModel Grid(int columns, int rows) {
  SourceModel model;
  PluginMesh mesh;
  for (int y = 0; y <= rows; ++y) {
    for (int x = 0; x <= columns; ++x) {
      const float u = static_cast<float>(x) / static_cast<float>(columns);
      const float v = static_cast<float>(y) / static_cast<float>(rows);
      mesh.vertices.push_back({{u * 4 - 2, 0, v * 8 - 4}, {0, 1, 0}, {u, v}});
    }
  }
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      const auto a = static_cast<std::uint32_t>(y * (columns + 1) + x);
      const auto b = a + static_cast<std::uint32_t>(columns) + 1;
      mesh.triangles.push_back({a, b, a + 1});
      mesh.triangles.push_back({a + 1, b, b + 1});
    }
  }
  model.meshes.push_back(std::move(mesh));
  model.texture.width = model.texture.height = 8;
  model.texture.rgba.assign(8 * 8 * 4, 200);
  return model;
}

std::string WriteObj(const std::string& folder, const std::string& stem, const SourceModel& model,
                     bool withImage) {
  std::ostringstream obj;
  obj << "# written by the as3tool tests\nmtllib " << stem << ".mtl\n";
  std::size_t base = 1;
  int part = 0;
  for (const PluginMesh& mesh : model.meshes) {
    obj << "o part" << part++ << "\nusemtl paint\n";
    for (const PluginVertex& v : mesh.vertices) {
      obj << "v " << F(v.position[0]) << " " << F(v.position[1]) << " " << F(v.position[2])
          << "\nvt " << F(v.texCoord[0]) << " " << F(v.texCoord[1]) << "\nvn " << F(v.normal[0])
          << " " << F(v.normal[1]) << " " << F(v.normal[2]) << "\n";
    }
    for (const auto& t : mesh.triangles) {
      obj << "f";
      for (std::uint32_t i : t) obj << " " << base + i << "/" << base + i << "/" << base + i;
      obj << "\n";
    }
    base += mesh.vertices.size();
  }
  Save(folder + "/" + stem + ".obj", obj.str());
  Save(folder + "/" + stem + ".mtl", "newmtl paint\nKd 1 1 1\nmap_Kd " + stem + "-paint.png\n");
  if (withImage) Save(folder + "/" + stem + "-paint.png", Png(model.texture));
  return folder + "/" + stem + ".obj";
}

GltfParts EncodeGltf(const SourceModel& model, bool glb, const std::string& binName) {
  GltfParts parts;
  std::ostringstream views, accessors, meshes, nodes;
  int view = 0;
  auto addView = [&](std::size_t offset, std::size_t length) {
    views << (view ? "," : "") << "{\"buffer\":0,\"byteOffset\":" << offset
          << ",\"byteLength\":" << length << "}";
    return view++;
  };
  int accessor = 0;
  for (std::size_t m = 0; m < model.meshes.size(); ++m) {
    const PluginMesh& mesh = model.meshes[m];
    float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
    // Positions relative to the node, which carries the offset: node transforms must apply.
    const std::size_t positions = parts.bin.size();
    for (const PluginVertex& v : mesh.vertices) {
      for (int k = 0; k < 3; ++k) {
        const float p = v.position[k] - kOffset[k];
        Append(&parts.bin, p);
        low[k] = std::min(low[k], p);
        high[k] = std::max(high[k], p);
      }
    }
    const int pv = addView(positions, parts.bin.size() - positions);
    const std::size_t normals = parts.bin.size();
    for (const PluginVertex& v : mesh.vertices) {
      for (float n : v.normal) Append(&parts.bin, n);
    }
    const int nv = addView(normals, parts.bin.size() - normals);
    const std::size_t uvs = parts.bin.size();
    for (const PluginVertex& v : mesh.vertices) {
      Append(&parts.bin, v.texCoord[0]);
      Append(&parts.bin, 1.0f - v.texCoord[1]);  // glTF counts v from the top
    }
    const int tv = addView(uvs, parts.bin.size() - uvs);
    const std::size_t indices = parts.bin.size();
    for (const auto& t : mesh.triangles) {
      for (std::uint32_t i : t) Append(&parts.bin, i);
    }
    const int iv = addView(indices, parts.bin.size() - indices);
    const std::size_t count = mesh.vertices.size();
    accessors << (accessor ? "," : "") << "{\"bufferView\":" << pv
              << ",\"componentType\":5126,\"count\":" << count << ",\"type\":\"VEC3\",\"min\":["
              << F(low[0]) << "," << F(low[1]) << "," << F(low[2]) << "],\"max\":[" << F(high[0])
              << "," << F(high[1]) << "," << F(high[2]) << "]},"
              << "{\"bufferView\":" << nv << ",\"componentType\":5126,\"count\":" << count
              << ",\"type\":\"VEC3\"},{\"bufferView\":" << tv
              << ",\"componentType\":5126,\"count\":" << count
              << ",\"type\":\"VEC2\"},{\"bufferView\":" << iv
              << ",\"componentType\":5125,\"count\":" << mesh.triangles.size() * 3
              << ",\"type\":\"SCALAR\"}";
    meshes << (m ? "," : "") << "{\"primitives\":[{\"attributes\":{\"POSITION\":" << accessor
           << ",\"NORMAL\":" << accessor + 1 << ",\"TEXCOORD_0\":" << accessor + 2
           << "},\"indices\":" << accessor + 3 << ",\"material\":0}]}";
    nodes << (m ? "," : "") << "{\"mesh\":" << m << ",\"translation\":[" << F(kOffset[0]) << ","
          << F(kOffset[1]) << "," << F(kOffset[2]) << "]}";
    accessor += 4;
  }
  std::string image;
  if (glb) {
    const std::string png = Png(model.texture);
    while (parts.bin.size() % 4 != 0) parts.bin.push_back('\0');
    const int imageView = addView(parts.bin.size(), png.size());
    parts.bin += png;
    image = "{\"bufferView\":" + std::to_string(imageView) + ",\"mimeType\":\"image/png\"}";
  } else {
    image = "{\"uri\":\"" + binName.substr(0, binName.size() - 4) + ".png\"}";
  }
  while (parts.bin.size() % 4 != 0) parts.bin.push_back('\0');
  std::ostringstream json;
  json << "{\"asset\":{\"version\":\"2.0\",\"generator\":\"as3tool tests\"},\"scene\":0,"
       << "\"scenes\":[{\"nodes\":[";
  for (std::size_t m = 0; m < model.meshes.size(); ++m) json << (m ? "," : "") << m;
  json << "]}],\"nodes\":[" << nodes.str() << "],\"meshes\":[" << meshes.str()
       << "],\"materials\":[{\"name\":\"paint\",\"pbrMetallicRoughness\":{\"baseColorTexture\":"
       << "{\"index\":0}}}],\"textures\":[{\"source\":0}],\"images\":[" << image
       << "],\"buffers\":[{" << (glb ? "" : "\"uri\":\"" + binName + "\",")
       << "\"byteLength\":" << parts.bin.size() << "}],\"bufferViews\":[" << views.str()
       << "],\"accessors\":[" << accessors.str() << "]}";
  parts.json = json.str();
  return parts;
}

std::string EncodeGlb(const GltfParts& parts) {
  std::string json = parts.json;
  while (json.size() % 4 != 0) json.push_back(' ');
  std::string glb = "glTF";
  const std::uint32_t version = 2;
  const auto total = static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + parts.bin.size());
  Append(&glb, version);
  Append(&glb, total);
  Append(&glb, static_cast<std::uint32_t>(json.size()));
  glb += "JSON";
  glb += json;
  Append(&glb, static_cast<std::uint32_t>(parts.bin.size()));
  glb += std::string("BIN\0", 4);
  glb += parts.bin;
  return glb;
}

std::string WriteGltf(const std::string& folder, const std::string& stem, const SourceModel& model) {
  const GltfParts parts = EncodeGltf(model, false, stem + ".bin");
  Save(folder + "/" + stem + ".gltf", parts.json);
  Save(folder + "/" + stem + ".bin", parts.bin);
  Save(folder + "/" + stem + ".png", Png(model.texture));
  return folder + "/" + stem + ".gltf";
}

std::string WriteGlb(const std::string& folder, const std::string& stem, const SourceModel& model) {
  Save(folder + "/" + stem + ".glb", EncodeGlb(EncodeGltf(model, true, "")));
  return folder + "/" + stem + ".glb";
}

std::string WriteCollada(const std::string& folder, const std::string& stem,
                         const SourceModel& model) {
  // Z up, as some tools write it: the reader turns it to Y up. No normals: import makes them.
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      << "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
      << "<asset><unit name=\"meter\" meter=\"1\"/><up_axis>Z_UP</up_axis></asset>\n"
      << "<library_geometries>\n";
  for (std::size_t m = 0; m < model.meshes.size(); ++m) {
    const PluginMesh& mesh = model.meshes[m];
    const std::string id = "hull" + std::to_string(m);
    xml << "<geometry id=\"" << id << "\"><mesh>\n<source id=\"" << id
        << "-pos\"><float_array id=\"" << id << "-pos-array\" count=\""
        << mesh.vertices.size() * 3 << "\">";
    for (const PluginVertex& v : mesh.vertices) {
      xml << F(v.position[0]) << " " << F(-v.position[2]) << " " << F(v.position[1]) << " ";
    }
    xml << "</float_array><technique_common><accessor source=\"#" << id << "-pos-array\" count=\""
        << mesh.vertices.size()
        << "\" stride=\"3\"><param name=\"X\" type=\"float\"/><param name=\"Y\" "
           "type=\"float\"/><param name=\"Z\" type=\"float\"/></accessor></technique_common>"
           "</source>\n<vertices id=\""
        << id << "-vertices\"><input semantic=\"POSITION\" source=\"#" << id
        << "-pos\"/></vertices>\n<triangles count=\"" << mesh.triangles.size()
        << "\"><input semantic=\"VERTEX\" source=\"#" << id << "-vertices\" offset=\"0\"/><p>";
    for (const auto& t : mesh.triangles) xml << t[0] << " " << t[1] << " " << t[2] << " ";
    xml << "</p></triangles>\n</mesh></geometry>\n";
  }
  xml << "</library_geometries>\n<library_visual_scenes><visual_scene id=\"scene\">";
  for (std::size_t m = 0; m < model.meshes.size(); ++m) {
    xml << "<node id=\"node" << m << "\"><instance_geometry url=\"#hull" << m
        << "\"/></node>";
  }
  xml << "</visual_scene></library_visual_scenes>\n"
      << "<scene><instance_visual_scene url=\"#scene\"/></scene>\n</COLLADA>\n";
  Save(folder + "/" + stem + ".dae", xml.str());
  return folder + "/" + stem + ".dae";
}

std::string Write3ds(const std::string& folder, const std::string& stem, const SourceModel& model) {
  // Chunks: an id, the length with its 6-byte header, the body.
  auto chunk = [](std::uint16_t id, const std::string& body) {
    std::string out;
    Append(&out, id);
    Append(&out, static_cast<std::uint32_t>(body.size() + 6));
    return out + body;
  };
  std::string objects;
  for (std::size_t m = 0; m < model.meshes.size(); ++m) {
    const PluginMesh& mesh = model.meshes[m];
    std::string vertices, faces;
    Append(&vertices, static_cast<std::uint16_t>(mesh.vertices.size()));
    // Z up, as the format has it; the reader turns it to Y up.
    for (const PluginVertex& v : mesh.vertices) {
      for (float c : {v.position[0], -v.position[2], v.position[1]}) Append(&vertices, c);
    }
    Append(&faces, static_cast<std::uint16_t>(mesh.triangles.size()));
    for (const auto& t : mesh.triangles) {
      for (std::uint32_t i : t) Append(&faces, static_cast<std::uint16_t>(i));
      Append(&faces, std::uint16_t{7});  // edge flags
    }
    const std::string name = "part" + std::to_string(m) + std::string(1, '\0');
    objects += chunk(0x4000, name + chunk(0x4100, chunk(0x4110, vertices) + chunk(0x4120, faces)));
  }
  std::string version;
  Append(&version, std::uint32_t{3});
  Save(folder + "/" + stem + ".3ds", chunk(0x4D4D, chunk(0x0002, version) + chunk(0x3D3D, objects)));
  return folder + "/" + stem + ".3ds";
}

}  // namespace ironwood::as3tool::models
