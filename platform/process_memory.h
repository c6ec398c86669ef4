#pragma once

#include <cstdint>

namespace ironwood::platform {

// The process's memory as the system counts it: resident now, and the most it has been resident
// since it started (the high-water mark).
struct ProcessMemory {
  std::uint64_t residentBytes = 0;
  std::uint64_t peakResidentBytes = 0;
};

// False where the system does not say; `memory` is then left as it was.
bool QueryProcessMemory(ProcessMemory* memory);

}  // namespace ironwood::platform
