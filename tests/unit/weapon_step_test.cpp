#include "saver/render/weapon_step.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/manual_clock.h"
#include "saver/battle/roster.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/core/random.h"
#include "tests/support/armed_ship.h"
#include "tests/support/recording_gl.h"

namespace ironwood {
namespace {

// One phaser looking along +Z at an opponent 10 units ahead, through the phaser pass of its class
// as the frame runs it.
class WeaponStepTest : public ::testing::Test {
 protected:
  WeaponStepTest() : scoped_(clock_) {
    SaverRandom().Seed(3);
    EXPECT_TRUE(armed_.Build(testing::ArmedShipPlugin({testing::Mount({0, 0, 0}, {0, 0, 1}, 0.5f)}, {}),
                             names_, 0, false));
    EXPECT_TRUE(plain_.Build(testing::ArmedShipPlugin({}, {}), names_, 0, false));
    EXPECT_TRUE(shooter_.Create(armed_, {0, 0, 0, 0, 0, 0, 0, 0, 0}, false));
    EXPECT_TRUE(target_.Create(plain_, {0, 0, 10, 0, 0, 0, 0, 0, 0}, false));
    testing::Pose(shooter_, 0, 0, 0);
    testing::Pose(target_, 0, 0, 0);
    roster_.Set({&target_}, {&shooter_});
    shooter_.SetRoster(&roster_);
    list_ = &shooter_;
    armed_.SetShips(&list_);
    armed_.SetShipCount(1);
    effects_.textures = &names_;
  }

  // One frame's phaser pass after `ms`: how many beams were drawn.
  int Frame(std::uint32_t ms) {
    clock_.Advance(ms);
    gl_.calls.clear();
    PhaserPass(armed_, effects_, 0.5f);
    return gl_.Count("glDrawElements");
  }

  platform::ManualClock clock_{5000};
  platform::ScopedClock scoped_;
  testing::RecordingGl gl_;
  TextureNamePool names_;
  ShipClass armed_, plain_;
  Ship shooter_, target_;
  Ship* list_ = nullptr;
  Roster roster_;
  BattleEffects effects_;
};

TEST_F(WeaponStepTest, APhaserThatRunsEmptyShowsItsBeamThatFrameAndThenCools) {
  WeaponState& phaser = shooter_.Phasers().front();
  phaser.charge = 0.001f;
  EXPECT_EQ(Frame(16), 1);
  EXPECT_EQ(phaser.charge, 0.0f);
  EXPECT_EQ(phaser.lastUpdate, 5016u);
  // Empty: no beam while it cools, and the cooling has begun.
  EXPECT_EQ(Frame(16), 0);
  EXPECT_FALSE(phaser.firing);
  EXPECT_LT(phaser.charge, 0.0f);
  EXPECT_EQ(phaser.lastUpdate, 5032u);
}

TEST_F(WeaponStepTest, AFullChargeFiresForAboutHalfASecond) {
  int frames = 0;
  while (Frame(16) == 1) ++frames;
  // On average 1.3 x 0.025 a 16 ms frame: about 31 frames for a charge of 1.
  EXPECT_GT(frames, 20);
  EXPECT_LT(frames, 45);
  // A ship whose hull has gone neither fires nor draws.
  shooter_.Phasers().front().charge = 1.0f;
  shooter_.SetHullPresent(false);
  EXPECT_EQ(Frame(16), 0);
}

}  // namespace
}  // namespace ironwood
