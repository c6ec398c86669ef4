#pragma once

#include <memory>
#include <string>

#include "saver/shell/flight_log.h"
#include "saver/shell/offscreen_recorder.h"

namespace ironwood {

// The flight log of an offscreen run (flight_log.h), stamped with the run's clock.
class FlightLogRecorder : public OffscreenRecorder {
 public:
  // The file created with its header; nothing, with the reason, when it cannot be.
  static std::unique_ptr<FlightLogRecorder> Open(const std::string& path, int every,
                                                 std::string& why);

  void ShipsMoved(const BattleManager& battle) override;
  // Closes the log; a log not written whole is reported.
  bool Finish(std::FILE* report) override;

 private:
  explicit FlightLogRecorder(std::string path) : path_(std::move(path)) {}

  std::string path_;
  FlightLog log_;
};

}  // namespace ironwood
