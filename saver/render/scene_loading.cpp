#include "saver/render/scene_loading.h"

#include <functional>
#include <string_view>
#include <vector>

namespace ironwood {
namespace {

// One start-up step: its line, its result, and the lines explaining it.
class StepLog {
 public:
  explicit StepLog(const LogSink& log) : log_(log) {}

  bool Run(const char* line, const std::function<bool(std::string* why)>& step,
           const char* failedText = "Failed\n") {
    log_.Write(line);
    std::string why;
    const bool ok = step(&why);
    log_.Write(ok ? "Success\n" : failedText);
    if (!ok) {
      // The sky box's failure text has never ended its line; the reason starts a new one.
      const std::string_view text(failedText);
      std::string reason;
      if (text.empty() || text.back() != '\n') reason += '\n';
      reason += "        ";
      reason += why.empty() ? "no reason given" : why;
      Note(reason);
    }
    for (const std::string& problem : problems_) Note("        " + problem);
    problems_.clear();
    return ok;
  }
  void Problems(const std::vector<std::string>& problems) {
    problems_.insert(problems_.end(), problems.begin(), problems.end());
  }
  void Note(const std::string& text) const { log_.Write(text + "\n"); }

 private:
  const LogSink& log_;
  std::vector<std::string> problems_;
};

// A model file of the installation folder; false when it cannot be read or holds no usable
// object (every caller draws at least its first mesh).
bool LoadModel(const std::string& installation, const char* file, bool withMaterials,
               AseModel* model, StepLog& steps, std::string* why) {
  AseModel loaded;
  const std::string path = installation + file;
  if (!LoadAse(path, installation, withMaterials, true, &loaded, why)) return false;
  steps.Problems(loaded.problems);
  if (loaded.meshes.empty()) {
    *why = path + " holds no usable object";
    return false;
  }
  *model = std::move(loaded);
  return true;
}

}  // namespace

bool LoadAssociatedFiles(const LoadSettings& settings, const LogSink& log,
                         BattleManager* battle, SceneAssets* assets) {
  const std::string& installation = settings.installation;
  StepLog steps(log);
  if (battle != nullptr &&
      !(steps.Run("Attempting to initalize scenario files...",
                  [&](std::string* why) {
                    const bool ok = battle->Initialise(why);
                    steps.Problems(battle->catalogue().problems());
                    return ok;
                  }) &&
        steps.Run("Attempting to Load First Scenario File...",
                  [&](std::string* why) { return battle->StartBattle(why); }))) {
    return false;
  }
  log.Write("BEGIN LOADING ASSOCIATED FILES\n");
  const bool loaded =
      steps.Run("    Attempting To Load UniBillboard...",
                [&](std::string* why) {
                  return LoadModel(installation, "UniBillboard.ase", false, &assets->uniBillboard,
                                   steps, why);
                }) &&
      steps.Run("    Attempting To Load TriBillboard...",
                [&](std::string* why) {
                  return LoadModel(installation, "TriBillboard.ase", false, &assets->triBillboard,
                                   steps, why);
                }) &&
      steps.Run("    Attempting to Load Phaser Flare...",
                [&](std::string* why) {
                  assets->phaserFlares.SetMesh(&assets->uniBillboard.meshes.front());
                  return assets->phaserFlares.Load(installation, why);
                }) &&
      steps.Run(
          "    Attempting to Load Background...",
          [&](std::string* why) {
            return assets->sky.LoadSky(installation, settings.compressedTextures, why);
          },
          "Failed") &&
      steps.Run("    Attempting to Load Universe...",
                [&](std::string* why) {
                  AseModel model;
                  if (!LoadModel(installation, "Background.ase", false, &model, steps, why)) {
                    return false;
                  }
                  if (model.meshes.size() < SkyBox::kTileCount) {
                    steps.Problems({"Background.ase holds " +
                                    std::to_string(model.meshes.size()) + " of the " +
                                    std::to_string(SkyBox::kTileCount) + " sky pieces"});
                  }
                  assets->sky.SetModel(std::move(model));
                  return true;
                }) &&
      steps.Run("    Attempting to Load Overlays...",
                [&](std::string* why) {
                  return assets->titles.LoadTitles(installation, settings.width, settings.height,
                                                   why);
                }) &&
      steps.Run("    Attempting to Load lens flare...",
                [&](std::string* why) {
                  const bool ok = assets->lensFlare.Load(installation, why);
                  steps.Problems(assets->lensFlare.problems());
                  return ok;
                }) &&
      steps.Run("    Attempting to Load Explosion maps...",
                [&](std::string* why) {
                  return assets->explosions.LoadExplosionMaps(installation, why);
                }) &&
      steps.Run("    Attempting to Initalize Spark System...",
                [&](std::string*) { return assets->sparks.InitSparks(); }) &&
      steps.Run("    Attempting to Initalize Debris System...", [&](std::string* why) {
        const bool ok = assets->debris.InitDebris(installation, why);
        steps.Problems(assets->debris.model().problems);
        return ok;
      });
  if (!loaded) return false;
  log.Write("END LOADING ASSOCIATED FILES\n");

  // The tunnel and the death-effect images are drawn when present; the battle runs without them.
  AseModel tunnel;
  std::string why;
  if (LoadAse(installation + "StarTunnel.ase", installation, true, true, &tunnel, &why)) {
    for (const std::string& problem : tunnel.problems) steps.Note("        " + problem);
    if (tunnel.meshes.empty()) {
      steps.Note("        " + installation +
                 "StarTunnel.ase holds no usable object; no star tunnel");
    }
    assets->starTunnel = std::move(tunnel);
  } else {
    steps.Note("        " + why + "; no star tunnel");
  }
  assets->explosions.LoadDeathImages(installation);
  return true;
}

}  // namespace ironwood
