#include "saver/render/ship_passes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "glapi/gl_table.h"
#include "platform/clock.h"
#include "saver/core/frame_split.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"

namespace ironwood {

namespace {

// A glow loses this much alpha a second; scrolling moves the shield image this far a second.
constexpr double kShieldFadePerSecond = 4.0;
constexpr double kShieldScrollPerSecond = 0.9;

// Binds `texture` for the draws; an empty image record left the mesh without one, and then the
// draws go plain in the current colour, with texturing back on afterwards.
template <class Draw>
void WithTexture(Texture* texture, TextureNamePool& pool, const Draw& draw) {
  if (texture != nullptr) {
    texture->Bind(pool);
    draw();
    return;
  }
  gl.glDisable(GL_TEXTURE_2D);
  draw();
  gl.glEnable(GL_TEXTURE_2D);
}

// The ship's own orientation (heading about y, pitch about x, roll about z, made once a frame
// by the ship) at its place.
ModelMatrix ShipModelMatrix(const Ship& ship) {
  const Vector3 at = ship.Position();
  const Matrix4& turn = ship.OrientationMatrix();
  ModelMatrix model{};
  for (std::size_t i = 0; i < 12; ++i) model[i] = static_cast<float>(turn[i]);
  model[12] = static_cast<float>(at.x());
  model[13] = static_cast<float>(at.y());
  model[14] = static_cast<float>(at.z());
  model[15] = 1;
  return model;
}

bool Drawable(const Ship* ship) {
  return ship != nullptr && ship->IsVisible() && !ship->IsDead();
}

// The sections of mesh k that are (damaged = false) still intact, or (true) shot up, each ship
// at its model transform (`placed`, by the ship's index in the class). The mesh's arrays are set
// once for all of them.
void DrawSections(const ShipClass& shipClass, int k, bool damaged, const MeshDrawCaps& caps,
                  const std::vector<ModelMatrix>& placed, const std::vector<char>& shown) {
  const Mesh& mesh = shipClass.mesh(k);
  bool arraysSet = false;
  for (int i = 0; i < shipClass.shipCount(); ++i) {
    const Ship* ship = shipClass.ships()[i];
    if (!shown[static_cast<std::size_t>(i)]) continue;
    if ((ship->PerMeshDamage(k) >= kSectionDamaged) != damaged) continue;
    if (!arraysSet) SetMeshArrays(mesh, caps);
    arraysSet = true;
    DrawElementsAt(mesh, placed[static_cast<std::size_t>(i)]);
  }
}

// The bubble from arrays: positions and image coordinates from the mesh, the colours from the
// shield. The vertex, colour and unit 0's coordinate arrays are turned on for the draw and left
// as they were found; with multitexture the client-active unit goes back to unit 1, where the
// mesh draws keep it.
void DrawShieldArrays(const ShipShield& shield, std::size_t vertices, std::size_t indices,
                      const MeshDrawCaps& caps) {
  const Mesh& mesh = *shield.mesh;
  if (caps.multitexture) gl.glClientActiveTextureARB(GL_TEXTURE0_ARB);
  const bool coordsWereOn = gl.glIsEnabled(GL_TEXTURE_COORD_ARRAY) != 0;
  if (!coordsWereOn) gl.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  gl.glEnableClientState(GL_VERTEX_ARRAY);
  gl.glEnableClientState(GL_COLOR_ARRAY);
  gl.glVertexPointer(3, GL_FLOAT, 12, mesh.positions.data());
  gl.glTexCoordPointer(2, GL_FLOAT, 8, mesh.texCoords.data());
  gl.glColorPointer(4, GL_FLOAT, 16, shield.colours.data());
  const bool lock =
      caps.compiledVertexArrays && gl.glLockArraysEXT != nullptr && gl.glUnlockArraysEXT != nullptr;
  if (lock) gl.glLockArraysEXT(0, static_cast<GLsizei>(vertices));
  gl.glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices), GL_UNSIGNED_INT,
                    mesh.indices.data());
  if (lock) gl.glUnlockArraysEXT();
  gl.glDisableClientState(GL_COLOR_ARRAY);
  gl.glDisableClientState(GL_VERTEX_ARRAY);
  if (!coordsWereOn) gl.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  if (caps.multitexture) gl.glClientActiveTextureARB(GL_TEXTURE1_ARB);
}

// The bubble, its colours changing per vertex and frame: from arrays when every corner lies
// within them, otherwise in immediate mode, leaving out the triangles that reach past them.
void DrawShield(const ShipShield& shield, const MeshDrawCaps& caps) {
  const Mesh& mesh = *shield.mesh;
  // The colours were sized from the mesh when the ship was made; never read past any array.
  const std::size_t vertices = std::min(
      {mesh.positions.size() / 3, mesh.texCoords.size() / 2, shield.colours.size() / 4});
  const std::size_t indices =
      std::min(static_cast<std::size_t>(mesh.faceCount) * 3, mesh.indices.size()) / 3 * 3;

  const bool cornersFit =
      std::all_of(mesh.indices.begin(), mesh.indices.begin() + static_cast<std::ptrdiff_t>(indices),
                  [&](std::uint32_t v) { return v < vertices; });

  gl.glMatrixMode(GL_TEXTURE);
  gl.glPushMatrix();
  gl.glTranslatef(0.0f, shield.scroll, 0.0f);
  if (cornersFit) {
    DrawShieldArrays(shield, vertices, indices, caps);
    gl.glPopMatrix();
    gl.glMatrixMode(GL_MODELVIEW);
    return;
  }
  gl.glBegin(GL_TRIANGLES);
  for (std::size_t t = 0; t < indices; t += 3) {
    const std::uint32_t* corner = &mesh.indices[t];
    if (corner[0] >= vertices || corner[1] >= vertices || corner[2] >= vertices) continue;
    for (int c = 0; c < 3; ++c) {
      const std::size_t v = corner[c];
      const float* rgba = &shield.colours[4 * v];
      gl.glColor4f(rgba[0], rgba[1], rgba[2], rgba[3]);
      const float u = mesh.texCoords[2 * v], w = mesh.texCoords[2 * v + 1];
      if (caps.multitexture) {
        gl.glMultiTexCoord2fARB(GL_TEXTURE0_ARB, u, w);
      } else {
        gl.glTexCoord2f(u, w);
      }
      gl.glVertex3f(mesh.positions[3 * v], mesh.positions[3 * v + 1], mesh.positions[3 * v + 2]);
    }
  }
  gl.glEnd();
  gl.glPopMatrix();
  gl.glMatrixMode(GL_MODELVIEW);
}

// The glow fades with the time since the last fade; the shield keeps being drawn while any
// vertex is still lit.
void FadeShield(ShipShield& shield) {
  SimulationSpan simulation;
  const std::uint32_t now = platform::TimeMilliseconds();
  if (shield.lastUpdate == 0) shield.lastUpdate = now;
  // Unsigned: correct across the clock's 32-bit wrap.
  const double dt = static_cast<std::uint32_t>(now - shield.lastUpdate) / 1000.0;
  shield.lastUpdate = now;

  if (shield.dark && !shield.glowing) {
    // Every alpha is 0: a fade of no time leaves them at 0, which still counts as lit; any
    // other fade leaves them at 0, unlit. The walk below would find the same.
    shield.glowing = dt == 0 && shield.colours.size() >= 4;
  } else {
    bool glowing = false, lit = false;
    for (std::size_t v = 3; v < shield.colours.size(); v += 4) {
      float& alpha = shield.colours[v];
      alpha = static_cast<float>(alpha - kShieldFadePerSecond * dt);
      if (alpha >= 0.0f) {
        glowing = true;
        lit = lit || alpha > 0.0f;
      } else {
        alpha = 0.0f;
      }
    }
    shield.glowing = glowing;
    shield.dark = !lit;
  }

  // The image repeats, so whole turns can go; after a long time unseen more than one may have
  // gathered, and the value stays within 0..1 all the same.
  shield.scroll = static_cast<float>(shield.scroll + kShieldScrollPerSecond * dt);
  while (shield.scroll > 1.0f) shield.scroll -= 1.0f;
}

}  // namespace

void HullPass(const ShipClass& shipClass, const MeshDrawCaps& caps, TextureNamePool& pool,
              const ViewVolume& view) {
  // Which ships are drawn, and each one's transform, once for all its sections; the lists are
  // kept between frames so that a frame allocates nothing. A ship wholly outside the view is
  // left out (its hull reaches no farther than its farthest corner).
  static std::vector<ModelMatrix> placed;
  static std::vector<char> shown;
  placed.resize(static_cast<std::size_t>(shipClass.shipCount()));
  shown.assign(static_cast<std::size_t>(shipClass.shipCount()), 0);
  const double hullReach = shipClass.hullReach() * 1.01 + 0.01;
  for (int i = 0; i < shipClass.shipCount(); ++i) {
    const Ship* ship = shipClass.ships()[i];
    if (!Drawable(ship) || !view.MayShow(ship->Position(), hullReach)) continue;
    shown[static_cast<std::size_t>(i)] = 1;
    placed[static_cast<std::size_t>(i)] = ShipModelMatrix(*ship);
  }
  for (int k = 0; k < shipClass.meshCount(); ++k) {
    const Mesh& mesh = shipClass.mesh(k);
    if (caps.multitexture) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    WithTexture(mesh.texture, pool, [&] { DrawSections(shipClass, k, false, caps, placed, shown); });
    if (caps.multitexture) {
      gl.glActiveTextureARB(GL_TEXTURE1_ARB);
      gl.glDisable(GL_TEXTURE_2D);
    }
    // Shot-up sections show their image's inverse opacity: where the damage image is opaque,
    // the hull is gone. Without such an image the section is simply no longer drawn.
    Texture* damage = mesh.secondTexture;
    if (damage != nullptr && damage->HasAlpha()) {
      gl.glEnable(GL_ALPHA_TEST);
      if (caps.multitexture) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
      damage->Bind(pool);  // makes its texture object on first use
      damage->BindInverse(pool);
      DrawSections(shipClass, k, true, caps, placed, shown);
      gl.glDisable(GL_ALPHA_TEST);
    }
  }
  // Texture binds after this pass go to unit 0, the unit that draws.
  if (caps.multitexture && shipClass.meshCount() > 0) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
}

bool PhaserPassSetup(const ShipClass& shipClass, const MeshDrawCaps& caps, TextureNamePool& pool) {
  const Mesh* beam = shipClass.phaserModel();
  if (shipClass.phaserMountCount() <= 0 || beam == nullptr) return false;
  SetMeshArrays(*beam, caps);
  if (caps.multitexture) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  if (beam->texture != nullptr) beam->texture->Bind(pool);
  return true;
}

bool DrawPhaserBeam(const Ship& ship, const WeaponState& phaser, float beamScroll) {
  if (!phaser.firing || ship.IsDead() || !ship.HullPresent() || ship.Class() == nullptr) {
    return false;
  }
  const Mesh* beam = ship.Class()->phaserModel();
  if (beam == nullptr) return false;

  const Vector3 at = ship.Position();
  const Placement muzzle{static_cast<float>(at.x()) + phaser.mountWorldOffset[0],
                         static_cast<float>(at.y()) + phaser.mountWorldOffset[1],
                         static_cast<float>(at.z()) + phaser.mountWorldOffset[2],
                         phaser.beamPitch,
                         phaser.beamYaw,
                         0};
  gl.glPushMatrix();
  gl.glColor4f(1.0f, 1.0f, 1.0f, phaser.beamOpacity);
  gl.glMultMatrixf(PlacementMatrix(muzzle, {1, 1, phaser.beamLength}).data());
  gl.glMatrixMode(GL_TEXTURE);
  gl.glPushMatrix();
  gl.glTranslatef(0.0f, beamScroll, 0.0f);
  // A beam mesh whose image record was empty is drawn plain rather than with another image.
  if (beam->texture == nullptr) gl.glDisable(GL_TEXTURE_2D);
  DrawMeshElements(*beam);
  if (beam->texture == nullptr) gl.glEnable(GL_TEXTURE_2D);
  gl.glPopMatrix();
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glPopMatrix();
  return true;
}

void ShieldPass(Ship& ship, const MeshDrawCaps& caps, const ViewVolume& view) {
  if (!ship.IsVisible()) return;
  ShipShield& shield = ship.Shield();
  if (shield.glowing && shield.mesh != nullptr &&
      (ship.Class() == nullptr ||
       view.MayShow(ship.Position(), ship.Class()->shieldReach() * 1.01 + 0.01))) {
    gl.glPushMatrix();
    gl.glMultMatrixf(ShipModelMatrix(ship).data());
    DrawShield(shield, caps);
    gl.glPopMatrix();
  }
  FadeShield(shield);
}

void ShieldPassForClass(const ShipClass& shipClass, const MeshDrawCaps& caps,
                        TextureNamePool& pool, bool draw, const ViewVolume& view) {
  if (shipClass.shipCount() == 0) return;
  if (!draw) {
    for (int i = 0; i < shipClass.shipCount(); ++i) {
      if (Ship* ship = shipClass.ships()[i]; ship != nullptr && ship->IsVisible()) {
        FadeShield(ship->Shield());
      }
    }
    return;
  }
  if (caps.multitexture) gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  WithTexture(shipClass.shieldModel().texture, pool, [&] {
    for (int i = 0; i < shipClass.shipCount(); ++i) {
      if (Ship* ship = shipClass.ships()[i]; ship != nullptr) ShieldPass(*ship, caps, view);
    }
  });
}

void TunnelFocusDraw(Ship& focus, const Vector3& eyeOffset, const MeshDrawCaps& caps,
                     TextureNamePool& pool) {
  focus.UpdateVisibility(eyeOffset);
  if (focus.Class() != nullptr) HullPass(*focus.Class(), caps, pool);
}

}  // namespace ironwood
