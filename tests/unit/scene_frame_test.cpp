#include "saver/render/scene.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "platform/headless/manual_clock.h"
#include "platform/headless/memory_settings_store.h"
#include "saver/core/random.h"
#include "saver/shell/startup_log.h"
#include "tests/support/minimal_installation.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

// The minimal installation's battle (one small ship a side) drawn frame by frame through the
// whole scene on the recording OpenGL, 16 ms a frame.
class SceneFrameTest : public ::testing::Test {
 protected:
  SceneFrameTest() : scoped_(clock_) {
    SeedSaverRandom(77);
    testing::WriteMinimalInstallation(folder_);
    testing::WriteMinimalCatalogue(store_);
    log_ = StartupLog(folder_.WithSeparator());
    log_.Create();
  }

  void Start(bool use3D, bool multitexture) {
    scene_.reset();  // the scene lets go of the manager it was given before that goes
    BattleServices services;
    services.settings = &store_;
    services.installation = folder_.WithSeparator();
    services.textureNames = &names_;
    services.use3DCameraView = use3D;
    battle_ = std::make_unique<BattleManager>(services);
    Scene::Settings settings;
    settings.load = {folder_.WithSeparator(), false, 640, 480};
    settings.use3DCameraView = use3D;
    settings.caps = {multitexture, true};
    scene_ = std::make_unique<Scene>(settings, battle_.get());
    ASSERT_TRUE(scene_->Load(log_));
  }

  void Frame() {
    gl_.calls.clear();
    static const double kProjection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    scene_->Draw(kProjection, names_);
    scene_->FinishFrame();
    clock_.Advance(16);
  }

  // The state every pass expects on entry and leaves behind: balanced matrix stacks, blending
  // off, depth test, depth writes and culling on, the three client arrays enabled.
  ::testing::AssertionResult StateRestored() const {
    std::map<std::string, int> depth;  // per matrix mode
    std::string mode = "5888";         // GL_MODELVIEW
    std::map<std::string, std::string> last;
    for (const testing::GlCall& call : gl_.calls) {
      if (call.name == "glMatrixMode") mode = call.args[0];
      if (call.name == "glPushMatrix") ++depth[mode];
      if (call.name == "glPopMatrix" && --depth[mode] < 0) {
        return ::testing::AssertionFailure() << "pop of an empty stack in mode " << mode;
      }
      if (call.name == "glEnable" || call.name == "glDisable" ||
          call.name == "glEnableClientState" || call.name == "glDisableClientState") {
        last[call.args[0]] = call.name;
      }
      if (call.name == "glDepthMask") last["mask"] = call.args[0];
    }
    for (const auto& [m, d] : depth) {
      if (d != 0) return ::testing::AssertionFailure() << d << " pushes left in mode " << m;
    }
    if (mode != "5888") return ::testing::AssertionFailure() << "left in matrix mode " << mode;
    const std::map<std::string, std::string> expected = {
        {"3042", "glDisable"},            // GL_BLEND
        {"2929", "glEnable"},             // GL_DEPTH_TEST
        {"2884", "glEnable"},             // GL_CULL_FACE
        {"3008", "glDisable"},            // GL_ALPHA_TEST
        {"32884", "glEnableClientState"},  // GL_VERTEX_ARRAY
        {"32885", "glEnableClientState"},  // GL_NORMAL_ARRAY
        {"32888", "glEnableClientState"},  // GL_TEXTURE_COORD_ARRAY
    };
    for (const auto& [what, call] : expected) {
      const auto found = last.find(what);
      if (found != last.end() && found->second != call) {
        return ::testing::AssertionFailure() << what << " left by " << found->second;
      }
    }
    if (last.count("mask") != 0 && last.at("mask") != "1") {
      return ::testing::AssertionFailure() << "depth writes left off";
    }
    return ::testing::AssertionSuccess();
  }

  testing::TempFolder folder_;
  platform::MemorySettingsStore store_;
  TextureNamePool names_;
  testing::RecordingGl gl_;
  platform::ManualClock clock_{5000};
  platform::ScopedClock scoped_;
  StartupLog log_;
  std::unique_ptr<BattleManager> battle_;
  std::unique_ptr<Scene> scene_;
};

TEST_F(SceneFrameTest, EveryFrameLeavesTheStateItFoundThroughTunnelBattleAndBreakUp) {
  for (const bool multitexture : {false, true}) {
    Start(true, multitexture);
    // The tunnel: only the followed ship, no weapons.
    Frame();
    EXPECT_GT(scene_->TunnelFade(), 0);
    EXPECT_EQ(gl_.Count("glDisableClientState"), 0);
    EXPECT_TRUE(StateRestored());
    // Through the tunnel and its fade into the battle.
    while (scene_->TunnelFade() > 0) Frame();
    Frame();
    EXPECT_TRUE(StateRestored());
    EXPECT_GT(gl_.Count("glDisableClientState"), 0);  // the shield pass ran
    // A ship breaking up: flash, burst, fireballs, shock wave, dead.
    // Alliance 2's only ship breaks up; when it is dead the battle is over (and the ship gone
    // with it, so it is looked at only while the battle lasts).
    Ship* dying = battle_->ShipAt(2, 0);
    ASSERT_NE(dying, nullptr);
    dying->AddDamage(150, -1);
    bool over = false, hullGone = false;
    battle_->SetBattleEnded([&](const BattleManager& battle) {
      over = true;
      EXPECT_TRUE(battle.ShipAt(2, 0)->IsDead());
    });
    int frames = 0;
    while (!over && frames < 400) {
      hullGone = hullGone || !dying->HullPresent();
      Frame();
      ++frames;
      ASSERT_TRUE(StateRestored()) << "frame " << frames << " of the break-up";
    }
    EXPECT_TRUE(over);
    EXPECT_TRUE(hullGone);
    // Dead after 3500 ms of fireballs: the 220th frame of 16 ms, give or take the first.
    EXPECT_NEAR(frames, 220, 2);
  }
}

TEST_F(SceneFrameTest, WithoutTheCameraViewTheBattleRunsFromTheFirstFrameAndTheNextStartsOnce) {
  Start(false, true);
  int started = 0;
  battle_->SetBattleEnded([&](const BattleManager&) { ++started; });
  Frame();
  EXPECT_TRUE(StateRestored());
  EXPECT_GT(gl_.Count("glDisableClientState"), 0);
  // Both sides lose their last ship in the same frame: one new battle.
  battle_->ShipAt(1, 0)->SetDead(true);
  battle_->ShipAt(2, 0)->SetDead(true);
  Frame();
  EXPECT_EQ(started, 1);
  EXPECT_FALSE(battle_->ShipAt(1, 0)->IsDead());
  Frame();
  EXPECT_EQ(started, 1);
}

}  // namespace
}  // namespace ironwood
