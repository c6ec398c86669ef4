#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/settings.h"
#include "platform/headless/manual_clock.h"
#include "platform/headless/memory_settings_store.h"
#include "saver/assets/plugin_file.h"
#include "saver/battle/battle_manager.h"
#include "saver/battle/roster.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/core/random.h"
#include "saver/render/scene.h"
#include "saver/shell/startup_log.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/recording_gl.h"
#include "tests/support/recording_sound.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::Bytes;

PluginTexture Pixels(int side) {
  return testing::SolidTexture(side, {0x80, 0x80, 0x80});
}

// A small class: `meshes` hull meshes, the given mounts, a shield of semi-axes `axes` whose
// bubble has a vertex at (axes[0], 0, 0) and one on the far side.
PluginFile MakeClass(std::array<float, 3> axes, int meshes = 1, int phasers = 0,
                     int torpedoes = 0, bool sounds = false) {
  PluginFile f;
  f.flight = {30, 0.5f, 60, 40, 0.8f, 9};  // rates, angle limit, acceleration, top speed
  f.textures = {Pixels(2), Pixels(2)};
  for (int i = 0; i < meshes; ++i)
    f.meshes.push_back(testing::StripMesh(3, 0, static_cast<float>(i)));
  f.phaserValue = 1.5f;
  f.torpedoValue = 25;
  const PluginModel model{Pixels(2), Pixels(1), testing::StripMesh(3, 0, 0)};
  for (int i = 0; i < phasers; ++i) {
    f.phaserMounts.push_back({{static_cast<float>(i), 0, 1}, {0, 0, 1}, 0.5f});
  }
  if (phasers > 0) f.phaser = model;
  for (int i = 0; i < torpedoes; ++i) f.torpedoMounts.push_back({{0, 0, 2}, {0, 0, 1}, 0.25f});
  if (torpedoes > 0) f.torpedo = model;
  f.shieldAxes = axes;
  f.shieldStrength = 80;
  f.shield = model;
  f.shield.mesh.vertices = {{{axes[0], 0, 0}, {1, 0, 0}, {0, 0}},
                            {{-axes[0], 0, 0}, {-1, 0, 0}, {1, 0}},
                            {{0, axes[1], 0}, {0, 1, 0}, {0, 1}}};
  f.hasSounds = sounds;
  if (sounds) {
    for (int s = 0; s < 3; ++s) {
      f.sounds[static_cast<std::size_t>(s)] = {PcmFormat(1, 11025),
                                               Bytes(static_cast<std::size_t>(10 + s), 7)};
    }
  }
  return f;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// An installation folder with plug-ins, scenario files and the catalogue in a memory store.
class BattleTest : public ::testing::Test {
 protected:
  BattleTest() : scopedClock_(clock_) {
    log_ = StartupLog(folder_.WithSeparator());
    log_.Create();
    SeedSaverRandom(20240601);
  }

  void Plugin(const std::string& name, const PluginFile& file) {
    folder_.Write("Plugins/" + name, testing::EncodePlugin(file));
  }

  // Each list: "(count) name" entries.
  void ScenarioFile(const std::string& name, const std::vector<std::string>& first,
                    const std::vector<std::string>& second) {
    std::string text = std::to_string(first.size()) + "\n";
    for (const std::string& e : first) text += e + "\n";
    text += std::to_string(second.size()) + "\n";
    for (const std::string& e : second) text += e + "\n";
    folder_.Write("Scenarios/" + name, Text(text));
  }

  void Catalogue(const std::vector<std::string>& names) {
    settings::WriteInt(store_, settings::kNumScenarios, static_cast<int>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
      settings::Write(store_, settings::IndexedName(settings::kScenario, static_cast<int>(i)),
                      names[i]);
    }
  }

  std::unique_ptr<BattleManager> Manager(bool use3D, bool soundEffects = false,
                                         std::size_t soundMemory = ShipClass::kAnySoundMemory) {
    BattleServices services;
    services.soundEffects = soundEffects;
    services.soundMemory = soundMemory;
    services.settings = &store_;
    services.installation = folder_.WithSeparator();
    services.log = &log_;
    services.textureNames = &names_;
    services.use3DCameraView = use3D;
    auto manager = std::make_unique<BattleManager>(services);
    std::string why;
    EXPECT_TRUE(manager->Initialise(&why)) << why;
    return manager;
  }

  // The log as written, line ends as "\n" (the Windows build writes "\r\n").
  std::string LogText() const {
    const Bytes bytes = testing::TempFolder::Read(log_.Path());
    std::string text(bytes.begin(), bytes.end());
    std::erase(text, '\r');
    return text;
  }

  testing::TempFolder folder_;
  platform::MemorySettingsStore store_;
  TextureNamePool names_;
  testing::RecordingGl gl_;
  platform::ManualClock clock_{5000};
  platform::ScopedClock scopedClock_;
  StartupLog log_;
};

TEST_F(BattleTest, ShipCreationTakesEverythingFromItsClass) {
  ShipClass shipClass;
  ASSERT_TRUE(shipClass.Build(MakeClass({1.5f, 0.75f, 2.0f}, 2, 2, 1, true), names_, 0, true));
  for (const bool soundOn : {true, false}) {
    Ship ship;
    ASSERT_TRUE(ship.Create(shipClass, {1, 2, 3, 4, 5, 6, 7, 8, 9}, soundOn));
    EXPECT_EQ(ship.Position().z(), 3);
    EXPECT_EQ(ship.State()[4], 5);  // the spare survives; speed and angles come from the ship
    EXPECT_EQ(ship.State()[3], 0);
    EXPECT_FLOAT_EQ(ship.Radius(), 2.0f);
    EXPECT_TRUE(!ship.IsDead() && ship.IsVisible() && ship.HullPresent());
    EXPECT_EQ(ship.LastMoveTime(), 5000u);

    ASSERT_EQ(ship.Phasers().size(), 2u);
    ASSERT_EQ(ship.TorpedoLaunchers().size(), 1u);
    const WeaponState& phaser = ship.Phasers()[1];
    EXPECT_EQ(phaser.mount, &shipClass.phaserMount(1));
    EXPECT_EQ(phaser.value, 1.5f);
    EXPECT_EQ(phaser.charge, 1.0f);
    EXPECT_EQ(phaser.lastUpdate, 5000u);
    EXPECT_EQ(ship.TorpedoLaunchers()[0].value, 25.0f);

    EXPECT_EQ(ship.Flight().attributes.turnRate, 0.5f);
    EXPECT_EQ(ship.Flight().attributes.topSpeed, 9);
    EXPECT_EQ(ship.Flight().goal.z(), 1);
    EXPECT_EQ(ship.Flight().goalWeight, 0);
    EXPECT_EQ(ship.AI().state, ShipAI::kEngage);

    const ShipShield& shield = ship.Shield();
    ASSERT_EQ(shield.colours.size(), 12u);
    EXPECT_EQ(shield.colours[4], 1.0f);
    EXPECT_EQ(shield.colours[7], 0.0f);
    EXPECT_FLOAT_EQ(shield.abc, 2.25f);
    EXPECT_EQ(shield.strength, 80);

    // Own copies of the sounds, only with sound effects on.
    for (int s = 1; s <= 3; ++s) {
      const WaveSound& own = ship.Sound(s);
      const WaveSound& shared = shipClass.sounds()[static_cast<std::size_t>(s - 1)];
      EXPECT_EQ(own.empty(), !soundOn);
      if (soundOn) {
        EXPECT_TRUE(own.data == shared.data && own.data.data() != shared.data.data());
      }
    }
  }
}

TEST_F(BattleTest, DamageAndShieldHitsStayWithinTheShip) {
  ShipClass shipClass;
  ASSERT_TRUE(shipClass.Build(MakeClass({2, 1, 1}, 2), names_, 0, false));
  Ship ship, other;
  ASSERT_TRUE(ship.Create(shipClass, {}, false));
  ASSERT_TRUE(other.Create(shipClass, {}, false));

  ship.AddDamage(30, -1);
  ship.AddDamage(4, 1);
  ship.AddDamage(4, 1);
  ship.AddDamage(99, 2);  // no third mesh: nothing to write to
  EXPECT_EQ(ship.TotalDamage(), 30);
  EXPECT_EQ(ship.PerMeshDamage(0), 0);
  EXPECT_EQ(ship.PerMeshDamage(1), 8);
  EXPECT_EQ(ship.PerMeshDamage(2), 0);
  EXPECT_EQ(ship.PerMeshDamage(-1), 0);

  ShipShield& shield = ship.Shield();
  const Vector3 p = shield.Point(Vector3(5, 0, 0));
  EXPECT_DOUBLE_EQ(p.x(), 2.0);
  // Factor 3.2 / 2: the vertex at the hit glows fully, the one 4 away and the one at (0, 1, 0)
  // (2 - 1.6 sqrt 5 < 0) not at all; another ship of the class keeps its own colours.
  shield.Glow(p, 30);
  EXPECT_EQ(shield.colours[3], 1.0f);
  EXPECT_EQ(shield.colours[7], 0.0f);
  EXPECT_EQ(shield.colours[11], 0.0f);
  EXPECT_EQ(shield.strength, 50);
  EXPECT_EQ(other.Shield().colours[3], 0.0f);
  shield.strength = 0;
  EXPECT_EQ(shield.Point(Vector3(5, 0, 0)).x(), 0);  // down: hits land on the centre
}

TEST_F(BattleTest, ShockWaveIsWantedAboveFiveThousandOnly) {
  ShipClass shipClass;
  ASSERT_TRUE(shipClass.Build(MakeClass({1, 1, 1}), names_, 0, false));
  // Generator states whose next RandomRange(0, 10000) is exactly 5000 and 5001.
  auto stateDrawing = [](int wanted) {
    for (std::uint32_t seed = 0;; ++seed) {
      RandomGenerator probe;
      probe.Seed(seed);
      if (RandomRange(probe, 0, 10000) == wanted) return seed;
    }
  };
  Ship ship;
  SaverRandom().Seed(stateDrawing(5000));
  ASSERT_TRUE(ship.Create(shipClass, {}, false));
  EXPECT_FALSE(ship.ShockWaveWanted());
  SaverRandom().Seed(stateDrawing(5001));
  ASSERT_TRUE(ship.Create(shipClass, {}, false));
  EXPECT_TRUE(ship.ShockWaveWanted());
}

TEST_F(BattleTest, RosterPicksTheFirstShipOutOfRangeAndReadsDeadShipsAsFar) {
  ShipClass shipClass;
  ASSERT_TRUE(shipClass.Build(MakeClass({1, 1, 1}), names_, 0, false));
  Ship a, b;
  ASSERT_TRUE(a.Create(shipClass, {3, 4, 0}, false));
  ASSERT_TRUE(b.Create(shipClass, {0, 0, 10}, false));

  Roster roster;
  EXPECT_EQ(roster.Enemy(0), nullptr);  // an alliance with no ship at all
  EXPECT_EQ(roster.EnemyDistance(0, Vector3()), Roster::kDeadDistance);

  roster.Set({&a, &b}, {&b});
  EXPECT_EQ(roster.EnemyCount(), 2);
  EXPECT_EQ(roster.Enemy(1), &b);
  EXPECT_EQ(roster.Enemy(2), &a);
  EXPECT_EQ(roster.Enemy(-1), &a);
  EXPECT_EQ(roster.Friend(5), &b);
  EXPECT_DOUBLE_EQ(roster.EnemyDistance(0, Vector3()), 5.0);
  EXPECT_DOUBLE_EQ(roster.FriendDistance(0, Vector3(0, 0, 4)), 6.0);
  a.SetDead(true);
  EXPECT_EQ(roster.EnemyDistance(0, Vector3()), Roster::kDeadDistance);
}

// A class whose sounds cannot be given memory still loads; sound effects go off for the rest of
// the run, so the next class is read without its sounds and no ship gets any.
TEST_F(BattleTest, MissingSoundMemorySwitchesSoundEffectsOff) {
  PluginFile big = MakeClass({1, 1, 1}, 1, 0, 0, true);
  big.sounds[0].data.assign(100, 3);
  Plugin("Big.as3", big);                                    // 123 sample bytes
  Plugin("Small.as3", MakeClass({1, 1, 1}, 1, 0, 0, true));  // 33
  ScenarioFile("A.ss3", {"(1) Small.as3", "(1) Big.as3", "(1) Small.as3"}, {"(1) Small.as3"});
  Catalogue({"A.ss3"});
  auto manager = Manager(false, true, 40);

  ASSERT_TRUE(manager->StartBattle());
  EXPECT_FALSE(manager->services().soundEffects);
  EXPECT_TRUE(manager->Class(1, 0)->hasSounds());
  EXPECT_TRUE(manager->Class(1, 1)->soundMemoryFailed());
  EXPECT_FALSE(manager->Class(1, 1)->hasSounds());
  EXPECT_EQ(manager->Class(1, 1)->meshCount(), 1);
  for (const auto& [alliance, i] : {std::pair{1, 2}, std::pair{2, 0}}) {
    EXPECT_FALSE(manager->Class(alliance, i)->hasSounds()) << alliance << " " << i;
    EXPECT_FALSE(manager->Class(alliance, i)->soundMemoryFailed()) << alliance << " " << i;
  }
  // The ships are made after their alliance's classes: by then sound effects are off.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(manager->ShipAt(1, i)->Sound(1).empty()) << i;
  const std::string log = LogText();
  const std::string line = BattleManager::kSoundMemoryLogLine;
  ASSERT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos) << log;
}

// A ship whose copies of its class sounds cannot be made: the battle starts all the same, with
// sound effects off from then on and nothing of them kept, by that ship or the ones before it.
TEST_F(BattleTest, ShipSoundsRefusedSwitchSoundEffectsOffAndTheBattleStarts) {
  Plugin("Loud.as3", MakeClass({1, 1, 1}, 1, 0, 1, true));
  ScenarioFile("A.ss3", {"(2) Loud.as3"}, {"(1) Loud.as3"});
  Catalogue({"A.ss3"});
  testing::RecordingSound sound;
  // The class's torpedoes and the first ship get theirs; the second ship is refused.
  sound.RefuseBuffers(TorpedoPool::kInitialPool + 3);
  const WaveSound detonation{PcmFormat(1, 11025), Bytes(8, 1)};
  auto manager = Manager(false, true);
  manager->services().soundOutput = &sound;
  manager->services().torpedoDetonation = &detonation;

  for (int battle = 0; battle < 2; ++battle) {
    ASSERT_TRUE(manager->StartBattle()) << battle;
    EXPECT_FALSE(manager->services().soundEffects);
    EXPECT_EQ(manager->ShipCount(1), 2);
    EXPECT_EQ(manager->ShipCount(2), 1);
    for (const auto& [alliance, i] : {std::pair{1, 0}, std::pair{1, 1}, std::pair{2, 0}}) {
      const Ship* ship = manager->ShipAt(alliance, i);
      for (int s = 1; s <= 3; ++s) {
        EXPECT_TRUE(ship->Sound(s).empty()) << alliance << " " << i << " " << s;
        EXPECT_EQ(ship->SoundBuffer(s), nullptr) << alliance << " " << i << " " << s;
      }
    }
    const TorpedoPool& torpedoes = manager->Class(1, 0)->torpedoes();
    for (int t = 0; t < torpedoes.Size(); ++t) EXPECT_EQ(torpedoes.At(t).explosionSound, nullptr);
  }
  const std::string log = LogText();
  const std::string line = BattleManager::kSoundMemoryLogLine;
  ASSERT_NE(log.find(line), std::string::npos) << log;
  EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos) << log;
}

TEST_F(BattleTest, FlatBattleSpawnsBothFleetsAroundTheOriginAndWiresEverything) {
  Plugin("Small.as3", MakeClass({1.5f, 1, 1}));
  Plugin("Large.as3", MakeClass({3.69197f, 2, 2}));
  ScenarioFile("A.ss3", {"(3) Large.as3", "(2) Small.as3"}, {"(4) Small.as3"});
  Catalogue({"A.ss3"});
  auto manager = Manager(false);
  std::vector<std::pair<float, bool>> resets;
  manager->SetCameraReset([&](float d, bool use3D) { resets.push_back({d, use3D}); });

  ASSERT_TRUE(manager->StartBattle());
  EXPECT_NE(LogText().find("Attempting to Load Alliance 2 Models..."), std::string::npos);
  EXPECT_EQ(manager->BattleCentrePosition().Length(), 0);
  ASSERT_EQ(manager->ClassCount(1), 2);
  ASSERT_EQ(manager->ClassCount(2), 1);
  ASSERT_EQ(manager->ShipCount(1), 5);
  ASSERT_EQ(manager->ShipCount(2), 4);
  EXPECT_EQ(manager->ShipCountOfClass(1, 0), 3);
  EXPECT_EQ(manager->ShipCountOfClass(1, 1), 2);
  EXPECT_EQ(manager->ShipCountOfClass(1, 2), 0);
  EXPECT_EQ(manager->ShipAt(1, 5), nullptr);
  EXPECT_EQ(manager->ShipAt(3, 0), nullptr);
  EXPECT_EQ(manager->Class(2, 1), nullptr);

  // The focus ship is alliance 1's first, at the origin in the star tunnel; the camera starts
  // radius / 3.69197 * -15 behind it.
  Ship* focus = manager->FocusShip();
  ASSERT_EQ(focus, manager->ShipAt(1, 0));
  EXPECT_EQ(focus->Position().Length(), 0);
  EXPECT_EQ(focus->TunnelFade(), 1.0f);
  ASSERT_EQ(resets.size(), 1u);
  EXPECT_NEAR(resets[0].first, -15.0f, 1e-5);
  EXPECT_FALSE(resets[0].second);

  for (int alliance = 1; alliance <= 2; ++alliance) {
    Roster* roster = manager->RosterOf(alliance);
    const int other = 3 - alliance;
    ASSERT_EQ(roster->EnemyCount(), manager->ShipCount(other));
    ASSERT_EQ(roster->FriendCount(), manager->ShipCount(alliance));
    for (int i = 0; i < manager->ShipCount(alliance); ++i) {
      Ship* ship = manager->ShipAt(alliance, i);
      EXPECT_EQ(ship->GetRoster(), roster);
      EXPECT_EQ(roster->Friend(i), ship);
      if (ship == focus) continue;
      const Vector3 at = ship->Position();
      const double side = alliance == 1 ? -at.x() : at.x();
      EXPECT_GE(side, 50);
      EXPECT_LE(side, 114);
      EXPECT_GE(at.y(), -25);
      EXPECT_LE(at.y(), 24);
      EXPECT_EQ(at.z(), 0);
    }
    for (int i = 0; i < manager->ShipCount(other); ++i) {
      EXPECT_EQ(roster->Enemy(i), manager->ShipAt(other, i));
    }
  }

  // Each class knows its own ships, entries in order.
  ShipClass* small = manager->Class(1, 1);
  ASSERT_EQ(small->shipCount(), 2);
  EXPECT_EQ(small->ships()[0], manager->ShipAt(1, 3));
  EXPECT_EQ(small->ships()[1], manager->ShipAt(1, 4));
  EXPECT_EQ(manager->ShipAt(1, 3)->Class(), small);
  EXPECT_EQ(manager->Class(2, 0)->shipCount(), 4);

  manager->Release();
  EXPECT_EQ(manager->ShipCount(1), 0);
  EXPECT_EQ(manager->ClassCount(2), 0);
  EXPECT_EQ(manager->FocusShip(), nullptr);
}

TEST_F(BattleTest, ThreeDimensionalBattlesCentreFarOutWithFleetsOnEitherSide) {
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("A.ss3", {"(3) Small.as3"}, {"(3) Small.as3"});
  Catalogue({"A.ss3"});
  auto manager = Manager(true);
  std::array<int, 3> negative{};
  const int battles = 40;
  for (int b = 0; b < battles; ++b) {
    ASSERT_TRUE(manager->StartBattle());
    Vector3 centre = manager->BattleCentrePosition();
    EXPECT_GE(centre.Length(), 250 - 1e-3);
    EXPECT_LT(centre.Length(), 450);
    // Before the flips Y is at most 15 of about 283 units of direction.
    EXPECT_LT(std::abs(centre.y()), 0.06 * 450);
    negative[0] += centre.x() < 0;
    negative[1] += centre.y() < 0;
    negative[2] += centre.z() < 0;
    for (int alliance = 1; alliance <= 2; ++alliance) {
      for (int i = 0; i < manager->ShipCount(alliance); ++i) {
        Ship* ship = manager->ShipAt(alliance, i);
        if (ship == manager->FocusShip()) continue;
        const double dx = (ship->Position().x() - centre.x()) * (alliance == 1 ? -1 : 1);
        EXPECT_GE(dx, 50 - 1e-3);
        EXPECT_LE(dx, 114 + 1e-3);
        EXPECT_GE(ship->Position().y() - centre.y(), -25 - 1e-3);
        EXPECT_LE(ship->Position().y() - centre.y(), 24 + 1e-3);
        EXPECT_FLOAT_EQ(static_cast<float>(ship->Position().z()),
                        static_cast<float>(centre.z()));
      }
    }
    EXPECT_EQ(manager->FocusShip()->Position().Length(), 0);
  }
  // Each axis is flipped in some battles and not in others.
  for (int n : negative) {
    EXPECT_GT(n, 0);
    EXPECT_LT(n, battles);
  }
}

// The battle start's draws, in their order, against a model of the runtime generator kept here
// apart from the saver's own: the centre (X, Y, Z, distance, three sign flips), then per ship its
// X, its Y and its own draw at creation. Seed 77 draws exactly 50 for the first flip, which must
// not flip.
TEST_F(BattleTest, TheBattleStartDrawsInItsFixedOrder) {
  struct Model {
    std::uint32_t state;
    int Range(int a, int b) {
      state = state * 214013u + 2531011u;
      const int r = static_cast<int>((state >> 16) & 0x7FFF);
      const int v = static_cast<int>(r / (32768.0 / (b - a)) + a);
      return v > b ? b : (v < a ? a : v);
    }
  };
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("A.ss3", {"(2) Small.as3"}, {"(1) Small.as3", "(1) Small.as3"});
  Catalogue({"A.ss3"});
  auto manager = Manager(true);
  for (const std::uint32_t seed : {77u, 93u, 129u}) {
    SCOPED_TRACE(seed);
    SaverRandom().Seed(seed);
    ASSERT_TRUE(manager->StartBattle());

    Model model{seed};
    const int x = model.Range(0, 200) - 400, y = model.Range(0, 30) - 15,
              z = model.Range(0, 200) - 400;
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    const double distance = model.Range(0, 200) + 250;
    double centre[3] = {x / length * distance, y / length * distance, z / length * distance};
    int fifties = 0;
    for (int axis = 0; axis < 3; ++axis) {
      const int flip = model.Range(0, 100);
      if (flip == 50) fifties |= 1 << axis;
      if (flip > 50) centre[axis] = -centre[axis];
    }
    ASSERT_EQ(fifties, 1 << (seed == 77u ? 0 : seed == 93u ? 1 : 2));
    const Vector3 got = manager->BattleCentrePosition();
    EXPECT_NEAR(got.x(), centre[0], 1e-3);
    EXPECT_NEAR(got.y(), centre[1], 1e-3);
    EXPECT_NEAR(got.z(), centre[2], 1e-3);

    for (int alliance = 1; alliance <= 2; ++alliance) {
      for (int i = 0; i < 2; ++i) {
        const double dx = model.Range(0, 65) + 50;
        const double dy = model.Range(0, 50) - 25;
        model.Range(0, 10000);  // the ship's own
        Vector3 at = manager->ShipAt(alliance, i)->Position();
        if (alliance == 1 && i == 0) {
          EXPECT_EQ(at.Length(), 0);  // the focus ship starts in the tunnel at the origin
          continue;
        }
        EXPECT_NEAR(at.x(), centre[0] + (alliance == 1 ? -dx : dx), 1e-3) << alliance << i;
        EXPECT_NEAR(at.y(), centre[1] + dy, 1e-3) << alliance << i;
        EXPECT_NEAR(at.z(), centre[2], 1e-3) << alliance << i;
      }
    }
    // Nothing else was drawn.
    EXPECT_EQ(SaverRandom().Next(), Model{model.state}.Range(0, 32768));
  }
}

TEST_F(BattleTest, TheScenesCameraStartsEveryBattleInTheBattleOrbit) {
  Plugin("Large.as3", MakeClass({3.69197f * 2, 1, 1}));  // radius 7.38394: 30 units back
  ScenarioFile("A.ss3", {"(1) Large.as3"}, {});
  ScenarioFile("B.ss3", {"(2) Large.as3"}, {"(1) Large.as3"});
  Catalogue({"A.ss3", "B.ss3"});
  auto manager = Manager(true);
  {
    Scene scene(Scene::Settings{}, manager.get());
    Camera& camera = scene.GetCamera();
    ASSERT_TRUE(manager->StartBattle());
    EXPECT_NEAR(camera.Distance(), -30, 1e-4);
    EXPECT_TRUE(camera.Use3D());
    EXPECT_EQ(camera.Mode(), Camera::kBattleOrbit);
    EXPECT_EQ(camera.FollowedShip(), manager->FocusShip());

    // The battle ends with the camera in the ship orbit round somewhere else.
    camera.SetMode(Camera::kFlyby, manager->FocusShip());
    camera.SetLookAt(9, 9, 9);
    camera.SetMode(Camera::kShipOrbit, manager->FocusShip());
    camera.SetLookAt(9, 9, 9);
    ASSERT_TRUE(manager->EndOfBattle());
    EXPECT_EQ(camera.Mode(), Camera::kBattleOrbit);
    EXPECT_EQ(camera.FollowedShip(), manager->FocusShip());
    EXPECT_EQ(camera.LookAt(), (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(camera.Pitch(), 0);
  }
  // A manager that outlives the scene no longer calls its camera.
  manager->ShipAt(2, 0)->SetDead(true);
  EXPECT_TRUE(manager->EndOfBattle());
}

TEST_F(BattleTest, BattlesRotateThroughTheCatalogueAndAnEmptyAllianceEndsAtOnce) {
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("A.ss3", {"(1) Small.as3"}, {});
  ScenarioFile("B.ss3", {"(2) Small.as3"}, {"(1) Small.as3"});
  Catalogue({"A.ss3", "B.ss3"});
  auto manager = Manager(false);
  std::vector<Ship*> followed;
  manager->SetCameraFollow([&](Ship* focus) { followed.push_back(focus); });

  EXPECT_TRUE(manager->IsOver());  // nothing started yet
  ASSERT_TRUE(manager->StartBattle());
  EXPECT_EQ(manager->catalogue().currentIndex(), 0);
  EXPECT_EQ(manager->ShipCount(2), 0);
  EXPECT_TRUE(manager->IsOver());

  ASSERT_TRUE(manager->EndOfBattle());
  EXPECT_EQ(manager->catalogue().currentIndex(), 1);
  EXPECT_EQ(manager->ShipCount(1), 2);
  ASSERT_EQ(followed.size(), 1u);
  EXPECT_EQ(followed[0], manager->FocusShip());
  EXPECT_FALSE(manager->IsOver());
  EXPECT_FALSE(manager->EndOfBattle());

  manager->ShipAt(2, 0)->SetDead(true);
  ASSERT_TRUE(manager->EndOfBattle());
  EXPECT_EQ(manager->catalogue().currentIndex(), 0);  // round to the first again
  ASSERT_TRUE(manager->EndOfBattle());
  EXPECT_EQ(manager->catalogue().currentIndex(), 1);
}

int Occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

TEST_F(BattleTest, AScenarioThatCannotStartIsLoggedOnceAndPassedOver) {
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("Good.ss3", {"(1) Small.as3"}, {"(1) Small.as3"});
  ScenarioFile("Bad.ss3", {"(2) Small.as3"}, {"(1) Missing.as3"});
  ScenarioFile("NoFirst.ss3", {}, {"(1) Small.as3"});
  ScenarioFile("Third.ss3", {"(3) Small.as3"}, {"(1) Small.as3"});
  Catalogue({"Good.ss3", "Bad.ss3", "NoFirst.ss3", "Third.ss3"});
  auto manager = Manager(false);
  ASSERT_TRUE(manager->StartBattle());
  ASSERT_EQ(manager->ShipCount(1), 1);

  // Both broken scenarios are tried once, each logged with its reason, and the fourth plays.
  ASSERT_TRUE(manager->StartBattle());
  EXPECT_EQ(manager->catalogue().currentIndex(), 3);
  EXPECT_EQ(manager->ShipCount(1), 3);
  EXPECT_EQ(manager->ClassCount(2), 1);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(manager->StartBattle());
    EXPECT_EQ(manager->catalogue().currentIndex(), 0);
    ASSERT_TRUE(manager->StartBattle());
    EXPECT_EQ(manager->catalogue().currentIndex(), 3);
  }
  const std::string log = LogText();
  EXPECT_EQ(Occurrences(log, "Bad.ss3 cannot start: "), 1) << log;
  EXPECT_NE(log.find("Missing.as3", log.find("Bad.ss3 cannot start: ")), std::string::npos);
  EXPECT_EQ(Occurrences(log, "NoFirst.ss3 cannot start: the scenario has no alliance 1 ship\n"),
            1)
      << log;
  // One alliance 2 line a start, the failed start of Bad.ss3 included (NoFirst.ss3 stops first).
  EXPECT_EQ(Occurrences(log, BattleManager::kAlliance2LogLine), 2 + 1 + 6);
}

TEST_F(BattleTest, WhenNoScenarioCanStartTheSkyStaysAndNothingIsRetried) {
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("Short.ss3", {"(1) Small.as3"}, {});
  ScenarioFile("Bad.ss3", {"(1) Missing.as3"}, {"(1) Small.as3"});
  Catalogue({"Short.ss3", "Bad.ss3"});
  auto manager = Manager(false);
  std::vector<Ship*> followed;
  manager->SetCameraFollow([&](Ship* focus) { followed.push_back(focus); });
  ASSERT_TRUE(manager->StartBattle());
  EXPECT_TRUE(manager->IsOver());  // alliance 2 fields nothing

  // The plug-in goes away: the next start finds neither scenario usable.
  std::filesystem::remove(folder_.Path() / "Plugins" / "Small.as3");
  EXPECT_TRUE(manager->EndOfBattle());
  EXPECT_TRUE(manager->Stalled());
  ASSERT_EQ(followed.size(), 1u);
  EXPECT_EQ(followed[0], nullptr);
  EXPECT_EQ(manager->ShipCount(1), 0);
  EXPECT_EQ(manager->ClassCount(2), 0);
  EXPECT_EQ(manager->FocusTunnelFade(), 1.0f);
  const std::string stalled = LogText();
  EXPECT_EQ(Occurrences(stalled, BattleManager::kNoBattleLogLine), 1) << stalled;
  EXPECT_EQ(Occurrences(stalled, " cannot start: "), 2) << stalled;

  // Later frames try nothing and log nothing.
  for (int frame = 0; frame < 50; ++frame) EXPECT_FALSE(manager->EndOfBattle());
  EXPECT_EQ(LogText(), stalled);
  EXPECT_EQ(followed.size(), 1u);

  // A catalogue that cannot start at all fails the first start, with the reason.
  auto fresh = Manager(false);
  std::string why;
  EXPECT_FALSE(fresh->StartBattle(&why));
  EXPECT_EQ(why, "no scenario of the catalogue can start");
  EXPECT_EQ(fresh->FocusShip(), nullptr);
}

TEST_F(BattleTest, ADeadFocusShipPassesToTheNextLivingShip) {
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("A.ss3", {"(5) Small.as3"}, {"(1) Small.as3"});
  Catalogue({"A.ss3"});
  auto manager = Manager(true);
  ASSERT_TRUE(manager->StartBattle());
  auto ship = [&](int i) { return manager->ShipAt(1, i); };

  manager->ReplaceDeadFocusShip();
  EXPECT_EQ(manager->FocusShip(), ship(0));  // alive: stays

  for (int i = 0; i < 3; ++i) ship(i)->SetDead(true);
  manager->ReplaceDeadFocusShip();
  EXPECT_EQ(manager->FocusShip(), ship(3));
  EXPECT_EQ(manager->FocusSearchIndex(), 3);

  // From the search index on, then round to the ships before it.
  ship(1)->SetDead(false);
  ship(3)->SetDead(true);
  ship(4)->SetDead(true);
  manager->ReplaceDeadFocusShip();
  EXPECT_EQ(manager->FocusShip(), ship(1));

  ship(1)->SetDead(true);
  manager->ReplaceDeadFocusShip();
  EXPECT_EQ(manager->FocusShip(), ship(1));  // nobody left: unchanged
}

TEST_F(BattleTest, TheFocusKeyStepsThroughLivingShipsOfBothAlliances) {
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("A.ss3", {"(5) Small.as3"}, {"(1) Small.as3"});
  Catalogue({"A.ss3"});
  auto manager = Manager(true);
  ASSERT_TRUE(manager->StartBattle());
  const int first = manager->ShipCount(1), total = first + manager->ShipCount(2);
  ASSERT_GE(total, 4);
  auto at = [&](int i) { return i < first ? manager->ShipAt(1, i) : manager->ShipAt(2, i - first); };
  manager->CycleFocus();
  EXPECT_EQ(manager->FocusShip(), at(1));
  at(2)->SetDead(true);
  manager->CycleFocus();
  EXPECT_EQ(manager->FocusShip(), at(3));  // the dead ship is passed over
  // Every ship after the index dead: the focus stays, and the next press starts from the first.
  for (int i = 4; i < total; ++i) at(i)->SetDead(true);
  manager->CycleFocus();
  EXPECT_EQ(manager->FocusShip(), at(3));
  manager->CycleFocus();
  EXPECT_EQ(manager->FocusShip(), at(0));
  EXPECT_EQ(manager->FocusCycleIndex(), 0);
}

TEST_F(BattleTest, TheTunnelHoldsTwentySecondsThenFadesAndSendsTheFocusShipToTheCentre) {
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("A.ss3", {"(1) Small.as3"}, {"(1) Small.as3"});
  Catalogue({"A.ss3"});
  auto manager = Manager(true);
  ASSERT_TRUE(manager->StartBattle());
  Ship* focus = manager->FocusShip();

  EXPECT_EQ(manager->FocusTunnelFade(), 1.0f);  // starts the tunnel timer
  clock_.Advance(20000);
  EXPECT_EQ(manager->FocusTunnelFade(), 1.0f);
  clock_.Advance(1);
  EXPECT_EQ(manager->FocusTunnelFade(), 1.0f);  // starts the fade timer
  clock_.Advance(500);
  EXPECT_FLOAT_EQ(manager->FocusTunnelFade(), 0.75f);
  EXPECT_EQ(focus->Flight().goalWeight, 0);
  clock_.Advance(1500);
  EXPECT_EQ(manager->FocusTunnelFade(), 0.0f);
  EXPECT_EQ(focus->TunnelFade(), 0.0f);
  EXPECT_EQ(focus->Flight().goalWeight, 1.0);
  const Vector3 centre = manager->BattleCentrePosition();
  EXPECT_EQ(focus->Flight().goal.x(), centre.x());
  EXPECT_EQ(focus->Flight().goal.z(), centre.z());
  clock_.Advance(100000);
  EXPECT_EQ(manager->FocusTunnelFade(), 0.0f);
}

}  // namespace
}  // namespace ironwood

namespace ironwood {
namespace {

// Every ship of a battle decides before it flies: its first update picks an enemy as target.
TEST_F(BattleTest, EveryShipDecidesAtEachUpdate) {
  Plugin("Small.as3", MakeClass({1, 1, 1}));
  ScenarioFile("A.ss3", {"(2) Small.as3"}, {"(1) Small.as3"});
  Catalogue({"A.ss3"});
  auto manager = Manager(false);
  ASSERT_TRUE(manager->StartBattle());
  for (int alliance : {1, 2}) {
    for (int i = 0; i < manager->ShipCount(alliance); ++i) {
      Ship* ship = manager->ShipAt(alliance, i);
      ASSERT_EQ(ship->AI().target, nullptr);
      ship->Update(Vector3(0, 0, 0));
      ASSERT_NE(ship->AI().target, nullptr) << alliance << " " << i;
      const int other = alliance == 1 ? 2 : 1;
      bool enemy = false;
      for (int k = 0; k < manager->ShipCount(other); ++k) {
        enemy = enemy || ship->AI().target == manager->ShipAt(other, k);
      }
      EXPECT_TRUE(enemy) << alliance << " " << i;
    }
  }
}

}  // namespace
}  // namespace ironwood
