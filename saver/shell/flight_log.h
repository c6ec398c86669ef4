#pragma once

// The flight recorder: one CSV row for every ship every K frames, so a battle can be checked
// over thousands of frames by a test or plotted by a person.

#include <cstdint>
#include <cstdio>
#include <string>

namespace ironwood {

class BattleManager;

class FlightLog {
 public:
  static constexpr const char* kHeader =
      "time_ms,ship,alliance,state,target,x,y,z,pitch,heading,roll,speed,damage";

  FlightLog() = default;
  FlightLog(const FlightLog&) = delete;
  FlightLog& operator=(const FlightLog&) = delete;
  ~FlightLog();

  // Creates (or empties) the file and writes the header; false, with the reason, when it cannot.
  bool Open(const std::string& path, int every, std::string* why);
  bool IsOpen() const { return file_ != nullptr; }

  // Called after every frame's ship updates: on every K-th call, one row a ship. Ships are
  // numbered alliance 1 then alliance 2 from 0 in each battle; the target is its number or -1.
  void Record(const BattleManager& battle, std::uint32_t timeMilliseconds);

  // Flushes and closes; false when anything written was lost (a full disk).
  bool Close();

 private:
  std::FILE* file_ = nullptr;
  int every_ = 1;
  long long calls_ = 0;
  bool failed_ = false;
};

}  // namespace ironwood
