// The frame benchmark: what one frame of a running battle costs, measured on the saver's own
// scene and battle manager with a manual clock (16 ms a frame) and a fixed seed, so every run
// plays the same battle. The battles: the generated installation's "FleetBattle.ss3", and
// crowds of 125, 250, 500, 1000 and 2000 ships (half Lancet, half Cinder) written into a
// temporary copy of it. The moving camera is on and the star tunnel is run through before
// anything is timed.
//
//   NullGl      our own CPU time a frame, on the OpenGL that draws nothing, so no rasterizer is
//               in it; with split:1 it is divided into simulation and OpenGL submission. The
//               summary shows the crowds as a growth table.
//   Mesa        the whole frame (to glFinish) on the system's OpenGL in an offscreen buffer at
//               800x600, with ship_passes:0 the same frame without hulls, beams and shields,
//               with width:1920 the whole frame at 1920x1080 with the frustum widened.
//
// Not a test: it asserts nothing and ctest does not run it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "common/settings.h"
#include "glapi/gl_table.h"
#include "platform/headless/manual_clock.h"
#include "platform/headless/memory_settings_store.h"
#include "platform/headless/null_gl.h"
#include "platform/linux/egl_target.h"
#include "saver/core/frame_split.h"
#include "saver/core/log_sink.h"
#include "saver/core/random.h"
#include "saver/gl/renderer.h"
#include "saver/render/scene.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr std::uint32_t kSeed = 20240611;
constexpr std::uint32_t kFrameMilliseconds = 16;
// After the tunnel the fleets need a few seconds to close in; the timed frames follow.
constexpr int kSettleFrames = 300;

// A battle is the fleet battle or a crowd of that many ships.
constexpr int kFleetBattle = 0;
constexpr int kFiveHundred = 500;
constexpr int kCrowds[] = {125, 250, 500, 1000, 2000};
std::string BattleName(int battle) {
  return battle == kFleetBattle ? "fleet battle" : std::to_string(battle) + " ships";
}
std::string CrowdFile(int ships) { return "Crowd" + std::to_string(ships) + ".ss3"; }

// One alliance of a crowd: `ships` of the class in entries of at most 100.
std::string CrowdAlliance(int ships, const char* plugin) {
  std::string entries;
  int count = 0;
  for (int left = ships; left > 0; left -= 100, ++count) {
    entries += "(" + std::to_string(std::min(left, 100)) + ") " + plugin + "\r\n";
  }
  return std::to_string(count) + "\r\n" + entries;
}

// One copy of the generated installation for the whole run, with the crowds' scenarios added.
class BenchInstallation {
 public:
  BenchInstallation() {
    std::error_code error;
    fs::copy(IRONWOOD_INSTALLATION_DIR, folder_.Path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    if (error) {
      why_ = "cannot copy " IRONWOOD_INSTALLATION_DIR ": " + error.message();
      return;
    }
    for (const int ships : kCrowds) {
      std::ofstream file(folder_.Path() / "Scenarios" / CrowdFile(ships), std::ios::binary);
      file << CrowdAlliance(ships / 2, "Lancet.as3") << CrowdAlliance(ships - ships / 2, "Cinder.as3");
      if (!file) why_ = "cannot write the " + BattleName(ships) + " scenario";
    }
  }
  bool Ready() const { return why_.empty(); }
  const std::string& Why() const { return why_; }
  std::string Folder() const { return folder_.WithSeparator(); }

 private:
  testing::TempFolder folder_;
  std::string why_;
};

BenchInstallation& Installation() {
  static BenchInstallation installation;
  return installation;
}

class NoHandler : public platform::WindowHandler {
 public:
  platform::WindowReaction OnMessage(const platform::WindowMessage&) override { return {}; }
};

// The saver's renderer on the null OpenGL or on an offscreen buffer of the system's, and a scene
// drawing one battle from its first frame.
class FrameRig {
 public:
  // A 16:9 picture is drawn as the desktop's resolution draws it, with the frustum widened to
  // its shape; the Mesa rig is multisampled only when asked.
  FrameRig(bool mesa, int battle, bool shipPasses, int width = kWidth, int height = kHeight,
           bool multisampling = false)
      : mesa_(mesa), width_(width), height_(height), scoped_(clock_) {
    if (!Installation().Ready()) {
      why_ = Installation().Why();
      return;
    }
    const std::string folder = Installation().Folder();
    settings::Write(store_, settings::kNumScenarios, "1");
    settings::Write(store_, settings::IndexedName("Scenario", 0),
                    battle == kFleetBattle ? "FleetBattle.ss3" : CrowdFile(battle));
    settings::Write(store_, settings::kUse3DCameraView, "1");
    settings::WriteFlag(store_, settings::kMultisampling, multisampling);

    if (mesa_) {
      if (!platform::EglTarget::LibraryAvailable(&why_)) return;
      eglTarget_ = platform::EglTarget::Offscreen(width_, height_);
      renderer_ = std::make_unique<Renderer>(platform::SystemGl(), log_);
      renderer_->SetFrustumFollowsShape(width_ * 3 != height_ * 4);
      if (!renderer_->Start(eglTarget_.get(), width_, height_, store_)) {
        why_ = "no OpenGL on an offscreen buffer: " + eglTarget_->LastError();
        return;
      }
    } else {
      window_ = platform::CreateNullWindow();
      if (!window_->Create(kWidth, kHeight, handler_)) {
        why_ = "the null window did not open";
        return;
      }
      renderer_ = std::make_unique<Renderer>(platform::NullGl(), log_);
      nullTarget_ = window_->CreateRenderTarget(renderer_->Binding().Libraries());
      if (!renderer_->Start(nullTarget_.get(), kWidth, kHeight, store_)) {
        why_ = "the null OpenGL did not start";
        return;
      }
    }
    gl.glGetDoublev(GL_PROJECTION_MATRIX, projection_);
    names_ = std::make_unique<TextureNamePool>(renderer_->MultitextureAvailable());

    SeedSaverRandom(kSeed);
    BattleServices services;
    services.settings = &store_;
    services.installation = folder;
    services.textureNames = names_.get();
    services.textureLevel = renderer_->TextureLevel();
    services.use3DCameraView = true;
    battle_ = std::make_unique<BattleManager>(services);
    Scene::Settings sceneSettings;
    sceneSettings.load = {folder, renderer_->S3TCAvailable(), width_, height_};
    sceneSettings.use3DCameraView = true;
    sceneSettings.caps = {renderer_->MultitextureAvailable(),
                          renderer_->CompiledVertexArraysAvailable()};
    sceneSettings.shipPasses = shipPasses;
    scene_ = std::make_unique<Scene>(sceneSettings, battle_.get());
    if (!scene_->Load(log_)) {
      why_ = "the scene did not load";
      return;
    }
    battle_->SetBattleEnded([this](const BattleManager&) { ++battlesEnded_; });
    // Through the tunnel and its fade: from then on every frame runs the battle branch.
    for (int frame = 0; scene_->TunnelFade() > 0 && frame < 100000; ++frame) Frame();
    for (int frame = 0; frame < kSettleFrames; ++frame) Frame();
    battlesEnded_ = 0;
    ready_ = scene_->TunnelFade() <= 0;
    if (!ready_) why_ = "the tunnel never ended";
  }

  ~FrameRig() {
    scene_.reset();  // the scene lets go of the manager before that goes
    battle_.reset();
    names_.reset();
    if (renderer_) renderer_->Shutdown();
  }

  bool Ready() const { return ready_; }
  const std::string& Why() const { return why_; }

  // One frame as the saver draws it, finished by the driver on the real OpenGL.
  void Frame() {
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene_->Draw(projection_, *names_);
    if (mesa_) gl.glFinish();
    scene_->FinishFrame();
    clock_.Advance(kFrameMilliseconds);
  }

  int LivingShips() const {
    int living = 0;
    for (const int alliance : {1, 2}) {
      for (int i = 0; i < battle_->ShipCount(alliance); ++i) {
        if (!battle_->ShipAt(alliance, i)->IsDead()) ++living;
      }
    }
    return living;
  }
  int BattlesEnded() const { return battlesEnded_; }

  // Everything the frames decide, folded into one number: every ship's place, angles, damage,
  // AI, shield glow and weapons, and the random generator's state. Equal digests after the same
  // frames mean an optimisation changed nothing the battle does.
  std::uint64_t Digest() const {
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](const void* data, std::size_t size) {
      const auto* bytes = static_cast<const unsigned char*>(data);
      for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    auto mixValue = [&mix](auto value) { mix(&value, sizeof value); };
    for (const int alliance : {1, 2}) {
      for (int i = 0; i < battle_->ShipCount(alliance); ++i) {
        Ship& ship = *battle_->ShipAt(alliance, i);
        mixValue(ship.State());
        mixValue(ship.Heading());
        mixValue(ship.Pitch());
        mixValue(ship.Roll());
        mixValue(ship.TotalDamage());
        mixValue(ship.IsDead());
        mixValue(ship.IsVisible());
        mixValue(ship.HullPresent());
        mixValue(ship.AI().state);
        mixValue(ship.AI().storedGoal);
        mixValue(ship.AI().target != nullptr ? ship.AI().target->Position().x() : -1.0);
        const ShipShield& shield = ship.Shield();
        mix(shield.colours.data(), shield.colours.size() * sizeof(float));
        mixValue(shield.strength);
        mixValue(shield.glowing);
        mixValue(shield.scroll);
        for (const auto* weapons : {&ship.Phasers(), &ship.TorpedoLaunchers()}) {
          for (const WeaponState& w : *weapons) {
            mixValue(w.charge);
            mixValue(w.firing);
            mixValue(w.beamYaw);
            mixValue(w.beamPitch);
            mixValue(w.beamLength);
          }
        }
      }
    }
    RandomGenerator random = SaverRandom();
    for (int i = 0; i < 3; ++i) mixValue(random.Next());
    return hash;
  }

 private:
  bool mesa_;
  int width_;
  int height_;
  platform::ManualClock clock_{1000};
  platform::ScopedClock scoped_;
  platform::MemorySettingsStore store_;
  NullLog log_;
  NoHandler handler_;
  std::unique_ptr<platform::SaverWindow> window_;
  std::unique_ptr<platform::RenderTarget> nullTarget_;
  std::unique_ptr<platform::EglTarget> eglTarget_;
  std::unique_ptr<Renderer> renderer_;
  std::unique_ptr<TextureNamePool> names_;
  std::unique_ptr<BattleManager> battle_;
  std::unique_ptr<Scene> scene_;
  double projection_[16] = {};
  int battlesEnded_ = 0;
  bool ready_ = false;
  std::string why_;
};

// The figures of each benchmark's last run, for the summary after all of them.
struct Figures {
  double wallMs = 0;  // per frame, by the clock on the wall
  double cpuMs = 0;   // per frame, the process's CPU time (ours alone on the null OpenGL)
  double simulationShare = -1;  // of the wall time, from the split's spans; -1: no split
  double ships = 0;             // living, on average
};
std::map<std::string, Figures>& Summary() {
  static std::map<std::string, Figures> summary;
  return summary;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Times the benchmark's frames: wall and CPU time per frame, living ships, and with a split
// installed the simulation's share of the time.
void TimeFrames(benchmark::State& state, const std::string& key, FrameRig& rig, bool split) {
  FrameSplit frameSplit;
  if (split) InstallFrameSplit(&frameSplit);
  std::chrono::steady_clock::duration frames{};
  double ships = 0;
  const std::clock_t cpuStart = std::clock();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    rig.Frame();
    frames += std::chrono::steady_clock::now() - start;
    ships += rig.LivingShips();
  }
  const std::clock_t cpuEnd = std::clock();
  InstallFrameSplit(nullptr);

  const double n = static_cast<double>(state.iterations());
  Figures figures;
  figures.wallMs = Milliseconds(frames) / n;
  figures.cpuMs = 1000.0 * static_cast<double>(cpuEnd - cpuStart) / CLOCKS_PER_SEC / n;
  figures.ships = ships / n;
  state.counters["ships"] = figures.ships;
  state.counters["wall_ms"] = figures.wallMs;
  state.counters["cpu_ms"] = figures.cpuMs;
  if (split) {
    figures.simulationShare = Milliseconds(frameSplit.simulation) / Milliseconds(frames);
    state.counters["sim_share"] = figures.simulationShare;
  }
  if (rig.BattlesEnded() > 0) state.counters["battles_ended"] = rig.BattlesEnded();
  Summary()[key] = figures;
}

// Arguments: battle, split (0 or 1).
void NullGl(benchmark::State& state) {
  const int battle = static_cast<int>(state.range(0));
  const bool split = state.range(1) != 0;
  FrameRig rig(false, battle, true);
  if (!rig.Ready()) {
    state.SkipWithError(rig.Why().c_str());
    return;
  }
  TimeFrames(state, std::string("null ") + BattleName(battle) + (split ? " split" : ""), rig,
             split);
}

// Arguments: battle, ship passes (0 or 1), width (800: 800x600; otherwise 16:9).
void Mesa(benchmark::State& state) {
  const int battle = static_cast<int>(state.range(0));
  const bool shipPasses = state.range(1) != 0;
  const int width = static_cast<int>(state.range(2));
  FrameRig rig(true, battle, shipPasses, width, width == kWidth ? kHeight : width * 9 / 16);
  if (!rig.Ready()) {
    state.SkipWithError(rig.Why().c_str());
    return;
  }
  TimeFrames(state,
             std::string("mesa ") + BattleName(battle) + (shipPasses ? "" : " no ship passes") +
                 (width == kWidth ? "" : " wide"),
             rig, false);
}

// Arguments: multisampling (0 or 1). The fleet battle at 1920x1080.
void MesaFullHd(benchmark::State& state) {
  const bool multisampling = state.range(0) != 0;
  FrameRig rig(true, kFleetBattle, true, 1920, 1080, multisampling);
  if (!rig.Ready()) {
    state.SkipWithError(rig.Why().c_str());
    return;
  }
  TimeFrames(state, std::string("mesa 1920x1080") + (multisampling ? " multisampled" : ""), rig,
             false);
}

// Fixed frame counts: every run times the same stretch of the same battle.
void NullGlBattles(benchmark::internal::Benchmark* b) {
  for (const int battle : {kFleetBattle, 125, 250, 500, 1000, 2000}) {
    for (const int split : {0, 1}) b->Args({battle, split});
  }
}
BENCHMARK(NullGl)
    ->ArgNames({"battle", "split"})
    ->Apply(NullGlBattles)
    ->Iterations(600)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Mesa)
    ->ArgNames({"battle", "ship_passes", "width"})
    ->Args({kFleetBattle, 1, kWidth})
    ->Args({kFleetBattle, 0, kWidth})
    ->Args({kFiveHundred, 1, kWidth})
    ->Args({kFiveHundred, 0, kWidth})
    ->Args({kFiveHundred, 1, 1920})
    ->Iterations(120)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(MesaFullHd)
    ->ArgNames({"multisampling"})
    ->Args({0})
    ->Args({1})
    ->Iterations(60)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The split run's simulation share of a battle; -1 when it did not run.
double SimulationShare(const std::string& name) {
  const auto split = Summary().find("null " + name + " split");
  return split == Summary().end() ? -1 : split->second.simulationShare;
}

// Our CPU a frame at each crowd size, split into simulation and submission, with each step's
// growth beside the growth of n log n (what a step may grow by at most).
void PrintGrowthTable() {
  const auto& summary = Summary();
  if (std::none_of(std::begin(kCrowds), std::end(kCrowds), [&summary](int ships) {
        return summary.count("null " + BattleName(ships)) > 0;
      })) {
    return;
  }
  std::printf("\nGrowth, our CPU a frame on the null OpenGL:\n");
  std::printf("  %6s %7s %9s %10s %11s %11s %8s %9s\n", "ships", "alive", "ms", "us/ship",
              "simulation", "submission", "growth", "n log n");
  double previousMs = 0;
  int previous = 0;
  for (const int ships : kCrowds) {
    const auto plain = summary.find("null " + BattleName(ships));
    if (plain == summary.end()) continue;
    const Figures& f = plain->second;
    const double share = SimulationShare(BattleName(ships));
    char sim[16] = "-", sub[16] = "-", growth[16] = "", nlogn[16] = "";
    if (share >= 0) {
      std::snprintf(sim, sizeof sim, "%.3f", f.cpuMs * share);
      std::snprintf(sub, sizeof sub, "%.3f", f.cpuMs * (1 - share));
    }
    if (previous > 0 && previousMs > 0) {
      std::snprintf(growth, sizeof growth, "x%.2f", f.cpuMs / previousMs);
      std::snprintf(nlogn, sizeof nlogn, "x%.2f",
                    ships * std::log(static_cast<double>(ships)) /
                        (previous * std::log(static_cast<double>(previous))));
    }
    std::printf("  %6d %7.0f %9.3f %10.2f %11s %11s %8s %9s\n", ships, f.ships, f.cpuMs,
                1000 * f.cpuMs / ships, sim, sub, growth, nlogn);
    previous = ships;
    previousMs = f.cpuMs;
  }
}

void PrintSummary() {
  const auto& summary = Summary();
  if (summary.empty()) return;
  std::printf("\nPer frame, averaged over the timed frames (ms):\n");
  for (const int battle : {kFleetBattle, kFiveHundred, 2000}) {
    const std::string name = BattleName(battle);
    const double target = battle == kFleetBattle ? 0.5 : battle == kFiveHundred ? 2.0 : 8.0;
    const auto plain = summary.find("null " + name);
    if (plain != summary.end()) {
      const Figures& f = plain->second;
      std::printf("  %-12s our CPU, null OpenGL      %7.3f   target %.1f: %s  (%.0f ships alive)\n",
                  name.c_str(), f.cpuMs, target, f.cpuMs <= target ? "met" : "MISSED", f.ships);
      // The split run's shares applied to the run without the split's own clock readings.
      if (const auto split = summary.find("null " + name + " split"); split != summary.end()) {
        const double share = split->second.simulationShare;
        std::printf("  %-12s   simulation               %7.3f   (%.0f%%)\n", "", f.cpuMs * share,
                    100 * share);
        std::printf("  %-12s   OpenGL submission        %7.3f   (%.0f%%)\n", "",
                    f.cpuMs * (1 - share), 100 * (1 - share));
      }
    }
    if (const auto full = summary.find("mesa " + name); full != summary.end()) {
      std::printf("  %-12s Mesa 800x600, whole frame %7.3f\n", name.c_str(),
                  full->second.wallMs);
    }
    if (const auto bare = summary.find("mesa " + name + " no ship passes"); bare != summary.end()) {
      std::printf("  %-12s   without ship passes      %7.3f\n", "", bare->second.wallMs);
    }
    if (const auto wide = summary.find("mesa " + name + " wide"); wide != summary.end()) {
      std::printf("  %-12s Mesa 1920x1080, whole frame %5.3f\n", name.c_str(),
                  wide->second.wallMs);
    }
  }
  for (const char* kind : {"", " multisampled"}) {
    if (const auto full = summary.find(std::string("mesa 1920x1080") + kind);
        full != summary.end()) {
      std::printf("  %-12s Mesa 1920x1080%-13s %7.3f\n", "FleetBattle", kind,
                  full->second.wallMs);
    }
  }
  PrintGrowthTable();
}

// --digest: instead of timing, plays each battle on the null OpenGL and prints the digest every
// 500 frames, to compare before and after a change that must not change the battle.
int PrintDigests() {
  using namespace ironwood;
  for (const int battle : {kFleetBattle, kFiveHundred}) {
    FrameRig rig(false, battle, true);
    if (!rig.Ready()) {
      std::fprintf(stderr, "%s: %s\n", BattleName(battle).c_str(), rig.Why().c_str());
      return 1;
    }
    for (int frame = 1; frame <= 3000; ++frame) {
      rig.Frame();
      if (frame % 500 == 0) {
        std::printf("%s frame %d: %016llx (%d ships alive)\n", BattleName(battle).c_str(), frame,
                    static_cast<unsigned long long>(rig.Digest()), rig.LivingShips());
      }
    }
  }
  return 0;
}

}  // namespace
}  // namespace ironwood

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--digest") return ironwood::PrintDigests();
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  ironwood::PrintSummary();
  return 0;
}
