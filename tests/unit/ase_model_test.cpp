#include "saver/assets/ase_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::BgrImage;
using testing::MakeBmp;
using testing::TempFolder;

// One object in the layout exporters write; `extra` goes before the closing brace.
std::string Object(const std::string& name, const std::string& vertices, int vertexCount,
                   const std::string& faces, int faceCount, const std::string& tvertices,
                   const std::string& extra = "") {
  return "*GEOMOBJECT {\n\t*NODE_NAME \"" + name + "\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"" + name +
         "\"\n\t}\n\t*MESH {\n\t\t*TIMEVALUE 0\n\t\t*MESH_NUMVERTEX " +
         std::to_string(vertexCount) + "\n\t\t*MESH_NUMFACES " + std::to_string(faceCount) +
         "\n\t\t*MESH_VERTEX_LIST {\n" + vertices + "\t\t}\n\t\t*MESH_FACE_LIST {\n" + faces +
         "\t\t}\n\t\t*MESH_NUMTVERTEX " + std::to_string(vertexCount) +
         "\n\t\t*MESH_TVERTLIST {\n" + tvertices + "\t\t}\n\t}\n" + extra + "}\n";
}

const std::string kTriangleVertices =
    "*MESH_VERTEX 0\t0.0\t0.0\t0.0\n*MESH_VERTEX 1\t300.0\t0.0\t0.0\n"
    "*MESH_VERTEX 2\t0.0\t300.0\t0.0\n";
const std::string kTriangleFace =
    "*MESH_FACE 0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 CA:    1\t "
    "*MESH_SMOOTHING 1 \t*MESH_MTLID 0\n";
const std::string kTriangleTvertices =
    "*MESH_TVERT 0\t0.0\t0.0\t0.0\n*MESH_TVERT 1\t1.0\t0.0\t0.0\n*MESH_TVERT 2\t0.0\t1.0\t0.0\n";

std::string Triangle(const std::string& name, const std::string& extra = "") {
  return Object(name, kTriangleVertices, 3, kTriangleFace, 1, kTriangleTvertices, extra);
}

AseModel Parse(const std::string& text, bool withMaterials = false, bool withTexCoords = true,
               const std::string& installation = "") {
  AseModel model;
  ParseAse(text, installation, withMaterials, withTexCoords, &model);
  return model;
}

TEST(AseModel, ReadsGeometryScaledWithFaceWeightedNormals) {
  // Vertex 3 is used by no face; the quad's two faces differ in size.
  const std::string vertices =
      "*MESH_VERTEX 0\t300.0\t-600.0\t150.0\n*MESH_VERTEX 1\t900.0\t-600.0\t150.0\n"
      "*MESH_VERTEX 2\t300.0\t0.0\t150.0\n*MESH_VERTEX 3\t5.0\t5.0\t5.0\n";
  const std::string faces =
      "*MESH_FACE 0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 CA:    0\t "
      "*MESH_SMOOTHING 1 \t*MESH_MTLID 0\n";
  const std::string tverts =
      "*MESH_TVERT 0\t0.25\t0.5\t0.0\n*MESH_TVERT 1\t1.0\t0.5\t0.0\n"
      "*MESH_TVERT 2\t0.25\t1.0\t0.0\n*MESH_TVERT 3\t0.0\t0.0\t0.0\n";
  const AseModel model = Parse(Object("Hull", vertices, 4, faces, 1, tverts));
  ASSERT_EQ(model.meshes.size(), 1u);
  const Mesh& mesh = model.meshes[0];
  EXPECT_EQ(mesh.name, "\"Hull\"");
  EXPECT_EQ(mesh.vertexCount, 4u);
  EXPECT_EQ(mesh.faceCount, 1u);
  EXPECT_FLOAT_EQ(mesh.positions[0], 1.0f);
  EXPECT_FLOAT_EQ(mesh.positions[1], -2.0f);
  EXPECT_FLOAT_EQ(mesh.positions[2], 0.5f);
  EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2}));
  EXPECT_FLOAT_EQ(mesh.texCoords[2], 1.0f);
  EXPECT_FLOAT_EQ(mesh.texCoords[5], 1.0f);
  // (a - c) x (c - b) for a counter-clockwise face in the xy plane points along -z.
  EXPECT_FLOAT_EQ(mesh.normals[2], -1.0f);
  EXPECT_FLOAT_EQ(mesh.normals[0], 0.0f);
  // The unused vertex keeps a zero normal.
  EXPECT_EQ(mesh.normals[9], 0.0f);
  EXPECT_EQ(mesh.normals[10], 0.0f);
  EXPECT_EQ(mesh.normals[11], 0.0f);

  // Without texture coordinates they stay zero.
  const AseModel bare = Parse(Object("Hull", vertices, 4, faces, 1, tverts), false, false);
  ASSERT_EQ(bare.meshes.size(), 1u);
  EXPECT_EQ(bare.meshes[0].texCoords, std::vector<float>(8, 0.0f));
}

TEST(AseModel, NormalsAverageFacesWeightedByArea) {
  // Two faces share vertex 0: a large one facing -z in the reader's convention and a small one
  // in the xz plane; the shared normal leans towards the large face.
  const std::string vertices =
      "*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 900 0 0\n*MESH_VERTEX 2 0 900 0\n"
      "*MESH_VERTEX 3 0 0 30\n";
  const std::string faces =
      "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1\n"
      "*MESH_FACE 1: A: 0 B: 3 C: 1 AB: 1 BC: 1 CA: 1\n";
  const std::string tverts = "*MESH_TVERT 0 0 0 0\n*MESH_TVERT 1 0 0 0\n*MESH_TVERT 2 0 0 0\n"
                             "*MESH_TVERT 3 0 0 0\n";
  const AseModel model = Parse(Object("Two", vertices, 4, faces, 2, tverts));
  ASSERT_EQ(model.meshes.size(), 1u);
  const auto& n = model.meshes[0].normals;
  EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5f);
  EXPECT_LT(n[2], -0.9f);
  EXPECT_GT(std::abs(n[1]), 0.01f);
}

TEST(AseModel, MaterialsGivePairsAndSelfIlluminationGivesOpacity) {
  TempFolder folder;
  const BgrImage grey{4, 2, [](int, int) { return std::array<std::uint8_t, 3>{90, 90, 90}; }};
  folder.Write("Gfx/hull.bmp", MakeBmp(grey));
  folder.Write("Gfx/glow.bmp", MakeBmp(grey));
  folder.Write("Gfx/ull.bm", MakeBmp(grey));  // what an unquoted "hull.bmp" names
  const std::string materials =
      "*MATERIAL_LIST {\n*MATERIAL_COUNT 3\n"
      // With a self-illumination map: RGBA. The material ends at its map block's brace.
      "*MATERIAL 0 {\n*MATERIAL_NAME \"A\"\n*MAP_DIFFUSE {\n*BITMAP \"hull.bmp\"\n}\n"
      "*MAP_SELFILLUM {\n*BITMAP \"glow.bmp\"\n}\n}\n"
      // Unquoted: first and last character dropped. No self-illumination: RGB.
      "*MATERIAL 1 {\n*MAP_DIFFUSE {\n*BITMAP hull.bmp\n}\n}\n"
      // No map at all: it ends at its own brace, and "*MATERIAL 3", beyond the count, is
      // nobody's.
      "*MATERIAL 2 {\n*MATERIAL_NAME \"C\"\n}\n*MATERIAL 3 {\n*MAP_DIFFUSE {\n"
      "*BITMAP \"hull.bmp\"\n}\n}\n"
      "}\n";
  const std::string text = materials + Triangle("T0", "*MATERIAL_REF 0\n") +
                           Triangle("T1", "*MATERIAL_REF 1\n") +
                           Triangle("T2", "*MATERIAL_REF 7\n");
  const AseModel model = Parse(text, true, true, folder.WithSeparator());
  ASSERT_EQ(model.materials.size(), 6u);
  EXPECT_TRUE(model.materials[0].HasAlpha());
  EXPECT_EQ(model.materials[0].pixels().size(), 4u * 2 * 4);
  EXPECT_FALSE(model.materials[2].HasAlpha());
  EXPECT_EQ(model.materials[2].pixels().size(), 4u * 2 * 3);
  EXPECT_EQ(model.materials[4].width(), 0);  // material 3's map is not its own
  EXPECT_EQ(model.materials[1].width(), 0);  // no specular map anywhere
  ASSERT_EQ(model.meshes.size(), 3u);
  EXPECT_EQ(model.meshes[0].texture, &model.materials[0]);
  EXPECT_EQ(model.meshes[1].texture, &model.materials[2]);
  // A reference beyond the material count draws untextured and is reported.
  EXPECT_EQ(model.meshes[2].texture, nullptr);
  bool reported = false;
  for (const std::string& line : model.problems) {
    reported |= line.find("material 7") != std::string::npos;
  }
  EXPECT_TRUE(reported);
}

TEST(AseModel, KeepsThirtyObjectsAndKeywordsMustMatchExactly) {
  std::string text;
  for (int i = 0; i < 31; ++i) text += Triangle("T" + std::to_string(i));
  const AseModel model = Parse(text);
  ASSERT_EQ(model.meshes.size(), 30u);
  EXPECT_EQ(model.meshes[29].name, "\"T29\"");

  // "*MESH_FACE_LIST" is not "*MESH_FACE": the face is the one after the list keyword.
  const AseModel one = Parse(Triangle("Only"));
  ASSERT_EQ(one.meshes.size(), 1u);
  EXPECT_EQ(one.meshes[0].indices, (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(AseModel, BadObjectsAreDroppedAndReportedWhileSoundOnesLoad) {
  const std::string badIndex =
      Object("Bad", kTriangleVertices, 3,
             "*MESH_FACE 0: A: 0 B: 1 C: 3 AB: 1 BC: 1 CA: 1\n", 1, kTriangleTvertices);
  const std::string negative =
      Object("Neg", kTriangleVertices, 3,
             "*MESH_FACE 0: A: -1 B: 1 C: 2 AB: 1 BC: 1 CA: 1\n", 1, kTriangleTvertices);
  const std::string absurd = Object("Huge", kTriangleVertices, 2000000000, kTriangleFace, 1,
                                    kTriangleTvertices);
  const std::string negativeCount =
      Object("NegCount", kTriangleVertices, -3, kTriangleFace, 1, kTriangleTvertices);
  const AseModel model =
      Parse(badIndex + Triangle("Good1") + negative + absurd + negativeCount + Triangle("Good2"));
  ASSERT_EQ(model.meshes.size(), 2u);
  EXPECT_EQ(model.meshes[0].name, "\"Good1\"");
  EXPECT_EQ(model.meshes[1].name, "\"Good2\"");
  EXPECT_EQ(model.problems.size(), 4u);

  // An object without texture vertices does not take the next object's.
  const std::string noTverts =
      "*GEOMOBJECT {\n*NODE_NAME \"Plain\"\n*MESH {\n*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n"
      "*MESH_VERTEX_LIST {\n" +
      kTriangleVertices + "}\n*MESH_FACE_LIST {\n" + kTriangleFace + "}\n}\n}\n";
  const AseModel pair = Parse(noTverts + Triangle("Next"));
  ASSERT_EQ(pair.meshes.size(), 2u);
  EXPECT_EQ(pair.meshes[0].texCoords, std::vector<float>(6, 0.0f));
  EXPECT_FLOAT_EQ(pair.meshes[1].texCoords[2], 1.0f);

  // Long tokens are split, long names cut; nothing overruns.
  const AseModel longName = Parse(Triangle(std::string(500, 'n')) + std::string(1000, 'x'));
  ASSERT_EQ(longName.meshes.size(), 1u);
  EXPECT_LE(longName.meshes[0].name.size(), AseModel::kMaxNameLength);
}

TEST(AseModel, EveryCutOfAFileLoadsWholeObjectsOnlyAndEndsInTime) {
  const std::string text = Triangle("A") + Triangle("B");
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    const AseModel model = Parse(text.substr(0, cut), true, true);
    ASSERT_LE(model.meshes.size(), 2u) << cut;
    for (const Mesh& mesh : model.meshes) {
      ASSERT_EQ(mesh.indices.size(), 3u) << cut;
      ASSERT_EQ(mesh.positions.size(), 9u) << cut;
    }
  }
  EXPECT_EQ(Parse(text).meshes.size(), 2u);
}

bool Mentions(const AseModel& model, const std::string& text) {
  for (const std::string& line : model.problems) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(AseModel, OnlyReadableRegularFilesOfASaneSizeAreRead) {
  TempFolder folder;
  AseModel model;
  std::string why;
  EXPECT_FALSE(LoadAse((folder.Path() / "absent.ase").string(), folder.WithSeparator(), false,
                       true, &model, &why));
  EXPECT_NE(why.find("cannot open"), std::string::npos) << why;
  // A folder where the file should be is refused, not read.
  std::filesystem::create_directory(folder.Path() / "Folder.ase");
  EXPECT_FALSE(LoadAse((folder.Path() / "Folder.ase").string(), folder.WithSeparator(), false,
                       true, &model, &why));
  EXPECT_NE(why.find("Folder.ase is not a regular file"), std::string::npos) << why;
  // One byte over the limit is refused before anything is read (the file is sparse).
  const std::filesystem::path huge = folder.Path() / "Huge.ase";
  folder.Write("Huge.ase", {});
  std::filesystem::resize_file(huge, AseModel::kMaxFileBytes + 1);
  EXPECT_FALSE(LoadAse(huge.string(), folder.WithSeparator(), false, true, &model, &why));
  EXPECT_NE(why.find("larger than the 67108864"), std::string::npos) << why;

  const std::string text = Triangle("X");
  const std::string path = folder.Write("one.ase", testing::Bytes(text.begin(), text.end()));
  EXPECT_TRUE(LoadAse(path, folder.WithSeparator(), false, true, &model, &why));
  EXPECT_EQ(model.meshes.size(), 1u);
}

TEST(AseModel, CountsAreCheckedBeforeAnythingIsAllocated) {
  // Millions of materials announced in a short file, and more than the names a context has in
  // a file long enough to hold them: no material is made.
  const AseModel many = Parse("*MATERIAL_COUNT 3000000\n" + Triangle("T"), true);
  EXPECT_TRUE(many.materials.empty());
  EXPECT_TRUE(Mentions(many, "material count 3000000 does not fit")) << many.problems[0];
  const AseModel overLimit =
      Parse("*MATERIAL_COUNT 201\n" + std::string(100000, ' ') + Triangle("T"), true);
  EXPECT_TRUE(overLimit.materials.empty());
  // A vertex count the file could hold but whose list is short drops the object by name.
  const AseModel shortList =
      Parse(Object("Short", kTriangleVertices, 4000, kTriangleFace, 1, kTriangleTvertices) +
            std::string(100000, ' '));
  EXPECT_TRUE(shortList.meshes.empty());
  EXPECT_TRUE(Mentions(shortList, "\"Short\" dropped: the vertex list holds 3 of 4000 vertices"));
}

TEST(AseModel, ProblemLinesStopAtTenAndCountTheRest) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += "*GEOMOBJECT\n";
  const AseModel model = Parse(text + Triangle("Last"));
  ASSERT_EQ(model.meshes.size(), 1u);  // an empty object takes nothing from the next
  ASSERT_EQ(model.problems.size(), 11u);
  EXPECT_EQ(model.problems[0], "object 0 dropped: no node name");
  EXPECT_EQ(model.problems[10], "and 99990 more");
}

TEST(AseModel, EveryObjectOrMaterialLeftOutIsNamed) {
  // A's texture vertex list is short: B is still read as an object, and A says why it has zeros.
  const std::string shortTverts = Object("A", kTriangleVertices, 3, kTriangleFace, 1,
                                         "*MESH_TVERT 0\t0.5\t0.5\t0.0\n");
  const AseModel three = Parse(shortTverts + Triangle("B") + Triangle("C"));
  ASSERT_EQ(three.meshes.size(), 3u);
  EXPECT_EQ(three.meshes[1].name, "\"B\"");
  EXPECT_FLOAT_EQ(three.meshes[0].texCoords[0], 0.5f);
  EXPECT_FLOAT_EQ(three.meshes[0].texCoords[2], 0.0f);
  EXPECT_TRUE(Mentions(three, "\"A\": 1 texture vertices for 3 vertices"));

  // Without a material count the search for it reads the whole file, and the log says so.
  const AseModel noCount = Parse(Triangle("T", "*MATERIAL_REF 0\n"), true);
  EXPECT_TRUE(noCount.meshes.empty());
  EXPECT_TRUE(Mentions(noCount, "no *MATERIAL_COUNT"));

  // A map block without a bitmap, and fewer materials than counted: both are named, and the
  // object after the list still loads.
  const std::string noBitmap =
      "*MATERIAL_COUNT 3\n*MATERIAL 0 {\n*MAP_DIFFUSE {\n*MAP_CLASS \"x\"\n}\n}\n" +
      Triangle("T", "*MATERIAL_REF 0\n");
  const AseModel lost = Parse(noBitmap, true);
  EXPECT_TRUE(Mentions(lost, "material 0: *MAP_DIFFUSE has no *BITMAP")) << lost.problems[0];
  EXPECT_TRUE(Mentions(lost, "materials 1 to 2 not found: the material list ends before them"));
  EXPECT_EQ(lost.meshes.size(), 1u);
}

TEST(AseModel, MaterialsEndAtTheirOwnBraceAndNeverSwallowObjects) {
  TempFolder folder;
  const BgrImage grey{4, 2, [](int, int) { return std::array<std::uint8_t, 3>{90, 90, 90}; }};
  folder.Write("Gfx/hull.bmp", MakeBmp(grey));
  auto withMap = [](int index, const std::string& name) {
    return "\t*MATERIAL " + std::to_string(index) + " {\n\t\t*MATERIAL_NAME \"" + name +
           "\"\n\t\t*MATERIAL_SHINE 0.1\n\t\t*MAP_DIFFUSE {\n\t\t\t*MAP_NAME \"Map #1\"\n"
           "\t\t\t*BITMAP \"hull.bmp\"\n\t\t\t*UVW_U_TILING 1.0\n\t\t}\n\t}\n";
  };
  // As real exports write them: the first material has no map at all, the second's name holds
  // a brace, the third has a map; the objects follow the list.
  const std::string list = "*MATERIAL_LIST {\n\t*MATERIAL_COUNT 3\n"
                           "\t*MATERIAL 0 {\n\t\t*MATERIAL_NAME \"Plain\"\n"
                           "\t\t*MATERIAL_DIFFUSE 0.5 0.5 0.5\n\t}\n" +
                           withMap(1, "odd } name") + withMap(2, "Hull") + "}\n";
  const std::string objects = Triangle("A", "*MATERIAL_REF 0\n") +
                              Triangle("B", "*MATERIAL_REF 1\n") +
                              Triangle("C", "*MATERIAL_REF 2\n");
  const AseModel model = Parse(list + objects, true, true, folder.WithSeparator());
  ASSERT_EQ(model.meshes.size(), 3u);
  EXPECT_EQ(model.meshes[2].name, "\"C\"");
  ASSERT_EQ(model.materials.size(), 6u);
  EXPECT_EQ(model.materials[0].width(), 0);
  EXPECT_EQ(model.materials[2].width(), 4);
  EXPECT_EQ(model.materials[4].width(), 4);
  EXPECT_EQ(model.meshes[1].texture, &model.materials[2]);
  EXPECT_EQ(model.meshes[2].texture, &model.materials[4]);
  EXPECT_TRUE(Mentions(model, "material 0 has no diffuse bitmap"));
  EXPECT_FALSE(Mentions(model, "material 1: "));

  // A material whose block is never closed ends at the first object, which still loads.
  const AseModel open =
      Parse("*MATERIAL_COUNT 2\n*MATERIAL 0 {\n*MATERIAL_NAME \"Open\"\n" + objects, true);
  EXPECT_EQ(open.meshes.size(), 3u);
  EXPECT_TRUE(Mentions(open, "material 1 not found: an object begins inside material 0"));
}

TEST(AseModel, UTF16SceneFilesAreRefusedAsSuch) {
  TempFolder folder;
  const std::string text = Triangle("W");
  auto utf16 = [&](bool bigEndian, bool mark) {
    testing::Bytes bytes;
    if (mark) {
      bytes = bigEndian ? testing::Bytes{0xFE, 0xFF} : testing::Bytes{0xFF, 0xFE};
    }
    for (char c : text) {
      const auto byte = static_cast<std::uint8_t>(c);
      bytes.insert(bytes.end(), {bigEndian ? std::uint8_t{0} : byte,
                                 bigEndian ? byte : std::uint8_t{0}});
    }
    return bytes;
  };
  const std::pair<bool, bool> kinds[] = {{false, true}, {true, true}, {false, false}, {true, false}};
  for (const auto& [bigEndian, mark] : kinds) {
    const std::string path = folder.Write("wide.ase", utf16(bigEndian, mark));
    AseModel model;
    std::string why;
    EXPECT_FALSE(LoadAse(path, folder.WithSeparator(), false, true, &model, &why));
    EXPECT_NE(why.find("wide.ase is UTF-16 text"), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace ironwood
