#pragma once

#include <cstdio>

namespace ironwood {

class BattleManager;
class SaverApp;

// One thing an offscreen run keeps of what it draws (pictures, a contact sheet, a flight log,
// battle statistics), with its own state. The run makes one for each option given and calls
// every one from the saver's single observer of each kind, in the order they were made.
class OffscreenRecorder {
 public:
  OffscreenRecorder() = default;
  OffscreenRecorder(const OffscreenRecorder&) = delete;
  OffscreenRecorder& operator=(const OffscreenRecorder&) = delete;
  virtual ~OffscreenRecorder() = default;

  // After each frame is drawn, with the clock already at the next frame's time and the
  // picture still in the buffer. True ends the run after this frame.
  virtual bool Frame(SaverApp& /*app*/) { return false; }
  // After each frame's ship updates.
  virtual void ShipsMoved(const BattleManager& /*battle*/) {}
  // A battle is over; the frame being drawn is its last.
  virtual void BattleEnded(const SaverApp& /*app*/, const BattleManager& /*battle*/) {}
  // After the run: its lines to `report`, what went wrong to standard error. True when it
  // failed, which fails the run.
  virtual bool Finish(std::FILE* report) = 0;
};

}  // namespace ironwood
