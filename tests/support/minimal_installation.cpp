#include "tests/support/minimal_installation.h"

#include <cstdio>

#include "common/settings.h"
#include "saver/assets/plugin_file.h"
#include "tests/support/plugin_builder.h"

namespace ironwood::testing {
namespace {

Bytes TextBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::string Materials(const std::string& bitmap) {
  return "*MATERIAL_LIST {\n*MATERIAL_COUNT 1\n*MATERIAL 0 {\n*MAP_DIFFUSE {\n*BITMAP \"" +
         bitmap + "\"\n}\n}\n}\n";
}

PluginTexture Pixels(int side, bool alpha) {
  return SolidTexture(side, {180, 180, 180}, alpha);
}

Bytes MiniShipClass() {
  PluginFile file;
  file.flight = {60, 1.5f, 90, 40, 0.8f, 12};  // rates, angle limit, acceleration, top speed
  file.textures = {Pixels(2, false), Pixels(2, true)};
  file.meshes = {TriangleMesh(1)};
  file.phaserValue = 1;
  file.torpedoValue = 2;
  file.shieldAxes = {1.5f, 1, 1.5f};
  file.shieldStrength = 10;
  file.shield.texture = Pixels(2, true);
  file.shield.discarded = Pixels(1, false);
  file.shield.mesh = TriangleMesh(1.5f);
  return EncodePlugin(file);
}

}  // namespace

void WriteMinimalCatalogue(platform::SettingsStore& store) {
  settings::Write(store, settings::kNumScenarios, "1");
  settings::Write(store, settings::IndexedName("Scenario", 0), "Mini.ss3");
}

std::string QuadAse(int objects, const std::string& material) {
  std::string text = "*3DSMAX_ASCIIEXPORT 200\n";
  if (!material.empty()) text += Materials(material);
  for (int i = 0; i < objects; ++i) {
    text += "*GEOMOBJECT {\n*NODE_NAME \"Quad" + std::to_string(i) +
            "\"\n*MESH {\n*MESH_NUMVERTEX 4\n*MESH_NUMFACES 2\n*MESH_VERTEX_LIST {\n"
            "*MESH_VERTEX 0 -150 -150 0\n*MESH_VERTEX 1 150 -150 0\n"
            "*MESH_VERTEX 2 150 150 0\n*MESH_VERTEX 3 -150 150 0\n}\n*MESH_FACE_LIST {\n"
            "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0\n"
            "*MESH_FACE 1: A: 0 B: 2 C: 3 AB: 1 BC: 1 CA: 0\n}\n*MESH_TVERTLIST {\n"
            "*MESH_TVERT 0 0 0 0\n*MESH_TVERT 1 1 0 0\n*MESH_TVERT 2 1 1 0\n"
            "*MESH_TVERT 3 0 1 0\n}\n}\n";
    if (!material.empty()) text += "*MATERIAL_REF 0\n";
    text += "}\n";
  }
  return text;
}

void WriteMinimalInstallation(const TempFolder& folder, const std::string& skip) {
  auto write = [&](const std::string& path, const Bytes& bytes) {
    if (path != skip) folder.Write(path, bytes);
  };
  const Bytes image = MakeBmp(
      {4, 4, [](int x, int y) {
         return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(40 * x),
                                            static_cast<std::uint8_t>(40 * y), 200};
       }});
  auto pair = [&](const std::string& colour, const std::string& opacity) {
    write("Gfx/" + colour, image);
    write("Gfx/" + opacity, image);
  };
  write("Gfx/TitleTest2.bmp", image);
  write("Plugins/Mini.as3", MiniShipClass());
  write("Scenarios/Mini.ss3", TextBytes("1\r\n(1) Mini.as3\r\n1\r\n(1) Mini.as3\r\n"));
  write("UniBillboard.ase", TextBytes(QuadAse(1)));
  write("TriBillboard.ase", TextBytes(QuadAse(3)));
  write("Background.ase", TextBytes(QuadAse(24)));
  write("StarTunnel.ase", TextBytes(QuadAse(1, "Tunnel.bmp")));
  write("Debris.ase", TextBytes(QuadAse(2, "Debris.bmp")));
  write("Gfx/Tunnel.bmp", image);
  write("Gfx/Debris.bmp", image);
  pair("PhaserFlareColor.bmp", "PhaserFlare.bmp");
  for (const char* face : {"Top", "Front", "Back", "Bottom", "Left", "Right"}) {
    for (int tile = 1; tile <= 4; ++tile) {
      write("Gfx/Background" + std::string(face) + "0" + std::to_string(tile) + ".bmp", image);
    }
  }
  for (int k = 1; k <= 5; ++k) {
    const std::string name = "TitleScreen0" + std::to_string(k);
    pair(name + ".bmp", name + "Opacity.bmp");
  }
  pair("FlareC.bmp", "FlareO.bmp");
  write("LensFlare.lsf", TextBytes("Textures: 1\nTexture: Glow FlareC.bmp FlareO.bmp\n"
                                   "Elements: 1\nElement: Glow 64 0 0\n"));
  for (int k = 1; k <= 32; ++k) {
    char colour[32], alpha[32];
    std::snprintf(colour, sizeof colour, "Explosion%02dColor.bmp", k);
    std::snprintf(alpha, sizeof alpha, "Explosion%02dAlpha.bmp", k);
    pair(colour, alpha);
  }
  pair("explosionflarecolor.bmp", "explosionflareopacity.bmp");
  pair("ShockWaveColor.bmp", "ShockWaveOpacity.bmp");
}

}  // namespace ironwood::testing
