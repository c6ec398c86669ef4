#pragma once

#include <cstdint>

namespace ironwood::platform {

// The process's memory as the system counts it: resident now, and the most it has been resident
// since it started (the high-water mark). Of the resident memory, the part that is the process's
// own (heap, stacks, anonymous mappings) as opposed to pages of mapped files such as the code of
// its libraries, which the system can drop and read again; 0 where the system does not tell.
struct ProcessMemory {
  std::uint64_t residentBytes = 0;
  std::uint64_t peakResidentBytes = 0;
  std::uint64_t privateResidentBytes = 0;
};

// False where the system does not say; `memory` is then left as it was.
bool QueryProcessMemory(ProcessMemory* memory);

// Hands the memory the allocator holds free back to the system, after a large release (a
// battle's classes), so that it does not stay resident until the next battle's allocations
// happen to fit it. Nothing where the system's allocator does that by itself.
void ReturnFreeMemory();

}  // namespace ironwood::platform
