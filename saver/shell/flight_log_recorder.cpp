#include "saver/shell/flight_log_recorder.h"

#include <cstdio>

#include "platform/clock.h"

namespace ironwood {

std::unique_ptr<FlightLogRecorder> FlightLogRecorder::Open(const std::string& path, int every,
                                                           std::string& why) {
  std::unique_ptr<FlightLogRecorder> recorder(new FlightLogRecorder(path));
  if (!recorder->log_.Open(path, every, &why)) return nullptr;
  return recorder;
}

void FlightLogRecorder::ShipsMoved(const BattleManager& battle) {
  log_.Record(battle, platform::TimeMilliseconds());
}

bool FlightLogRecorder::Finish(std::FILE*) {
  if (log_.Close()) return false;
  std::fprintf(stderr, "Ironwood: the flight log %s was not written whole\n", path_.c_str());
  return true;
}

}  // namespace ironwood
