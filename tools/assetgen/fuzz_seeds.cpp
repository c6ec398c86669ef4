#include "tools/assetgen/fuzz_seeds.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "saver/assets/plugin_file.h"
#include "tools/assetgen/ase_writer.h"
#include "tools/assetgen/dds.h"
#include "tools/assetgen/image_files.h"
#include "tools/assetgen/scenery.h"
#include "tools/assetgen/ships.h"
#include "tools/assetgen/wav.h"

namespace ironwood::assetgen {
namespace {

namespace fs = std::filesystem;

// A picture with some variety in every channel.
std::vector<std::uint8_t> Pattern(int width, int height, int channels) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * channels);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = static_cast<std::uint8_t>(i * 37 + i / 7);
  }
  return pixels;
}

Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Flagged(std::uint8_t flags, const Bytes& file) {
  Bytes input{flags};
  input.insert(input.end(), file.begin(), file.end());
  return input;
}

Bytes Pair(std::uint8_t flags, const Bytes& first, const Bytes& second) {
  Bytes input{flags};
  const auto length = static_cast<std::uint32_t>(first.size());
  for (int i = 0; i < 4; ++i) input.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  input.insert(input.end(), first.begin(), first.end());
  input.insert(input.end(), second.begin(), second.end());
  return input;
}

Bytes EmbeddedRecord(int width, bool tall, bool alpha, int ratio) {
  const std::uint32_t header = static_cast<std::uint32_t>(width) | (tall ? 1u << 9 : 0u) |
                               (alpha ? 1u << 10 : 0u) | static_cast<std::uint32_t>(ratio) << 11;
  const int height = tall ? width * ratio : width / ratio;
  Bytes record;
  for (int i = 0; i < 4; ++i) record.push_back(static_cast<std::uint8_t>(header >> (8 * i)));
  const Bytes pixels = Pattern(width, height, alpha ? 4 : 3);
  record.insert(record.end(), pixels.begin(), pixels.end());
  return record;
}

// The DXT1 file with its FourCC changed and every block doubled to 16 bytes (an alpha part of
// eight bytes before each colour block), as a DXT3 or DXT5 file lays them out.
Bytes WithAlphaBlocks(const Bytes& dxt1, const char* fourCc) {
  Bytes file(dxt1.begin(), dxt1.begin() + 128);
  for (int i = 0; i < 4; ++i) file[84 + i] = static_cast<std::uint8_t>(fourCc[i]);
  for (std::size_t at = 128; at + 8 <= dxt1.size(); at += 8) {
    for (int i = 0; i < 8; ++i) file.push_back(static_cast<std::uint8_t>(0x11 * i + at));
    file.insert(file.end(), dxt1.begin() + static_cast<std::ptrdiff_t>(at),
                dxt1.begin() + static_cast<std::ptrdiff_t>(at + 8));
  }
  return file;
}

PluginTexture SmallTexture(int width, int height, bool alpha) {
  PluginTexture texture;
  texture.width = width;
  texture.height = height;
  texture.hasAlpha = alpha;
  texture.pixels = Pattern(width, height, alpha ? 4 : 3);
  return texture;
}

PluginMesh Triangle(std::uint32_t pair) {
  PluginMesh mesh;
  mesh.pairIndex = pair;
  for (int i = 0; i < 4; ++i) {
    PluginVertex v;
    v.position = {static_cast<float>(i & 1), static_cast<float>(i >> 1), 0.5f};
    v.normal = {0, 0, 1};
    v.texCoord = {static_cast<float>(i & 1), static_cast<float>(i >> 1)};
    mesh.vertices.push_back(v);
  }
  mesh.triangles = {{0, 1, 2}, {1, 3, 2}};
  return mesh;
}

// A whole plug-in small enough to fuzz quickly: two texture pairs, two hull meshes, one mount
// of each weapon and, optionally, three short sounds.
PluginFile SmallPlugin(bool sounds) {
  PluginFile file;
  file.flight = {1.5f, 1.2f, 2.0f, 45.0f, 0.3f, 9.0f};
  file.textures = {SmallTexture(4, 4, false), SmallTexture(4, 4, true), SmallTexture(8, 2, false),
                   PluginTexture{}};
  file.meshes = {Triangle(0), Triangle(1)};
  file.phaserValue = 10;
  file.torpedoValue = 40;
  file.phaser = {SmallTexture(2, 2, true), SmallTexture(1, 1, false), Triangle(0)};
  file.phaserMounts = {PluginMount{{0, 0, 1}, {0, 0, 1}, 0.8f}};
  file.torpedo = {SmallTexture(2, 4, true), PluginTexture{}, Triangle(0)};
  file.torpedoMounts = {PluginMount{{0, 1, 0}, {0, 0, 1}, 0.5f}};
  file.shieldAxes = {1, 2, 3};
  file.shieldStrength = 100;
  file.shield = {SmallTexture(4, 4, true), PluginTexture{}, Triangle(0)};
  file.hasSounds = sounds;
  for (int i = 0; i < 3; ++i) {
    file.sounds[static_cast<std::size_t>(i)].format = PcmFormat(1 + i % 2, 11025);
    file.sounds[static_cast<std::size_t>(i)].data = Pattern(16, 1, 2 + 2 * (i % 2));
  }
  return file;
}

const char* const kSettings =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Ironwood]\r\n"
    "@=\"default\"\r\n"
    "\"WorkingDirectory\"=\"/usr/lib/ironwood/\"\r\n"
    "\"Quoted\"=\"a \\\"word\\\" and a \\\\ back\"\r\n"
    "\"NumScenarios\"=dword:00000002\r\n"
    "\"Blob\"=hex:01,02,ff,\\\r\n  10,20\r\n"
    "\"Expand\"=hex(2):25,00,48,00,00,00\r\n"
    "\"Empty\"=\"\"\r\n"
    "\r\n[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
    "\r\n[HKEY_CURRENT_USER\\Software\\Ironwood\\Sub]\r\n"
    "\"Gone\"=-\r\n";

// Build descriptions for the plug-in tool, naming the files its fuzz target lays out ("c.bmp",
// "o.bmp", "m.ase", "s.wav"): a whole class with weapons and sounds, and the least one takes.
const char* const kFullDescription =
    "# a class with everything\n"
    "pitch-rate 1.5\nturn-rate 1.2\nbank-rate 2\nangle-limit 45\nacceleration 0.3\n"
    "top-speed 9\nphaser-value 10\ntorpedo-value 40\n"
    "pair c.bmp o.bmp c.bmp -\n"
    "mesh m.ase 0\n"
    "phaser-model m.ase c.bmp o.bmp\n"
    "phaser-mount 0 0 1 0 0 1 45\n"
    "torpedo-model \"m.ase\" c.bmp\n"
    "torpedo-mount 0 1 0 0 0 1 30\n"
    "shield 1 2 3 100\n"
    "shield-model m.ase c.bmp o.bmp\n"
    "sound torpedo-launch s.wav\nsound phaser-loop s.wav\nsound break-up s.wav\n";
const char* const kLeastDescription =
    "pitch-rate 1\r\nturn-rate 1\r\nbank-rate 1\r\nangle-limit 30\r\nacceleration 1\r\n"
    "top-speed 5\r\nphaser-value 0\r\ntorpedo-value 0   # no weapons\r\n"
    "shield 0.5 0.5 0.5 10\r\nshield-model m.ase c.bmp\r\n";

Bytes Utf16(const std::string& text) {
  Bytes bytes{0xFF, 0xFE};
  for (char c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

// A small model in the formats the plug-in tool imports: a tetrahedron, its buffer inline.
std::string Base64(const std::string& bytes) {
  static const char* const kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t n = static_cast<std::uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<std::uint8_t>(bytes[i + 2]);
    out += kDigits[n >> 18 & 63];
    out += kDigits[n >> 12 & 63];
    out += i + 1 < bytes.size() ? kDigits[n >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
  }
  return out;
}

std::vector<Bytes> ModelSeeds() {
  const float positions[12] = {0, 0, 2, -1, 0, -1, 1, 0, -1, 0, 0.6f, -1};
  const std::uint16_t indices[12] = {0, 3, 1, 0, 2, 3, 0, 1, 2, 1, 3, 2};
  std::string bin(reinterpret_cast<const char*>(positions), sizeof positions);
  bin.append(reinterpret_cast<const char*>(indices), sizeof indices);
  auto json = [&](const std::string& buffer) {
    return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
           "\"nodes\":[{\"mesh\":0,\"scale\":[2,2,2]}],\"meshes\":[{\"primitives\":[{"
           "\"attributes\":{\"POSITION\":0},\"indices\":1,\"material\":0}]}],"
           "\"materials\":[{\"name\":\"hull\"}],\"buffers\":[{" + buffer +
           "\"byteLength\":72}],\"bufferViews\":[{\"buffer\":0,\"byteLength\":48},"
           "{\"buffer\":0,\"byteOffset\":48,\"byteLength\":24}],\"accessors\":["
           "{\"bufferView\":0,\"componentType\":5126,\"count\":4,\"type\":\"VEC3\","
           "\"min\":[-1,0,-1],\"max\":[1,0.6,2]},"
           "{\"bufferView\":1,\"componentType\":5123,\"count\":12,\"type\":\"SCALAR\"}]}";
  };
  const std::string gltf = json("\"uri\":\"data:application/octet-stream;base64," + Base64(bin) + "\",");
  std::string chunk = json("");
  while (chunk.size() % 4 != 0) chunk += ' ';
  std::string glb = "glTF";
  auto put = [&glb](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) glb += static_cast<char>(v >> (8 * i));
  };
  put(2);
  put(static_cast<std::uint32_t>(12 + 8 + chunk.size() + 8 + bin.size()));
  put(static_cast<std::uint32_t>(chunk.size()));
  glb += "JSON" + chunk;
  put(static_cast<std::uint32_t>(bin.size()));
  glb += std::string("BIN\0", 4) + bin;
  const std::string obj =
      "o hull\nv 0 0 2\nv -1 0 -1\nv 1 0 -1\nv 0 0.6 -1\nvt 0 0\nvt 1 0\nvt 0 1\n"
      "f 1/1 4/2 2/3\nf 1/1 3/2 4/3\nf 1/1 2/2 3/3\nf 2/1 4/2 3/3\n";
  const std::string dae =
      "<?xml version=\"1.0\"?><COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" "
      "version=\"1.4.1\"><asset><up_axis>Z_UP</up_axis></asset><library_geometries><geometry "
      "id=\"g\"><mesh><source id=\"p\"><float_array id=\"a\" count=\"12\">0 -2 0 -1 1 0 1 1 0 "
      "0 1 0.6</float_array><technique_common><accessor source=\"#a\" count=\"4\" stride=\"3\">"
      "<param name=\"X\" type=\"float\"/><param name=\"Y\" type=\"float\"/><param name=\"Z\" "
      "type=\"float\"/></accessor></technique_common></source><vertices id=\"v\"><input "
      "semantic=\"POSITION\" source=\"#p\"/></vertices><triangles count=\"4\"><input "
      "semantic=\"VERTEX\" source=\"#v\" offset=\"0\"/><p>0 3 1 0 2 3 0 1 2 1 3 2</p>"
      "</triangles></mesh></geometry></library_geometries><library_visual_scenes><visual_scene "
      "id=\"s\"><node><instance_geometry url=\"#g\"/></node></visual_scene>"
      "</library_visual_scenes><scene><instance_visual_scene url=\"#s\"/></scene></COLLADA>";
  return {Flagged(0, FromText(glb)), Flagged(1, FromText(gltf)), Flagged(2, FromText(obj)),
          Flagged(3, FromText(dae))};
}

}  // namespace

bool WriteFuzzSeeds(const std::string& folder, std::string* error) {
  std::vector<std::pair<std::string, std::vector<Bytes>>> seeds;

  // Colour images alone and with their opacity, bottom-up and top-down, padded rows and not.
  std::vector<Bytes> bmp;
  const Bytes colour = EncodeBmp(5, 3, Pattern(5, 3, 3));
  const Bytes opacity = EncodeBmp(5, 3, Pattern(5, 3, 3));
  Bytes topDown = EncodeBmp(4, 2, Pattern(4, 2, 3));
  const auto height = static_cast<std::uint32_t>(-2);
  for (int i = 0; i < 4; ++i) topDown[22 + i] = static_cast<std::uint8_t>(height >> (8 * i));
  bmp.push_back(Pair(0, colour, {}));
  bmp.push_back(Pair(1, colour, opacity));
  bmp.push_back(Pair(2, topDown, {}));
  bmp.push_back(Pair(1, topDown, EncodeBmp(4, 2, Pattern(4, 2, 3))));
  bmp.push_back(Pair(1, colour, topDown));  // sizes differ
  seeds.emplace_back("bmp", bmp);

  seeds.emplace_back("embedded_texture",
                     std::vector<Bytes>{EmbeddedRecord(4, false, false, 1),
                                        EmbeddedRecord(8, false, true, 4),
                                        EmbeddedRecord(2, true, false, 8),
                                        EmbeddedRecord(3, true, true, 3)});

  const Bytes chain = EncodeDds(8, 8, {Pattern(8, 8, 3), Pattern(4, 4, 3), Pattern(2, 2, 3),
                                       Pattern(1, 1, 3)});
  seeds.emplace_back("dds", std::vector<Bytes>{chain, EncodeDds(4, 4, {Pattern(4, 4, 3)}),
                                               EncodeDds(12, 2, {Pattern(12, 2, 3)}),
                                               WithAlphaBlocks(chain, "DXT5"),
                                               WithAlphaBlocks(EncodeDds(8, 4, {Pattern(8, 4, 3)}),
                                                               "DXT3")});

  // Scene files: the billboards the saver loads, with and without materials, in every reading.
  std::vector<Bytes> ase;
  const std::string billboard =
      EncodeAse({UniBillboard()}, {{"Flare", "\"Flare.bmp\"", "\"FlareA.bmp\""}}, "seed");
  const std::string twoMeshes = EncodeAse({TriBillboard(), UniBillboard()}, {}, "seed");
  for (std::uint8_t flags : {0, 1, 2, 3, 4, 6}) {
    ase.push_back(Flagged(flags, FromText(billboard)));
    ase.push_back(Flagged(flags, FromText(twoMeshes)));
  }
  for (const SceneryFile& file : SceneryFiles()) {
    if (file.name.ends_with(".ase") && file.contents.size() <= 64 * 1024) {
      ase.push_back(Flagged(3, FromText(file.contents)));
    }
  }
  seeds.emplace_back("ase", ase);

  std::vector<Bytes> plugin;
  for (bool sounds : {false, true}) {
    std::string fault;
    const std::vector<std::uint8_t> file = EncodePluginFile(SmallPlugin(sounds), &fault);
    if (file.empty()) {
      *error = "fuzz seeds: the small plug-in does not encode: " + fault;
      return false;
    }
    plugin.push_back(Flagged(sounds ? 1 : 0, file));
    plugin.push_back(Flagged(sounds ? 3 : 2, file));
  }
  seeds.emplace_back("plugin", plugin);

  std::vector<Bytes> scenarios;
  for (const ScenarioDefinition& scenario : Scenarios()) {
    scenarios.push_back(FromText(ScenarioText(scenario)));
  }
  seeds.emplace_back("scenario", scenarios);

  std::vector<Bytes> flare;
  for (const SceneryFile& file : SceneryFiles()) {
    if (file.name.ends_with(".lsf")) flare.push_back(FromText(file.contents));
  }
  seeds.emplace_back("lens_flare", flare);

  std::vector<std::int16_t> samples;
  for (int i = 0; i < 24; ++i) samples.push_back(static_cast<std::int16_t>(i * 1111 - 12000));
  seeds.emplace_back("wave", std::vector<Bytes>{EncodeWav(samples, 1, 8000),
                                                EncodeWav(samples, 2, 22050)});

  seeds.emplace_back("reg_text", std::vector<Bytes>{FromText(ScenarioCatalogueReg()),
                                                    FromText(kSettings), Utf16(kSettings)});

  seeds.emplace_back("description", std::vector<Bytes>{FromText(kFullDescription),
                                                       FromText(kLeastDescription)});
  seeds.emplace_back("model_import", ModelSeeds());

  for (const auto& [target, files] : seeds) {
    const fs::path dir = fs::path(folder) / target;
    std::error_code ignored;
    fs::create_directories(dir, ignored);
    int n = 0;
    for (const Bytes& file : files) {
      // Each file whole and cut short in its middle.
      const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
      if (file.empty() || !WriteFile((dir / ("seed-" + std::to_string(n))).string(), file) ||
          !WriteFile((dir / ("seed-" + std::to_string(n) + "-cut")).string(), cut)) {
        *error = "fuzz seeds: cannot write into " + dir.string();
        return false;
      }
      ++n;
    }
  }
  return true;
}

}  // namespace ironwood::assetgen
