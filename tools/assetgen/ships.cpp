#include "tools/assetgen/ships.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

#include "tools/assetgen/hull_geometry.h"
#include "tools/assetgen/image_files.h"
#include "tools/assetgen/ship_textures.h"
#include "tools/assetgen/sounds.h"

namespace ironwood::assetgen {

namespace {

// ---- Modelling vocabulary ----

struct Part {
  std::string name;
  RawMesh shell;
};

// A mount is found by casting a ray at the hull from outside: it sits where the ray first
// meets the surface, a hair above it.
struct MountPlacement {
  Vec3 from, direction, aim;
  float arc = 0;
};

MountPlacement FromAbove(float x, float z, Vec3 aim, float arc) {
  return {{x, 60, z}, {0, -1, 0}, aim, arc};
}
MountPlacement FromBelow(float x, float z, Vec3 aim, float arc) {
  return {{x, -60, z}, {0, 1, 0}, aim, arc};
}
MountPlacement FromSide(float side, float y, float z, Vec3 aim, float arc) {
  return {{side * 60, y, z}, {-side, 0, 0}, aim, arc};
}
MountPlacement FromAhead(float x, float y, Vec3 aim, float arc) {
  return {{x, y, 60}, {0, 0, -1}, aim, arc};
}

struct Design {
  std::string name, role;
  int alliance = 1;
  std::uint32_t seed = 1;
  int soundVariant = 0;
  std::vector<Part> parts;
  std::vector<MountPlacement> phasers, torpedoes;
  HullPaint paint;
  FlightAttributes flight;  // pitch, turn and bank rates, angle limit, acceleration, top speed
  float phaserValue = 0, torpedoValue = 0, shieldStrength = 0;
  float beamHalfWidth = 0.08f, torpedoSize = 0.3f;
};

Section S(float z, float w, float h, float cy = 0, float cx = 0) {
  return {z, cx, cy, w, h};
}
LoftCap Flat() {
  return {};
}
LoftCap Tip(float x, float y, float z) {
  return {true, {x, y, z}};
}

// A wing or blade lofted along its span. In the sections z is the distance along the span, cx
// how far the section sits aft of the root's centre (sweep), w half the chord, h half the
// thickness. The span runs out along +x from `root`, tipped up by `dihedral` degrees (down
// when negative).
RawMesh SpanLoft(const Profile& profile, const std::vector<Section>& sections, Vec3 root,
                 float dihedral) {
  const RawMesh local = Loft(profile, sections);
  // Local z (span) to +x, local x (chord) to -z, so sweep runs aft.
  return Transformed(local, RotationZ(dihedral) * RotationY(90), root);
}

// Boxes of plating and machinery on the upper surface, placed from the hash, in mirrored pairs
// away from the centre line, sunk into the hull so that none floats.
void AddGreebles(RawMesh& shell, std::uint32_t seed, int count, float xMax, float z0, float z1,
                 float sizeMin, float sizeMax) {
  const std::vector<ModelMesh> probe = {Finish(
      shell, "probe", 180,
      [](Vec3, Vec3) {
        return std::array<float, 2>{0, 0};
      },
      0)};
  Sequence random(seed);
  for (int i = 0; i < count; ++i) {
    const float x = random.Range(-xMax, xMax), z = random.Range(z0, z1);
    const float hx = random.Range(sizeMin, sizeMax);
    const float hz = hx * random.Range(1.0f, 2.6f), hy = hx * random.Range(0.25f, 0.6f);
    Vec3 hit, normal;
    if (!CastRay(probe, {x, 60, z}, {0, -1, 0}, &hit, &normal) || normal.y < 0.8f) continue;
    const RawMesh box = BevelBox({x, hit.y + 0.3f * hy, z}, {hx, hy, hz}, 0);
    Append(shell, std::abs(x) > hx + 0.05f ? WithMirror(box) : box);
  }
}

const Profile kRound = SuperEllipse(16, 2.3f);
const Profile kLens = SuperEllipse(12, 2.0f);
const Profile kHex = Polygon(
    {{1, -0.2f}, {0.55f, 0.75f}, {-0.55f, 0.75f}, {-1, -0.2f}, {-0.45f, -1}, {0.45f, -1}}, 1);
const Profile kDiamond = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
const Profile kTrapezoid = {{1, -1}, {0.55f, 1}, {-0.55f, 1}, {-1, -1}};
const Profile kOctagon = Polygon({{1, -0.6f},
                                  {1, 0.6f},
                                  {0.6f, 1},
                                  {-0.6f, 1},
                                  {-1, 0.6f},
                                  {-1, -0.6f},
                                  {-0.6f, -1},
                                  {0.6f, -1}},
                                 1);

Profile Nozzle() {
  Profile p;
  for (int i = 0; i < 6; ++i) {
    const float a = std::numbers::pi_v<float> / 3 * static_cast<float>(i);
    p.push_back({std::cos(a), std::sin(a)});
  }
  return p;
}

// ---- Alliance 1: sleek, pale, blue ----

Design Lancet() {
  Design d;
  d.name = "Lancet";
  d.role = "escort";
  d.alliance = 1;
  d.seed = 11;
  d.soundVariant = 0;
  d.parts.push_back({"ForwardHull", Loft(kRound,
                                         {S(-0.1f, 0.44f, 0.32f), S(0.5f, 0.4f, 0.29f),
                                          S(1.1f, 0.3f, 0.21f), S(1.5f, 0.17f, 0.12f)},
                                         Flat(), Tip(0, -0.03f, 1.9f))});
  d.parts.push_back(
      {"MainBody", Loft(kRound, {S(-1.4f, 0.34f, 0.27f, 0.02f), S(-1.0f, 0.46f, 0.34f),
                                 S(-0.3f, 0.5f, 0.36f), S(0.3f, 0.42f, 0.3f)})});
  RawMesh wing = SpanLoft(
      kLens, {S(0, 0.7f, 0.07f), S(0.6f, 0.48f, 0.05f, 0, 0.32f), S(1.15f, 0.2f, 0.03f, 0, 0.72f)},
      {0.3f, -0.06f, -0.45f}, 6);
  Append(wing, Loft(SuperEllipse(10, 2.0f),
                    {S(-1.2f, 0.05f, 0.05f, 0.06f, 1.44f), S(-0.6f, 0.06f, 0.06f, 0.06f, 1.44f)},
                    Flat(), Tip(1.44f, 0.06f, -0.15f)));
  d.parts.push_back({"Wings", WithMirror(wing)});
  d.parts.push_back(
      {"Engines", WithMirror(Translated(Loft(kRound,
                                             {S(-1.75f, 0.17f, 0.15f), S(-1.55f, 0.21f, 0.19f),
                                              S(-1.0f, 0.21f, 0.19f), S(-0.6f, 0.15f, 0.13f)},
                                             Flat(), Tip(0, 0, -0.35f)),
                                        {0.27f, -0.03f, 0}))});
  d.parts.push_back({"Canopy", Loft(kRound,
                                    {S(-0.6f, 0.1f, 0.06f, 0.3f), S(-0.3f, 0.15f, 0.12f, 0.33f),
                                     S(0.1f, 0.13f, 0.1f, 0.32f)},
                                    Flat(), Tip(0, 0.3f, 0.45f))});
  d.paint = {1, d.seed, -0.75f, 0.5f, 0.02f, {{0.27f, -0.03f, 0.16f}, {-0.27f, -0.03f, 0.16f}}};
  d.torpedoes = {FromAhead(0, -0.03f, {0, 0, 1}, 0.7f)};
  d.phasers = {FromAbove(0, 0.6f, {0, 0.6f, 1}, 1.6f), FromBelow(0, -0.4f, {0, -0.6f, 1}, 1.6f)};
  d.flight = {80, 1.2f, 110, 60, 0.9f, 33};
  d.phaserValue = 6.7f;
  d.torpedoValue = 16.8f;
  d.shieldStrength = 30;
  d.beamHalfWidth = 0.06f;
  d.torpedoSize = 0.25f;
  return d;
}

Design Heron() {
  Design d;
  d.name = "Heron";
  d.role = "frigate";
  d.alliance = 1;
  d.seed = 23;
  d.soundVariant = 1;
  d.parts.push_back({"ForwardHull", Loft(kRound,
                                         {S(0.0f, 0.7f, 0.5f, 0.05f), S(1.2f, 0.62f, 0.44f),
                                          S(2.3f, 0.42f, 0.3f), S(2.9f, 0.24f, 0.17f)},
                                         Flat(), Tip(0, -0.05f, 3.35f))});
  RawMesh body = Loft(kRound, {S(-2.6f, 0.6f, 0.5f), S(-2.0f, 0.8f, 0.6f), S(-0.6f, 0.85f, 0.62f),
                               S(0.4f, 0.72f, 0.52f)});
  Append(body, Loft(SuperEllipse(10, 1.4f),
                    {S(-2.2f, 0.15f, 0.1f, 0.6f), S(-1.2f, 0.22f, 0.16f, 0.62f),
                     S(0.2f, 0.12f, 0.1f, 0.55f)},
                    Tip(0, 0.55f, -2.6f), Tip(0, 0.5f, 0.9f)));
  d.parts.push_back({"MainBody", body});
  d.parts.push_back(
      {"Wings", WithMirror(SpanLoft(kLens,
                                    {S(0, 1.15f, 0.1f), S(1.0f, 0.8f, 0.07f, 0, 0.55f),
                                     S(1.9f, 0.45f, 0.05f, 0, 1.15f)},
                                    {0.5f, -0.1f, -0.6f}, 4))});
  d.parts.push_back(
      {"Nacelles", WithMirror(Translated(Loft(kRound,
                                              {S(-2.9f, 0.22f, 0.2f), S(-2.6f, 0.3f, 0.27f),
                                               S(-0.9f, 0.3f, 0.27f), S(-0.4f, 0.22f, 0.2f)},
                                              Flat(), Tip(0, 0, 0.2f)),
                                         {2.45f, 0.03f, 0}))});
  d.parts.push_back(
      {"Engine", Loft(SuperEllipse(16, 3.0f), {S(-3.1f, 0.45f, 0.35f), S(-2.8f, 0.55f, 0.42f),
                                               S(-2.2f, 0.55f, 0.42f), S(-1.8f, 0.45f, 0.35f)})});
  RawMesh bridge = Loft(
      kRound,
      {S(-1.2f, 0.2f, 0.12f, 0.55f), S(-0.8f, 0.32f, 0.2f, 0.62f), S(-0.2f, 0.28f, 0.17f, 0.6f)},
      Flat(), Tip(0, 0.6f, 0.3f));
  d.parts.push_back({"Bridge", bridge});
  d.parts.push_back({"Keel", Loft(SuperEllipse(8, 1.5f),
                                  {S(-2.5f, 0.05f, 0.1f, -0.55f), S(-1.6f, 0.07f, 0.35f, -0.75f),
                                   S(-0.6f, 0.05f, 0.2f, -0.6f)},
                                  Tip(0, -0.5f, -2.9f), Tip(0, -0.5f, 0))});
  d.paint = {1,    d.seed, 0.9f,
             0.8f, 0.1f,   {{0, 0, 0.36f}, {2.45f, 0.03f, 0.23f}, {-2.45f, 0.03f, 0.23f}}};
  d.torpedoes = {FromAhead(0.12f, -0.05f, {0, 0, 1}, 0.6f),
                 FromAhead(-0.12f, -0.05f, {0, 0, 1}, 0.6f)};
  d.phasers = {FromAbove(0, 1.5f, {0, 0.7f, 0.7f}, 1.7f), FromAbove(0, -1.9f, {0, 1, -0.3f}, 1.7f),
               FromBelow(0, 1.4f, {0, -0.7f, 0.7f}, 1.7f),
               FromBelow(0, -0.3f, {0, -1, -0.2f}, 1.7f)};
  d.flight = {55, 1.1f, 70, 35, 0.6f, 24};
  d.phaserValue = 9.2f;
  d.torpedoValue = 25.2f;
  d.shieldStrength = 55;
  d.beamHalfWidth = 0.09f;
  d.torpedoSize = 0.32f;
  return d;
}

Design Albatross() {
  Design d;
  d.name = "Albatross";
  d.role = "cruiser";
  d.alliance = 1;
  d.seed = 37;
  d.soundVariant = 2;
  const Profile hullProfile = SuperEllipse(18, 2.6f);
  d.parts.push_back({"Prow", Loft(hullProfile,
                                  {S(1.0f, 1.3f, 0.9f), S(2.8f, 1.15f, 0.8f), S(4.4f, 0.8f, 0.55f),
                                   S(5.4f, 0.45f, 0.3f)},
                                  Flat(), Tip(0, -0.1f, 6.0f))});
  RawMesh hull = Loft(hullProfile, {S(-4.6f, 1.1f, 0.9f), S(-3.8f, 1.45f, 1.1f),
                                    S(-1.0f, 1.55f, 1.15f), S(1.2f, 1.35f, 0.95f)});
  AddGreebles(hull, d.seed, 8, 1.0f, -3.6f, 0.8f, 0.1f, 0.22f);
  d.parts.push_back({"MainHull", hull});
  RawMesh deck =
      Loft(SuperEllipse(12, 4.0f), {S(-3.4f, 0.8f, 0.25f, 1.1f), S(-3.0f, 0.9f, 0.3f, 1.15f),
                                    S(-0.2f, 0.85f, 0.3f, 1.15f), S(0.6f, 0.6f, 0.2f, 1.05f)});
  Append(deck,
         Loft(SuperEllipse(12, 3.0f), {S(-2.6f, 0.35f, 0.3f, 1.6f), S(-2.2f, 0.45f, 0.35f, 1.7f),
                                       S(-1.3f, 0.42f, 0.32f, 1.7f), S(-1.0f, 0.3f, 0.22f, 1.6f)}));
  Append(deck, Loft(kRound, {S(-2.0f, 0.2f, 0.1f, 1.95f), S(-1.6f, 0.22f, 0.12f, 1.98f)},
                    Tip(0, 1.95f, -2.3f), Tip(0, 1.95f, -1.3f)));
  d.parts.push_back({"Superstructure", deck});
  d.parts.push_back(
      {"Sponsons", WithMirror(Translated(Loft(kRound,
                                              {S(-5.3f, 0.5f, 0.45f), S(-4.9f, 0.6f, 0.55f),
                                               S(-1.2f, 0.6f, 0.55f), S(0.2f, 0.45f, 0.4f)},
                                              Flat(), Tip(0, 0, 1.2f)),
                                         {1.75f, -0.25f, 0}))});
  const RawMesh nozzle =
      Loft(kRound, {S(-5.6f, 0.4f, 0.36f), S(-5.3f, 0.48f, 0.44f), S(-4.4f, 0.48f, 0.44f)});
  RawMesh engines = Translated(nozzle, {0, 0.35f, 0});
  Append(engines, WithMirror(Translated(nozzle, {0.7f, -0.3f, 0})));
  d.parts.push_back({"Engines", engines});
  d.parts.push_back({"Fins", WithMirror(SpanLoft(kLens,
                                                 {S(0, 1.0f, 0.1f), S(1.0f, 0.65f, 0.07f, 0, 0.6f),
                                                  S(1.7f, 0.3f, 0.05f, 0, 1.1f)},
                                                 {2.2f, -0.2f, -1.3f}, 12))});
  d.paint = {1,
             d.seed,
             3.3f,
             1.5f,
             0.05f,
             {{0, 0.35f, 0.34f},
              {0.7f, -0.3f, 0.34f},
              {-0.7f, -0.3f, 0.34f},
              {1.75f, -0.25f, 0.42f},
              {-1.75f, -0.25f, 0.42f}}};
  d.torpedoes = {FromAhead(0.25f, -0.1f, {0, 0, 1}, 0.6f),
                 FromAhead(-0.25f, -0.1f, {0, 0, 1}, 0.6f), FromAhead(0, 0.1f, {0, 0, 1}, 0.6f)};
  d.phasers = {
      FromAbove(0, 3.2f, {0, 0.8f, 0.6f}, 1.75f),  FromAbove(0, -3.9f, {0, 1, -0.4f}, 1.75f),
      FromBelow(0, 3.0f, {0, -0.8f, 0.6f}, 1.75f), FromBelow(0, -2.5f, {0, -1, -0.3f}, 1.75f),
      FromSide(1, -0.25f, -2.0f, {1, 0, 0}, 1.4f), FromSide(-1, -0.25f, -2.0f, {-1, 0, 0}, 1.4f)};
  d.flight = {30, 1.4f, 35, 11, 0.35f, 15};
  d.phaserValue = 12.6f;
  d.torpedoValue = 33.6f;
  d.shieldStrength = 110;
  d.beamHalfWidth = 0.14f;
  d.torpedoSize = 0.4f;
  return d;
}

// ---- Alliance 2: angular, dark, amber and red ----

Design Cinder() {
  Design d;
  d.name = "Cinder";
  d.role = "escort";
  d.alliance = 2;
  d.seed = 53;
  d.soundVariant = 3;
  d.parts.push_back({"Body", Loft(kHex,
                                  {S(-1.3f, 0.42f, 0.3f), S(-0.6f, 0.55f, 0.34f),
                                   S(0.5f, 0.5f, 0.3f), S(1.1f, 0.3f, 0.2f)},
                                  Flat(), Tip(0, -0.08f, 1.6f))});
  const RawMesh prong =
      Loft(kDiamond, {S(-0.4f, 0.12f, 0.14f), S(0.6f, 0.14f, 0.16f), S(1.3f, 0.08f, 0.1f)}, Flat(),
           Tip(0, -0.05f, 1.95f));
  d.parts.push_back(
      {"Mandibles", WithMirror(Transformed(prong, RotationY(-6), {0.48f, -0.1f, 0}))});
  d.parts.push_back(
      {"Engine", Loft(Nozzle(), {S(-1.75f, 0.32f, 0.26f, 0.02f), S(-1.55f, 0.38f, 0.3f, 0.02f),
                                 S(-1.0f, 0.38f, 0.3f, 0.02f), S(-0.7f, 0.3f, 0.24f, 0.02f)})});
  d.parts.push_back(
      {"Fins", WithMirror(SpanLoft(kDiamond,
                                   {S(0, 0.55f, 0.05f), S(0.6f, 0.35f, 0.04f, 0, 0.3f),
                                    S(1.0f, 0.12f, 0.03f, 0, 0.5f)},
                                   {0.4f, -0.1f, -0.6f}, -18))});
  d.parts.push_back({"Cockpit", Loft(kTrapezoid,
                                     {S(-0.7f, 0.18f, 0.1f, 0.32f), S(-0.2f, 0.22f, 0.12f, 0.36f),
                                      S(0.3f, 0.15f, 0.08f, 0.32f)},
                                     Flat(), Tip(0, 0.28f, 0.7f))});
  d.paint = {2, d.seed, -0.05f, 0.55f, 0.05f, {{0, 0.02f, 0.3f}}};
  d.torpedoes = {FromAhead(0, -0.08f, {0, 0, 1}, 0.7f)};
  d.phasers = {FromAbove(0, 0.9f, {0, 0.5f, 1}, 1.5f), FromBelow(0, -0.2f, {0, -0.7f, 0.8f}, 1.6f)};
  d.flight = {85, 1.1f, 120, 65, 1.0f, 36};
  d.phaserValue = 5.9f;
  d.torpedoValue = 16.8f;
  d.shieldStrength = 25;
  d.beamHalfWidth = 0.07f;
  d.torpedoSize = 0.25f;
  return d;
}

Design Halberd() {
  Design d;
  d.name = "Halberd";
  d.role = "destroyer";
  d.alliance = 2;
  d.seed = 67;
  d.soundVariant = 4;
  d.parts.push_back({"Ram", Loft(kHex,
                                 {S(0.5f, 0.75f, 0.5f), S(1.8f, 0.7f, 0.45f), S(2.8f, 0.5f, 0.32f),
                                  S(3.3f, 0.3f, 0.2f)},
                                 Flat(), Tip(0, -0.15f, 3.7f))});
  RawMesh spine = Loft(kOctagon, {S(-2.8f, 0.6f, 0.5f), S(-2.2f, 0.75f, 0.6f),
                                  S(-0.2f, 0.8f, 0.62f), S(0.8f, 0.7f, 0.52f)});
  AddGreebles(spine, d.seed, 6, 0.45f, -2.0f, 0.4f, 0.08f, 0.16f);
  d.parts.push_back({"Spine", spine});
  RawMesh plates = Transformed(BevelBox({0, 0, 0}, {0.1f, 0.45f, 1.4f}, 0.04f), RotationZ(-20),
                               {0.86f, 0.05f, -0.9f});
  Append(plates, Transformed(BevelBox({0, 0, 0}, {0.08f, 0.3f, 0.6f}, 0.03f), RotationZ(-25),
                             {0.8f, 0.05f, 1.3f}));
  d.parts.push_back({"ArmourPlates", WithMirror(plates)});
  RawMesh blade = SpanLoft(
      kDiamond, {S(0, 0.9f, 0.07f), S(1.1f, 0.6f, 0.05f, 0, 0.5f), S(2.0f, 0.3f, 0.04f, 0, 1.1f)},
      {0.6f, -0.15f, -1.0f}, -22);
  Append(blade, Loft(Nozzle(),
                     {S(-2.9f, 0.16f, 0.16f, -0.9f, 2.45f), S(-1.4f, 0.18f, 0.18f, -0.9f, 2.45f)},
                     Flat(), Tip(2.45f, -0.9f, -0.8f)));
  d.parts.push_back({"Blades", WithMirror(blade)});
  d.parts.push_back({"Engines", WithMirror(Translated(
                                    Loft(Nozzle(), {S(-3.3f, 0.32f, 0.3f), S(-3.0f, 0.38f, 0.36f),
                                                    S(-2.2f, 0.38f, 0.36f), S(-1.9f, 0.3f, 0.28f)}),
                                    {0.42f, 0, 0}))});
  d.parts.push_back({"Tower", Loft(kTrapezoid,
                                   {S(-1.6f, 0.35f, 0.25f, 0.75f), S(-1.2f, 0.4f, 0.45f, 0.95f),
                                    S(-0.4f, 0.32f, 0.4f, 0.95f), S(-0.1f, 0.22f, 0.2f, 0.8f)},
                                   Flat(), Tip(0, 0.85f, 0.3f))});
  d.paint = {
      2,     d.seed,
      1.6f,  0.75f,
      0.12f, {{0.42f, 0, 0.3f}, {-0.42f, 0, 0.3f}, {2.45f, -0.9f, 0.14f}, {-2.45f, -0.9f, 0.14f}}};
  d.torpedoes = {FromAhead(0.15f, -0.15f, {0, 0, 1}, 0.6f),
                 FromAhead(-0.15f, -0.15f, {0, 0, 1}, 0.6f)};
  d.phasers = {FromAbove(0, 2.2f, {0, 0.6f, 0.8f}, 1.6f), FromAbove(0, -2.4f, {0, 1, -0.3f}, 1.7f),
               FromBelow(0, 0.2f, {0, -1, 0.2f}, 1.8f)};
  d.flight = {50, 1.0f, 65, 32, 0.55f, 22.5};
  d.phaserValue = 10.1f;
  d.torpedoValue = 25.2f;
  d.shieldStrength = 50;
  d.beamHalfWidth = 0.1f;
  d.torpedoSize = 0.34f;
  return d;
}

Design Anvil() {
  Design d;
  d.name = "Anvil";
  d.role = "cruiser";
  d.alliance = 2;
  d.seed = 79;
  d.soundVariant = 5;
  const Profile wide = {{1, -0.6f}, {0.7f, 1}, {-0.7f, 1}, {-1, -0.6f}, {-0.6f, -1}, {0.6f, -1}};
  d.parts.push_back({"Prow", Loft(wide,
                                  {S(1.0f, 1.7f, 0.9f), S(3.5f, 1.5f, 0.8f), S(5.2f, 1.0f, 0.55f),
                                   S(6.0f, 0.55f, 0.35f)},
                                  Flat(), Tip(0, -0.15f, 6.4f))});
  RawMesh hull = Loft(kOctagon, {S(-5.0f, 1.4f, 1.0f), S(-4.2f, 1.8f, 1.2f), S(-0.5f, 1.9f, 1.25f),
                                 S(1.4f, 1.7f, 1.0f)});
  AddGreebles(hull, d.seed, 10, 1.3f, -4.0f, 1.0f, 0.12f, 0.3f);
  d.parts.push_back({"Hull", hull});
  RawMesh citadel = BevelBox({0, 1.35f, -2.8f}, {1.1f, 0.35f, 1.6f}, 0.1f);
  Append(citadel, BevelBox({0, 1.9f, -3.2f}, {0.7f, 0.3f, 1.0f}, 0.08f));
  Append(citadel, Loft(kTrapezoid, {S(-3.8f, 0.4f, 0.3f, 2.35f), S(-3.4f, 0.55f, 0.45f, 2.5f),
                                    S(-2.6f, 0.5f, 0.4f, 2.5f), S(-2.3f, 0.35f, 0.3f, 2.4f)}));
  d.parts.push_back({"Citadel", citadel});
  d.parts.push_back({"Wings", WithMirror(SpanLoft(kDiamond,
                                                  {S(0, 1.5f, 0.12f), S(1.5f, 1.0f, 0.09f, 0, 0.8f),
                                                   S(2.6f, 0.45f, 0.06f, 0, 1.6f)},
                                                  {1.5f, -0.3f, -0.5f}, -16))});
  const RawMesh nozzle = Loft(Nozzle(), {S(-6.0f, 0.55f, 0.5f), S(-5.6f, 0.62f, 0.56f),
                                         S(-4.6f, 0.62f, 0.56f), S(-4.2f, 0.5f, 0.45f)});
  RawMesh engines = Translated(nozzle, {0, 0.3f, 0});
  Append(engines, WithMirror(Translated(nozzle, {1.15f, -0.35f, 0})));
  d.parts.push_back({"Engines", engines});
  d.parts.push_back({"Keel", Loft(kDiamond,
                                  {S(-4.0f, 0.12f, 0.3f, -1.25f), S(-2.0f, 0.16f, 0.7f, -1.5f),
                                   S(0.5f, 0.12f, 0.4f, -1.3f)},
                                  Tip(0, -1.1f, -4.8f), Tip(0, -1.1f, 1.6f))});
  d.paint = {2,    d.seed, 2.4f,
             1.6f, 0.1f,   {{0, 0.3f, 0.48f}, {1.15f, -0.35f, 0.48f}, {-1.15f, -0.35f, 0.48f}}};
  d.torpedoes = {
      FromAhead(0.3f, -0.15f, {0, 0, 1}, 0.56f), FromAhead(-0.3f, -0.15f, {0, 0, 1}, 0.56f),
      FromAhead(0.6f, 0.2f, {0.05f, 0, 1}, 0.56f), FromAhead(-0.6f, 0.2f, {-0.05f, 0, 1}, 0.56f)};
  d.phasers = {FromAbove(0, 4.0f, {0, 0.8f, 0.6f}, 1.7f), FromAbove(0, -4.2f, {0, 1, -0.4f}, 1.7f),
               FromBelow(0.9f, 2.5f, {0.3f, -1, 0.3f}, 1.7f),
               FromBelow(-0.9f, 2.5f, {-0.3f, -1, 0.3f}, 1.7f),
               FromBelow(0, -3.0f, {0, -1, -0.4f}, 1.7f)};
  d.flight = {26, 1.3f, 30, 10, 0.3f, 13.5};
  d.phaserValue = 14.3f;
  d.torpedoValue = 33.6f;
  d.shieldStrength = 120;
  d.beamHalfWidth = 0.15f;
  d.torpedoSize = 0.42f;
  return d;
}

// ---- Turning a design into a plug-in ----

PluginMesh ToPluginMesh(const ModelMesh& mesh) {
  PluginMesh out;
  out.pairIndex = static_cast<std::uint32_t>(mesh.material);
  for (const ModelVertex& v : mesh.vertices) {
    out.vertices.push_back({{v.x, v.y, v.z}, {v.nx, v.ny, v.nz}, {v.u, v.v}});
  }
  out.triangles = mesh.faces;
  return out;
}

// The shield bubble: latitude rings from the tail to the nose, u around the ship's axis and v
// along it (twice over its length, so the scrolling cells stay small), each pole a fan of its
// own vertices so every face gets the right u.
PluginMesh ShieldMesh(const std::array<float, 3>& axes) {
  constexpr int kAround = 24, kRows = 16;
  const float pi = std::numbers::pi_v<float>;
  PluginMesh mesh;
  auto vertex = [&](float theta, float phi, float u, float v) {
    const Vec3 unit{std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi),
                    std::cos(theta)};
    const Vec3 n = Normalized({unit.x / axes[0], unit.y / axes[1], unit.z / axes[2]});
    mesh.vertices.push_back(
        {{unit.x * axes[0], unit.y * axes[1], unit.z * axes[2]}, {n.x, n.y, n.z}, {u, v}});
  };
  // Interior rows r = 1 .. kRows - 1, from the tail (theta near pi) to the nose.
  for (int r = 1; r < kRows; ++r) {
    const float along = static_cast<float>(r) / kRows;
    for (int j = 0; j <= kAround; ++j) {
      vertex(pi * (1 - along), 2 * pi * static_cast<float>(j) / kAround,
             static_cast<float>(j) / kAround, 2 * along);
    }
  }
  const auto row = [](int r, int j) {
    return static_cast<std::uint32_t>((r - 1) * (kAround + 1) + j);
  };
  for (int r = 1; r + 1 < kRows; ++r) {
    for (int j = 0; j < kAround; ++j) {
      const std::uint32_t a = row(r, j), b = row(r, j + 1), c = row(r + 1, j + 1),
                          e = row(r + 1, j);
      mesh.triangles.push_back({a, b, c});
      mesh.triangles.push_back({a, c, e});
    }
  }
  for (int j = 0; j < kAround; ++j) {
    const float u = (static_cast<float>(j) + 0.5f) / kAround;
    const auto tail = static_cast<std::uint32_t>(mesh.vertices.size());
    vertex(pi, 0, u, 0);
    mesh.triangles.push_back({tail, row(1, j + 1), row(1, j)});
    const auto nose = static_cast<std::uint32_t>(mesh.vertices.size());
    vertex(0, 0, u, 2);
    mesh.triangles.push_back({nose, row(kRows - 1, j), row(kRows - 1, j + 1)});
  }
  return mesh;
}

// Quads through the z axis at evenly spaced angles, from z0 to z1, `half` wide either side,
// u across and v from 0 at z0 to `vSpan` at z1. Drawn without culling and blended, they read
// as a glowing volume from any side.
PluginMesh CrossedQuads(int planes, float half, float z0, float z1, float vSpan) {
  PluginMesh mesh;
  for (int i = 0; i < planes; ++i) {
    const float a = std::numbers::pi_v<float> * static_cast<float>(i) / planes;
    const float dx = std::cos(a) * half, dy = std::sin(a) * half;
    const std::array<float, 3> n{-std::sin(a), std::cos(a), 0};
    const auto base = static_cast<std::uint32_t>(mesh.vertices.size());
    mesh.vertices.push_back({{-dx, -dy, z0}, n, {0, 0}});
    mesh.vertices.push_back({{dx, dy, z0}, n, {1, 0}});
    mesh.vertices.push_back({{dx, dy, z1}, n, {1, vSpan}});
    mesh.vertices.push_back({{-dx, -dy, z1}, n, {0, vSpan}});
    mesh.triangles.push_back({base, base + 1, base + 2});
    mesh.triangles.push_back({base, base + 2, base + 3});
  }
  return mesh;
}

// The torpedo: a streak along its flight (two crossed quads from behind to just ahead of the
// centre) and a disc facing forward, all carrying the round glow.
PluginMesh TorpedoMesh(float size) {
  PluginMesh mesh = CrossedQuads(2, size, -2.6f * size, size, 1);
  const auto base = static_cast<std::uint32_t>(mesh.vertices.size());
  const std::array<float, 3> n{0, 0, 1};
  mesh.vertices.push_back({{-size, -size, 0}, n, {0, 0}});
  mesh.vertices.push_back({{size, -size, 0}, n, {1, 0}});
  mesh.vertices.push_back({{size, size, 0}, n, {1, 1}});
  mesh.vertices.push_back({{-size, size, 0}, n, {0, 1}});
  mesh.triangles.push_back({base, base + 1, base + 2});
  mesh.triangles.push_back({base, base + 2, base + 3});
  return mesh;
}

PluginSound Sound(const std::vector<std::int16_t>& samples) {
  PluginSound sound;
  sound.format = PcmFormat(1, kSoundSampleRate);
  sound.data.reserve(samples.size() * 2);
  for (std::int16_t s : samples) {
    const auto u = static_cast<std::uint16_t>(s);
    sound.data.push_back(static_cast<std::uint8_t>(u & 0xFF));
    sound.data.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return sound;
}

Vec3 Shifted(Vec3 p, Vec3 shift) {
  return p - shift;
}

Vec3 At(const std::array<float, 3>& p) {
  return {p[0], p[1], p[2]};
}

bool BuildClass(Design design, ShipClassAsset* out, std::string* error) {
  // Centre the hull's bounding box on the model origin, which is where the shield sits.
  Vec3 low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
  for (const Part& part : design.parts) {
    for (const Vec3& p : part.shell.positions) {
      low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
      high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
  }
  const Vec3 centre = (low + high) * 0.5f;
  for (Part& part : design.parts) part.shell = Translated(part.shell, centre * -1.0f);
  for (auto* mounts : {&design.phasers, &design.torpedoes}) {
    for (MountPlacement& m : *mounts) m.from = Shifted(m.from, centre);
  }
  design.paint.emblemZ -= centre.z;
  design.paint.windowY -= centre.y;
  for (EngineGlow& e : design.paint.engines) {
    e.x -= centre.x;
    e.y -= centre.y;
  }
  const Vec3 half = (high - low) * 0.5f;
  HullAtlas atlas;
  atlas.halfWidth = half.x * 1.01f;
  atlas.yLow = -half.y * 1.01f;
  atlas.yHigh = half.y * 1.01f;
  atlas.zLow = -half.z * 1.01f;
  atlas.zHigh = half.z * 1.01f;

  const float crease = design.alliance == 1 ? 48.0f : 24.0f;
  std::vector<ModelMesh> hull;
  const UvProjection project = [&atlas](Vec3 p, Vec3 n) { return atlas.Uv(p, n); };
  for (const Part& part : design.parts)
    hull.push_back(Finish(part.shell, part.name, crease, project, 0));

  PluginFile& file = out->plugin;
  file = {};
  file.leading = {'I', 'W', 'S', 'C'};
  file.flight = design.flight;
  out->hullTexture = HullTexture(atlas, design.paint);
  out->damageTexture = DamageTexture(atlas, design.paint);
  file.textures = {ToPluginTexture(out->hullTexture, false),
                   ToPluginTexture(out->damageTexture, true)};
  for (const ModelMesh& mesh : hull) file.meshes.push_back(ToPluginMesh(mesh));
  file.phaserValue = design.phaserValue;
  file.torpedoValue = design.torpedoValue;

  auto place = [&](const std::vector<MountPlacement>& placements,
                   std::vector<PluginMount>* mounts) {
    for (const MountPlacement& wanted : placements) {
      Vec3 hit, normal;
      if (!CastRay(hull, wanted.from, wanted.direction, &hit, &normal)) {
        *error = design.name + ": a weapon mount misses the hull";
        return false;
      }
      const Vec3 at = hit + normal * 0.03f;
      const Vec3 aim = Normalized(wanted.aim);
      mounts->push_back({{at.x, at.y, at.z}, {aim.x, aim.y, aim.z}, wanted.arc});
    }
    return true;
  };
  if (!place(design.phasers, &file.phaserMounts) || !place(design.torpedoes, &file.torpedoMounts))
    return false;

  // The shield: the smallest ellipsoid (by its largest semi-axis, then by volume) of a grid of
  // proportions that keeps every hull vertex and mount at most 0.85 of the way out, about 8 % of
  // the radius to spare everywhere.
  std::vector<Vec3> points;
  for (const PluginMesh& mesh : file.meshes) {
    for (const PluginVertex& v : mesh.vertices) points.push_back(At(v.position));
  }
  for (const auto* mounts : {&file.phaserMounts, &file.torpedoMounts}) {
    for (const PluginMount& m : *mounts) points.push_back(At(m.position));
  }
  struct Candidate {
    Vec3 axes;
    float radius, volume;
  };
  std::vector<Candidate> candidates;
  const Vec3 base = half + Vec3{0.1f, 0.1f, 0.1f};
  for (int i = 0; i <= 24; ++i) {
    for (int j = 0; j <= 24; ++j) {
      const Vec3 trial{base.x * (0.9f + 0.05f * static_cast<float>(i)),
                       base.y * (0.9f + 0.05f * static_cast<float>(j)), base.z};
      float worst = 0;
      for (const Vec3& p : points) {
        worst = std::max(worst, p.x * p.x / (trial.x * trial.x) + p.y * p.y / (trial.y * trial.y) +
                                    p.z * p.z / (trial.z * trial.z));
      }
      const Vec3 a = trial * std::sqrt(worst / 0.85f);
      candidates.push_back({a, std::max({a.x, a.y, a.z}), a.x * a.y * a.z});
    }
  }
  float smallest = 1e30f;
  for (const Candidate& c : candidates) smallest = std::min(smallest, c.radius);
  const Candidate* chosen = nullptr;
  for (const Candidate& c : candidates) {
    if (c.radius <= smallest * 1.01f && (chosen == nullptr || c.volume < chosen->volume))
      chosen = &c;
  }
  const std::array<float, 3> axes{chosen->axes.x, chosen->axes.y, chosen->axes.z};
  file.shieldAxes = axes;
  file.shieldStrength = design.shieldStrength;

  const int fleet = design.alliance;
  out->shieldTexture = ShieldTexture(fleet);
  out->beamTexture = BeamTexture(fleet);
  out->torpedoTexture = TorpedoTexture(fleet);
  // The record after each model's texture is never drawn; a single texel keeps it small.
  PluginTexture spare;
  spare.width = spare.height = 1;
  spare.pixels = {0, 0, 0};
  file.phaser = {ToPluginTexture(out->beamTexture, true), spare,
                 CrossedQuads(3, design.beamHalfWidth, 0, 1, 3)};
  file.torpedo = {ToPluginTexture(out->torpedoTexture, true), spare,
                  TorpedoMesh(design.torpedoSize)};
  file.shield = {ToPluginTexture(out->shieldTexture, true), spare, ShieldMesh(axes)};

  file.hasSounds = true;
  file.sounds = {Sound(TorpedoLaunch(design.soundVariant)), Sound(PhaserLoop(design.soundVariant)),
                 Sound(BreakUp(design.soundVariant))};
  out->name = design.name;
  out->alliance = design.alliance;
  out->role = design.role;
  return true;
}

}  // namespace

std::vector<ShipClassAsset> ShipClasses() {
  std::vector<ShipClassAsset> classes;
  for (Design (*make)() : {Lancet, Heron, Albatross, Cinder, Halberd, Anvil}) {
    ShipClassAsset asset;
    std::string error;
    if (BuildClass(make(), &asset, &error)) {
      classes.push_back(std::move(asset));
    } else {
      std::fprintf(stderr, "assetgen: %s\n", error.c_str());
    }
  }
  return classes;
}

std::vector<ScenarioDefinition> Scenarios() {
  return {
      {"Duel.ss3", {{1, "Heron.as3"}}, {{1, "Halberd.as3"}}},
      {"Skirmish.ss3",
       {{2, "Lancet.as3"}, {1, "Heron.as3"}},
       {{2, "Cinder.as3"}, {1, "Halberd.as3"}}},
      {"FleetBattle.ss3",
       {{4, "Lancet.as3"}, {2, "Heron.as3"}, {1, "Albatross.as3"}},
       {{4, "Cinder.as3"}, {2, "Halberd.as3"}, {1, "Anvil.as3"}}},
      {"Swarm.ss3", {{7, "Lancet.as3"}}, {{1, "Anvil.as3"}}},
      {"MixedBattle.ss3",
       {{1, "Albatross.as3"}, {3, "Cinder.as3"}, {1, "Heron.as3"}},
       {{1, "Anvil.as3"}, {2, "Lancet.as3"}, {1, "Halberd.as3"}}},
  };
}

std::vector<std::string> ScenarioPlayOrder() {
  std::vector<std::string> names;
  for (const ScenarioDefinition& s : Scenarios()) names.push_back(s.file);
  return names;
}

std::string ScenarioText(const ScenarioDefinition& scenario) {
  std::string text;
  for (const auto* list : {&scenario.alliance1, &scenario.alliance2}) {
    text += std::to_string(list->size()) + "\r\n";
    for (const ScenarioEntry& e : *list) {
      text += "(" + std::to_string(e.count) + ") " + e.plugin + "\r\n";
    }
  }
  return text;
}

bool WritePlugins(const std::string& folder, std::string* error) {
  namespace fs = std::filesystem;
  const fs::path plugins = fs::path(folder) / "Plugins";
  const fs::path preview = fs::path(folder) / "Preview";
  std::error_code failure;
  fs::create_directories(plugins, failure);
  if (!failure) fs::create_directories(preview, failure);
  if (failure) {
    if (error != nullptr)
      *error = "cannot create the folders in " + folder + ": " + failure.message();
    return false;
  }
  const std::vector<ShipClassAsset> classes = ShipClasses();
  if (classes.size() != 6) {
    if (error != nullptr) *error = "a ship class could not be built";
    return false;
  }
  for (const ShipClassAsset& ship : classes) {
    std::string fault;
    const std::vector<std::uint8_t> bytes = EncodePluginFile(ship.plugin, &fault);
    const fs::path path = plugins / (ship.name + ".as3");
    if (bytes.empty()) {
      if (error != nullptr) *error = ship.name + ": " + fault;
      return false;
    }
    if (!WriteFile(path.string(), bytes)) {
      if (error != nullptr) *error = "cannot write " + path.string();
      return false;
    }
  }
  const Canvas picture = ShipPreview(classes);
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(picture.width()) * picture.height() * 3);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const Rgba& p = picture.at(x, y);
      rgb.insert(rgb.end(), {ToByte(p.r), ToByte(p.g), ToByte(p.b)});
    }
  }
  const fs::path previewPath = preview / "ships.png";
  if (!WriteFile(previewPath.string(), EncodePng(picture.width(), picture.height(), rgb))) {
    if (error != nullptr) *error = "cannot write " + previewPath.string();
    return false;
  }
  return true;
}

bool WriteScenarios(const std::string& folder, std::string* error) {
  namespace fs = std::filesystem;
  const fs::path scenarios = fs::path(folder) / "Scenarios";
  std::error_code failure;
  fs::create_directories(scenarios, failure);
  if (failure) {
    if (error != nullptr) *error = "cannot create " + scenarios.string() + ": " + failure.message();
    return false;
  }
  for (const ScenarioDefinition& s : Scenarios()) {
    const std::string text = ScenarioText(s);
    const fs::path path = scenarios / s.file;
    if (!WriteFile(path.string(), std::vector<std::uint8_t>(text.begin(), text.end()))) {
      if (error != nullptr) *error = "cannot write " + path.string();
      return false;
    }
  }
  const std::string catalogue = ScenarioCatalogueReg();
  const fs::path path = fs::path(folder) / "DefaultSettings.reg";
  if (!WriteFile(path.string(), std::vector<std::uint8_t>(catalogue.begin(), catalogue.end()))) {
    if (error != nullptr) *error = "cannot write " + path.string();
    return false;
  }
  return true;
}

std::string ScenarioCatalogueReg() {
  const std::vector<std::string> order = ScenarioPlayOrder();
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\r\n";
  // A first run shows the whole experience: the warp-in through the tunnel and the moving
  // camera, and it is heard: the hum and the battle's sound effects. (A setting that is absent
  // still reads as off.) Ships' edges are smoothed where the driver can.
  text += "\"Use3DCameraView\"=\"1\"\r\n";
  // The monitor as it is: its own mode, its own shape.
  text += "\"Resolution\"=\"DESKTOP\"\r\n";
  text += "\"UseSoundFX\"=\"1\"\r\n";
  text += "\"Multisampling\"=\"1\"\r\n";
  text += "\"NumScenarios\"=\"" + std::to_string(order.size()) + "\"\r\n";
  for (std::size_t i = 0; i < order.size(); ++i) {
    text += "\"Scenario(" + std::to_string(i) + ")\"=\"" + order[i] + "\"\r\n";
  }
  return text + "\r\n";
}

void AppendShipImages(std::vector<GeneratedImage>& images) {
  const std::vector<ShipClassAsset> classes = ShipClasses();
  auto upper = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  for (const ShipClassAsset& ship : classes) {
    const std::string file = ship.name + ".as3";
    images.push_back({upper(ship.name) + " HULL", file, "", ship.hullTexture});
    // Shown as the hull pass draws a damaged section: the inverse of the opacity.
    Canvas shown = ship.damageTexture;
    for (int y = 0; y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) shown.at(x, y).a = 1 - shown.at(x, y).a;
    }
    images.push_back({upper(ship.name) + " DAMAGE", file, file, shown});
  }
  for (const ShipClassAsset& ship : classes) {
    if (ship.role != "escort") continue;  // one of each per fleet: they are the same in both
    const std::string fleet = ship.alliance == 1 ? "FLEET 1 " : "FLEET 2 ";
    const std::string file = ship.name + ".as3";
    images.push_back({fleet + "SHIELD", file, file, ship.shieldTexture});
    images.push_back({fleet + "BEAM", file, file, ship.beamTexture, 0.5f});
    images.push_back({fleet + "TORPEDO", file, file, ship.torpedoTexture});
  }
}

}  // namespace ironwood::assetgen
