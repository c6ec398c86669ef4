#pragma once

// Where a frame's CPU time goes, for the frame benchmark: the simulation steps (ship updates,
// fire control, torpedoes, effect updates) add their time to the split while one is installed;
// the rest of the frame is the OpenGL submission. With no split installed (always, outside the
// benchmark) a span costs one test of a pointer.

#include <chrono>

namespace ironwood {

struct FrameSplit {
  std::chrono::steady_clock::duration simulation{};
};

namespace frame_split_detail {
inline FrameSplit* installed = nullptr;
}

// The split the spans add to from now on; none switches them off.
inline void InstallFrameSplit(FrameSplit* split) { frame_split_detail::installed = split; }

// Adds the time from its construction to its end to the installed split. Spans must not nest:
// each piece of simulation is counted once, by the span closest round it.
class SimulationSpan {
 public:
  SimulationSpan() : split_(frame_split_detail::installed) {
    if (split_ != nullptr) start_ = std::chrono::steady_clock::now();
  }
  ~SimulationSpan() {
    if (split_ != nullptr) split_->simulation += std::chrono::steady_clock::now() - start_;
  }
  SimulationSpan(const SimulationSpan&) = delete;
  SimulationSpan& operator=(const SimulationSpan&) = delete;

 private:
  FrameSplit* split_;
  std::chrono::steady_clock::time_point start_{};
};

}  // namespace ironwood
