#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/headless/manual_clock.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/render/ship_passes.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/recording_gl.h"

namespace ironwood {
namespace {

using testing::GlCall;

std::string PointerText(const void* p) {
  char text[64];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

std::string Text(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
  return out;
}

// Two hull sections: mesh 0 with a damage image that has opacity, mesh 1 whose second image has
// none. One phaser mount and a box for a shield.
PluginFile TwoSectionPlugin(bool phasers, bool emptySecondImage = false) {
  PluginFile f = testing::FlyingShipPlugin(30);
  f.textures = {testing::SolidTexture(2, {0x80, 0x80, 0x80}),
                testing::SolidTexture(2, {0x60, 0x20, 0x10}, true),
                testing::SolidTexture(2, {0x30, 0x40, 0x50}),
                testing::SolidTexture(2, {0x10, 0x10, 0x10}, false)};
  if (emptySecondImage) f.textures[2] = PluginTexture{};
  f.meshes = {testing::StripMesh(3, 0, 0), testing::StripMesh(4, 1, 1)};
  if (phasers) {
    f.phaser = testing::PatternModel(2);
    f.phaserMounts = {PluginMount{{0, 0, 1}, {0, 0, 1}, 1.0f}};
    f.phaserValue = 1.0f;
  }
  f.shield = {testing::PatternTexture(4, 4, true, 3), testing::PatternTexture(2, 1, false, 4),
              testing::BoxMesh(2, 1, 1)};
  return f;
}

// What the driver would hold at a draw, followed through the recorded calls.
struct DrawSeen {
  std::string indices;      // which mesh: its index array
  std::string boundOnUnit0;  // texture name
  bool alphaTest = false;
  bool unit1Enabled = false;
  float x = 0;  // the translation of the draw's transform
};

struct GlState {
  int active = 0;
  std::array<bool, 2> enabled{true, true};  // unit 1 starts on: the pass must turn it off
  std::array<std::string, 2> bound{"none", "none"};
  bool alphaTest = false;
  float x = 0;
};

std::vector<DrawSeen> Follow(const std::vector<GlCall>& calls, GlState& s) {
  std::vector<DrawSeen> draws;
  for (const GlCall& c : calls) {
    if (c.name == "glActiveTextureARB") {
      s.active = std::stoi(c.args[0]) - GL_TEXTURE0_ARB;
    } else if (c.name == "glEnable" || c.name == "glDisable") {
      const bool on = c.name == "glEnable";
      if (std::stoul(c.args[0]) == GL_TEXTURE_2D) s.enabled[s.active] = on;
      if (std::stoul(c.args[0]) == GL_ALPHA_TEST) s.alphaTest = on;
    } else if (c.name == "glBindTexture") {
      s.bound[s.active] = c.args[1];
    } else if (c.name == "glMultMatrixf") {
      s.x = std::stof(c.args[12]);
    } else if (c.name == "glDrawElements") {
      draws.push_back({c.args[3], s.bound[0], s.alphaTest, s.enabled[1], s.x});
    }
  }
  return draws;
}

class ShipPassesTest : public ::testing::Test {
 protected:
  ShipPassesTest() : scoped_(clock_) {}

  void Build(bool phasers = true, bool emptySecondImage = false) {
    ASSERT_TRUE(class_.Build(TwoSectionPlugin(phasers, emptySecondImage), names_, 0, false));
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(ships_[i].Create(class_, {10.0f * i, 1, 2, 0, 0, 0, 0, 0, 0}, false));
      list_[i] = &ships_[i];
    }
    class_.SetShips(list_.data());
    class_.SetShipCount(4);
    gl_.calls.clear();
  }

  std::string Name(GLuint name) const { return std::to_string(name); }
  std::string Indices(int mesh) const { return PointerText(class_.mesh(mesh).indices.data()); }

  platform::ManualClock clock_{5000};
  platform::ScopedClock scoped_;
  testing::RecordingGl gl_;
  TextureNamePool names_{true};
  ShipClass class_;
  std::array<Ship, 4> ships_;
  std::array<Ship*, 4> list_{};
};

// Sections at 1.0 are shot up, below it intact; a section without a damage image vanishes;
// unseen and dead ships are left out; unit 1 is off after every mesh and unit 0 active at the end.
TEST_F(ShipPassesTest, HullPassDrawsEachSectionOnceIntactOrShotUp) {
  Build();
  ships_[0].AddDamage(0.999f, 0);
  ships_[0].AddDamage(1.0f, 1);
  ships_[1].AddDamage(1.0f, 0);
  ships_[1].AddDamage(0.5f, 1);
  ships_[2].SetVisible(false);
  ships_[3].SetDead(true);

  HullPass(class_, {true, false}, names_);
  GlState state;
  const std::vector<DrawSeen> draws = Follow(gl_.calls, state);

  const std::string image0 = Name(class_.texture(0).glName());
  const std::string damage0 = Name(class_.texture(1).glInverseName());
  const std::string image1 = Name(class_.texture(2).glName());
  ASSERT_NE(damage0, Name(class_.texture(1).glName()));
  ASSERT_EQ(draws.size(), 3u);
  // Mesh 0: ship 0 (0.999) intact, ship 1 (1.0) with the inverse damage image under the test.
  EXPECT_EQ(draws[0].indices, Indices(0));
  EXPECT_EQ(draws[0].x, 0.0f);
  EXPECT_EQ(draws[0].boundOnUnit0, image0);
  EXPECT_FALSE(draws[0].alphaTest);
  EXPECT_EQ(draws[1].indices, Indices(0));
  EXPECT_EQ(draws[1].x, 10.0f);
  EXPECT_EQ(draws[1].boundOnUnit0, damage0);
  EXPECT_TRUE(draws[1].alphaTest);
  // Mesh 1 has no damage image: ship 0's section (1.0) is gone, ship 1's (0.5) intact.
  EXPECT_EQ(draws[2].indices, Indices(1));
  EXPECT_EQ(draws[2].x, 10.0f);
  EXPECT_EQ(draws[2].boundOnUnit0, image1);
  EXPECT_FALSE(draws[2].alphaTest);
  for (std::size_t i = 1; i < draws.size(); ++i) EXPECT_FALSE(draws[i].unit1Enabled) << i;
  EXPECT_FALSE(state.enabled[1]);
  EXPECT_TRUE(state.enabled[0]);
  EXPECT_EQ(state.active, 0);
  EXPECT_FALSE(state.alphaTest);
  EXPECT_EQ(gl_.Count("glPushMatrix"), gl_.Count("glPopMatrix"));
  EXPECT_EQ(gl_.Count("glDisable"), 3);  // unit 1 after each mesh, the alpha test once

  // The hull is placed by the ship's state, one matrix a section; the arrays are set once a
  // mesh and round, not once a ship.
  const std::vector<GlCall> placed = gl_.Named("glMultMatrixf");
  ASSERT_EQ(placed.size(), 3u);
  EXPECT_LT(testing::LargestDifference(testing::MatrixArgs(placed[0]),
                                       testing::TurnedByCalls({0, 1, 2}, 0, 0, 0)),
            1e-6);
  EXPECT_EQ(gl_.Count("glVertexPointer"), 3);

  // Without multitexture no unit is ever selected (the entry point may not exist).
  gl_.calls.clear();
  HullPass(class_, {false, false}, names_);
  EXPECT_EQ(gl_.Count("glActiveTextureARB"), 0);
  EXPECT_EQ(gl_.Count("glClientActiveTextureARB"), 0);
  EXPECT_EQ(gl_.Count("glDrawElements"), 3);
}

// An empty image record leaves its section without an image: drawn plain, not with whatever
// image happened to be bound, and texturing is back on afterwards.
TEST_F(ShipPassesTest, SectionWithoutImageIsDrawnPlain) {
  Build(true, true);
  ASSERT_EQ(class_.mesh(1).texture, nullptr);
  for (int i = 1; i < 4; ++i) ships_[i].SetDead(true);
  HullPass(class_, {false, false}, names_);
  GlState state;
  const std::vector<DrawSeen> draws = Follow(gl_.calls, state);
  ASSERT_EQ(draws.size(), 2u);
  std::vector<std::string> seen;
  for (const GlCall& c : gl_.calls) {
    if (c.name == "glBindTexture" || c.name == "glEnable" || c.name == "glDisable" ||
        c.name == "glDrawElements") {
      seen.push_back(c.name);
    }
  }
  // Mesh 0: its image, its draw, the (empty) damaged round; mesh 1: plain.
  const std::vector<std::string> expected = {
      "glBindTexture", "glDrawElements", "glEnable",  "glBindTexture", "glBindTexture",
      "glDisable",     "glDisable",      "glDrawElements", "glEnable"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(gl_.Named("glDisable")[1].args[0], std::to_string(GL_TEXTURE_2D));
  EXPECT_EQ(gl_.Named("glEnable")[1].args[0], std::to_string(GL_TEXTURE_2D));
}

TEST_F(ShipPassesTest, TunnelFocusDrawDecidesVisibilityFirst) {
  Build();
  for (int i = 1; i < 4; ++i) ships_[i].SetDead(true);
  TunnelFocusDraw(ships_[0], Vector3(0, 0, -500), {false, false}, names_);
  EXPECT_FALSE(ships_[0].IsVisible());
  EXPECT_EQ(gl_.Count("glDrawElements"), 0);
  TunnelFocusDraw(ships_[0], Vector3(0, 0, -100), {false, false}, names_);
  EXPECT_TRUE(ships_[0].IsVisible());
  EXPECT_EQ(gl_.Count("glDrawElements"), 2);  // both sections
}

TEST_F(ShipPassesTest, FiringPhaserBeamIsTurnedOntoItsTargetAndStretched) {
  Build();
  Ship& ship = ships_[1];  // at (10, 1, 2)
  ASSERT_EQ(ship.Phasers().size(), 1u);
  WeaponState& phaser = ship.Phasers()[0];
  phaser.firing = true;
  phaser.beamYaw = 30;
  phaser.beamPitch = -10;
  phaser.beamLength = 7;
  phaser.beamOpacity = 0.5f;
  phaser.mountWorldOffset = {1, 2, 3};

  ASSERT_TRUE(PhaserPassSetup(class_, {true, false}, names_));
  EXPECT_EQ(gl_.Count("glVertexPointer"), 1);
  const std::string beamImage = Name(class_.phaserTexture()->glName());
  EXPECT_EQ(Text(gl_.Named("glBindTexture").back().args), "3553, " + beamImage);
  gl_.calls.clear();

  EXPECT_TRUE(DrawPhaserBeam(ship, phaser, 0.3f));
  std::vector<std::string> seen;
  for (const GlCall& c : gl_.calls) seen.push_back(c.Text());
  const std::vector<std::string> expected = {
      "glPushMatrix()",
      "glColor4f(1, 1, 1, 0.5)",
      seen.at(2),
      "glMatrixMode(5890)",
      "glPushMatrix()",
      "glTranslatef(0, 0.3, 0)",
      "glDrawElements(4, 3, 5125, " + PointerText(class_.phaserModel()->indices.data()) + ")",
      "glPopMatrix()",
      "glMatrixMode(5888)",
      "glPopMatrix()"};
  EXPECT_EQ(seen, expected);
  ASSERT_EQ(gl_.calls.at(2).name, "glMultMatrixf");
  EXPECT_LT(testing::LargestDifference(testing::MatrixArgs(gl_.calls.at(2)),
                                       testing::TurnedByCalls({11, 3, 5}, 30, -10, 0, {1, 1, 7})),
            1e-5);
  EXPECT_EQ(phaser.charge, 1.0f);  // drawing costs nothing; the fire control drains

  // A phaser not firing, a dead ship, a ship whose hull is gone: no beam.
  gl_.calls.clear();
  phaser.firing = false;
  EXPECT_FALSE(DrawPhaserBeam(ship, phaser, 0.3f));
  phaser.firing = true;
  ship.SetHullPresent(false);
  EXPECT_FALSE(DrawPhaserBeam(ship, phaser, 0.3f));
  ship.SetHullPresent(true);
  ship.SetDead(true);
  EXPECT_FALSE(DrawPhaserBeam(ship, phaser, 0.3f));
  EXPECT_TRUE(gl_.calls.empty());
}

TEST_F(ShipPassesTest, ClassWithoutPhasersSetsNothingAndDrawsNoBeam) {
  Build(false);
  ASSERT_TRUE(ships_[0].Phasers().empty());
  EXPECT_FALSE(PhaserPassSetup(class_, {true, false}, names_));
  WeaponState stray;  // even a phaser record forced to fire finds no beam mesh
  stray.firing = true;
  stray.beamLength = 5;
  EXPECT_FALSE(DrawPhaserBeam(ships_[0], stray, 0.0f));
  EXPECT_TRUE(gl_.calls.empty());
}

class ShieldPassTest : public ShipPassesTest {
 protected:
  float Alpha(int ship, std::size_t vertex) { return ships_[ship].Shield().colours[4 * vertex + 3]; }
};

// Seen, hit while unseen, seen again: the glow waits, and the first fade takes the whole time.
TEST_F(ShieldPassTest, UnseenShieldKeepsItsGlowUntilSeenAgain) {
  Build();
  Ship& ship = ships_[0];
  ShieldPass(ship, {true, false});  // the first fade only starts the clock
  EXPECT_EQ(ship.Shield().lastUpdate, 5000u);
  EXPECT_EQ(Alpha(0, 0), 0.0f);

  ship.SetVisible(false);
  ship.Shield().Glow(Vector3(2, 1, 1), 1.0f);  // a box corner: vertex alpha there goes to 1
  std::vector<float> lit;
  for (std::size_t v = 0; v < ship.Shield().colours.size() / 4; ++v) lit.push_back(Alpha(0, v));
  ASSERT_EQ(*std::max_element(lit.begin(), lit.end()), 1.0f);
  gl_.calls.clear();
  clock_.Advance(150);
  ShieldPass(ship, {true, false});
  EXPECT_TRUE(gl_.calls.empty());
  EXPECT_EQ(Alpha(0, 0), lit[0]);

  clock_.Advance(50);
  ship.SetVisible(true);
  ShieldPass(ship, {true, false});
  for (std::size_t v = 0; v < lit.size(); ++v) {
    EXPECT_FLOAT_EQ(Alpha(0, v), std::max(0.0f, lit[v] - 0.8f)) << v;  // 4 x 0.2 s at once
  }
  EXPECT_TRUE(ship.Shield().glowing);
  EXPECT_EQ(ship.Shield().lastUpdate, 5200u);
}

// A shield whose glow has gone out fades without walking its vertices; a hit after that must
// light it again, drawn and fading as before.
TEST_F(ShieldPassTest, DarkShieldHitAgainGlowsAndFades) {
  Build();
  Ship& ship = ships_[0];
  ShieldPass(ship, {true, false});
  clock_.Advance(16);
  ShieldPass(ship, {true, false});
  clock_.Advance(16);
  ShieldPass(ship, {true, false});
  ASSERT_FALSE(ship.Shield().glowing);

  ship.Shield().Glow(Vector3(2, 1, 1), 1.0f);
  gl_.calls.clear();
  clock_.Advance(100);
  ShieldPass(ship, {true, false});
  EXPECT_TRUE(ship.Shield().glowing);
  float brightest = 0;
  for (std::size_t v = 0; v < ship.Shield().colours.size() / 4; ++v) {
    brightest = std::max(brightest, Alpha(0, v));
  }
  EXPECT_FLOAT_EQ(brightest, 0.6f);  // 1 less 4 x 0.1 s
  clock_.Advance(16);
  ShieldPass(ship, {true, false});
  EXPECT_EQ(gl_.Count("glDrawElements"), 1);  // drawn on the frame after the hit
  clock_.Advance(200);
  ShieldPass(ship, {true, false});
  EXPECT_FALSE(ship.Shield().glowing);
}

// Drawn while glowing, in the ship's own colours, its image scrolled; a full glow is gone after a
// quarter second, and from then on the shield is skipped.
TEST_F(ShieldPassTest, GlowFadesInAQuarterSecondThenTheShieldIsSkipped) {
  Build();
  Ship& ship = ships_[0];
  ShipShield& shield = ship.Shield();
  ShieldPass(ship, {true, false});
  const std::size_t vertices = shield.colours.size() / 4;
  for (std::size_t v = 0; v < vertices; ++v) shield.colours[4 * v + 3] = 0;
  shield.colours[4 * 5] = 0.25f;  // vertex 5: a colour of its own, full glow
  shield.colours[4 * 5 + 3] = 1.0f;
  shield.glowing = true;
  shield.scroll = 0.4f;

  gl_.calls.clear();
  clock_.Advance(250);
  ShieldPass(ship, {true, false});
  // From arrays: the shield's own colours with the mesh's places and coordinates (on unit 0,
  // the client-active unit back on unit 1 afterwards), every array turned on put out again.
  const Mesh& mesh = *shield.mesh;
  EXPECT_EQ(gl_.Count("glBegin"), 0);
  EXPECT_EQ(Text(gl_.Named("glTranslatef").at(0).args), "0, 0.4, 0");  // the texture matrix
  const std::string floats = std::to_string(GL_FLOAT);
  EXPECT_EQ(Text(gl_.Named("glColorPointer").at(0).args),
            "4, " + floats + ", 16, " + PointerText(shield.colours.data()));
  EXPECT_EQ(Text(gl_.Named("glVertexPointer").at(0).args),
            "3, " + floats + ", 12, " + PointerText(mesh.positions.data()));
  EXPECT_EQ(Text(gl_.Named("glTexCoordPointer").at(0).args),
            "2, " + floats + ", 8, " + PointerText(mesh.texCoords.data()));
  EXPECT_EQ(
      Text(gl_.Named("glDrawElements").at(0).args),
      "4, " + std::to_string(mesh.faceCount * 3) + ", 5125, " + PointerText(mesh.indices.data()));
  const std::vector<GlCall> units = gl_.Named("glClientActiveTextureARB");
  ASSERT_EQ(units.size(), 2u);
  EXPECT_EQ(units[0].args[0], std::to_string(GL_TEXTURE0_ARB));
  EXPECT_EQ(units[1].args[0], std::to_string(GL_TEXTURE1_ARB));
  EXPECT_EQ(gl_.Count("glEnableClientState"), 3);
  EXPECT_EQ(gl_.Count("glDisableClientState"), 3);
  // 1 - 4 x 0.25 leaves exactly 0, still counted as lit; one more millisecond puts it out.
  EXPECT_EQ(shield.colours[4 * 5 + 3], 0.0f);
  EXPECT_TRUE(shield.glowing);
  clock_.Advance(1);
  ShieldPass(ship, {true, false});
  EXPECT_FALSE(shield.glowing);

  gl_.calls.clear();
  clock_.Advance(16);
  ShieldPass(ship, {false, false});
  EXPECT_EQ(gl_.Count("glDrawElements"), 0);
  EXPECT_EQ(gl_.Count("glPushMatrix"), 0);
}

TEST_F(ShieldPassTest, ScrollWrapsAndWithoutMultitextureCoordinatesGoPlain) {
  Build();
  ShipShield& shield = ships_[1].Shield();
  ShieldPass(ships_[1], {false, false});
  shield.scroll = 0.95f;
  shield.glowing = true;
  gl_.calls.clear();
  clock_.Advance(100);
  ShieldPass(ships_[1], {false, false});
  EXPECT_NEAR(shield.scroll, 0.04f, 1e-6);
  EXPECT_EQ(gl_.Count("glActiveTextureARB"), 0);
  EXPECT_EQ(gl_.Count("glClientActiveTextureARB"), 0);
  EXPECT_EQ(gl_.Count("glDrawElements"), 1);
  // The ship's own orientation at its position.
  EXPECT_LT(testing::LargestDifference(testing::MatrixArgs(gl_.Named("glMultMatrixf").at(0)),
                                       testing::TurnedByCalls({10, 1, 2}, 0, 0, 0)),
            1e-6);

  // After a long time unseen the value still comes back within 0..1.
  shield.scroll = 0.5f;
  clock_.Advance(3000);
  ShieldPass(ships_[1], {false, false});
  EXPECT_NEAR(shield.scroll, 0.2f, 1e-5);
}

TEST_F(ShieldPassTest, ClassShieldPassBindsOnceForItsShips) {
  Build();
  ShieldPassForClass(class_, {true, false}, names_);
  EXPECT_EQ(gl_.Names().front(), "glActiveTextureARB");
  ASSERT_EQ(gl_.Count("glBindTexture"), 1);
  EXPECT_EQ(gl_.Named("glBindTexture")[0].args[1], Name(class_.shieldTexture()->glName()));
  EXPECT_EQ(gl_.Count("glPushMatrix"), 0);  // none glows: nothing placed or drawn
  for (const Ship& ship : ships_) EXPECT_EQ(ship.Shield().lastUpdate, 5000u);
}

GLboolean IW_GLAPI AlwaysEnabled(GLenum) { return GL_TRUE; }

// Arrays already on stay on, locked where the caps say; a shield whose arrays do not hold every
// corner is drawn the old way, without the triangles that reach past them.
TEST_F(ShieldPassTest, ArraysLeaveStateAsFoundAndCornersPastThemFallBack) {
  Build();
  Ship& ship = ships_[0];
  ShipShield& shield = ship.Shield();
  ShieldPass(ship, {true, false});
  for (std::size_t v = 3; v < shield.colours.size(); v += 4) shield.colours[v] = 1.0f;
  shield.glowing = true;
  const std::size_t vertices = shield.colours.size() / 4;

  gl_.calls.clear();
  const auto isEnabled = gl.glIsEnabled;
  gl.glIsEnabled = AlwaysEnabled;
  ShieldPass(ship, {true, true});
  gl.glIsEnabled = isEnabled;
  EXPECT_EQ(gl_.Named("glLockArraysEXT").at(0).Text(),
            "glLockArraysEXT(0, " + std::to_string(vertices) + ")");
  EXPECT_EQ(gl_.Count("glUnlockArraysEXT"), 1);
  for (const char* name : {"glEnableClientState", "glDisableClientState"}) {
    EXPECT_EQ(gl_.Count(name), 2) << name;
    for (const GlCall& c : gl_.Named(name)) {
      EXPECT_NE(c.args[0], std::to_string(GL_TEXTURE_COORD_ARRAY)) << name;
    }
  }

  const Mesh* original = shield.mesh;
  Mesh pastTheEnd = *original;
  pastTheEnd.indices[1] = static_cast<std::uint32_t>(vertices);
  const std::vector<float> colours = shield.colours;
  for (int shortColours = 0; shortColours < 2; ++shortColours) {
    shield.mesh = shortColours ? original : &pastTheEnd;
    if (shortColours) shield.colours.resize(4 * (vertices - 1));
    gl_.calls.clear();
    ShieldPass(ship, {true, false});
    int within = 0;
    for (std::size_t t = 0; t < original->faceCount * 3; t += 3) {
      const auto* corner = &shield.mesh->indices[t];
      const std::size_t limit = shield.colours.size() / 4;
      within += corner[0] < limit && corner[1] < limit && corner[2] < limit;
    }
    EXPECT_EQ(gl_.Count("glDrawElements"), 0) << shortColours;
    EXPECT_EQ(gl_.Count("glEnableClientState"), 0) << shortColours;
    EXPECT_EQ(gl_.Count("glVertex3f"), 3 * within) << shortColours;
    EXPECT_LT(within, static_cast<int>(original->faceCount)) << shortColours;
  }
  shield.mesh = original;
  shield.colours = colours;
}

// The view's planes pass over a ship only when it lies wholly outside one of them: a frustum of
// the saver's shape (near 1, far 500, +-0.5 by +-0.375 at the near plane) seen from (0, 0, 10)
// looking down -z.
TEST(ViewVolume, LeavesOutOnlyWhatLiesWhollyOutside) {
  const double n = 1, f = 500, r = 0.5, t = 0.375;
  const double projection[16] = {n / r, 0, 0, 0, 0, n / t, 0, 0, 0, 0, -(f + n) / (f - n), -1,
                                 0, 0, -2 * f * n / (f - n), 0};
  const double modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -10, 1};
  const ViewVolume view = ViewVolume::FromMatrices(projection, modelview);
  EXPECT_TRUE(view.MayShow(Vector3(0, 0, -50), 1));     // straight ahead
  EXPECT_TRUE(view.MayShow(Vector3(31, 0, -50), 2));    // its edge reaches in from the right
  EXPECT_FALSE(view.MayShow(Vector3(40, 0, -50), 2));   // wholly to the right
  EXPECT_FALSE(view.MayShow(Vector3(0, -30, -50), 2));  // below
  EXPECT_FALSE(view.MayShow(Vector3(0, 0, 20), 3));     // behind the eye
  EXPECT_TRUE(view.MayShow(Vector3(0, 0, 10.5), 3));    // round the eye
  EXPECT_FALSE(view.MayShow(Vector3(0, 0, -600), 10));  // past the far plane
  // Matrices that make no planes see everything.
  const double zeros[16] = {};
  EXPECT_TRUE(ViewVolume::FromMatrices(zeros, zeros).MayShow(Vector3(1e6, 0, 0), 0));
}

}  // namespace
}  // namespace ironwood
