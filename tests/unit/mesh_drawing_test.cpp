#include "saver/assets/mesh_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/recording_gl.h"

namespace ironwood {
namespace {

std::string PointerText(const void* p) {
  char text[64];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

Mesh Triangle() {
  Mesh mesh;
  mesh.vertexCount = 3;
  mesh.faceCount = 1;
  mesh.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  mesh.normals = {0, 0, 1, 0, 0, 1, 0, 0, 1};
  mesh.texCoords = {0, 0, 1, 0, 0, 1};
  mesh.indices = {0, 1, 2};
  return mesh;
}

TEST(MeshDrawing, BothUnitsReadTheSameCoordinatesAndUnitOneStaysActive) {
  const Mesh mesh = Triangle();
  testing::RecordingGl recording;
  DrawMesh(mesh, {.multitexture = true, .compiledVertexArrays = false});
  const std::string coords = PointerText(mesh.texCoords.data());
  EXPECT_EQ(recording.Names(),
            (std::vector<std::string>{"glVertexPointer", "glNormalPointer",
                                      "glClientActiveTextureARB", "glTexCoordPointer",
                                      "glClientActiveTextureARB", "glTexCoordPointer",
                                      "glDrawElements"}));
  const auto units = recording.Named("glClientActiveTextureARB");
  EXPECT_EQ(units[0].args[0], std::to_string(GL_TEXTURE0_ARB));
  EXPECT_EQ(units[1].args[0], std::to_string(GL_TEXTURE1_ARB));
  for (const auto& call : recording.Named("glTexCoordPointer")) {
    EXPECT_EQ(call.Text(), "glTexCoordPointer(2, " + std::to_string(GL_FLOAT) + ", 8, " + coords +
                               ")");
  }
  EXPECT_EQ(recording.Named("glDrawElements")[0].args[1], "3");
}

TEST(MeshDrawing, SingleUnitEmptyMeshAndLockedDraws) {
  Mesh empty;
  testing::RecordingGl recording;
  DrawMesh(empty, {});
  EXPECT_EQ(recording.Count("glClientActiveTextureARB"), 0);
  EXPECT_EQ(recording.Count("glTexCoordPointer"), 1);
  ASSERT_EQ(recording.Count("glDrawElements"), 1);
  EXPECT_EQ(recording.Named("glDrawElements")[0].args[1], "0");

  recording.calls.clear();
  const Mesh mesh = Triangle();
  DrawMeshLocked(mesh, {.multitexture = false, .compiledVertexArrays = true});
  const auto names = recording.Names();
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[3], "glLockArraysEXT");
  EXPECT_EQ(recording.Named("glLockArraysEXT")[0].Text(), "glLockArraysEXT(0, 3)");
  EXPECT_EQ(names[4], "glDrawElements");
  EXPECT_EQ(names[5], "glUnlockArraysEXT");
}

// One glMultMatrixf stands for translate, heading about y, pitch about x, roll about z and
// scale: the same matrix, column by column, as those calls make.
TEST(MeshDrawing, PlacementMatrixIsTheTranslateRotateScaleSequence) {
  testing::RecordingGl recording;
  bool drawn = false;
  DrawPlaced({1, 2, 3, 10, 20, 30}, [&] {
    drawn = true;
    gl.glDrawArrays(GL_POINTS, 0, 1);
  });
  EXPECT_TRUE(drawn);
  ASSERT_EQ(recording.Names(), (std::vector<std::string>{"glPushMatrix", "glMultMatrixf",
                                                         "glDrawArrays", "glPopMatrix"}));
  EXPECT_LT(testing::LargestDifference(testing::MatrixArgs(recording.calls[1]),
                                       testing::TurnedByCalls({1, 2, 3}, 20, 10, 30)),
            1e-6);

  const Placement turns[] = {
      {-5, 0.5f, 40, -89, 180, 359}, {0, 0, 0, 45, -135, -270}, {100, -200, 3, 0.25f, 0, 720}};
  for (const Placement& p : turns) {
    const ModelMatrix m = PlacementMatrix(p, {2, 0.5f, 3});
    std::array<double, 16> composed{};
    std::copy(m.begin(), m.end(), composed.begin());
    EXPECT_LT(
        testing::LargestDifference(composed, testing::TurnedByCalls({p.x, p.y, p.z}, p.heading,
                                                                    p.pitch, p.roll, {2, 0.5, 3})),
        1e-5)
        << p.heading << " " << p.pitch << " " << p.roll;
  }
}

}  // namespace
}  // namespace ironwood
