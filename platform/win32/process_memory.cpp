#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include "platform/process_memory.h"

namespace ironwood::platform {

// The working set now and at its peak.
bool QueryProcessMemory(ProcessMemory* memory) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return false;
  memory->residentBytes = counters.WorkingSetSize;
  memory->peakResidentBytes = counters.PeakWorkingSetSize;
  return true;
}

// The process heap decommits large free blocks by itself.
void ReturnFreeMemory() {}

}  // namespace ironwood::platform
