#pragma once

// How the ships are drawn: the hull pass (each hull mesh of a class, intact or shot up), the
// phaser beams, and each ship's shield bubble with its fading glow. All of it unlit. Textures
// that every ship of a class shares are bound once per class (and mesh); each ship then only
// sets its own transform and draws.
//
// GL state: the passes expect, and leave, the frame's state: modelview matrix mode with the
// stack as it was, texturing on for unit 0 and off for unit 1. With multitexture the hull pass
// also leaves unit 0 the active unit, so whatever binds textures after it binds them on the
// unit that draws.

#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"
#include "saver/core/vector3.h"
#include "saver/core/view_volume.h"

namespace ironwood {

class Ship;
class ShipClass;
struct WeaponState;

// A section takes this much damage before it is shown shot up (or, without a damage image,
// no longer shown at all).
inline constexpr float kSectionDamaged = 1.0f;

// Every hull mesh of the class for every visible, living ship of its list: the sections below
// kSectionDamaged with the mesh's image, the others, where the mesh has a damage image with
// opacity, with its inverse copy under the alpha test, so only the unharmed parts of the section
// remain. A mesh whose image record was empty is drawn plain. A ship that cannot be in `view`
// is not drawn.
void HullPass(const ShipClass& shipClass, const MeshDrawCaps& caps, TextureNamePool& pool,
              const ViewVolume& view = ViewVolume());

// Gets the class's beam mesh and image ready for its ships' beams. False, with nothing set or
// bound, for a class without phaser mounts or beam mesh: its ships draw no beams.
bool PhaserPassSetup(const ShipClass& shipClass, const MeshDrawCaps& caps, TextureNamePool& pool);

// One phaser's beam: the beam mesh turned from the muzzle onto the point hit and stretched to
// it, its image sliding along by `beamScroll`. Nothing for a phaser that is not firing, a dead
// ship or one whose hull is gone, or a class without beam mesh. Draws from the arrays
// PhaserPassSetup set for the ship's class, so it must follow that call. Draws only: the charge
// the beam costs is the fire control's (DrainPhaserCharge). True when a beam was drawn.
bool DrawPhaserBeam(const Ship& ship, const WeaponState& phaser, float beamScroll);

// One ship's shield, for a visible ship only, with the client arrays off and its class's shield
// image bound: drawn while glowing (from arrays it turns on and off again, or in immediate mode
// when its arrays do not hold every corner), then faded by the time since its last fade (4 alpha a
// second, so a full glow lasts a quarter second) and its image moved on. An invisible ship's
// shield waits, glow and all, until the ship is seen again. A shield that cannot be in `view`
// fades without being drawn.
void ShieldPass(Ship& ship, const MeshDrawCaps& caps, const ViewVolume& view = ViewVolume());

// Binds the class's shield image on unit 0 and runs ShieldPass for every ship of its list, in
// list order. The ships of an alliance are grouped by class in class order, so running it for
// each class of an alliance walks the alliance's ships in their order. With `draw` off (the
// frame benchmark's frame without ship passes) the shields only fade, binding and drawing
// nothing.
void ShieldPassForClass(const ShipClass& shipClass, const MeshDrawCaps& caps,
                        TextureNamePool& pool, bool draw = true,
                        const ViewVolume& view = ViewVolume());

// While the followed ship flies through the tunnel: decide whether it can be seen from the eye
// (at -eyeOffset), then draw its class's hulls.
void TunnelFocusDraw(Ship& focus, const Vector3& eyeOffset, const MeshDrawCaps& caps,
                     TextureNamePool& pool);

}  // namespace ironwood
