#include "platform/process_memory.h"

#include <cstdio>
#include <cstring>

namespace ironwood::platform {

// From /proc/self/status: VmRSS (now) and VmHWM (the peak), in kB.
bool QueryProcessMemory(ProcessMemory* memory) {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return false;
  unsigned long long resident = 0, peak = 0;
  bool haveResident = false, havePeak = false;
  char line[256];
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "VmRSS:", 6) == 0) {
      haveResident = std::sscanf(line + 6, "%llu", &resident) == 1;
    } else if (std::strncmp(line, "VmHWM:", 6) == 0) {
      havePeak = std::sscanf(line + 6, "%llu", &peak) == 1;
    }
  }
  std::fclose(status);
  if (!haveResident || !havePeak) return false;
  memory->residentBytes = resident * 1024;
  memory->peakResidentBytes = peak * 1024;
  return true;
}

}  // namespace ironwood::platform
