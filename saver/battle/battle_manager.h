#pragma once

// The running battle: the scenario catalogue, the ship classes and ships of both alliances,
// their rosters, the battle centre and the focus ship the camera follows. A battle is built from
// the next scenario, runs until one alliance has no living ship, and is then replaced at once by
// the next.

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/settings_store.h"
#include "platform/sound_output.h"
#include "saver/battle/roster.h"
#include "saver/core/log_sink.h"
#include "saver/battle/scenario.h"
#include "saver/battle/ship.h"
#include "saver/battle/ship_class.h"
#include "saver/battle/ship_grid.h"

namespace ironwood {

class TextureNamePool;

// What the manager needs from the program around it. The pointers must outlive the manager.
struct BattleServices {
  platform::SettingsStore* settings = nullptr;  // the scenario catalogue
  std::string installation;                     // ends with a separator
  const LogSink* log = nullptr;                 // none: nothing is logged
  TextureNamePool* textureNames = nullptr;
  int textureLevel = 0;       // largest texture levels left out of hull textures
  bool soundEffects = false;  // ships take their own copies of the class sounds
  // The most sample bytes one class may hold; a class whose sounds need more loads without them
  // and sound effects go off for the rest of the run, as when the memory cannot be had.
  std::size_t soundMemory = ShipClass::kAnySoundMemory;
  bool use3DCameraView = false;
  // Plays the ships' and torpedoes' sounds while sound effects are on; none: they stay silent.
  platform::SoundOutput* soundOutput = nullptr;
  // The torpedo detonation every torpedo copies; none: torpedoes are silent.
  const WaveSound* torpedoDetonation = nullptr;
};

class BattleManager {
 public:
  // The log line written at every battle start, before the alliance 2 classes load.
  static constexpr const char* kAlliance2LogLine = "Attempting to Load Alliance 2 Models...";
  // Written once when, after a battle, no scenario of the catalogue can start any more.
  static constexpr const char* kNoBattleLogLine =
      "No scenario can start a battle: showing the sky alone\n";
  // Written once when a class's sounds, or a ship's copies of them, cannot be given memory and
  // sound effects go off.
  static constexpr const char* kSoundMemoryLogLine =
      "Not enough memory for the ship sounds: sound effects are off\n";
  // How long the focus ship stays in the star tunnel, and how long the tunnel then fades.
  static constexpr std::uint32_t kTunnelMilliseconds = 20000;
  static constexpr double kFadeMilliseconds = 2000.0;

  // Resets the camera onto the new focus ship: distance behind it, and the 3D camera flag.
  using CameraReset = std::function<void(float distance, bool use3D)>;
  // After a battle ends and the next has been started: the camera follows the new focus ship
  // and looks at the origin. The focus ship is none when the next battle could not start.
  using CameraFollow = std::function<void(Ship* focus)>;
  // A battle is over and about to give way to the next: its ships and scenario are still there
  // (statistics, tests).
  using BattleEnded = std::function<void(const BattleManager& battle)>;

  explicit BattleManager(BattleServices services);
  ~BattleManager() { Release(); }
  BattleManager(const BattleManager&) = delete;
  BattleManager& operator=(const BattleManager&) = delete;

  BattleServices& services() { return services_; }
  void SetCameraReset(CameraReset reset) { cameraReset_ = std::move(reset); }
  void SetCameraFollow(CameraFollow follow) { cameraFollow_ = std::move(follow); }
  void SetBattleEnded(BattleEnded ended) { battleEnded_ = std::move(ended); }

  // Loads the scenario catalogue; once, at start-up.
  bool Initialise(std::string* why = nullptr);

  // Releases the running battle and builds the next one from the catalogue. A scenario that
  // cannot start (no alliance 1 ship, a plug-in that does not load, memory running out) is
  // logged with its reason, left out of the rotation from then on, and the next one is tried.
  // False when none of them can start; then no battle is left and the manager is stalled.
  bool StartBattle(std::string* why = nullptr);
  // No scenario could start at the last try: the frame shows the sky and nothing is retried.
  bool Stalled() const { return stalled_; }

  // Frees classes, ships and rosters, zeroes the battle centre and clears the focus ship.
  void Release();

  // Alliance 1 or 2; any other alliance, or an index out of range, gives 0 or none.
  int ClassCount(int alliance) const;
  int ShipCount(int alliance) const;
  ShipClass* Class(int alliance, int i) const;
  Ship* ShipAt(int alliance, int i) const;
  // The ships of scenario entry i of the alliance.
  int ShipCountOfClass(int alliance, int i) const;
  Roster* RosterOf(int alliance);

  // Updates the alliance's ships one after another (each decides, then moves; see Ship::Update)
  // with the grids answering the decisions' "who is near". The grids, built by the first call of
  // a frame, stay valid until EndWeapons.
  void UpdateShips(int alliance, const Vector3& eyeOffset);
  // Between these two no ship moves, and the grids answer the fire control's "who is in range".
  void BeginWeapons();
  void EndWeapons();

  // X, Y, Z of the centre and six zeros.
  const ShipState& BattleCentre() const { return centre_; }
  Vector3 BattleCentrePosition() const { return Vector3(centre_[0], centre_[1], centre_[2]); }

  Ship* FocusShip() const { return focus_; }
  void SetFocusShip(Ship* ship) { focus_ = ship; }
  int FocusSearchIndex() const { return focusSearch_; }

  // True when every ship of alliance 1 or every ship of alliance 2 is dead (an empty alliance
  // counts as wiped out).
  bool IsOver() const;

  // The focus ship's tunnel fade for this frame (1 with no focus ship): 1 through the tunnel,
  // then falling to 0 over two seconds, when the ship is sent towards the battle centre.
  float FocusTunnelFade();

  // When the focus ship is dead, the next living alliance 1 ship from the search index on
  // (wrapping round once) becomes the focus ship; with none alive the focus stays. The frame
  // calls it after the tunnel phase, with the 3D camera view on.
  void ReplaceDeadFocusShip();
  // The viewer's key: the next living ship after the cycle index, through alliance 1 and then
  // alliance 2, becomes the focus ship. With none living after the index the focus stays and the
  // next press starts again from the first ship.
  void CycleFocus();
  int FocusCycleIndex() const { return focusCycle_; }

  // The end-of-battle test, after a frame has been drawn: when the battle is over the next one
  // starts, the camera follows the new focus ship and the focus search starts again at 0. True
  // when the battle was over. When no scenario can start any more that is logged once, and a
  // stalled manager tries nothing again.
  bool EndOfBattle();

  const ScenarioCatalogue& catalogue() const { return catalogue_; }
  // The scenario of the running battle; none while no battle runs.
  const Scenario* CurrentScenario() const;

 private:
  struct Alliance {
    std::vector<std::unique_ptr<ShipClass>> classes;
    std::vector<std::unique_ptr<Ship>> ships;
    std::vector<Ship*> shipList;                     // the ships in array order
    std::vector<std::vector<Ship*>> classShipLists;  // per entry, handed to its class
    Roster roster;
    ShipGrid grid;  // over shipList
  };
  void InvalidateGrids();

  const Alliance* Side(int alliance) const;
  bool LoadClasses(const AllianceList& list, Alliance& side, std::string* why);
  bool SpawnShips(const AllianceList& list, Alliance& side, float xSign, std::string* why);
  bool Build(const Scenario& scenario, std::string* why);
  // Sound effects off for the rest of the run, logged once.
  void SoundEffectsOff();

  BattleServices services_;
  CameraReset cameraReset_;
  CameraFollow cameraFollow_;
  BattleEnded battleEnded_;
  ScenarioCatalogue catalogue_;
  std::array<Alliance, 2> alliances_;
  ShipState centre_{};
  Ship* focus_ = nullptr;
  int focusSearch_ = 0;
  int focusCycle_ = 0;
  bool stalled_ = false;
};

}  // namespace ironwood
